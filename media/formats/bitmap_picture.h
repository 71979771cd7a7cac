#pragma once
// A Windows bitmap, read by our own decoder (media/formats/bitmap_decoder.h).
// Loading checks the whole file as the decoder would (headers, and the
// stream of a run-length picture), so a broken bitmap fails at load; the
// file stays open and drawing decodes its rows straight into the target,
// shrinking them as they come, so that memory follows the drawn size. The
// full-size picture is decoded only when fullImage() asks for it.
#include "media/formats/picture_object.h"

#include <memory>

namespace soru {

class BitmapFileSource;

class BitmapPicture final : public PictureObject {
public:
    explicit BitmapPicture(ColourTransformCache& colours);
    ~BitmapPicture() override;
    void load(const QString& path) override;
    int width() const override { return size_.width(); }
    int height() const override { return size_.height(); }
    void draw(QImage& canvas, const QRect& target) override;
    QImage fullImage() override;
    QByteArray iccProfile() const override { return profile_; }

private:
    QString path_;
    std::unique_ptr<QFile> file_;
    std::unique_ptr<BitmapFileSource> source_;
    QSize size_{0, 0};
    QByteArray profile_;
};

} // namespace soru
