#include "office/XlsxText.h"

#include <QDate>
#include <QTime>
#include <algorithm>
#include <array>
#include <cmath>

namespace office {

QRgb xlsxColorIndex(int index) {
    static constexpr std::array<QRgb, 56> palette = {
        0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x800000, 0x008000,
        0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080, 0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF,
        0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF, 0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000,
        0x008080, 0x0000FF, 0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
        0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696, 0x003366, 0x339966,
        0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};
    if (index < 1 || index > 56) return qRgb(0, 0, 0);
    return palette[size_t(index - 1)] | 0xFF000000u;
}

namespace {

bool isWide(char32_t u) {
    return (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0x303E) || (u >= 0x3041 && u <= 0x33FF) ||
           (u >= 0x3400 && u <= 0x4DBF) || (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xA000 && u <= 0xA4CF) ||
           (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) ||
           (u >= 0xFF00 && u <= 0xFF60) || (u >= 0xFFE0 && u <= 0xFFE6) || (u >= 0x20000 && u <= 0x3FFFD);
}

} // namespace

int xlsxDisplayWidth(const QString& text) {
    int widest = 0;
    int line = 0;
    const qsizetype n = text.size();
    const QChar* p = text.constData();
    for (qsizetype i = 0; i < n; ++i) {
        char16_t c = p[i].unicode();
        if (c < 0x80) { // the common case first
            if (c == u'\n') {
                widest = std::max(widest, line);
                line = 0;
            } else if (c != u'\r') {
                ++line;
            }
            continue;
        }
        char32_t u = c;
        if (QChar::isHighSurrogate(c) && i + 1 < n && p[i + 1].isLowSurrogate()) {
            u = QChar::surrogateToUcs4(c, p[i + 1].unicode());
            ++i;
        }
        line += isWide(u) ? 2 : 1;
    }
    return std::max(widest, line);
}

double xlsxFitWidth(int displayWidth, double fontSize, bool bold) {
    double w = displayWidth * (fontSize > 0 ? fontSize / 11.0 : 1.0);
    if (bold) w *= 1.1;
    // A little room for the cell margins and, in a header, the filter button.
    w += 2.0;
    return std::min(255.0, std::round(w * 100.0) / 100.0);
}

bool xlsxSameSheetName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

namespace {

// Cuts a text to at most `units` UTF-16 units without splitting a surrogate pair.
QString cutUnits(const QString& text, int units) {
    if (text.size() <= units) return text;
    int n = units;
    if (n > 0 && text[n - 1].isHighSurrogate()) --n;
    return text.left(n);
}

} // namespace

QString xlsxCleanSheetName(const QString& name, const QStringList& taken, const QString& fallback) {
    QString clean = name;
    for (QChar& ch : clean) {
        switch (ch.unicode()) {
        case u'[':
        case u']':
        case u':':
        case u'*':
        case u'?':
        case u'/':
        case u'\\':
            ch = u'_';
            break;
        default:
            if (ch.unicode() < 0x20) // control characters (a line break) cannot stand in a tab either
                ch = u'_';
        }
    }
    while (clean.startsWith(u'\''))
        clean.remove(0, 1);
    clean = cutUnits(clean, 31);
    while (clean.endsWith(u'\''))
        clean.chop(1);
    if (clean.isEmpty()) clean = cutUnits(fallback.isEmpty() ? QStringLiteral("工作表") : fallback, 31);

    auto isTaken = [&](const QString& candidate) {
        return std::any_of(taken.begin(), taken.end(),
                           [&](const QString& t) { return xlsxSameSheetName(t, candidate); });
    };
    if (!isTaken(clean)) return clean;
    for (int k = 2;; ++k) {
        const QString suffix = QStringLiteral(" (%1)").arg(k);
        QString candidate = cutUnits(clean, 31 - int(suffix.size())) + suffix;
        if (!isTaken(candidate)) return candidate;
    }
}

QString xlsxGeneralNumber(double value) {
    if (std::isnan(value) || std::isinf(value)) return QStringLiteral("0");
    if (value == 0.0) return QStringLiteral("0");
    // 15 significant digits first, so that binary noise (0.1 + 0.2) disappears.
    QString s = QString::number(value, 'g', 15);
    const qsizetype e = s.indexOf(u'e');
    if (e < 0) return s;
    // "1.5e+20" → "1.5E+20", "1e-07" → "1E-07" (at least two exponent digits).
    QString mantissa = s.left(e);
    const QChar sign = s[e + 1];
    QString digits = s.mid(e + 2);
    while (digits.size() > 2 && digits.startsWith(u'0'))
        digits.remove(0, 1);
    return mantissa + u'E' + sign + digits;
}

bool xlsxIsDateFormat(int numFmtId, const QString& formatCode) {
    if ((numFmtId >= 14 && numFmtId <= 22) || (numFmtId >= 45 && numFmtId <= 47) ||
        (numFmtId >= 27 && numFmtId <= 36) || (numFmtId >= 50 && numFmtId <= 58))
        return true;
    if (formatCode.isEmpty()) return false;
    // Only the first section decides (positive numbers); "General" is no date.
    bool inQuote = false;
    bool inBracket = false;
    for (qsizetype i = 0; i < formatCode.size(); ++i) {
        const QChar c = formatCode[i];
        if (inQuote) {
            if (c == u'"') inQuote = false;
            continue;
        }
        if (inBracket) {
            if (c == u']') inBracket = false;
            continue;
        }
        switch (c.unicode()) {
        case u'"':
            inQuote = true;
            break;
        case u'[':
            inBracket = true;
            break;
        case u'\\':
        case u'_':
        case u'*':
            ++i;
            break; // the next character is literal (or padding)
        case u';':
            return false;
        default: {
            const char16_t l = c.toLower().unicode();
            if (l == u'y' || l == u'm' || l == u'd' || l == u'h' || l == u's') return true;
        }
        }
    }
    return false;
}

QString xlsxSerialToText(double serial, bool date1904) {
    if (std::isnan(serial) || serial < 0 || serial > 2958466.0) return {};
    double days = std::floor(serial);
    long long seconds = std::llround((serial - days) * 86400.0);
    if (seconds >= 86400) {
        days += 1;
        seconds -= 86400;
    }
    const QString time = QTime(0, 0).addSecs(int(seconds)).toString(QStringLiteral("HH:mm:ss"));
    if (days < 1 && !date1904) return time;
    QString date;
    if (date1904) {
        date = QDate(1904, 1, 1).addDays(qint64(days)).toString(QStringLiteral("yyyy/MM/dd"));
    } else if (days == 60) {
        date = QStringLiteral("1900/02/29"); // the leap day Excel keeps for the sake of old spreadsheets
    } else {
        // From serial 61 on the count runs from 1899/12/30; below it, the fictitious leap day is not yet counted.
        const QDate base = days > 60 ? QDate(1899, 12, 30) : QDate(1899, 12, 31);
        date = base.addDays(qint64(days)).toString(QStringLiteral("yyyy/MM/dd"));
    }
    return seconds ? date + u' ' + time : date;
}

namespace {

// The character of the "_xHHHH_" escape at text[i] (a lower-case x and exactly four hex digits: no sign, blank or
// "0x" that a number parser would let through), or -1 when none begins there.
int escapeAt(const QString& text, qsizetype i) {
    if (text[i] != u'_' || i + 6 >= text.size() || text[i + 1] != u'x' || text[i + 6] != u'_') return -1;
    int code = 0;
    for (qsizetype k = i + 2; k < i + 6; ++k) {
        const char16_t u = text[k].unicode();
        int digit = -1;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else if (u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        if (digit < 0) return -1;
        code = code * 16 + digit;
    }
    return code;
}

} // namespace

QString xlsxEscapeUnderscores(const QString& text) {
    if (!text.contains(QStringLiteral("_x"))) return text;
    QString out;
    out.reserve(text.size() + 12);
    for (qsizetype i = 0; i < text.size(); ++i) {
        out.append(text[i]);
        if (escapeAt(text, i) >= 0) out.append(QStringLiteral("x005F_"));
    }
    return out;
}

QString xlsxDecodeEscapes(const QString& text) {
    if (!text.contains(QStringLiteral("_x"))) return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (const int code = escapeAt(text, i); code >= 0) {
            out.append(QChar(char16_t(code)));
            i += 6;
        } else {
            out.append(text[i]);
        }
    }
    return out;
}

} // namespace office
