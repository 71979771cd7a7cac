#pragma once
// A HEIF picture on libheif: HEIC (HEVC) and AVIF (AV1). Loading reads the
// file as far as libheif needs it (never a tail beyond its boxes) and the
// primary image's header (size, alpha, colour profile), so a file that is
// no HEIF fails at once; a grid's or overlay's whole canvas is counted
// against the memory limit before anything is decoded. Drawing decodes the
// primary image, turned and mirrored as its transforms say (libheif
// applies them), and area-averages it into the target; a thumbnail stored
// with the picture is used instead when it is at least the drawn size (and
// the picture itself when the thumbnail does not decode). Pictures of more
// than 8 bits come out as 8-bit RGB; transparent ones are composed over the
// view's white ground.
#include "media/formats/picture_object.h"

#include <QSize>

#include <memory>

namespace soru {

class HeifPicture final : public FormatPicture {
public:
    explicit HeifPicture(ColourTransformCache& colours);
    ~HeifPicture() override;
    int width() const override { return size_.width(); }
    int height() const override { return size_.height(); }
    QByteArray iccProfile() const override { return profile_; }

    // Bits per sample of the primary image's luma as stored (8, 10, 12).
    int storedBitDepth() const { return bitDepth_; }
    // The size of the picture the last draw decoded: the picture's own, or
    // that of the thumbnail it used; empty before a draw.
    QSize lastDecodedSize() const { return lastDecoded_; }
    // The pixels of the canvas a decode of the picture makes: a grid's or
    // overlay's, which may be larger than the size it states; 0 before a
    // load.
    qint64 canvasPixels() const { return canvasPixels_; }

private:
    void loadFile(const QString& path) override;
    void drawPicture(QImage& canvas, const QRect& target) override;
    QImage wholeImage() override;

    struct File;
    std::unique_ptr<File> file_;
    QSize size_{0, 0};
    QByteArray profile_;
    QSize lastDecoded_;
    int bitDepth_ = 0;
    qint64 canvasPixels_ = 0;
};

// An RGB profile for the colour description (nclx) a HEIF picture gives
// instead of an ICC profile: empty for sRGB and BT.709 primaries, which
// need no conversion, and for codes it does not know; otherwise a
// calibrated profile of the primaries and white point, with the tone curve
// approximated by a gamma.
QByteArray nclxProfile(int primaries, int transfer, const float (&xy)[4][2]);

} // namespace soru
