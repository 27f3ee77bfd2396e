#pragma once
// Worksheet protection passwords: Excel's legacy 16-bit hash (the "password" attribute, four hexadecimal digits)
// and the check of a password against either that hash or the salted SHA-512 hash of newer workbooks.

#include <QString>

namespace office {

// The legacy hash as Excel writes it: four upper-case hexadecimal digits ("PZPZ" → "C8A7", "" → "CE4B").
QString xlsxLegacyPasswordHash(const QString& password);
// The salted, iterated hash of newer workbooks (algorithm "SHA-512", "SHA-256" or "SHA-1"), base64 as stored; ""
// for other algorithms. Each round hashes the previous hash and a 32-bit little-endian counter (the counter first
// when iteratorFirst).
QString xlsxModernPasswordHash(const QString& password, const QByteArray& salt, int spinCount,
                               const QString& algorithm = QStringLiteral("SHA-512"), bool iteratorFirst = false);

} // namespace office
