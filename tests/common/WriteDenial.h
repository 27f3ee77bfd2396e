#pragma once
// Files and folders a test makes unwritable. Permission bits alone do not stop the superuser, so while a WriteDenial
// lives the calling thread also gives up its right to override them; the right comes back when it ends. A machine
// where neither works lets written() say so and the test skips.

#include <QString>
#include <QStringList>

class WriteDenial {
public:
    WriteDenial();
    ~WriteDenial();
    WriteDenial(const WriteDenial&) = delete;
    WriteDenial& operator=(const WriteDenial&) = delete;

    // Takes the write permission from a file or folder (given back at the end).
    void deny(const QString& path);
    // Whether a file can still be opened for writing, or a folder still take a new file.
    static bool writable(const QString& path);

private:
    QStringList m_paths;
    bool m_dropped = false;
    unsigned m_effective[2] = {0, 0};
};
