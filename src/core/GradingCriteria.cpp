#include "core/GradingCriteria.h"

#include "core/DateNumberRules.h"
#include "core/Helpers.h"
#include "core/HtmlOutput.h"

#include <QRegularExpression>

namespace grading {

namespace {

const QString kItem = QStringLiteral("項目名稱");
const QString kSex = QStringLiteral("性別");

QString levelColumn(int level) {
    return QStringLiteral("Level_%1").arg(level);
}

CriterionParse refuse(const QString& reason) {
    CriterionParse out;
    out.error = reason;
    return out;
}

// "op value" with one of the six operators; the longest operator is taken first.
std::optional<CriterionPart> parseComparison(const QString& part, QString* error) {
    struct OpText {
        const char* text;
        CriterionPart::Op op;
    };
    static const OpText ops[] = {
        {"<=", CriterionPart::Op::LessEqual}, {">=", CriterionPart::Op::GreaterEqual},
        {"<>", CriterionPart::Op::NotEqual},  {"<", CriterionPart::Op::Less},
        {">", CriterionPart::Op::Greater},    {"=", CriterionPart::Op::Equal},
    };
    for (const OpText& o : ops) {
        const QString op = QString::fromLatin1(o.text);
        if (!part.startsWith(op)) continue;
        const QString value = part.mid(op.size()).trimmed();
        if (!rules::isNumeric(value)) {
            *error = QStringLiteral("「%1」的比較值不是數值").arg(part);
            return std::nullopt;
        }
        return CriterionPart{o.op, rules::val(value), 0};
    }
    *error = QStringLiteral("「%1」缺少比較運算子 (<、<=、>、>=、=、<>)").arg(part);
    return std::nullopt;
}

// "low~high" with both ends numeric and low ≤ high.
std::optional<CriterionPart> parseRange(const QString& part, QString* error) {
    const QStringList ends = part.split(QLatin1Char('~'));
    if (ends.size() != 2) {
        *error = QStringLiteral("「%1」不是「下限~上限」的範圍").arg(part);
        return std::nullopt;
    }
    const QString low = ends[0].trimmed();
    const QString high = ends[1].trimmed();
    if (!rules::isNumeric(low) || !rules::isNumeric(high)) {
        *error = QStringLiteral("「%1」的範圍上下限必須都是數值").arg(part);
        return std::nullopt;
    }
    if (rules::val(low) > rules::val(high)) {
        *error = QStringLiteral("「%1」的下限大於上限").arg(part);
        return std::nullopt;
    }
    return CriterionPart{CriterionPart::Op::Range, rules::val(low), rules::val(high)};
}

// Signs typed in full width, as an input method gives them: refused by name, with the sign to type instead.
QString fullWidthSign(const QString& text) {
    struct Sign {
        const char* full;
        const char* half;
    };
    static const Sign signs[] = {{"～", "~"}, {"〜", "~"}, {"＜", "<"}, {"＞", ">"}, {"＝", "="},
                                 {"≧", ">="}, {"≦", "<="}, {"≥", ">="}, {"≤", "<="}, {"ＯＲ", "OR"}};
    for (const Sign& s : signs) {
        const QString full = QString::fromUtf8(s.full);
        if (text.contains(full))
            return QStringLiteral("「%1」是全形符號, 請改用半形「%2」").arg(full, QString::fromUtf8(s.half));
    }
    return {};
}

// The error values Excel shows in a cell whose formula failed.
bool isExcelError(const QString& text) {
    static const QStringList errors{"#NULL!", "#DIV/0!", "#VALUE!", "#REF!",
                                    "#NAME?", "#NUM!",   "#N/A",    "#GETTING_DATA"};
    return errors.contains(text);
}

} // namespace

bool isTextItem(const QString& item) {
    return item == QLatin1String("PRO") || item == QLatin1String("UOB");
}

bool Criterion::holds(double v) const {
    for (const CriterionPart& p : parts) {
        switch (p.op) {
        case CriterionPart::Op::Less:
            if (v < p.value) return true;
            break;
        case CriterionPart::Op::LessEqual:
            if (v <= p.value) return true;
            break;
        case CriterionPart::Op::Greater:
            if (v > p.value) return true;
            break;
        case CriterionPart::Op::GreaterEqual:
            if (v >= p.value) return true;
            break;
        case CriterionPart::Op::Equal:
            if (v == p.value) return true;
            break;
        case CriterionPart::Op::NotEqual:
            if (v != p.value) return true;
            break;
        case CriterionPart::Op::Range:
            if (v >= p.value && v <= p.high) return true;
            break;
        }
    }
    return false;
}

CriterionParse parseCriterion(const std::optional<QString>& text, bool textItem) {
    CriterionParse out;
    if (!text || text->trimmed() == QLatin1String("NA")) {
        out.unused = true;
        return out;
    }
    const QString t = text->trimmed();
    if (t.isEmpty()) return refuse(QStringLiteral("標準為空白 (不使用的等級請填 NA)"));
    if (isExcelError(t)) return refuse(QStringLiteral("「%1」是 Excel 公式的錯誤值, 不是標準").arg(t));
    if (!textItem)
        if (const QString sign = fullWidthSign(t); !sign.isEmpty()) return refuse(sign);
    Criterion c;
    c.textItem = textItem;
    if (textItem) {
        c.text = t;
        out.criterion = std::move(c);
        return out;
    }
    const QStringList parts = t.split(QStringLiteral("OR"));
    const bool ranges = t.contains(QLatin1Char('~'));
    static const QRegularExpression lowerOr(QStringLiteral("or"), QRegularExpression::CaseInsensitiveOption);
    for (const QString& raw : parts) {
        const QString part = raw.trimmed();
        if (part.isEmpty()) return refuse(QStringLiteral("OR 的前後都必須有條件"));
        if (part.contains(lowerOr)) return refuse(QStringLiteral("「%1」: 條件之間只能以大寫 OR 連接").arg(part));
        QString error;
        std::optional<CriterionPart> p;
        if (ranges) {
            if (!part.contains(QLatin1Char('~')))
                return refuse(QStringLiteral("「%1」: 範圍 (~) 不可與比較條件混用").arg(part));
            p = parseRange(part, &error);
        } else {
            p = parseComparison(part, &error);
        }
        if (!p) return refuse(error);
        c.parts.push_back(*p);
    }
    out.criterion = std::move(c);
    return out;
}

std::optional<Standard> checkStandardRow(const StandardRow& row, std::vector<StandardProblem>* problems) {
    bool sound = true;
    auto problem = [&](const QString& column, const QString& text, const QString& reason) {
        sound = false;
        if (problems) problems->push_back({row.position, row.item, row.sex, column, text, reason});
    };
    Standard s;
    s.item = row.item.trimmed();
    s.sex = row.sex.trimmed();
    s.textItem = isTextItem(s.item);
    if (s.item.isEmpty()) problem(kItem, row.item, QStringLiteral("項目名稱為空白"));
    if (s.sex != QLatin1String("0") && s.sex != QLatin1String("1") && s.sex != QLatin1String("2"))
        problem(kSex, row.sex, QStringLiteral("性別必須為 0 (不分性別)、1 (男) 或 2 (女)"));
    for (int n = 0; n < kLevelCount; ++n) {
        const CriterionParse p = parseCriterion(row.levels[size_t(n)], s.textItem);
        if (!p.ok())
            problem(levelColumn(n), row.levels[size_t(n)].value_or(QString()), p.error);
        else if (p.criterion)
            s.levels[size_t(n)] = *p.criterion;
    }
    if (!sound) return std::nullopt;
    return s;
}

std::vector<Standard> checkStandards(const std::vector<StandardRow>& rows, const QStringList& healthColumns,
                                     std::vector<StandardProblem>* problems, std::vector<StandardProblem>* skipped) {
    std::vector<Standard> out;
    out.reserve(rows.size());
    for (const StandardRow& row : rows) {
        std::optional<Standard> s = checkStandardRow(row, problems);
        if (!s) continue;
        if (!healthColumns.contains(s->item)) {
            if (skipped)
                skipped->push_back({row.position, row.item, row.sex, kItem, row.item,
                                    QStringLiteral("不是健檢資料 (PersonalHealth) 的欄位名稱, 此列不分級")});
            continue;
        }
        out.push_back(std::move(*s));
    }
    return out;
}

QString standardProblemsHtml(const std::vector<StandardProblem>& problems, const QString& positionHeading,
                             const QString& closing) {
    QString body = htmlBanner(QStringLiteral("多項四段分級標準_無法使用的標準列")) +
                   QStringLiteral("<TABLE border=1 cellspacing=0 cellpadding=4><TR><TH>%1</TH><TH>項目名稱</TH>"
                                  "<TH>性別</TH><TH>欄位</TH><TH>內容</TH><TH>原因</TH></TR>")
                       .arg(htmlEscape(positionHeading));
    for (const StandardProblem& p : problems)
        body += QStringLiteral("<TR><TD>%1</TD><TD>%2</TD><TD>%3</TD><TD>%4</TD><TD>%5</TD><TD>%6</TD></TR>")
                    .arg(p.position > 0 ? QString::number(p.position) : QStringLiteral("-"), htmlEscape(p.item),
                         htmlEscape(p.sex), htmlEscape(p.column), htmlEscape(p.text), htmlEscape(p.reason));
    body += QStringLiteral("</TABLE><P>") + htmlEscape(closing) + QStringLiteral("<P>");
    return body;
}

} // namespace grading
