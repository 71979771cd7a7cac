#pragma once
// Smooth resampling of decoded pictures by area averaging: every
// destination pixel is the mean of the source area it covers, weighted by
// how much of each source pixel lies inside it. Shrinking therefore drops no
// rows or columns and does not alias; enlarging gives plain box sampling.
#include <QImage>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <memory>
#include <utility>

namespace soru {

// src resampled to size, as Format_RGB32. Reads RGB32, ARGB32, RGB888,
// BGR888, Indexed8 and Grayscale8 directly (alpha ignored); other formats
// are converted first. An empty size or a null src gives a null image.
QImage smoothScaled(const QImage& src, QSize size);

// src resampled into the target rectangle of the canvas. Writes straight
// into a 32-bit canvas when the target lies inside it; otherwise paints a
// scaled copy. An empty target draws nothing.
void drawSmoothScaled(QImage& canvas, const QRect& target, const QImage& src);

// The same resampling for a picture that arrives row by row, as a decoder
// produces it, so that only the target and a few rows are ever held: each
// source row is reduced horizontally once and added into the target rows it
// covers, and a target row is written as soon as its last source row came.
// Rows may come in any order; top-down or bottom-up keeps at most two target
// rows open when shrinking. Fed top-down, the result equals smoothScaled()
// bit for bit; bottom-up, the sums are added in the other order and a
// channel may differ by one.
class StreamScaler {
public:
    // Writes a target.width() x target.height() block of opaque 32-bit
    // pixels at out, rows stride bytes apart. Both sizes must be non-empty.
    StreamScaler(QSize source, QSize target, uchar* out, qsizetype stride);
    ~StreamScaler();
    StreamScaler(const StreamScaler&) = delete;
    StreamScaler& operator=(const StreamScaler&) = delete;

    // Source row y, source.width() pixels as QRgb (alpha ignored).
    void addRow(int y, const QRgb* row);
    // count source rows y, y + step, y + 2 * step ... that are all the same
    // row: reduced once, however many there are.
    void addRepeatedRow(int y, int count, int step, const QRgb* row);
    // Target rows not yet written (a source row never came).
    int openRows() const;

    // The source rows [first, end) that target rows [firstTarget,
    // endTarget) are made of. Two scalers over the same sizes and block,
    // each fed the source rows of its own range of target rows, write the
    // same block as one scaler fed every row: a target row is written only
    // once all of its source rows came.
    static std::pair<int, int> sourceRowsOf(int sourceRows, int targetRows, int firstTarget,
                                            int endTarget);

private:
    struct State;
    std::unique_ptr<State> d_;
};

} // namespace soru
