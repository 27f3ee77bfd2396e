#include "common/WriteDenial.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
bool capabilities(__user_cap_data_struct (&data)[2], bool set) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}
} // namespace

WriteDenial::WriteDenial() {
    __user_cap_data_struct data[2] = {};
    if (!capabilities(data, false)) return;
    m_effective[0] = data[0].effective;
    m_effective[1] = data[1].effective;
    data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
    m_dropped = capabilities(data, true);
}

WriteDenial::~WriteDenial() {
    if (m_dropped) {
        __user_cap_data_struct data[2] = {};
        if (capabilities(data, false)) {
            data[0].effective = m_effective[0];
            data[1].effective = m_effective[1];
            capabilities(data, true);
        }
    }
    for (const QString& p : std::as_const(m_paths))
        QFile::setPermissions(p, QFile::permissions(p) | QFileDevice::WriteOwner | QFileDevice::WriteUser);
}

void WriteDenial::deny(const QString& path) {
    QFile::setPermissions(path, QFile::permissions(path) & ~(QFileDevice::WriteOwner | QFileDevice::WriteUser |
                                                             QFileDevice::WriteGroup | QFileDevice::WriteOther));
    m_paths.append(path);
}

bool WriteDenial::writable(const QString& path) {
    if (QFileInfo(path).isDir()) {
        QFile probe(QDir(path).filePath(QStringLiteral(".write-probe")));
        if (!probe.open(QIODevice::WriteOnly)) return false;
        probe.remove();
        return true;
    }
    QFile f(path);
    return f.open(QIODevice::ReadWrite);
}
