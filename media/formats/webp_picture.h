#pragma once
// A WebP picture on libwebp, lossy or lossless. Loading reads the file as
// far as its RIFF container's size goes, its header (size, alpha,
// animation) and, from the container, the ICC profile and the EXIF
// orientation; a file that is no WebP fails at once. Drawing lets libwebp's
// own scaler decode straight at the reduced size. An animated picture shows
// its first frame, composed on its canvas at the drawn size. Transparent
// pixels are composed over the view's white ground.
#include "media/formats/picture_object.h"

#include <QSize>

namespace soru {

class WebpPicture final : public FormatPicture {
public:
    explicit WebpPicture(ColourTransformCache& colours) : FormatPicture(text::kBadWebp, colours) {}
    int width() const override;
    int height() const override;
    QByteArray iccProfile() const override { return profile_; }

    // The EXIF orientation (1 to 8) of the EXIF chunk; 1 before a load.
    int orientation() const { return orientation_; }
    bool animated() const { return animated_; }

private:
    void loadFile(const QString& path) override;
    void drawPicture(QImage& canvas, const QRect& target) override;
    QImage wholeImage() override;

    // The stored picture decoded at size (the stored size or smaller),
    // opaque RGB32, not yet turned.
    QImage decode(QSize size) const;
    // The animation's first frame on its canvas, decoded at size, opaque
    // RGB32.
    QImage decodeFirstFrame(QSize size) const;
    // The still picture decoded at size into 32-bit rows at out, as libwebp
    // writes them (B, G, R, A, not composed). Returns how many rows from
    // the top were decoded: all of them, or those before the data ended or
    // failed.
    int decodeInto(uchar* out, qsizetype stride, QSize size) const;

    QByteArray bytes_;
    QSize stored_{0, 0};
    int orientation_ = 1;
    bool animated_ = false;
    bool alpha_ = false;
    QByteArray profile_;
};

} // namespace soru
