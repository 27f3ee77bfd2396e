#include "core/DateNumberRules.h"

#include "office/XlsxText.h"

#include <QRegularExpression>
#include <cmath>

namespace rules {

namespace {

// The blanks a date or a number may have around it: space, tab, line feed, vertical tab, form feed, carriage return.
bool isBlank(QChar c) {
    const char16_t u = c.unicode();
    return u == ' ' || (u >= '\t' && u <= '\r');
}

bool isDigit(QChar c) {
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// Reads from `from` one to `most` digits (at least `least`) as a number; -1 when there are not enough.
int readNumber(const QString& text, qsizetype& at, int least, int most) {
    int value = 0, count = 0;
    while (count < most && at < text.size() && isDigit(text[at])) {
        value = value * 10 + (text[at].unicode() - '0');
        ++at;
        ++count;
    }
    return count >= least ? value : -1;
}

} // namespace

namespace {

struct DateAndTime {
    QDate date;
    QTime time;
};

std::optional<DateAndTime> parseDateAndTime(const QString& text) {
    // Year first (four digits); month and day of one or two digits; "/" or "-" (the same one twice); optionally a time
    // "h:mm" or "h:mm:ss" after blanks or "T"; blanks around. Read by hand: it runs for every date of a grading.
    const qsizetype n = text.size();
    qsizetype at = 0;
    while (at < n && isBlank(text[at]))
        ++at;
    const int year = readNumber(text, at, 4, 4);
    if (year < 0 || at >= n || (text[at] != QLatin1Char('/') && text[at] != QLatin1Char('-'))) return std::nullopt;
    const QChar separator = text[at++];
    const int month = readNumber(text, at, 1, 2);
    if (month < 0 || at >= n || text[at] != separator) return std::nullopt;
    ++at;
    const int day = readNumber(text, at, 1, 2);
    if (day < 0) return std::nullopt;
    int hour = -1, minute = 0, second = 0;
    qsizetype beforeTime = at;
    while (at < n && (text[at] == QLatin1Char(' ') || text[at] == QLatin1Char('T')))
        ++at;
    if (at > beforeTime && at < n && isDigit(text[at])) {
        qsizetype t = at;
        const int h = readNumber(text, t, 1, 2);
        if (t < n && text[t] == QLatin1Char(':')) {
            ++t;
            const int m = readNumber(text, t, 2, 2);
            if (m >= 0) {
                int s = 0;
                bool secondsOk = true;
                if (t < n && text[t] == QLatin1Char(':')) {
                    qsizetype u = t + 1;
                    s = readNumber(text, u, 2, 2);
                    if (s >= 0)
                        t = u;
                    else
                        secondsOk = false;
                }
                if (secondsOk) {
                    hour = h, minute = m, second = s;
                    at = t;
                }
            }
        }
        if (hour < 0) at = beforeTime; // not a time: what follows the date must be blanks only
    } else {
        at = beforeTime;
    }
    while (at < n && isBlank(text[at]))
        ++at;
    if (at != n) return std::nullopt;
    const QDate d(year, month, day);
    if (!d.isValid()) return std::nullopt;
    QTime t(0, 0, 0);
    if (hour >= 0) {
        t = QTime(hour, minute, second);
        if (!t.isValid()) return std::nullopt;
    }
    return DateAndTime{d, t};
}

} // namespace

std::optional<QDateTime> parseDateTime(const QString& text) {
    const auto dt = parseDateAndTime(text);
    if (!dt) return std::nullopt;
    return QDateTime(dt->date, dt->time);
}

std::optional<QDate> parseDate(const QString& text) {
    // The date alone: a QDateTime would look up the local time zone for every date read.
    const auto dt = parseDateAndTime(text);
    if (!dt) return std::nullopt;
    return dt->date;
}

bool isDate(const QString& text) {
    return parseDateAndTime(text).has_value();
}

QString normalizeDate(const QString& text) {
    auto d = parseDate(text);
    return d ? dateText(*d) : QString();
}

QString dateText(const QDate& d) {
    if (!d.isValid()) return QString();
    if (d.year() < 1000 || d.year() > 9999) return d.toString(QStringLiteral("yyyy/MM/dd"));
    // "yyyy/MM/dd" put together directly: it is written for every date of a grading.
    const char16_t text[10] = {char16_t('0' + d.year() / 1000),
                               char16_t('0' + d.year() / 100 % 10),
                               char16_t('0' + d.year() / 10 % 10),
                               char16_t('0' + d.year() % 10),
                               u'/',
                               char16_t('0' + d.month() / 10),
                               char16_t('0' + d.month() % 10),
                               u'/',
                               char16_t('0' + d.day() / 10),
                               char16_t('0' + d.day() % 10)};
    return QString(reinterpret_cast<const QChar*>(text), 10);
}

QString dateTimeText(const QDateTime& dt) {
    return dt.isValid() ? dt.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")) : QString();
}

int monthDiff(const QDate& from, const QDate& to) {
    return (to.year() - from.year()) * 12 + (to.month() - from.month());
}

int yearDiff(const QDate& from, const QDate& to) {
    return to.year() - from.year();
}

int ageOn(const QDate& birth, const QDate& on) {
    if (!birth.isValid() || !on.isValid()) return 0;
    int age = on.year() - birth.year();
    // The birthday of this year; 29 February counts as 1 March in a common year.
    QDate birthday(on.year(), birth.month(), birth.day());
    if (!birthday.isValid()) birthday = QDate(on.year(), 3, 1);
    if (on < birthday) --age;
    return age;
}

namespace {
// Rounds the decimal digits of |value| (written with 15 significant digits, all a double holds for sure) to `decimals`
// places, halves away from zero. Returns the digits as an integer text scaled by 10^decimals.
QString roundDecimalText(double value, int decimals) {
    QString s = QString::number(std::fabs(value), 'e', 14); // d.dddddddddddddde±XX
    int epos = s.indexOf(QLatin1Char('e'));
    int exp = s.mid(epos + 1).toInt();
    QString digits = s.left(epos).remove(QLatin1Char('.')); // 15 digits, the point after the first
    // Value = 0.digits * 10^(exp+1). Keep the digits before the rounding point.
    int keep = exp + 1 + decimals; // digits that stay
    if (keep < 0) return QStringLiteral("0");
    QString head = digits.left(keep);
    while (head.size() < keep)
        head.append(QLatin1Char('0'));
    bool up = keep < digits.size() && digits.at(keep) >= QLatin1Char('5');
    if (head.isEmpty()) head = QStringLiteral("0");
    if (up) {
        int i = head.size() - 1;
        while (i >= 0) {
            if (head[i] == QLatin1Char('9')) {
                head[i] = QLatin1Char('0');
                --i;
            } else {
                head[i] = QChar(head[i].unicode() + 1);
                break;
            }
        }
        if (i < 0) head.prepend(QLatin1Char('1'));
    }
    return head;
}

QString fixed(double value, int decimals, int minIntDigits) {
    if (!std::isfinite(value)) return QString::number(value);
    QString scaled = roundDecimalText(value, decimals);
    while (scaled.size() < decimals + minIntDigits)
        scaled.prepend(QLatin1Char('0'));
    QString intPart = scaled.left(scaled.size() - decimals);
    QString frac = scaled.right(decimals);
    // Strip superfluous leading zeros beyond the minimum.
    while (intPart.size() > minIntDigits && intPart.startsWith(QLatin1Char('0')))
        intPart.remove(0, 1);
    QString out = decimals > 0 ? intPart + QLatin1Char('.') + frac : intPart;
    bool isZero = !out.contains(QRegularExpression(QStringLiteral("[1-9]")));
    if (value < 0 && !isZero) out.prepend(QLatin1Char('-'));
    return out;
}
} // namespace

double roundHalfAway(double value, int decimals) {
    if (!std::isfinite(value)) return value;
    return fixed(value, decimals, 1).toDouble();
}

QString format(double value, const QString& pattern) {
    QString p = pattern;
    bool percent = p.endsWith(QLatin1Char('%'));
    if (percent) {
        p.chop(1);
        value *= 100.0;
    }
    static const QRegularExpression pat(QStringLiteral("^(0+)(?:\\.(0+))?$"));
    auto m = pat.match(p);
    if (!m.hasMatch()) return generalNumber(value);
    QString out = fixed(value, m.capturedLength(2), m.capturedLength(1));
    return percent ? out + QLatin1Char('%') : out;
}

QString generalNumber(double value) {
    // The same rule a workbook cell's number is read with.
    return office::xlsxGeneralNumber(value);
}

bool isNumeric(const QString& text) {
    // Blanks, a sign, digits with a decimal point anywhere (at least one digit), an exponent, blanks. Read by hand: it
    // runs for every measurement of a grading and every value of a history append.
    const qsizetype n = text.size();
    qsizetype at = 0;
    while (at < n && isBlank(text[at]))
        ++at;
    if (at < n && (text[at] == QLatin1Char('+') || text[at] == QLatin1Char('-'))) ++at;
    qsizetype digits = 0;
    while (at < n && isDigit(text[at]))
        ++at, ++digits;
    if (at < n && text[at] == QLatin1Char('.')) {
        ++at;
        while (at < n && isDigit(text[at]))
            ++at, ++digits;
    }
    if (digits == 0) return false;
    if (at < n && (text[at] == QLatin1Char('e') || text[at] == QLatin1Char('E'))) {
        qsizetype e = at + 1;
        if (e < n && (text[e] == QLatin1Char('+') || text[e] == QLatin1Char('-'))) ++e;
        qsizetype exponentDigits = 0;
        while (e < n && isDigit(text[e]))
            ++e, ++exponentDigits;
        if (exponentDigits == 0) return false;
        at = e;
    }
    while (at < n && isBlank(text[at]))
        ++at;
    return at == n;
}

double val(const QString& text) {
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            s.append(c);
    static const QRegularExpression re(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?"));
    auto m = re.match(s);
    if (!m.hasMatch()) return 0.0;
    return m.captured(0).toDouble();
}

} // namespace rules
