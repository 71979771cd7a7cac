#pragma once
// A JPEG picture. Loading reads the whole file and parses its header, so a
// damaged header fails at once; the pixels are decoded at the first draw,
// with libjpeg's DCT scaling at the largest reduction that still covers the
// target, and then smoothly shrunk into it.
#include "media/jpeg_decoder.h"
#include "media/picture_object.h"

namespace soru {

class JpegPicture final : public PictureObject {
public:
    void load(const QString& path) override;
    int width() const override { return header_.width; }
    int height() const override { return header_.height; }
    void draw(QImage& canvas, const QRect& target) override;
    QImage fullImage() override;

    // The reduction (1, 2, 4 or 8) of the pixels decoded so far; 0 when
    // nothing has been decoded.
    int decodedDenominator() const { return denominator_; }

private:
    const QImage& decoded(int denominator);

    QByteArray bytes_;
    JpegHeader header_;
    QImage decoded_;
    int denominator_ = 0;
};

} // namespace soru
