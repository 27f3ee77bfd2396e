#include "keyin/Rules.h"

#include "core/DateNumberRules.h"
#include "keyin/Catalogue.h"
#include "risk/Overwork.h"

#include <algorithm>
#include <array>

namespace keyin {

namespace {

// The two digits of a code as a number ("P07" → 7), or -1.
int codeIndex(const QString& code) {
    bool ok = false;
    int n = code.mid(1, 2).toInt(&ok);
    return ok && code.size() == 3 ? n : -1;
}

bool inRange(const QString& code, QChar letter, int from, int to) {
    if (code.isEmpty() || code[0] != letter) return false;
    int n = codeIndex(code);
    return n >= from && n <= to;
}

Verdict accept(const QString& stored) {
    Verdict v;
    v.accepted = true;
    v.stored = stored;
    return v;
}

Verdict reject() {
    return Verdict{};
}

// Replaces an exact answer by its meaning; any other answer stays as typed.
Verdict decode(const QString& answer, std::initializer_list<std::pair<const char*, const char*>> map) {
    for (const auto& [code, meaning] : map)
        if (answer == QString::fromUtf8(code)) return accept(QString::fromUtf8(meaning));
    return accept(answer);
}

QString zeroMeansNone(const QString& answer) {
    return answer.trimmed() == QLatin1String("0") ? QStringLiteral("無") : answer;
}

} // namespace

bool isAcceptedPastDate(const QString& text, const QDateTime& now) {
    if (!rules::isNumeric(text.left(4))) return false;
    auto when = rules::parseDateTime(text);
    if (!when) return false;
    const QDate today = now.date();
    // DateSerial(year - 90, month, day): a day the month lacks in that year rolls into the next month.
    const QDate earliest = QDate(today.year() - 90, today.month(), 1).addDays(today.day() - 1);
    return when->date() >= earliest && *when <= now;
}

QString yearsText(const QDate& from, const QDate& to) {
    return rules::format(rules::monthDiff(from, to) / 12.0, "0.0");
}

QString yearsNumberText(const QDate& from, const QDate& to) {
    return rules::generalNumber(rules::val(yearsText(from, to)));
}

Verdict validateNmq(const QString& code, const QString& answer, const QDateTime& now) {
    if (code == QLatin1String("A04")) {
        if (answer == QLatin1String("1")) return accept(QStringLiteral("男"));
        if (answer == QLatin1String("2")) return accept(QStringLiteral("女"));
        return reject();
    }
    if (code == QLatin1String("A05")) {
        if (!isAcceptedPastDate(answer, now)) return reject();
        Verdict v = accept(answer);
        v.age = yearsText(rules::parseDate(answer).value(), now.date());
        return v;
    }
    if (inRange(code, 'A', 11, 14)) return rules::isNumeric(answer) ? accept(answer) : reject();
    if (code == QLatin1String("B01")) return decode(answer, {{"0", "左手"}, {"1", "右手"}});
    if (code == QLatin1String("B02")) return decode(answer, {{"0", "不是"}, {"1", "是"}});
    if (code == QLatin1String("B03")) return decode(answer, {{"0", "不適用"}, {"1", "未通報"}, {"2", "是"}});
    if (code == QLatin1String("B04")) {
        Verdict v = decode(answer, {{"0", "沒有任何不適感"}, {"1", "有不適感"}});
        if (answer == QLatin1String("0")) v.pItems = Verdict::PItems::AllZero;
        if (answer == QLatin1String("1")) v.pItems = Verdict::PItems::Clear;
        return v;
    }
    if (code == QLatin1String("B05"))
        return decode(
            answer, {{"0", "無"}, {"1", "不一定，偶爾酸"}, {"2", "最近 1~2 個月內感覺酸"}, {"3", "已持續 2 個月以上"}});
    if (code == QLatin1String("B06")) return decode(answer, {{"0", "無"}});
    if (code.startsWith('P')) {
        bool grade = answer.size() == 1 && answer[0] >= '0' && answer[0] <= '5';
        return grade ? accept(answer) : reject();
    }
    return accept(answer);
}

Verdict validateOverwork(const QString& code, const QString& answer, const QDateTime& now) {
    if (inRange(code, 'A', 1, 5)) return accept(answer);
    if (code == QLatin1String("A06"))
        return answer == QLatin1String("1") || answer == QLatin1String("2") ? accept(answer) : reject();
    if (code == QLatin1String("A07") || code == QLatin1String("B01"))
        return isAcceptedPastDate(answer, now) ? accept(answer) : reject();
    if (inRange(code, 'B', 2, 11)) return rules::isNumeric(answer) ? accept(answer) : reject();
    if (inRange(code, 'B', 12, 14) || code == QLatin1String("X03")) return accept(zeroMeansNone(answer));
    if (code.startsWith('I') || code.startsWith('J')) {
        // An empty answer passes and is then left unanswered by the take-over.
        bool grade = answer.isEmpty() || (answer.size() == 1 && answer[0] >= '1' && answer[0] <= '5');
        return grade ? accept(answer) : reject();
    }
    if (code == QLatin1String("X01") || code == QLatin1String("X02")) {
        // Exactly one level; "12" would otherwise become workload level 12.
        bool level = answer.isEmpty() || answer == QLatin1String("0") || answer == QLatin1String("1") ||
                     answer == QLatin1String("2");
        return level ? accept(answer) : reject();
    }
    return accept(answer);
}

int maxAnswerLength(const QString& topic, const QString& code) {
    if (topic == kTopicNmq) {
        if (code == QLatin1String("B06")) return -1; // Q016 is long text
        if (code == QLatin1String("A01")) return 36; // the key adds ten digits of time and up to four of chance
        if (code == QLatin1String("A03")) return 49; // Basic01 adds a blank
        return 50;
    }
    if (code == QLatin1String("A01") || code == QLatin1String("A03")) return 20; // the year-and-employee key
    if (code == QLatin1String("B12")) return 255;
    if (code == QLatin1String("B13") || code == QLatin1String("B14") || code == QLatin1String("X03")) return -1;
    return 50;
}

int ergoTotal(const QStringList& grades) {
    return int(std::count_if(grades.begin(), grades.end(), [](const QString& g) { return int(rules::val(g)) >= 3; }));
}

QString nmqXid(const QString& yearCode, const QDateTime& now, int random) {
    return yearCode + now.toString(QStringLiteral("yyMMddHHmm")) + QString::number(random).rightJustified(3, '0');
}

BurnoutScores scoreBurnout(const QStringList& i, const QStringList& j, const QString& x1, const QString& x2) {
    // The scales' arithmetic and cut-offs are the overwork grading's own; only reading the answers happens here.
    std::array<int, 6> personal{};
    std::array<int, 7> work{};
    for (size_t k = 0; k < personal.size() && k < size_t(i.size()); ++k)
        personal[k] = int(rules::val(i[int(k)]));
    for (size_t k = 0; k < work.size() && k < size_t(j.size()); ++k)
        work[k] = int(rules::val(j[int(k)]));
    BurnoutScores s;
    s.iScore = risk::personalBurnoutScore(personal);
    s.jScore = risk::workBurnoutScore(work);
    s.iRisk = risk::personalBurnoutLevel(s.iScore);
    s.jRisk = risk::workBurnoutLevel(s.jScore);
    s.workload = risk::workloadLevel(s.iRisk, s.jRisk, int(rules::val(x1)), int(rules::val(x2)));
    return s;
}

} // namespace keyin
