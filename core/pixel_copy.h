#pragma once
// Placing a picture pixel for pixel into an area whose size may differ from
// the picture's by the pixel or two that rounding a logical size to device
// pixels adds or takes: the picture is cut where it is larger than the area,
// and its last column and row are repeated where it falls short. One rule
// for the decoded pictures and the image widget, on raw 32-bit rows or as
// pieces for a painter.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QtGlobal>

#include <vector>

namespace soru {

// A source rectangle of the picture and the target rectangle of the area it
// fills, relative to the area's corner. A source is either the size of its
// target (copied) or one pixel wide or tall (repeated across the target).
struct PixelPiece {
    QRect source;
    QRect target;
};

// The pieces that fill an area of `area` pixels from a picture of `picture`
// pixels: the picture cut to the area, then its last column, its last row
// and its corner pixel over what it falls short of. None when either is
// empty.
std::vector<PixelPiece> pixelForPixelPieces(QSize picture, QSize area);

enum class PixelBlend {
    Replace, // the source pixels as they are
    Over,    // premultiplied ARGB laid over what is there (QPainter's SourceOver)
};

// Rows of 32-bit pixels: the first row's address, the bytes from one row to
// the next, the size in pixels.
struct PixelRows {
    const uchar* bits;
    qsizetype stride;
    QSize size;
};
struct MutablePixelRows {
    uchar* bits;
    qsizetype stride;
    QSize size;
};

// Fills the area of `area` pixels whose corner is at `at` in dst with the
// picture in src, by the pieces above; nothing is written outside dst.
void copyPixelForPixel(const PixelRows& src, const MutablePixelRows& dst, QPoint at, QSize area,
                       PixelBlend blend = PixelBlend::Replace);

} // namespace soru
