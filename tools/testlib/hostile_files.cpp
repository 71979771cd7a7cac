// File operations on raw byte paths for the hostile library: its names
// need not be valid UTF-8, so nothing here goes through a QString.
#include "tools/testlib/hostile_internal.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace soru::testlib {

namespace hostile {
namespace {

std::runtime_error failed(const char* what, const QByteArray& path) {
    return std::runtime_error(std::string(what) + " " + path.toStdString() + ": " +
                              std::strerror(errno));
}

} // namespace

#ifdef Q_OS_UNIX

void writeRaw(const QByteArray& path, const QByteArray& bytes) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw failed("cannot create", path);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0) {
            ::close(fd);
            throw failed("cannot write", path);
        }
        done += n;
    }
    ::close(fd);
}

void makeDirRaw(const QByteArray& path) {
    if (::mkdir(path.constData(), 0755) != 0 && errno != EEXIST)
        throw failed("cannot create folder", path);
}

void makeFifoRaw(const QByteArray& path) {
    if (::mkfifo(path.constData(), 0644) != 0)
        throw failed("cannot create pipe", path);
}

void makeSocketRaw(const QByteArray& path) {
    // Bound through the folder's descriptor, so a long library path still
    // fits the 108 bytes of a socket address.
    const int slash = path.lastIndexOf('/');
    const QByteArray folder = path.left(slash), name = path.mid(slash + 1);
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        throw failed("cannot open folder", folder);
    const QByteArray viaFd = "/proc/self/fd/" + QByteArray::number(dir) + "/" + name;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray& bindPath = path.size() < qsizetype(sizeof address.sun_path) ? path : viaFd;
    std::strncpy(address.sun_path, bindPath.constData(), sizeof address.sun_path - 1);
    const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool ok = s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (s >= 0)
        ::close(s); // the socket file stays
    ::close(dir);
    if (!ok)
        throw failed("cannot create socket", path);
}

void makeLinkRaw(const QByteArray& target, const QByteArray& path) {
    if (::symlink(target.constData(), path.constData()) != 0)
        throw failed("cannot create link", path);
}

void removeRaw(const QByteArray& path) {
    if (::unlink(path.constData()) != 0 && (errno == EISDIR || errno == EPERM))
        ::rmdir(path.constData());
}

namespace {

// Calls fn(path, stat) for every entry below folder, parents first; the
// folder's permissions are first given back by `before` when set.
void walkRaw(const QByteArray& folder, const std::function<void(const QByteArray&, const struct stat&)>& fn,
             const std::function<void(const QByteArray&)>& before = {}) {
    if (before)
        before(folder);
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    QList<QByteArray> names;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name != "." && name != "..")
            names << name;
    }
    ::closedir(dir);
    for (const QByteArray& name : names) {
        const QByteArray path = folder + '/' + name;
        struct stat st;
        if (::lstat(path.constData(), &st) != 0)
            continue;
        fn(path, st);
        if (S_ISDIR(st.st_mode))
            walkRaw(path, fn, before);
    }
}

} // namespace

void removeTreeRaw(const QByteArray& path) {
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        ::chmod(path.constData(), 0755);
        QList<QByteArray> folders;
        walkRaw(path, [&](const QByteArray& p, const struct stat& s) {
            if (S_ISDIR(s.st_mode))
                folders.prepend(p);
            else
                ::unlink(p.constData());
        }, [](const QByteArray& f) { ::chmod(f.constData(), 0755); });
        for (const QByteArray& f : folders)
            ::rmdir(f.constData());
        ::rmdir(path.constData());
    } else {
        ::unlink(path.constData());
    }
}

void chmodRaw(const QByteArray& path, unsigned mode) {
    if (::chmod(path.constData(), mode_t(mode)) != 0)
        throw failed("cannot change permissions of", path);
}

#else // not a POSIX system: the hostile library cannot be written

[[noreturn]] static void unsupported() {
    throw std::runtime_error("the hostile library needs a POSIX file system");
}
void writeRaw(const QByteArray&, const QByteArray&) { unsupported(); }
void makeDirRaw(const QByteArray&) { unsupported(); }
void makeFifoRaw(const QByteArray&) { unsupported(); }
void makeSocketRaw(const QByteArray&) { unsupported(); }
void makeLinkRaw(const QByteArray&, const QByteArray&) { unsupported(); }
void removeRaw(const QByteArray&) { unsupported(); }
void removeTreeRaw(const QByteArray&) { unsupported(); }
void chmodRaw(const QByteArray&, unsigned) { unsupported(); }

#endif

} // namespace hostile

using hostile::walkRaw;
using hostile::removeTreeRaw;

QList<QByteArray> hostileFifoPaths(const QString& root) {
    QList<QByteArray> out;
#ifdef Q_OS_UNIX
    walkRaw(QFile::encodeName(root), [&](const QByteArray& p, const struct stat& st) {
        if (S_ISFIFO(st.st_mode))
            out << p;
    });
#else
    Q_UNUSED(root);
#endif
    return out;
}

void restoreHostilePermissions(const QString& root) {
#ifdef Q_OS_UNIX
    walkRaw(
        QFile::encodeName(root),
        [](const QByteArray& p, const struct stat& st) {
            if (S_ISREG(st.st_mode) && (st.st_mode & 0600) != 0600)
                ::chmod(p.constData(), 0644);
        },
        [](const QByteArray& folder) { ::chmod(folder.constData(), 0755); });
#else
    Q_UNUSED(root);
#endif
}

void deleteHostileLibrary(const QString& root) {
#ifdef Q_OS_UNIX
    removeTreeRaw(QFile::encodeName(root));
#else
    Q_UNUSED(root);
#endif
}

} // namespace soru::testlib
