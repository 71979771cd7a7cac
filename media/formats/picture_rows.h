#pragma once
// What the PNG, WebP and HEIF pictures share: rows of pixels composed over
// the view's white ground, and a drawing target that shrinks rows as they
// come and turns the result upright.
#include <QImage>
#include <QRect>
#include <QSize>

#include <memory>

namespace soru {

class StreamScaler;

// The view is white around pictures, so a transparent picture is composed
// over white: the pixels become opaque.
inline constexpr QRgb kTransparencyGround = 0xFFFFFFFF;

// n pixels of non-premultiplied ARGB made opaque over the ground colour.
void composeOverGround(QRgb* row, int n);

// Rows of a stored picture, fed top-down (or in any order), area-averaged
// into the target rectangle of a canvas. The picture is turned upright by
// its EXIF orientation after the reduction, so target is the upright
// rectangle. Writes straight into a 32-bit canvas when nothing needs
// turning; otherwise through a small image of the reduced size.
class ScaledRowTarget {
public:
    // stored: the picture's size as its rows come; target: not empty.
    ScaledRowTarget(QImage& canvas, const QRect& target, QSize stored, int orientation);
    ~ScaledRowTarget();
    ScaledRowTarget(const ScaledRowTarget&) = delete;
    ScaledRowTarget& operator=(const ScaledRowTarget&) = delete;

    // Row y of the stored picture, opaque QRgb.
    void addRow(int y, const QRgb* row);
    // Puts the picture on the canvas (when it went through a scratch image).
    void finish();
    // After the rows stopped coming: puts the target rows that are whole on
    // the canvas, leaving the others as they were.
    void finishPartial();

private:
    QImage& canvas_;
    QRect target_;
    int orientation_;
    QImage scratch_;
    std::unique_ptr<StreamScaler> scaler_;
};

// An opaque RGB32 picture of the target's size put on the canvas at the
// target: copied straight where the canvas's format allows, painted
// otherwise.
void placeOpaque(QImage& canvas, const QRect& target, const QImage& picture);

// A reduced picture (any size) drawn into the target: area-averaged when it
// is larger, turned upright first.
void drawUprightScaled(QImage& canvas, const QRect& target, QImage stored, int orientation);

} // namespace soru
