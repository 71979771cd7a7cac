#pragma once
// A PNG picture on libpng. Loading reads the file chunk by chunk as far as
// its image data goes, never past it, and its header (size, embedded ICC
// profile, EXIF orientation), so a file that is no PNG fails at once;
// drawing decodes the rows and area-averages them into the target as they
// come, so memory follows the drawn size. An interlaced picture needs
// all its passes before a row is whole: it is held at full size, within the
// one memory limit. Grey, palette and 16-bit pictures come out as 8-bit
// RGB; transparent ones are composed over the view's white ground. An
// animated PNG shows its default image, the first frame.
#include "media/formats/picture_object.h"

#include <QSize>

namespace soru {

class PngPicture final : public FormatPicture {
public:
    explicit PngPicture(ColourTransformCache& colours) : FormatPicture(text::kBadPng, colours) {}
    int width() const override;
    int height() const override;
    QByteArray iccProfile() const override { return profile_; }

    // The EXIF orientation (1 to 8) of the eXIf chunk; 1 before a load.
    int orientation() const { return orientation_; }
    // Whether the picture is stored interlaced (Adam7).
    bool interlaced() const { return interlaced_; }

private:
    void loadFile(const QString& path) override;
    void drawPicture(QImage& canvas, const QRect& target) override;
    QImage wholeImage() override;

    QByteArray bytes_;
    QSize stored_{0, 0};
    int orientation_ = 1;
    bool interlaced_ = false;
    QByteArray profile_;
};

} // namespace soru
