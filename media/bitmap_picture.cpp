#include "media/bitmap_picture.h"

#include "core/limits.h"
#include "media/bitmap_decoder.h"
#include "media/scaling.h"

namespace soru {

void BitmapPicture::load(const QString& path) {
    // A picture within the limit never needs more bytes than the limit plus
    // its headers; a longer file is read as if cut there.
    const QByteArray bytes = readPictureFile(path, kMaxDecodedPictureBytes + (1 << 20));
    image_ = decodeBitmap(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size());
}

void BitmapPicture::draw(QImage& canvas, const QRect& target) {
    drawSmoothScaled(canvas, target, image_);
}

} // namespace soru
