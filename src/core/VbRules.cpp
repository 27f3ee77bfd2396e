#include "core/VbRules.h"

#include "office/XlsxText.h"

#include <QRegularExpression>
#include <cmath>

namespace vb {

namespace {
const QRegularExpression& dateRe() {
    // Year first; month and day of one or two digits; "/" or "-" (the same one twice); optional time.
    static const QRegularExpression re(
        QStringLiteral("^\\s*(\\d{4})([/-])(\\d{1,2})\\2(\\d{1,2})(?:[ T]+(\\d{1,2}):(\\d{2})(?::(\\d{2}))?)?\\s*$"));
    return re;
}
} // namespace

std::optional<QDateTime> parseDateTime(const QString& text) {
    auto m = dateRe().match(text);
    if (!m.hasMatch()) return std::nullopt;
    QDate d(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    if (!d.isValid()) return std::nullopt;
    QTime t(0, 0, 0);
    if (m.capturedLength(5) > 0) {
        t = QTime(m.captured(5).toInt(), m.captured(6).toInt(), m.capturedLength(7) > 0 ? m.captured(7).toInt() : 0);
        if (!t.isValid()) return std::nullopt;
    }
    return QDateTime(d, t);
}

std::optional<QDate> parseDate(const QString& text) {
    auto dt = parseDateTime(text);
    if (!dt) return std::nullopt;
    return dt->date();
}

bool isDate(const QString& text) {
    return parseDateTime(text).has_value();
}

QString normalizeDate(const QString& text) {
    auto d = parseDate(text);
    return d ? dateText(*d) : QString();
}

QString dateText(const QDate& d) {
    return d.isValid() ? d.toString(QStringLiteral("yyyy/MM/dd")) : QString();
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
// Rounds the decimal digits of |value| (written with 15 significant digits, as VB sees a Double) to `decimals`
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
    static const QRegularExpression re(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    return re.match(text).hasMatch();
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

} // namespace vb
