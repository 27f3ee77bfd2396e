#pragma once
// The rules of the two questionnaires as plain functions: which answers each item accepts and the form it is stored
// in, the age from a birth date, the NMQ record key and body-region count, and the burnout scores and levels.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace keyin {

// The verdict on one typed answer.
struct Verdict {
    enum class PItems { Keep, AllZero, Clear };

    bool accepted = false;
    QString stored;               // the answer in the form stored and shown between the brackets
    std::optional<QString> age;   // NMQ A05: the age that A11 takes (only for an accepted birth date)
    PItems pItems = PItems::Keep; // NMQ B04: what happens to the fifteen body-region items
};

// A birth or check-up date: a real year-first date, not before the same day ninety years ago (a day that calendar
// year lacks rolls over, as 29 February to 1 March), and not after now.
bool isAcceptedPastDate(const QString& text, const QDateTime& now);

// Age or years of service: the month boundaries from `from` to `to` divided by 12, with one decimal ("35.0").
QString yearsText(const QDate& from, const QDate& to);
// The same without a zero decimal ("35", "35.3").
QString yearsNumberText(const QDate& from, const QDate& to);

// The NMQ rules: checks `answer` (already trimmed) of item `code`.
Verdict validateNmq(const QString& code, const QString& answer, const QDateTime& now);
// The overwork rules: checks `answer` (already trimmed) of item `code`.
Verdict validateOverwork(const QString& code, const QString& answer, const QDateTime& now);

// The longest stored answer the item's column and key hold (-1: no limit).
int maxAnswerLength(const QString& topic, const QString& code);

// The number of body regions graded 3 or more; `grades` are P(1..15) (a grade is read as a whole number).
int ergoTotal(const QStringList& grades);

// The key of a hand-keyed NMQ record: the year code, "yyMMddhhmm" of now, and `random` (0..1000) with at least
// three digits.
QString nmqXid(const QString& yearCode, const QDateTime& now, int random);

// The burnout scales and the workload level of one person.
struct BurnoutScores {
    double iScore = 0;
    int iRisk = 0;
    double jScore = 0;
    int jRisk = 0;
    int workload = 0;
};

// `i` holds I(1..6), `j` J(1..7) as grades "1".."5" (J07 counts in reverse), x1 and x2 the levels "0".."2".
BurnoutScores scoreBurnout(const QStringList& i, const QStringList& j, const QString& x1, const QString& x2);

} // namespace keyin
