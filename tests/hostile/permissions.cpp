#include "tests/hostile/permissions.h"

#include <QTemporaryDir>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace soru::test {
namespace {

constexpr quint32 kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

// Sets or clears the overrides in the calling thread's effective set.
bool setOverrides(bool on) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    if (on)
        data[0].effective |= data[0].permitted & kOverrides;
    else
        data[0].effective &= ~kOverrides;
    return syscall(SYS_capset, &header, data) == 0;
}

// Probes: can this thread open a file of mode 000?
bool unreadableFileRefused() {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("probe")));
    const int made = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0);
    if (made < 0)
        return false;
    ::close(made);
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0)
        ::close(fd);
    ::unlink(path.constData());
    return fd < 0;
}

} // namespace

OwnerPermissionsEnforced::OwnerPermissionsEnforced() {
    if (::geteuid() == 0)
        dropped_ = setOverrides(false);
    apply_ = unreadableFileRefused();
    if (::geteuid() != 0)
        description_ = QStringLiteral("not root: unreadable files and folders are refused");
    else if (apply_)
        description_ = QStringLiteral("root with CAP_DAC_OVERRIDE dropped: unreadable files and "
                                      "folders are refused");
    else
        description_ = QStringLiteral("root that keeps reading files of mode 000: unreadable "
                                      "entries are checked as the readable files they are here");
}

OwnerPermissionsEnforced::~OwnerPermissionsEnforced() {
    if (dropped_)
        setOverrides(true);
}

} // namespace soru::test
