// The back and next mouse cursors: a white card with a black frame and a
// two-pixel drop shadow, holding a black arrow. Pure black and white so they
// read on any picture; the hot spot is the card's top-left corner (0, 0).
#include "artwork.h"
#include "raster.h"

namespace art {

namespace {

constexpr int kBoxW = 20;
constexpr int kBoxH = 18;
constexpr int kShadow = 2;

// Arrow pointing left inside the card: head from x 3 to 7, shaft to x 16,
// symmetric about the card's middle row pair (8, 9).
Mask leftArrow() {
    Mask m(32, 32);
    for (int i = 0; i < 5; ++i)
        m.fillRect(3 + i, 8 - i, 1, 2 + 2 * i);
    m.fillRect(8, 7, 9, 4);
    return m;
}

} // namespace

QImage paintCursor(bool forward) {
    QImage img = canvas(32, 32);
    QPainter p(&img);
    fill(p, kShadow, kShadow, kBoxW, kBoxH, Qt::black);
    fill(p, 0, 0, kBoxW, kBoxH, Qt::black);
    fill(p, 1, 1, kBoxW - 2, kBoxH - 2, Qt::white);
    Mask arrow = leftArrow();
    if (forward) {
        // Mirror within the card, not the whole 32-pixel canvas.
        arrow = arrow.mirrored().translated(kBoxW - 32, 0);
    }
    paintMask(p, arrow, Qt::black);
    return img;
}

} // namespace art
