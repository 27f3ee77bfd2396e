#include "risk/Grading.h"

#include "core/DateNumberRules.h"

#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>

namespace risk {

QString missingText(const QStringList& items, int limit, qsizetype total) {
    QStringList unique;
    for (const QString& s : items)
        if (!unique.contains(s)) unique.append(s);
    if (total < unique.size()) total = unique.size();
    const QString open = QStringLiteral("資料不足(");
    const QString sep = QStringLiteral("、");
    const QString all = open + unique.join(sep) + QLatin1Char(')');
    if (total == unique.size() && all.size() <= limit) return all;
    // A nearly empty record lacks more items than the stored column can name: the first ones, then how many in all.
    const QString tail = QStringLiteral("等%1項)").arg(total);
    QString named = open;
    for (qsizetype i = 0; i < unique.size(); ++i) {
        const QString longer = named + (i > 0 ? sep : QString()) + unique.at(i);
        if (longer.size() + tail.size() > limit) break;
        named = longer;
    }
    return named + tail;
}

QString shortenGradeText(const QString& grade, int limit) {
    if (grade.size() <= limit) return grade;
    static const QRegularExpression form(QStringLiteral("^資料不足\\((.*?)(?:等(\\d+)項)?\\)$"));
    const QRegularExpressionMatch m = form.match(grade);
    if (!m.hasMatch()) return grade.left(limit);
    const QStringList items = m.captured(1).split(QStringLiteral("、"), Qt::SkipEmptyParts);
    const qsizetype total = m.captured(2).isEmpty() ? items.size() : m.captured(2).toLongLong();
    return missingText(items, limit, total);
}

bool isMissingText(const QString& grade) {
    return grade.startsWith(QStringLiteral("資料不足"));
}

Sex parseSex(const QString& text) {
    const QString t = text.trimmed();
    if (t == QStringLiteral("男") || t == QStringLiteral("1")) return Sex::Male;
    if (t == QStringLiteral("女") || t == QStringLiteral("2")) return Sex::Female;
    return Sex::Unknown;
}

QString sexCode(Sex sex) {
    return sex == Sex::Male ? QStringLiteral("1") : sex == Sex::Female ? QStringLiteral("2") : QString();
}

QString sexName(Sex sex) {
    return sex == Sex::Male ? QStringLiteral("男") : sex == Sex::Female ? QStringLiteral("女") : QString();
}

namespace {
// The value of a text that passed rules::isNumeric: plain ASCII, read on the spot (this runs for every measurement of
// every graded row); anything from_chars cannot take whole (a leading "+", an overflow) goes through toDouble.
double numericValue(const QString& text) {
    const QString t = text.trimmed();
    char ascii[64];
    const qsizetype n = t.size();
    qsizetype from = n > 0 && t[0] == QLatin1Char('+') ? 1 : 0;
    if (n - from < qsizetype(sizeof ascii)) {
        for (qsizetype i = from; i < n; ++i) {
            if (t[i].unicode() > 127) return t.toDouble();
            ascii[i - from] = char(t[i].unicode());
        }
        double v = 0;
        const auto [stop, error] = std::from_chars(ascii, ascii + (n - from), v, std::chars_format::general);
        if (error == std::errc() && stop == ascii + (n - from)) return v;
    }
    return t.toDouble();
}
} // namespace

std::optional<double> measurement(const QString& text) {
    if (!rules::isNumeric(text)) return std::nullopt;
    const double v = numericValue(text);
    if (!(v > 0)) return std::nullopt;
    return v;
}

const std::vector<PlausibleRange>& plausibleRanges() {
    // Generous on purpose: no real adult value may be refused. A bound catches what is plainly not a reading in
    // these units; a value in another unit that happens to fall inside a range cannot be told from a real one.
    static const std::vector<PlausibleRange> ranges{
        // Below 100 cm is a height in metres (1.72) or a slip; above 250 cm one in millimetres or a slip.
        {item::height, 100, 250},
        // Below 20 kg is no working adult; above 300 kg a weight in grams or a slip.
        {item::weight, 20, 300},
        // Below 40 cm is a waist in inches (32) or metres; above 250 cm one in millimetres or a slip.
        {item::waist, 40, 250},
        // Below 60 mmHg is a pressure in kPa (16) or a slip; above 300 mmHg a slip (an extra digit).
        {item::systolic, 60, 300},
        // Below 30 mmHg is a pressure in kPa (10) or a slip; above 200 mmHg a slip.
        {item::diastolic, 30, 200},
        // Below 20 mg/dL is a glucose in mmol/L (5.6 mmol/L = 101 mg/dL); above 1000 mg/dL a slip.
        {item::glucose, 20, 1000},
        // Below 50 mg/dL is a cholesterol in mmol/L (5.2 mmol/L = 201 mg/dL); above 1000 mg/dL a slip.
        {item::totalCholesterol, 50, 1000},
        // Below 10 mg/dL is a triglyceride in mmol/L (1.7 mmol/L = 150 mg/dL); above 5000 mg/dL a slip (severe
        // hypertriglyceridaemia stays below it).
        {item::triglyceride, 10, 5000},
        // Below 5 mg/dL is an HDL in mmol/L (1.3 mmol/L = 50 mg/dL); above 200 mg/dL a slip.
        {item::hdl, 5, 200},
        // Below 10 mg/dL is an LDL in mmol/L (3.4 mmol/L = 131 mg/dL); above 800 mg/dL a slip.
        {item::ldl, 10, 800},
    };
    return ranges;
}

std::optional<double> measurement(const QString& text, const QString& column) {
    const auto v = measurement(text);
    if (!v) return std::nullopt;
    for (const PlausibleRange& r : plausibleRanges())
        if (r.column == column && (*v < r.lowest || *v > r.highest)) return std::nullopt;
    return v;
}

YesNo smokerFromText(const QString& text) {
    QString t;
    t.reserve(text.size());
    for (QChar c : text)
        if (!c.isSpace()) t.append(c.toLower());
    if (t.isEmpty()) return YesNo::Unknown;
    // A text saying the answer is not known is no answer, though it holds a negation ("未填", "無資料").
    static const QStringList notKnown{QStringLiteral("不詳"),    QStringLiteral("不知"),   QStringLiteral("不明"),
                                      QStringLiteral("未知"),    QStringLiteral("未填"),   QStringLiteral("未問"),
                                      QStringLiteral("未答"),    QStringLiteral("未測"),   QStringLiteral("未記"),
                                      QStringLiteral("無資料"),  QStringLiteral("無紀錄"), QStringLiteral("無記錄"),
                                      QStringLiteral("待查"),    QStringLiteral("?"),      QStringLiteral("？"),
                                      QStringLiteral("unknown"), QStringLiteral("n/a")};
    for (const QString& s : notKnown)
        if (t.contains(s)) return YesNo::Unknown;
    if (t.contains(QStringLiteral("戒"))) {
        // A quit that has not happened is still smoking: under way, wished, planned, failed ("戒不掉", "想戒菸").
        static const QStringList stillSmoking{
            QStringLiteral("中"),     QStringLiteral("嘗試"), QStringLiteral("未戒"), QStringLiteral("沒戒"),
            QStringLiteral("沒有戒"), QStringLiteral("不掉"), QStringLiteral("不了"), QStringLiteral("失敗"),
            QStringLiteral("想"),     QStringLiteral("準備"), QStringLiteral("打算"), QStringLiteral("計畫"),
            QStringLiteral("計劃"),   QStringLiteral("考慮"), QStringLiteral("要戒"), QStringLiteral("建議")};
        for (const QString& s : stillSmoking)
            if (t.contains(s)) return YesNo::Yes;
        return YesNo::No;
    }
    static const QStringList exactNo{QStringLiteral("0"),    QStringLiteral("n"),     QStringLiteral("no"),
                                     QStringLiteral("none"), QStringLiteral("never"), QStringLiteral("false")};
    static const QStringList exactYes{QStringLiteral("1"), QStringLiteral("y"), QStringLiteral("yes"),
                                      QStringLiteral("true")};
    if (exactNo.contains(t)) return YesNo::No;
    if (exactYes.contains(t)) return YesNo::Yes;
    // A negation wins over the word it negates ("無抽菸", "不吸菸", "沒有").
    static const QStringList negations{QStringLiteral("無"),   QStringLiteral("否"),   QStringLiteral("沒"),
                                       QStringLiteral("不抽"), QStringLiteral("不吸"), QStringLiteral("不會"),
                                       QStringLiteral("從不"), QStringLiteral("不曾"), QStringLiteral("未"),
                                       QStringLiteral("non"),  QStringLiteral("never")};
    for (const QString& n : negations)
        if (t.contains(n)) return YesNo::No;
    static const QStringList mentions{
        QStringLiteral("有"), QStringLiteral("是"), QStringLiteral("抽"), QStringLiteral("吸"), QStringLiteral("菸"),
        QStringLiteral("煙"), QStringLiteral("支"), QStringLiteral("包"), QStringLiteral("偶"), QStringLiteral("smok")};
    for (const QString& m : mentions)
        if (t.contains(m)) return YesNo::Yes;
    return YesNo::Unknown;
}

namespace {

struct HistoryTerms {
    QStringList names;
    QStringList excluded; // longer names that are not the condition itself
};

const HistoryTerms& termsOf(Condition c) {
    static const HistoryTerms dm{
        {QStringLiteral("糖尿病"), QStringLiteral("dm"), QStringLiteral("diabetes"), QStringLiteral("高血糖")},
        {QStringLiteral("糖尿病前期"), QStringLiteral("妊娠糖尿病")}};
    static const HistoryTerms htn{{QStringLiteral("高血壓"), QStringLiteral("htn"), QStringLiteral("hypertension")},
                                  {QStringLiteral("高血壓前期")}};
    static const HistoryTerms hl{{QStringLiteral("高血脂"), QStringLiteral("高膽固醇"), QStringLiteral("血脂異常"),
                                  QStringLiteral("高脂血"), QStringLiteral("hyperlipidemia"),
                                  QStringLiteral("dyslipidemia")},
                                 {}};
    return c == Condition::Diabetes ? dm : c == Condition::Hypertension ? htn : hl;
}

bool isAsciiLetter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

// Whether a negation is followed by a word of treatment: then it denies the treatment, not the condition
// ("糖尿病(未服藥)", "高血壓未控制", "DM (no meds)", "沒有規則服藥的糖尿病" all name a condition that is there).
bool negatesTreatment(const QString& afterNegation) {
    int i = 0;
    while (i < afterNegation.size() && afterNegation.at(i).isSpace())
        ++i;
    const QString rest = afterNegation.mid(i);
    static const QStringList words{
        QStringLiteral("服藥"), QStringLiteral("用藥"),    QStringLiteral("吃藥"),    QStringLiteral("服用"),
        QStringLiteral("藥"),   QStringLiteral("治療"),    QStringLiteral("控制"),    QStringLiteral("追蹤"),
        QStringLiteral("回診"), QStringLiteral("就醫"),    QStringLiteral("就診"),    QStringLiteral("規則"),
        QStringLiteral("規律"), QStringLiteral("定期"),    QStringLiteral("按時"),    QStringLiteral("胰島素"),
        QStringLiteral("注射"), QStringLiteral("打針"),    QStringLiteral("med"),     QStringLiteral("treat"),
        QStringLiteral("drug"), QStringLiteral("insulin"), QStringLiteral("control"), QStringLiteral("follow")};
    for (const QString& w : words)
        if (rest.startsWith(w)) return true;
    return false;
}

bool negatedBefore(const QString& before) {
    static const QStringList markers{QStringLiteral("無"),   QStringLiteral("否認"), QStringLiteral("沒有"),
                                     QStringLiteral("未曾"), QStringLiteral("no "),  QStringLiteral("deni")};
    for (const QString& m : markers)
        for (int at = before.indexOf(m); at >= 0; at = before.indexOf(m, at + 1))
            if (!negatesTreatment(before.mid(at + m.size()))) return true;
    return false;
}

bool negatedAfter(const QString& after) {
    // Skip blanks, colons and an opening parenthesis: "糖尿病：無", "DM (-)".
    int i = 0;
    while (i < after.size() && QStringLiteral(" :：(（").contains(after.at(i)))
        ++i;
    const QString rest = after.mid(i);
    // Longer markers first, so that "沒有" is taken whole and "none" is not read as "no" + "ne".
    static const QStringList markers{QStringLiteral("沒有"), QStringLiteral("negative"), QStringLiteral("none"),
                                     QStringLiteral("無"),   QStringLiteral("否"),       QStringLiteral("沒"),
                                     QStringLiteral("未"),   QStringLiteral("-"),        QStringLiteral("no")};
    for (const QString& m : markers) {
        if (!rest.startsWith(m)) continue;
        const QString next = rest.mid(m.size());
        if (isAsciiLetter(m.at(0)) && !next.isEmpty() && isAsciiLetter(next.at(0))) continue; // "not", "normal"
        return !negatesTreatment(next);
    }
    return false;
}

bool aboutRelative(const QString& before) {
    static const QString relatives = QStringLiteral("家父母爸媽兄弟姊姐妹祖");
    for (QChar c : before)
        if (relatives.contains(c)) return true;
    return false;
}

} // namespace

bool historyNames(const QString& history, Condition condition) {
    if (history.isEmpty()) return false; // most checks have no history: no clause to read
    const HistoryTerms& terms = termsOf(condition);
    static const QRegularExpression clauseSep(QStringLiteral("[，,;；。\\n\\r]"));
    const QStringList clauses = history.toLower().split(clauseSep, Qt::SkipEmptyParts);
    for (const QString& clause : clauses) {
        for (const QString& name : terms.names) {
            for (int at = clause.indexOf(name); at >= 0; at = clause.indexOf(name, at + 1)) {
                const int end = at + int(name.size());
                // A Latin abbreviation must stand as a word ("DM", not "admission").
                if (isAsciiLetter(name.at(0)) && ((at > 0 && isAsciiLetter(clause.at(at - 1))) ||
                                                  (end < clause.size() && isAsciiLetter(clause.at(end)))))
                    continue;
                bool excluded = false;
                for (const QString& ex : terms.excluded) {
                    const int offset = int(ex.indexOf(name));
                    if (offset >= 0 && at >= offset && clause.mid(at - offset, ex.size()) == ex) excluded = true;
                }
                if (excluded) continue;
                const QString before = clause.left(at);
                if (negatedBefore(before) || aboutRelative(before) || negatedAfter(clause.mid(end))) continue;
                return true;
            }
        }
    }
    return false;
}

YesNo diabetes(std::optional<double> fastingGlucose, const QString& history) {
    if (historyNames(history, Condition::Diabetes)) return YesNo::Yes;
    if (!fastingGlucose) return YesNo::Unknown;
    return *fastingGlucose >= 126 ? YesNo::Yes : YesNo::No;
}

QDate ageReferenceDate(const QString& checkDateText, const QDate& today) {
    const auto d = rules::parseDate(checkDateText);
    return d ? *d : today;
}

std::optional<int> ageAt(const QString& birthDateText, const QDate& reference) {
    const auto birth = rules::parseDate(birthDateText);
    if (!birth) return std::nullopt;
    const int age = rules::ageOn(*birth, reference);
    if (age < 15 || age > 120) return std::nullopt;
    return age;
}

QString ageBand(int age) {
    if (age < kFirstAgeBandStart) return QStringLiteral("<30(以30-34計)");
    if (age > kLastAgeBandEnd) return QStringLiteral(">74");
    const int start = kFirstAgeBandStart + (age - kFirstAgeBandStart) / 5 * 5;
    return QString::number(start) + QLatin1Char('-') + QString::number(start + 4);
}

std::optional<double> bmi(std::optional<double> heightCm, std::optional<double> weightKg) {
    if (!heightCm || !weightKg) return std::nullopt;
    const double metres = *heightCm / 100.0;
    // One decimal, halves up (the value is positive); the small tolerance makes a decimal half that binary cannot
    // hold exactly (22.45 → 22.4499999…) round as written.
    const double tenths = *weightKg / (metres * metres) * 10;
    const double down = std::floor(tenths);
    return (tenths - down >= 0.5 - 1e-9 ? down + 1 : down) / 10;
}

QString bmiGrade(double v) {
    if (v < 18.5) return QStringLiteral("體重過輕");
    if (v < 24) return QStringLiteral("正常範圍");
    if (v < 27) return QStringLiteral("過重");
    if (v < 30) return QStringLiteral("輕度肥胖");
    if (v < 35) return QStringLiteral("中度肥胖");
    return QStringLiteral("重度肥胖");
}

namespace {

// A criterion that may be undecided for want of data: its state and, when Unknown, the items it lacks.
struct Finding {
    YesNo state = YesNo::No;
    QStringList missing;
};

Finding atLeast(std::optional<double> v, double threshold, const QString& name) {
    if (!v) return {YesNo::Unknown, {name}};
    return {*v >= threshold ? YesNo::Yes : YesNo::No, {}};
}

// A sex-dependent threshold; an unknown sex still decides when both thresholds agree.
Finding bySex(Sex sex, std::optional<double> v, double men, double women, bool below, const QString& name) {
    if (!v) return {YesNo::Unknown, {name}};
    auto test = [&](double t) { return below ? *v < t : *v >= t; };
    if (sex == Sex::Male) return {test(men) ? YesNo::Yes : YesNo::No, {}};
    if (sex == Sex::Female) return {test(women) ? YesNo::Yes : YesNo::No, {}};
    if (test(men) == test(women)) return {test(men) ? YesNo::Yes : YesNo::No, {}};
    return {YesNo::Unknown, {item::sex}};
}

Finding known(bool yes) {
    return {yes ? YesNo::Yes : YesNo::No, {}};
}

// Yes when any part is yes; No when all are no; otherwise Unknown with what the undecided parts lack.
Finding anyOf(std::initializer_list<Finding> parts) {
    Finding r;
    for (const Finding& f : parts) {
        if (f.state == YesNo::Yes) return {YesNo::Yes, {}};
        if (f.state == YesNo::Unknown) {
            r.state = YesNo::Unknown;
            r.missing += f.missing;
        }
    }
    return r;
}

// The possible categories of a value: the one it falls in, or every one of `all` when it is missing.
template <typename Categorise>
std::vector<int> possible(std::optional<double> v, std::vector<int> all, Categorise categorise) {
    if (v) return {categorise(*v)};
    return all;
}

int systolicStage(double s) {
    return s < 120 ? 0 : s < 130 ? 1 : s < 140 ? 2 : 3;
}
int diastolicStage(double d) {
    return d < 80 ? 0 : d < 90 ? 2 : 3;
}

QStringList missingPressure(const Measures& m) {
    QStringList items;
    if (!m.systolic) items << item::systolic;
    if (!m.diastolic) items << item::diastolic;
    return items;
}

// The blood-pressure points of a sheet: the higher category of the two pressures; nullopt when a missing pressure
// could change them.
std::optional<int> pressurePoints(const PointSheet& sheet, const Measures& m) {
    std::set<int> points;
    const std::vector<int> five{0, 1, 2, 3, 4};
    for (int s : possible(m.systolic, five, [](double v) { return kSystolicBands.of(v); }))
        for (int d : possible(m.diastolic, five, [](double v) { return kDiastolicBands.of(v); }))
            points.insert(sheet.bloodPressure[size_t(std::max(s, d))]);
    if (points.size() != 1) return std::nullopt;
    return *points.begin();
}

} // namespace

QString bloodPressureGrade(const Measures& m) {
    static const QStringList labels{QStringLiteral("正常血壓"), QStringLiteral("血壓偏高"),
                                    QStringLiteral("第一期高血壓"), QStringLiteral("第二期高血壓")};
    std::set<int> stages;
    // A diastolic pressure alone never makes "血壓偏高": its stages are 0, 2 and 3.
    for (int s : possible(m.systolic, {0, 1, 2, 3}, systolicStage))
        for (int d : possible(m.diastolic, {0, 2, 3}, diastolicStage))
            stages.insert(std::max(s, d));
    if (stages.size() != 1) return missingText(missingPressure(m));
    return labels.at(*stages.begin());
}

QString metabolicSyndromeGrade(const Measures& m) {
    const Finding criteria[] = {
        bySex(m.sex, m.waist, 90, 80, false, item::waist),
        anyOf({atLeast(m.systolic, 130, item::systolic), atLeast(m.diastolic, 85, item::diastolic)}),
        atLeast(m.glucose, 100, item::glucose),
        atLeast(m.triglyceride, 150, item::triglyceride),
        bySex(m.sex, m.hdl, 40, 50, true, item::hdl),
    };
    int met = 0, unknown = 0;
    QStringList missing;
    for (const Finding& f : criteria) {
        if (f.state == YesNo::Yes) ++met;
        if (f.state == YesNo::Unknown) {
            ++unknown;
            missing += f.missing;
        }
    }
    auto grade = [](int n) {
        return n == 0  ? QStringLiteral("正常")
               : n < 3 ? QStringLiteral("代謝症候群高危險群")
                       : QStringLiteral("代謝症候群");
    };
    if (grade(met) != grade(met + unknown)) return missingText(missing);
    return grade(met);
}

QString threeHighGrade(const Measures& m) {
    const Finding highs[] = {
        anyOf({atLeast(m.systolic, 140, item::systolic), atLeast(m.diastolic, 90, item::diastolic),
               known(historyNames(m.history, Condition::Hypertension))}),
        anyOf({atLeast(m.glucose, 126, item::glucose), known(historyNames(m.history, Condition::Diabetes))}),
        anyOf({atLeast(m.totalCholesterol, 240, item::totalCholesterol),
               atLeast(m.triglyceride, 200, item::triglyceride),
               known(historyNames(m.history, Condition::Hyperlipidemia))}),
    };
    static const QStringList names{QStringLiteral("高血壓"), QStringLiteral("高血糖"), QStringLiteral("高血脂")};
    static const QStringList counts{QStringLiteral("無三高"), QStringLiteral("一高"), QStringLiteral("二高"),
                                    QStringLiteral("三高")};
    QStringList present, missing;
    for (int i = 0; i < 3; ++i) {
        if (highs[i].state == YesNo::Yes) present << names.at(i);
        if (highs[i].state == YesNo::Unknown) missing += highs[i].missing;
    }
    if (!missing.isEmpty()) return missingText(missing);
    if (present.isEmpty()) return counts.at(0);
    return counts.at(present.size()) + QLatin1Char('(') + present.join(QStringLiteral("、")) + QLatin1Char(')');
}

std::optional<VersionScore> scoreVersion(const Measures& m, LipidVersion version) {
    const auto lipid = version == LipidVersion::Ldl ? m.ldl : m.totalCholesterol;
    const YesNo dm = diabetes(m.glucose, m.history);
    if (m.sex == Sex::Unknown || !m.age || *m.age > kLastAgeBandEnd || !lipid || !m.hdl || dm == YesNo::Unknown ||
        m.smoker == YesNo::Unknown)
        return std::nullopt;
    const PointSheet& sheet = pointSheet(m.sex, version);
    const auto bp = pressurePoints(sheet, m);
    if (!bp) return std::nullopt;
    const Bands& lipidBands = version == LipidVersion::Ldl ? kLdlBands : kTotalCholesterolBands;
    // Ages below 30 are scored in the youngest band (see ageBand).
    const int ageIndex = std::max(0, (*m.age - kFirstAgeBandStart) / 5);
    VersionScore r;
    r.points = sheet.age[size_t(ageIndex)] + sheet.lipid[size_t(lipidBands.of(*lipid))] +
               sheet.hdl[size_t(kHdlBands.of(*m.hdl))] + *bp + (dm == YesNo::Yes ? sheet.diabetes : 0) +
               (m.smoker == YesNo::Yes ? sheet.smoker : 0);
    r.risk = lookUpRisk(riskTable(m.sex, version), r.points);
    return r;
}

QString riskText(const TableRisk& risk) {
    return (risk.top ? QStringLiteral(">=") : QString()) + QString::number(risk.percent) + QLatin1Char('%');
}

std::optional<int> cardiovascularClass(const QString& riskScoreText) {
    QString t = riskScoreText;
    t.remove(QLatin1Char('%'));
    t = t.trimmed();
    if (t.startsWith(QLatin1Char('>'))) return 2;
    if (!rules::isNumeric(t)) return std::nullopt;
    const double v = numericValue(t);
    if (v < 10) return 0;
    if (v <= 20) return 1;
    return 2;
}

FraminghamResult framingham(const Measures& m) {
    FraminghamResult r;
    if (m.age && *m.age > kLastAgeBandEnd) {
        r.scoreText = QStringLiteral("不適用(年齡超過74歲)");
        return r;
    }
    r.tc = scoreVersion(m, LipidVersion::TotalCholesterol);
    r.ldl = scoreVersion(m, LipidVersion::Ldl);
    if (!r.tc && !r.ldl) {
        QStringList missing;
        if (m.sex == Sex::Unknown) missing << item::sex;
        if (!m.age) missing << item::birthDate;
        if (!m.totalCholesterol && !m.ldl) missing << item::totalCholesterol << item::ldl;
        if (!m.hdl) missing << item::hdl;
        // Blood pressure is short only when the sheet's points stay open (either sex's sheet tells).
        if (!pressurePoints(pointSheet(m.sex == Sex::Female ? Sex::Female : Sex::Male, LipidVersion::Ldl), m))
            missing += missingPressure(m);
        if (diabetes(m.glucose, m.history) == YesNo::Unknown) missing << item::glucose;
        if (m.smoker == YesNo::Unknown) missing << item::smoking;
        r.scoreText = missingText(missing);
        return r;
    }
    // The higher of the two risks; the open-ended top class ranks above its own number.
    auto rank = [](const VersionScore& v) { return v.risk.percent * 2 + (v.risk.top ? 1 : 0); };
    const VersionScore& best = !r.ldl ? *r.tc : !r.tc ? *r.ldl : rank(*r.ldl) > rank(*r.tc) ? *r.ldl : *r.tc;
    r.scoreText = riskText(best.risk);
    r.cardiovascularClass = cardiovascularClass(r.scoreText);
    return r;
}

Measures readMeasures(const HealthCheck& h, const QDate& today) {
    Measures m;
    m.sex = parseSex(h.sex);
    m.age = ageAt(h.birthDate, ageReferenceDate(h.checkDate, today));
    m.height = measurement(h.height, item::height);
    m.weight = measurement(h.weight, item::weight);
    m.waist = measurement(h.waist, item::waist);
    m.systolic = measurement(h.systolic, item::systolic);
    m.diastolic = measurement(h.diastolic, item::diastolic);
    m.glucose = measurement(h.glucose, item::glucose);
    m.totalCholesterol = measurement(h.totalCholesterol, item::totalCholesterol);
    m.triglyceride = measurement(h.triglyceride, item::triglyceride);
    m.hdl = measurement(h.hdl, item::hdl);
    m.ldl = measurement(h.ldl, item::ldl);
    // The systolic pressure is the peak of the diastolic one: a pair the other way round is swapped or mistyped.
    if (m.systolic && m.diastolic && *m.systolic <= *m.diastolic) {
        m.systolic.reset();
        m.diastolic.reset();
    }
    m.smoker = smokerFromText(h.smoking);
    m.history = h.history;
    return m;
}

HealthGrades gradeHealthCheck(const HealthCheck& h, const QDate& today) {
    const Measures m = readMeasures(h, today);
    HealthGrades g;
    g.sexCode = sexCode(m.sex);
    if (m.age) {
        g.age = QString::number(*m.age);
        g.ageBand = ageBand(*m.age);
    } else {
        g.ageBand = missingText({item::birthDate});
    }
    if (const auto b = bmi(m.height, m.weight)) {
        g.bmi = QString::number(*b, 'f', 1); // already rounded to one decimal
        g.bmiGrade = bmiGrade(*b);
    } else {
        QStringList missing;
        if (!m.height) missing << item::height;
        if (!m.weight) missing << item::weight;
        g.bmiGrade = missingText(missing);
    }
    auto yesNo = [](YesNo v, const QString& item) {
        return v == YesNo::Yes ? QStringLiteral("是") : v == YesNo::No ? QStringLiteral("否") : missingText({item});
    };
    g.diabetes = yesNo(diabetes(m.glucose, m.history), item::glucose);
    g.smoker = yesNo(m.smoker, item::smoking);
    const FraminghamResult f = framingham(m);
    if (f.tc) {
        g.tcPoints = QString::number(f.tc->points);
        g.tcRisk = riskText(f.tc->risk);
    }
    if (f.ldl) {
        g.ldlPoints = QString::number(f.ldl->points);
        g.ldlRisk = riskText(f.ldl->risk);
    }
    g.riskScore = f.scoreText;
    g.cardiovascularClass = f.cardiovascularClass ? QString::number(*f.cardiovascularClass) : f.scoreText;
    g.bloodPressureGrade = bloodPressureGrade(m);
    g.metabolicSyndromeGrade = metabolicSyndromeGrade(m);
    g.threeHighGrade = threeHighGrade(m);
    return g;
}

} // namespace risk
