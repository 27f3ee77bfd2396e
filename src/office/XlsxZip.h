#pragma once
// The zip container of an Office package: every entry read into memory in archive order, and a new archive built
// in memory from entries. libzip underneath; its error codes become readable reasons.

#include "office/XlsxStatus.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace office {

struct XlsxZipEntry {
    QString name;
    QByteArray data;
};

// Reads every entry of the archive at `path`. A file that is no zip archive, a damaged or encrypted archive and
// one larger than `maxTotalBytes` uncompressed fail with a reason.
XlsxStatus xlsxReadZip(const QString& path, std::vector<XlsxZipEntry>* entries, qint64 maxTotalBytes = qint64(1) << 30);
// Builds an archive of the entries, in their order, compressed.
XlsxStatus xlsxBuildZip(const std::vector<XlsxZipEntry>& entries, QByteArray* archive);

} // namespace office
