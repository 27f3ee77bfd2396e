#pragma once
// Text rules of spreadsheets: the legacy colour palette, column widths estimated from text, worksheet names,
// numbers in general form and date serials turned into the program's date text.

#include <QRgb>
#include <QString>
#include <QStringList>

namespace office {

// Excel's legacy 56-colour palette by colour index (1 black, 2 white, 3 red ... 10 green 0x008000 ... 56);
// an index outside 1..56 gives black.
QRgb xlsxColorIndex(int index);

// The width of a text in character cells: a wide (CJK, full-width) character counts two, any other one; for text
// of several lines the widest line counts.
int xlsxDisplayWidth(const QString& text);
// The column width that fits a text of the given display width in a font of the given size (Excel's width unit is
// one digit of the 11-point default font); bold text runs wider. Never more than Excel's maximum of 255.
double xlsxFitWidth(int displayWidth, double fontSize = 11.0, bool bold = false);

// A worksheet name that Excel accepts: the characters []:*?/\ become "_", a leading or trailing apostrophe is
// dropped, at most 31 characters (a pair of surrogates is never split), never empty (then `fallback`).
// `taken` holds the names already in use: a name equal to one of them ignoring case gets " (2)", " (3)" ...
QString xlsxCleanSheetName(const QString& name, const QStringList& taken = {},
                           const QString& fallback = QStringLiteral("工作表"));
// Whether two sheet names are the same for Excel (letter case ignored).
bool xlsxSameSheetName(const QString& a, const QString& b);

// A number in its general form: at most 15 significant digits, no trailing zeros, no ".0"; a huge or tiny number
// in the form "1.5E+20" / "1E-07"; minus zero is "0".
QString xlsxGeneralNumber(double value);

// Whether a number format shows a date or time: the built-in formats 14-22 and 45-47 (and the East Asian date
// formats 27-36 and 50-58), or a format code with y, m, d, h or s outside quotes, brackets and escapes.
bool xlsxIsDateFormat(int numFmtId, const QString& formatCode);
// A date serial as "YYYY/MM/DD", followed by " hh:mm:ss" when it has a time of day; a serial below 1 is a time
// alone ("hh:mm:ss"). The 1904 date system counts from 1904/01/01. Serial 60 of the 1900 system is Excel's
// 1900/02/29. Returns "" for a negative or impossible serial.
QString xlsxSerialToText(double serial, bool date1904 = false);

// The text with every underscore that begins an "_xHHHH_" escape written as "_x005F_", so that xlsxDecodeEscapes
// gives the text back. Escapes may overlap ("_x005F_x0041_" begins two): each underscore is looked at in the text as
// given.
QString xlsxEscapeUnderscores(const QString& text);
// Decodes the "_xHHHH_" escapes of spreadsheet text ("_x000D_" is a carriage return), from left to right, each
// character once: "_x005F_x0041_" is "_x0041_". A lower-case x and four hex digits make an escape, nothing else.
QString xlsxDecodeEscapes(const QString& text);

} // namespace office
