#pragma once
// The date and number rules every part of the program uses, as plain functions. Dates travel as text
// "YYYY/MM/DD" (zero-padded) so that comparing them as text compares them as dates.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

namespace rules {

// Strict date parsing: year first (four digits), then month and day separated by "/" or "-", a real calendar date;
// an optional time "h:mm" or "h:mm:ss" after a blank. Anything else (day-first forms, 2/30, text) is no date.
std::optional<QDate> parseDate(const QString& text);
std::optional<QDateTime> parseDateTime(const QString& text);
bool isDate(const QString& text);
// The date as "YYYY/MM/DD", or "" when the text is no date.
QString normalizeDate(const QString& text);
QString dateText(const QDate& d);          // "YYYY/MM/DD"
QString dateTimeText(const QDateTime& dt); // "YYYY/MM/DD hh:mm:ss"

// DateDiff("m", from, to): the number of month boundaries crossed (day of month ignored); negative when to < from.
int monthDiff(const QDate& from, const QDate& to);
// DateDiff("yyyy", from, to): the number of year boundaries crossed.
int yearDiff(const QDate& from, const QDate& to);
// Completed years of age on a day (birthdays on 29 February count from 1 March in common years).
int ageOn(const QDate& birth, const QDate& on);

// Rounds to the given number of decimals with halves away from zero, on the decimal value as written (2.675 → 2.68).
double roundHalfAway(double value, int decimals);
// Format for the patterns the program uses: "0", "0.0", "0.00", "000" (zero-padded), "0%", "0.0%", "0.00%".
// Halves are rounded away from zero. An unknown pattern gives the general form.
QString format(double value, const QString& pattern);
// A number in its general form: at most 15 significant digits, no trailing zeros or ".0".
QString generalNumber(double value);

// Strict IsNumeric: optional blanks around, an optional sign, digits with at most one decimal point (at least one
// digit), an optional exponent. No thousands separators, no currency, no hexadecimal; the empty text is not numeric.
bool isNumeric(const QString& text);
// Val: the numeric prefix of the text after removing blanks, tabs and line feeds; 0 when there is none.
double val(const QString& text);

} // namespace rules
