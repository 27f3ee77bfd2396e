#include "common/DiskFaults.h"

#include <QDir>
#include <QFile>
#include <QUuid>
#include <cerrno>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

FileSizeLimit::FileSizeLimit(qint64 bytes) {
    if (getrlimit(RLIMIT_FSIZE, &m_before) != 0) return;
    // A write past the limit raises SIGXFSZ, which would end the process: ignored, the write fails instead.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    if (sigaction(SIGXFSZ, &ignore, &m_signal) != 0) return;
    rlimit lower = m_before;
    lower.rlim_cur = rlim_t(bytes);
    m_set = setrlimit(RLIMIT_FSIZE, &lower) == 0;
    if (!m_set) sigaction(SIGXFSZ, &m_signal, nullptr);
}

FileSizeLimit::~FileSizeLimit() {
    if (!m_set) return;
    setrlimit(RLIMIT_FSIZE, &m_before);
    sigaction(SIGXFSZ, &m_signal, nullptr);
}

QString FileSizeLimit::reason() {
    return qt_error_string(EFBIG);
}

FullTempFolder::FullTempFolder() {
    m_path =
        QDir(QDir::tempPath()).filePath(QStringLiteral("ostiva-full-") + QUuid::createUuid().toString(QUuid::Id128));
    if (!QDir().mkpath(m_path)) return;
    const QByteArray where = QFile::encodeName(m_path);
    if (mount("tmpfs", where.constData(), "tmpfs", 0, "size=64k") != 0) {
        QDir().rmdir(m_path);
        return;
    }
    m_mounted = true;
    // Filled to the last byte: a file can still be made there, no byte written to it.
    const int fd = ::open((where + "/filler").constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) {
        const QByteArray block(4096, 'x');
        while (::write(fd, block.constData(), size_t(block.size())) > 0) {
        }
        while (::write(fd, block.constData(), 1) > 0) {
        }
        ::close(fd);
    }
    m_hadTmpdir = qEnvironmentVariableIsSet("TMPDIR");
    m_oldTmpdir = qgetenv("TMPDIR");
    qputenv("TMPDIR", where);
}

FullTempFolder::~FullTempFolder() {
    if (!m_mounted) return;
    if (m_hadTmpdir)
        qputenv("TMPDIR", m_oldTmpdir);
    else
        qunsetenv("TMPDIR");
    umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
    QDir().rmdir(m_path);
}

QString FullTempFolder::reason() {
    return qt_error_string(ENOSPC);
}
