#pragma once
// A JPEG picture. Loading reads the whole file and parses its header, so a
// damaged header fails at once; the pixels are decoded at the first draw,
// with libjpeg's DCT scaling at the largest reduction that still covers the
// target, and then smoothly shrunk into it. A picture whose EXIF block says
// it is stored turned or mirrored is shown upright: its size, its drawing
// and its full image are all the upright ones; it is turned after the
// reduced decode, so the turn costs only what the reduced picture needs.
#include "media/formats/exif_orientation.h"
#include "media/formats/jpeg_decoder.h"
#include "media/formats/picture_object.h"

namespace soru {

class JpegPicture final : public PictureObject {
public:
    explicit JpegPicture(ColourTransformCache& colours) : PictureObject(colours) {}
    void load(const QString& path) override;
    int width() const override { return upright().width(); }
    int height() const override { return upright().height(); }
    void draw(QImage& canvas, const QRect& target) override;
    QImage fullImage() override;
    QByteArray iccProfile() const override { return header_.cmyk ? QByteArray() : header_.iccProfile; }

    // The reduction (1, 2, 4 or 8) of the pixels decoded so far; 0 when
    // nothing has been decoded.
    int decodedDenominator() const { return denominator_; }
    // The EXIF orientation (1 to 8) the picture is turned by; 1 before a load.
    int orientation() const { return orientation_; }

private:
    QSize upright() const {
        return uprightSize(QSize(header_.width, header_.height), orientation_);
    }
    // A CMYK picture with a profile is converted to the target while it is
    // decoded; the others are decoded as they are stored.
    const QImage& decoded(int denominator, const QByteArray& target);

    QByteArray bytes_;
    JpegHeader header_;
    int orientation_ = 1;
    QImage decoded_; // upright
    int denominator_ = 0;
    QByteArray decodedTarget_;
};

} // namespace soru
