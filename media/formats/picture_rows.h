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

    // For rows given on two threads at once: before the first row, splits
    // the target in two halves, each reduced on its own. Stored rows [0,
    // firstEnd) then go to part 0 and [secondBegin, height) to part 1,
    // each part from one thread, top-down; a row in both ranges goes to
    // both. The result is the same as from addRow().
    struct Parts {
        int firstEnd = 0, secondBegin = 0;
    };
    Parts splitInTwo();
    void addRow(int part, int y, const QRgb* row);
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
    QSize stored_, reduced_;
    uchar* out_ = nullptr;
    qsizetype stride_ = 0;
    std::unique_ptr<StreamScaler> scaler_, second_;
};

// A premultiplied ARGB32 image of the size, every pixel transparent. A
// large one comes from memory the system hands out zeroed, so no pass is
// made over it before it is drawn, and its pages are first touched by
// whatever draws them (on several threads, for large pictures). Throws
// std::bad_alloc when there is not memory enough.
QImage transparentImage(QSize size);

// An opaque RGB32 picture of the target's size put on the canvas at the
// target: copied straight where the canvas's format allows, painted
// otherwise.
void placeOpaque(QImage& canvas, const QRect& target, const QImage& picture);

// A reduced picture (any size) drawn into the target: area-averaged when it
// is larger, turned upright first.
void drawUprightScaled(QImage& canvas, const QRect& target, QImage stored, int orientation);

} // namespace soru
