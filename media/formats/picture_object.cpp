#include "media/formats/picture_object.h"

#include "core/failure.h"
#include "media/colour/colour_management.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace soru {

QByteArray PictureObject::drawProfile() const {
    return drawProfileSet_ ? drawProfile_ : colours_->targetProfile();
}

void FormatPicture::load(const QString& path) {
    path_ = path;
    try {
        loadFile(path);
    } catch (const InvalidPicture&) {
        throw Failure(invalidText_.arg(path_));
    }
}

void FormatPicture::draw(QImage& canvas, const QRect& target) {
    try {
        drawPicture(canvas, target);
    } catch (const InvalidPicture&) {
        throw Failure(invalidText_.arg(path_));
    }
}

QImage FormatPicture::fullImage() {
    try {
        return wholeImage();
    } catch (const InvalidPicture&) {
        throw Failure(invalidText_.arg(path_));
    }
}

void openPictureFile(QFile& file, const QString& path) {
    // Only regular files: a named pipe would block the open until a writer
    // comes, and devices and sockets hold no picture.
    if (!QFileInfo(path).isFile())
        throw Failure(text::kCannotOpenFile.arg(path));
#ifdef Q_OS_UNIX
    // Opened without waiting, and checked again on the descriptor: the name
    // may have become a pipe since the check above.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 ||
        !file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        throw Failure(text::kCannotOpenFile.arg(path));
    }
#else
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw Failure(text::kCannotOpenFile.arg(path));
#endif
    if (file.size() < 0)
        throw Failure(text::kCannotOpenFile.arg(path));
}

QByteArray readPictureFile(const QString& path, qint64 maxBytes) {
    QFile file;
    openPictureFile(file, path);
    QByteArray bytes;
    appendPictureBytes(file, path, bytes, qMin(file.size(), maxBytes));
    return bytes;
}

qint64 appendPictureBytes(QFile& file, const QString& path, QByteArray& bytes, qint64 n) {
    // No more room than the file has left: a length claimed past its end
    // costs nothing. Room not read into is never touched, so a hole costs
    // only the bytes actually read from it.
    n = qMin(n, qMax<qint64>(0, file.size() - file.pos()));
    const qsizetype start = bytes.size();
    bytes.resize(start + qsizetype(n));
    qint64 got = 0;
    while (got < n) {
        const qint64 r = file.read(bytes.data() + start + got, n - got);
        if (r < 0) {
            bytes.truncate(start);
            throw Failure(text::kCannotOpenFile.arg(path));
        }
        if (r == 0)
            break; // the file shrank since its size was read
        got += r;
    }
    bytes.truncate(start + qsizetype(got));
    return got;
}

} // namespace soru
