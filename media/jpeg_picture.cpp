#include "media/jpeg_picture.h"

#include "core/limits.h"
#include "media/scaling.h"

namespace soru {

void JpegPicture::load(const QString& path) {
    // A file longer than any picture within the limit is read as if cut
    // there: libjpeg then treats it as a truncated file.
    QByteArray bytes = readPictureFile(path, kMaxDecodedPictureBytes);
    const JpegHeader header = readJpegHeader(bytes);
    bytes_ = std::move(bytes);
    header_ = header;
    decoded_ = QImage();
    denominator_ = 0;
}

// Decoded pixels at 1/denominator or larger; a larger decode already made
// is reused rather than decoding again.
const QImage& JpegPicture::decoded(int denominator) {
    if (denominator_ == 0 || denominator_ > denominator) {
        decoded_ = decodeJpeg(bytes_, denominator);
        denominator_ = denominator;
    }
    return decoded_;
}

void JpegPicture::draw(QImage& canvas, const QRect& target) {
    if (target.isEmpty() || bytes_.isEmpty())
        return;
    const int d = jpegScaleDenominator(QSize(header_.width, header_.height), target.size());
    drawSmoothScaled(canvas, target, decoded(d));
}

QImage JpegPicture::fullImage() {
    if (bytes_.isEmpty())
        return {};
    return decoded(1);
}

} // namespace soru
