#include "office/XlsxPassword.h"

#include <QCryptographicHash>

namespace office {

QString xlsxLegacyPasswordHash(const QString& password) {
    // Walking the characters from the last to the first, the hash is rotated left within 15 bits and the
    // character folded in; one more rotation, the length and a constant close it. Characters beyond Latin-1 enter
    // with their low byte, as the legacy hash does.
    auto rotate = [](unsigned h) { return ((h >> 14) & 1u) | ((h << 1) & 0x7FFFu); };
    unsigned hash = 0;
    for (qsizetype i = password.size() - 1; i >= 0; --i)
        hash = rotate(hash) ^ unsigned(password[i].unicode() & 0xFF);
    hash = rotate(hash);
    hash ^= unsigned(password.size()) & 0xFFFFu;
    hash ^= 0xCE4B;
    return QStringLiteral("%1").arg(hash & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper();
}

QString xlsxModernPasswordHash(const QString& password, const QByteArray& salt, int spinCount, const QString& algorithm,
                               bool iteratorFirst) {
    QCryptographicHash::Algorithm algo;
    if (algorithm.compare(QLatin1String("SHA-512"), Qt::CaseInsensitive) == 0)
        algo = QCryptographicHash::Sha512;
    else if (algorithm.compare(QLatin1String("SHA-256"), Qt::CaseInsensitive) == 0)
        algo = QCryptographicHash::Sha256;
    else if (algorithm.compare(QLatin1String("SHA-1"), Qt::CaseInsensitive) == 0)
        algo = QCryptographicHash::Sha1;
    else
        return {};
    // The password enters as UTF-16LE after the salt; then the hash is rehashed with a 32-bit little-endian counter.
    QByteArray utf16;
    utf16.reserve(password.size() * 2);
    for (const QChar ch : password) {
        utf16.append(char(ch.unicode() & 0xFF));
        utf16.append(char(ch.unicode() >> 8));
    }
    QByteArray hash = QCryptographicHash::hash(salt + utf16, algo);
    for (int i = 0; i < spinCount; ++i) {
        QByteArray counter(4, '\0');
        counter[0] = char(i & 0xFF);
        counter[1] = char((i >> 8) & 0xFF);
        counter[2] = char((i >> 16) & 0xFF);
        counter[3] = char((i >> 24) & 0xFF);
        hash = QCryptographicHash::hash(iteratorFirst ? counter + hash : hash + counter, algo);
    }
    return QString::fromLatin1(hash.toBase64());
}

} // namespace office
