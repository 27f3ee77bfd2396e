#pragma once
// A disk that refuses writes, for the temporary and output files of the program under test.
//  - FileSizeLimit: while it lives, no file of this process grows past a number of bytes; a write beyond fails with
//    the system's "File too large", as on a full disk. Any user may lower the limit, so it works everywhere.
//  - FullTempFolder: a small memory file system, filled to its last byte, is the temporary folder (TMPDIR) while it
//    lives. Mounting needs the superuser: mounted() says whether it worked, and a test skips that variant when not.

#include <QByteArray>
#include <QString>
#include <csignal>
#include <sys/resource.h>

class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool active() const { return m_set; }
    // The reason the system gives for a write past the limit, as Qt words it.
    static QString reason();

private:
    rlimit m_before{};
    struct sigaction m_signal {};
    bool m_set = false;
};

class FullTempFolder {
public:
    FullTempFolder();
    ~FullTempFolder();
    FullTempFolder(const FullTempFolder&) = delete;
    FullTempFolder& operator=(const FullTempFolder&) = delete;

    bool mounted() const { return m_mounted; }
    // The folder, now the temporary folder.
    const QString& path() const { return m_path; }
    // The reason the system gives for a write there, as Qt words it.
    static QString reason();

private:
    QString m_path;
    QByteArray m_oldTmpdir;
    bool m_hadTmpdir = false;
    bool m_mounted = false;
};
