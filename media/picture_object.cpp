#include "media/picture_object.h"

#include "core/failure.h"
#include "media/bitmap_picture.h"
#include "media/jpeg_picture.h"

#include <QFileInfo>

namespace soru {

std::unique_ptr<PictureObject> makePictureObject(PictureKind kind) {
    if (kind == PictureKind::Bitmap)
        return std::make_unique<BitmapPicture>();
    return std::make_unique<JpegPicture>();
}

std::unique_ptr<PictureObject> loadPictureObject(const QString& path) {
    auto picture = makePictureObject(pictureKindOf(path));
    picture->load(path);
    return picture;
}

void openPictureFile(QFile& file, const QString& path) {
    file.setFileName(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ||
        file.size() < 0)
        throw Failure(text::kCannotOpenFile.arg(path));
}

QByteArray readPictureFile(const QString& path, qint64 maxBytes) {
    QFile file;
    openPictureFile(file, path);
    QByteArray bytes(qMin(file.size(), maxBytes), Qt::Uninitialized);
    qint64 got = 0;
    while (got < bytes.size()) {
        const qint64 n = file.read(bytes.data() + got, bytes.size() - got);
        if (n < 0)
            throw Failure(text::kCannotOpenFile.arg(path));
        if (n == 0)
            break; // the file shrank since its size was read
        got += n;
    }
    bytes.truncate(got);
    return bytes;
}

} // namespace soru
