// Glyphs for the display modes (stretch, centre, tile), the file sheets,
// copy and minimise.
#include "artwork.h"
#include "raster.h"

#include <QRadialGradient>

namespace art {

namespace {

// The screen the three display-mode glyphs share: a dark bezel around a
// 14 x 10 field at (1, 3).
void screen(QPainter& p, const QColor& field) {
    fill(p, 1, 3, 14, 10, field);
    frame(p, 0, 2, 16, 12, pal::ink);
}

// A w x h page at (x, y) with its top right corner folded down by fold pixels.
void sheet(QPainter& p, int x, int y, int w, int h, int fold) {
    const QColor edge = pal::slate;
    const QColor shade(0xe4, 0xe4, 0xdc);
    const int crease = x + w - 1 - fold;
    for (int j = 1; j < h - 1; ++j)
        hline(p, x + 1, j <= fold ? crease - 1 : x + w - 2, y + j, pal::paper);
    // Soft shade inside the right and bottom edges.
    vline(p, x + w - 2, y + fold + 1, y + h - 2, shade);
    hline(p, x + 1, x + w - 2, y + h - 2, shade);
    // The flap, then the outline with its diagonal and crease.
    for (int i = 1; i < fold; ++i)
        for (int j = i + 1; j < fold; ++j)
            px(p, crease + i, y + j, pal::silver);
    hline(p, x, crease, y, edge);
    for (int i = 0; i <= fold; ++i)
        px(p, crease + i, y + i, edge);
    vline(p, crease, y, y + fold, edge);
    hline(p, crease, x + w - 1, y + fold, edge);
    vline(p, x, y, y + h - 1, edge);
    vline(p, x + w - 1, y + fold, y + h - 1, edge);
    hline(p, x, x + w - 1, y + h - 1, edge);
}

} // namespace

QImage glyphWallpaper() {
    QImage img = canvas(16, 16);
    QPainter p(&img);
    screen(p, pal::blue);
    for (int y = 3; y < 13; ++y) {
        const int t = (y - 3) * 255 / 9;
        hline(p, 1, 14, y,
              QColor(0x1c + t * 0x28 / 255, 0x48 + t * 0x38 / 255, 0xa8 + t * 0x40 / 255));
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    QRadialGradient g(QPointF(7.0, 6.6), 4.0);
    g.setColorAt(0.0, QColor(0xff, 0xff, 0xf4));
    g.setColorAt(1.0, QColor(0xf0, 0xe4, 0xb0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(QPointF(8.0, 8.0), 3.6, 3.6);
    return img;
}

QImage glyphCentre() {
    QImage img = canvas(16, 16);
    QPainter p(&img);
    screen(p, QColor(0x30, 0x34, 0x3c));
    fill(p, 5, 5, 6, 6, pal::white);
    landscape(p, 6, 6, 4, 4);
    return img;
}

QImage glyphTile() {
    QImage img = canvas(16, 16);
    QPainter p(&img);
    screen(p, QColor(0xf0, 0xf0, 0xf0));
    // Tiles of 3 x 3 on a pitch of 4, cut off by the right and bottom edges
    // as a real tiling would be.
    p.setClipRect(1, 3, 14, 10);
    for (int ty = 3; ty < 13; ty += 4)
        for (int tx = 1; tx < 15; tx += 4) {
            fill(p, tx, ty, 3, 2, pal::sky);
            hline(p, tx, tx + 2, ty + 2, pal::leaf);
            px(p, tx + 2, ty, pal::sun);
        }
    return img;
}

QImage glyphSheet(char letter) {
    QImage img = canvas(16, 16);
    QPainter p(&img);
    sheet(p, 2, 0, 12, 16, 4);
    QColor ink;
    switch (letter) {
    case 'B':
        ink = QColor(0x10, 0x70, 0xa0);
        break;
    case 'J':
        ink = QColor(0x20, 0x90, 0x30);
        break;
    case 'R':
        ink = pal::red;
        break;
    default:
        ink = pal::ink;
        break;
    }
    paintMask(p, art::letter(letter, 5, 6), ink);
    return img;
}

QImage glyphCopy() {
    QImage img = canvas(16, 16);
    QPainter p(&img);
    for (int k = 0; k < 2; ++k) {
        const int x = k == 0 ? 1 : 6;
        const int y = k == 0 ? 0 : 5;
        sheet(p, x, y, 9, 11, 3);
        for (int row = y + 3; row < y + 9; row += 2)
            hline(p, x + 2, x + (row == y + 7 ? 4 : 5), row, pal::grey);
    }
    return img;
}

QImage glyphMinimise() {
    QImage img = canvas(16, 16);
    QPainter p(&img);
    fill(p, 1, 2, 14, 12, QColor(0xe8, 0xe8, 0xe4));
    for (int x = 1; x < 15; ++x) {
        const int t = (x - 1) * 255 / 13;
        vline(p, x, 3, 4,
              QColor(0x18 + t * 0x30 / 255, 0x2c + t * 0x40 / 255, 0x70 + t * 0x60 / 255));
    }
    frame(p, 0, 1, 16, 14, pal::ink);
    hline(p, 1, 14, 2, pal::slate);
    hline(p, 1, 14, 5, pal::slate);
    // The minimise bar.
    fill(p, 4, 10, 8, 2, pal::ink);
    return img;
}

} // namespace art
