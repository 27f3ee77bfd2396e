#include "reports/PersonalRecords.h"

#include "core/Database.h"
#include "core/DateNumberRules.h"
#include "core/Helpers.h"
#include "core/HtmlOutput.h"
#include "core/Program.h"
#include "reports/NmqHistory.h"

#include <QUrl>
#include <functional>

namespace reports {

namespace {

// One stored record being turned into cells.
struct Row {
    const Recordset& rs;
    int r;
    QString operator()(const char* column) const { return rs.text(r, QString::fromUtf8(column)); }
};
using Part = std::function<QString(const Row&)>;

// A column of a section: a plain value, or (web) parts joined by a separator, each part HTML-escaped.
struct Column {
    QString caption;
    std::function<QString(const Row&)> value; // plain text
    std::vector<Part> parts;                  // composed (web): escaped parts joined by sep
    QString sep = QStringLiteral("<P>");
    bool attachment = false; // web: a link to the attachment
};

Column plain(const char* column) {
    return {QString::fromUtf8(column), [c = column](const Row& row) { return row(c); }, {}};
}
Column alias(const char* column, const char* caption) {
    return {QString::fromUtf8(caption), [c = column](const Row& row) { return row(c); }, {}};
}
// Format(value, pattern): numbers rounded as the pattern says, other text as it is, NULL as "".
Column formatted(const char* column, const char* caption, const char* pattern) {
    return {QString::fromUtf8(caption),
            [c = column, p = pattern](const Row& row) {
                const QString v = row(c);
                return rules::isNumeric(v) ? rules::format(rules::val(v), QString::fromUtf8(p)) : v;
            },
            {}};
}
QString dateOf(const QString& v) {
    const QString d = rules::normalizeDate(v);
    return d.isEmpty() ? v : d;
}
Column composed(const char* caption, std::vector<Part> parts, const QString& sep = QStringLiteral("<P>")) {
    Column c{QString::fromUtf8(caption), {}, std::move(parts)};
    c.sep = sep;
    return c;
}
// A part: a fixed label followed by a column's value.
Part labelled(const char* label, const char* column) {
    return [l = label, c = column](const Row& row) { return QString::fromUtf8(l) + row(c); };
}
Part value(const char* column) {
    return [c = column](const Row& row) { return row(c); };
}

QString maleOrFemale(const Row& row, const char* male, const char* female) {
    return QString::fromUtf8(row("SEX") == QLatin1String("1") ? male : female);
}

// ---- the columns of each section --------------------------------------------------------------------------------

std::vector<Column> healthColumns(bool web) {
    if (web) {
        return {
            plain("年度代碼"),
            composed("個人資料", {[](const Row& r) {
                                      return r("姓名") + QStringLiteral(" (") + maleOrFemale(r, "男性", "女性") +
                                             QStringLiteral(") ");
                                  },
                                  labelled("出生年月日︰ ", "出生年月日")}),
            composed("任職資料", {labelled("部門名稱 ︰ ", "部門名稱"), labelled("員編︰ ", "員工編號")}),
            composed(
                "健康風險指標",
                {[](const Row& r) {
                     return QStringLiteral("01.【 ") + r("Framingham_Risk_Score") + QStringLiteral("】");
                 },
                 [](const Row& r) { return QStringLiteral("02.【 ") + r("成人血壓分級") + QStringLiteral("】"); },
                 [](const Row& r) { return QStringLiteral("03.【 ") + r("BMI分級") + QStringLiteral("】"); },
                 [](const Row& r) { return QStringLiteral("04.【 ") + r("代謝症候群_分級") + QStringLiteral("】"); },
                 [](const Row& r) { return QStringLiteral("05.【 ") + r("三高族群分級") + QStringLiteral("】"); }},
                QStringLiteral("<P> ")),
            composed("體態", {labelled("身高︰", "身高"), labelled("體重︰", "體重"), labelled("腰圍︰ ", "腰圍"),
                              labelled("BMI︰", "BMI")}),
            composed("血壓與血醣", {labelled("收縮壓︰", "收縮壓"), labelled("舒張壓︰", "舒張壓"),
                                    labelled(" 飯前血醣︰", "飯前血醣")}),
            composed("血脂數值",
                     {labelled("總膽固醇︰ ", "總膽固醇"), labelled("三酸甘油脂︰", "三酸甘油脂"),
                      labelled("高密度膽固醇︰", "高密度膽固醇"), labelled("低密度膽固醇︰", "低密度膽固醇")}),
            composed("生活常態", {labelled("抽菸習慣︰ ", "抽菸習慣"), labelled("既往病歷︰ ", "既往病歷")}),
        };
    }
    std::vector<Column> c = {plain("年度代碼"),
                             plain("姓名"),
                             plain("員工編號"),
                             plain("部門代號"),
                             plain("部門名稱"),
                             {QStringLiteral("性別"), [](const Row& r) { return maleOrFemale(r, "男", "女"); }, {}},
                             plain("出生年月日"),
                             formatted("身高", "身高_cm", "0.0"),
                             formatted("體重", "體重_kg", "0.0"),
                             formatted("腰圍", "腰圍_cm", "0")};
    for (const char* n : {"收縮壓", "舒張壓", "飯前血醣", "總膽固醇", "三酸甘油脂", "高密度膽固醇", "低密度膽固醇"})
        c.push_back(formatted(n, n, "0"));
    for (const char* n : {"抽菸習慣", "既往病歷", "健檢過程備註說明"})
        c.push_back(plain(n));
    c.push_back(formatted("BMI", "BMI", "0.0"));
    for (const char* n : {"成人血壓分級", "代謝症候群_分級", "三高族群分級", "Framingham_Risk_Score"})
        c.push_back(plain(n));
    return c;
}

std::vector<Column> burnOutColumns() {
    std::vector<Column> c = {plain("年度代碼"), plain("姓名"), plain("員工編號")};
    for (const char* n : {"I01", "I02", "I03", "I04", "I05", "I06"})
        c.push_back(plain(n));
    c.push_back(alias("I_Score", "個人過勞得分"));
    c.push_back(alias("I_Risk", "個人過勞等級"));
    for (const char* n : {"J01", "J02", "J03", "J04", "J05", "J06", "J07"})
        c.push_back(plain(n));
    c.push_back(alias("J_Score", "工作過勞得分"));
    c.push_back(alias("J_Risk", "工作過勞等級"));
    c.push_back(plain("月加班時數等級"));
    c.push_back(plain("工作負荷等級"));
    return c;
}

std::vector<Column> nmqColumns(bool web) {
    if (web) {
        return {
            plain("年度代碼"),
            composed("個人資料", {[](const Row& r) {
                                      return r("姓名") + QStringLiteral(" (") + r("Basic09") + QStringLiteral(") ");
                                  },
                                  labelled("員工編號︰", "員工編號"), labelled("年齡︰", "Basic10"),
                                  labelled(" 填表日期︰", "Basic02")}),
            composed("任職資料",
                     {labelled("廠區︰", "Basic03"), labelled("部門︰", "Basic04"), labelled("課_組︰", "Basic05"),
                      labelled("作業名稱︰", "Basic06"), labelled("職稱︰", "Basic07"), labelled("年資︰", "Basic11")}),
            composed("生理特徵",
                     {labelled("身高︰", "Basic12"), labelled("體重︰", "Basic13"), labelled("慣用手︰ ", "Basic14")}),
            composed("肌肉骨骼症狀描述",
                     {labelled("是否為肌肉骨骼相關之職業病︰", "Basic15"), labelled("是否已通報中︰", "Basic16"),
                      labelled("是否不適︰", "Basic17"), labelled("症狀持續時間︰", "Basic18"),
                      labelled("其他症狀或病史說明︰", "Q016")}),
            composed("肩頸部", {labelled("頸 ", "Q001"), labelled("左肩 ", "Q002"), labelled("右肩 ", "Q003")}),
            composed("背部", {labelled("上背 ", "Q004"), labelled("下背或腰 ", "Q005")}),
            composed("四肢_手臂", {labelled("左手肘_前臂 ", "Q006"), labelled("右手肘_前臂 ", "Q007"),
                                   labelled("左手_手腕 ", "Q008"), labelled("右手_手腕 ", "Q009")}),
            composed("四肢_腿腳",
                     {labelled("左臀_大腿 ", "Q010"), labelled("右臀_大腿  ", "Q011"), labelled("左膝 ", "Q012"),
                      labelled("右膝 ", "Q013"), labelled("左腳踝_腳 ", "Q014"), labelled("右腳踝_腳 ", "Q015")}),
            alias("ErgoTotal", "等級3以上_酸痛部位累計"),
            alias("xFileName", "匯入檔檔名"),
        };
    }
    // The workbook shows the columns of the NMQ history sheet under the same headings.
    std::vector<Column> c;
    for (const NmqHistoryRow& n : nmqHistoryRows())
        c.push_back(alias(n.column, n.heading));
    return c;
}

std::vector<Column> logColumns(bool web) {
    std::vector<Column> c;
    if (web) {
        c.push_back(composed("日期與時間", {[](const Row& r) { return dateOf(r("記錄日期")); }, value("記錄時間")}));
    } else {
        c.push_back({QStringLiteral("記錄日期"), [](const Row& r) { return dateOf(r("記錄日期")); }, {}});
        c.push_back(plain("記錄時間"));
    }
    for (const char* n : {"人員身份", "人員姓名", "員工編號", "聯絡分機", "所屬部門", "事件代碼", "嚴重代碼",
                          "事件發生經過與症狀描述", "處理措施", "追蹤情況", "醫護人員"})
        c.push_back(plain(n));
    c.push_back(alias("xSaveTime", "寫入時間"));
    Column pdf = plain("xPDF");
    pdf.attachment = web;
    c.push_back(pdf);
    return c;
}

std::vector<Column> specialColumns() {
    std::vector<Column> c;
    for (const char* n : {"年度代碼", "姓名", "員工編號", "健檢醫院代碼", "實際健檢日期", "特殊健檢代碼_僅兩碼",
                          "特殊健檢管理等級", "健檢過程備註說明"})
        c.push_back(plain(n));
    return c;
}

// ---- the legends under the first two web sections -----------------------------------------------------------------

QString linesHtml(const QStringList& lines) {
    QString out;
    for (const QString& l : lines)
        out += htmlEscape(l) + QStringLiteral("<P>");
    return out;
}

QString healthLegend(Program& program) {
    const QStringList lines = {
        QStringLiteral("01.【心血管疾病風險分級】Cardiovascular Disease (10-year risk) 。  系統會依據 【總膽固醇 "
                       "Cholesterol】與【低密度膽固醇 LDL】之評比結果，自動選擇風險值較高者，為最終運算結果；參考來源："
                       "https://www.framinghamheartstudy.org/fhs-risk-functions/cardiovascular-disease-10-year-risk/"),
        QStringLiteral("02.【成人血壓分級】。 參考來源：國民健康署 & 中華民國心臟學會台灣高血壓治療指引"),
        QStringLiteral("03.【 BMI 分級】。 正常範圍： 18.5 ≦ BMI <24 "),
        QStringLiteral("04. 【代謝症候群_分級】。 參考來源：國民健康署  成人預防保健手冊 (2011.07) "),
        QStringLiteral("05.【三高族群分級】。  參考來源：國民健康署  2014-2017年國民營養健康狀況變遷調查")};
    return QStringLiteral("<P>") + linesHtml(lines) + QStringLiteral("<P>") +
           htmlEscape(QStringLiteral(" 健康風險指標 分析完成日期:︰ ") + rules::dateTimeText(program.ui().now()));
}

QString burnOutLegend() {
    static const char* const items[][2] = {{"I01", "你常覺得疲勞嗎?"},
                                           {"I02", "你常覺得身體上體力透支嗎?"},
                                           {"I03", "你常覺得情緒上心力交瘁嗎?"},
                                           {"I04", "你常會覺得，「我快要撐不下去了」嗎?"},
                                           {"I05", "你常覺得精疲力竭嗎?"},
                                           {"I06", "你常常覺得虛弱，好像快要生病了嗎?"},
                                           {"J01", "你的工作會令人情緒上心力交瘁嗎？"},
                                           {"J02", "你的工作會讓你覺得快要累垮了嗎?"},
                                           {"J03", "你的工作會讓你覺得挫折嗎?"},
                                           {"J04", "工作一整天之後，你覺得精疲力竭嗎?"},
                                           {"J05", "上班之前只要想到又要工作一整天，你就覺得沒力嗎?"},
                                           {"J06", "上班時你會覺得每一刻都很難熬嗎?"},
                                           {"J07", "不工作的時候，你有足夠的精力陪朋友或家人嗎?"}};
    const QString dashes(40, QLatin1Char('-'));
    QStringList lines;
    for (const auto& item : items) {
        lines.append(QString::fromUtf8(item[0]) + QLatin1Char('.') + QString::fromUtf8(item[1]));
        if (qstrcmp(item[0], "I06") == 0 || qstrcmp(item[0], "J07") == 0) lines.append(dashes);
    }
    return linesHtml(lines) + htmlEscape(QStringLiteral(" I01~06 與 J01~07 之回答代碼說明: ")) +
           QStringLiteral("<P> ") +
           htmlEscape(QStringLiteral(" (1)總是   (2)常常   (3)有時候   (4)不常   (5)從未或幾乎從未"));
}

// ---- building a section ---------------------------------------------------------------------------------------------

PersonSection buildSection(Program& program, const QString& table, const QString& order, const QString& employeeNo,
                           const std::vector<Column>& columns, bool web) {
    PersonSection s;
    s.table = table;
    s.htmlCells = web;
    for (const Column& c : columns)
        s.fields.append(c.caption);
    // Every column is read by name, so a record table of an older database that lacks one shows it empty.
    const Recordset rs = program.DBConn.query(QStringLiteral("SELECT * FROM %1 WHERE \"員工編號\" = ? ORDER BY %2 DESC")
                                                  .arg(Database::quoteName(table), Database::quoteName(order)),
                                              {employeeNo});
    letEventsThrough();
    for (int r = 0; r < rs.recordCount(); ++r) {
        const Row row{rs, r};
        QStringList cells;
        for (const Column& c : columns) {
            if (!c.parts.empty()) {
                QStringList parts;
                for (const Part& p : c.parts)
                    parts.append(web ? htmlEscape(p(row)) : p(row));
                cells.append(parts.join(web ? c.sep : QStringLiteral("\n")));
            } else if (web && c.attachment) {
                cells.append(attachmentLinkHtml(program, c.value(row)));
            } else {
                cells.append(web ? htmlEscape(c.value(row)) : c.value(row));
            }
        }
        s.rows.push_back(std::move(cells));
    }
    return s;
}

} // namespace

std::vector<PersonSection> personRecordSections(Program& program, const QString& employeeNo, bool web) {
    struct Spec {
        const char* table;
        const char* order;
        const char* sheet;
        const char* tail;
    };
    static const Spec specs[5] = {
        {"PersonalHealth", "年度代碼", "健檢資料筆數", " [健檢資料] "},
        {"PersonalBurnOut", "年度代碼", "過勞量表筆數", " [過勞量表] "},
        {"PersonalNMQ", "年度代碼", "NMQ資料筆數", " [NMQ問卷] "},
        {"NursingBook", "記錄日期", "健康服務資料量", " [健康服務紀錄] "},
        {"PersonalSpecialHealth", "年度代碼", "特殊健檢筆數", " [特殊健檢] "},
    };
    const std::vector<Column> columns[5] = {healthColumns(web), burnOutColumns(), nmqColumns(web), logColumns(web),
                                            specialColumns()};
    std::vector<PersonSection> out;
    for (int k = 0; k < 5; ++k) {
        PersonSection s = buildSection(program, QString::fromUtf8(specs[k].table), QString::fromUtf8(specs[k].order),
                                       employeeNo, columns[k], web);
        s.sheetName = QString::fromUtf8(specs[k].sheet);
        s.title = QStringLiteral("員工編號: ") + employeeNo + QString::fromUtf8(specs[k].tail);
        if (web && k == 0) s.noteHtml = healthLegend(program);
        if (web && k == 1) s.noteHtml = burnOutLegend();
        out.push_back(std::move(s));
    }
    return out;
}

QString personRecordsHtml(const std::vector<PersonSection>& sections) {
    QString body;
    for (const PersonSection& s : sections) {
        body += htmlBanner(s.title);
        body += QStringLiteral("<table>\n<tr>");
        for (const QString& f : s.fields)
            body += QStringLiteral("<th>") + htmlEscape(f) + QStringLiteral("</th>");
        body += QStringLiteral("</tr>\n");
        for (const QStringList& row : s.rows) {
            body += QStringLiteral("<tr>");
            for (const QString& cell : row)
                body += QStringLiteral("<td>") + (s.htmlCells ? cell : htmlEscape(cell)) + QStringLiteral("</td>");
            body += QStringLiteral("</tr>\n");
        }
        body += QStringLiteral("</table>\n");
        if (!s.noteHtml.isEmpty()) body += s.noteHtml + QStringLiteral("<P><P>");
        body += QStringLiteral("<P></P>\n");
    }
    return body;
}

Recordset sectionRecordset(const PersonSection& section) {
    std::vector<QVariantList> rows;
    rows.reserve(section.rows.size());
    for (const QStringList& r : section.rows) {
        QVariantList row;
        for (const QString& cell : r)
            row.append(cell);
        rows.push_back(std::move(row));
    }
    return Recordset(section.fields, std::move(rows));
}

void ExportPersonAllRecords(Program& program, const QString& employeeNo, PersonReport to) {
    const bool web = to == PersonReport::WebPage;
    const std::vector<PersonSection> sections = personRecordSections(program, employeeNo, web);
    if (web) {
        // One page with the five sections in order (the page is written once, not once per section).
        ShowHtmlText(program, QStringLiteral("員工編號: ") + employeeNo, personRecordsHtml(sections));
        return;
    }
    writeSectionsToWorkbook(program, sections);
}

} // namespace reports
