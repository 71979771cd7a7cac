#include "core/pixel_copy.h"

#include <algorithm>
#include <cstring>

namespace soru {
namespace {

// x * a / 255 for each of the four bytes, rounded as QPainter rounds it.
quint32 byteMul(quint32 x, quint32 a) {
    quint32 t = (x & 0xff00ff) * a;
    t = ((t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8) & 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = (x + ((x >> 8) & 0xff00ff) + 0x800080) & 0xff00ff00;
    return x | t;
}

quint32 over(quint32 src, quint32 dst) {
    const quint32 alpha = src >> 24;
    return alpha == 255 ? src : alpha == 0 ? dst : src + byteMul(dst, 255 - alpha);
}

} // namespace

std::vector<PixelPiece> pixelForPixelPieces(QSize picture, QSize area) {
    std::vector<PixelPiece> pieces;
    if (picture.isEmpty() || area.isEmpty())
        return pieces;
    const int w = picture.width(), h = picture.height();
    const int cw = std::min(w, area.width()), ch = std::min(h, area.height());
    const int dw = area.width() - w, dh = area.height() - h;
    pieces.push_back({QRect(0, 0, cw, ch), QRect(0, 0, cw, ch)});
    if (dw > 0)
        pieces.push_back({QRect(w - 1, 0, 1, ch), QRect(w, 0, dw, ch)});
    if (dh > 0)
        pieces.push_back({QRect(0, h - 1, cw, 1), QRect(0, h, cw, dh)});
    if (dw > 0 && dh > 0)
        pieces.push_back({QRect(w - 1, h - 1, 1, 1), QRect(w, h, dw, dh)});
    return pieces;
}

void copyPixelForPixel(const PixelRows& src, const MutablePixelRows& dst, QPoint at, QSize area,
                       PixelBlend blend) {
    const QRect inside(QPoint(0, 0), dst.size);
    for (const PixelPiece& piece : pixelForPixelPieces(src.size, area)) {
        const QRect target = piece.target.translated(at) & inside;
        if (target.isEmpty())
            continue;
        const bool repeatColumn = piece.source.width() != piece.target.width();
        const bool repeatRow = piece.source.height() != piece.target.height();
        // Where the target's visible part starts within the whole target.
        const int skipX = target.left() - (piece.target.left() + at.x());
        const int skipY = target.top() - (piece.target.top() + at.y());
        for (int y = 0; y < target.height(); ++y) {
            const int sy = piece.source.top() + (repeatRow ? 0 : skipY + y);
            const auto* s = reinterpret_cast<const quint32*>(src.bits + sy * src.stride) +
                            piece.source.left() + (repeatColumn ? 0 : skipX);
            auto* d = reinterpret_cast<quint32*>(dst.bits + (target.top() + y) * dst.stride) + target.left();
            const int n = target.width();
            if (blend == PixelBlend::Replace) {
                if (repeatColumn)
                    std::fill(d, d + n, *s);
                else
                    std::memcpy(d, s, std::size_t(n) * 4);
            } else {
                for (int x = 0; x < n; ++x)
                    d[x] = over(repeatColumn ? *s : s[x], d[x]);
            }
        }
    }
}

} // namespace soru
