#include "office/FileWrite.h"

#include <QSaveFile>

namespace office {

bool writeAll(QFileDevice& file, QByteArrayView bytes) {
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 n = file.write(bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += qsizetype(n);
    }
    return true;
}

bool saveWhole(const QString& path, QByteArrayView bytes, QString* why) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && writeAll(file, bytes) && file.commit()) return true;
    *why = file.errorString(); // before cancelling, which would say only that it cancelled
    file.cancelWriting();
    return false;
}

} // namespace office
