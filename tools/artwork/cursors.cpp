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
    // The head is a triangle whose edges climb one pixel per pixel; sampled at
    // pixel centres it gives the columns x 3 + i, rows 8 - i .. 9 + i, and a
    // smooth edge at higher scales.
    Mask m(32, 32);
    QPainterPath head;
    head.moveTo(2.5, 9);
    head.lineTo(8, 3.5);
    head.lineTo(8, 14.5);
    head.closeSubpath();
    m.addPath(head);
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
