#pragma once
// Writing a file whole. A file opened with QIODevice::Unbuffered takes every write at once, so a write the system
// refuses fails where it is made: a buffered write of a few kilobytes would only fail in a later flush, and
// QSaveFile::commit() does not say so.

#include <QByteArrayView>
#include <QFileDevice>
#include <QString>

namespace office {

// Writes every byte to a file opened unbuffered. A write cut short is tried again for the rest, and that try leaves
// the system's reason in file.errorString(). False when the file does not take them all.
bool writeAll(QFileDevice& file, QByteArrayView bytes);

// Replaces the file at `path` with `bytes` atomically: the old file stays whole unless every byte reached the disk.
// False with the system's reason in `why` when the file cannot be written.
bool saveWhole(const QString& path, QByteArrayView bytes, QString* why);

} // namespace office
