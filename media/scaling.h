#pragma once
// Smooth resampling of decoded pictures by area averaging: every
// destination pixel is the mean of the source area it covers, weighted by
// how much of each source pixel lies inside it. Shrinking therefore drops no
// rows or columns and does not alias; enlarging gives plain box sampling.
#include <QImage>
#include <QRect>
#include <QSize>

namespace soru {

// src resampled to size, as Format_RGB32. Reads RGB32, ARGB32, RGB888,
// BGR888, Indexed8 and Grayscale8 directly (alpha ignored); other formats
// are converted first. An empty size or a null src gives a null image.
QImage smoothScaled(const QImage& src, QSize size);

// src resampled into the target rectangle of the canvas. Writes straight
// into a 32-bit canvas when the target lies inside it; otherwise paints a
// scaled copy. An empty target draws nothing.
void drawSmoothScaled(QImage& canvas, const QRect& target, const QImage& src);

} // namespace soru
