#pragma once
// A Windows bitmap, read by our own decoder (media/bitmap_decoder.h). The
// whole picture is decoded at load; drawing shrinks it smoothly.
#include "media/picture_object.h"

namespace soru {

class BitmapPicture final : public PictureObject {
public:
    void load(const QString& path) override;
    int width() const override { return image_.width(); }
    int height() const override { return image_.height(); }
    void draw(QImage& canvas, const QRect& target) override;
    QImage fullImage() override { return image_; }

private:
    QImage image_;
};

} // namespace soru
