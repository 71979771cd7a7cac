// Glyphs for the navigation and album commands: exit, back, slide show, next,
// the spare star, information, album, sound and the thumbnail list.
#include "artwork.h"
#include "raster.h"

namespace art {

namespace {

const Style kArrow{pal::greenDark, pal::green, pal::greenLight, QColor(0x1c, 0x80, 0x2c)};
const Style kExitArrow{pal::redDark, pal::red, QColor(0xff, 0x8c, 0x7c), QColor(0xa8, 0x18, 0x18)};

// Bold arrow pointing right across the glyph: a five-pixel shaft and an
// eleven-pixel head; with its outline it spans x 1..14, y 1..13.
Mask rightArrow() {
    Mask m;
    m.fillRect(2, 5, 6, 5);
    for (int i = 0; i < 6; ++i)
        m.fillRect(8 + i, 2 + i, 1, 11 - 2 * i);
    return m;
}

} // namespace

QImage glyphBack() {
    QImage img = canvas(16, 16);
    QPainter p(&img);
    paintShape(p, rightArrow().mirrored(), kArrow);
    return img;
}

QImage glyphNext() {
    QImage img = canvas(16, 16);
    QPainter p(&img);
    paintShape(p, rightArrow(), kArrow);
    return img;
}

QImage glyphExit() {
    QImage img = canvas(16, 16);
    QPainter p(&img);
    // Door frame with a dark doorway.
    fill(p, 1, 1, 9, 15, pal::slate);
    fill(p, 2, 2, 7, 14, QColor(0x24, 0x24, 0x34));
    frame(p, 1, 1, 9, 15, pal::ink);
    // The leaf swung open towards the viewer on hinges at the left: its free
    // edge is nearer, so it stands taller than the frame.
    Mask leaf;
    for (int i = 0; i < 4; ++i) {
        const int top = 2 - (i + 1) / 2;
        leaf.fillRect(2 + i, top, 1, 15 - top - (i == 0 ? 1 : 0));
    }
    paintShape(p, leaf, {pal::woodDark, pal::wood, pal::woodLight, pal::woodDark});
    px(p, 5, 8, pal::gold);
    // Arrow leaving through the doorway.
    Mask arrow;
    arrow.fillRect(7, 7, 4, 3);
    for (int i = 0; i < 4; ++i)
        arrow.fillRect(11 + i, 5 + i, 1, 7 - 2 * i);
    paintShape(p, arrow, kExitArrow);
    return img;
}

QImage glyphSlideShow() {
    QImage img = canvas(16, 16);
    QPainter p(&img);
    // Two prints, the rear one up and to the right.
    fill(p, 5, 0, 10, 8, pal::white);
    frame(p, 5, 0, 10, 8, pal::slate);
    landscape(p, 7, 2, 6, 4);
    fill(p, 1, 3, 10, 9, pal::white);
    frame(p, 1, 3, 10, 9, pal::ink);
    landscape(p, 3, 5, 6, 5);
    // Play arrow in the lower right corner.
    Mask arrow;
    for (int i = 0; i < 4; ++i)
        arrow.fillRect(10 + i, 8 + i, 1, 7 - 2 * i);
    paintShape(p, arrow, kArrow, true);
    return img;
}

QImage glyphStar() {
    QImage img = canvas(16, 16);
    QPainter p(&img);
    Mask star;
    star.addRows(1, 1,
                 {
                     "......#......",
                     "......#......",
                     ".....###.....",
                     ".....###.....",
                     "#############",
                     ".###########.",
                     "..#########..",
                     "...#######...",
                     "...#######...",
                     "..####.####..",
                     "..###...###..",
                     ".###.....###.",
                     ".#.........#.",
                 });
    paintShape(p, star, {pal::goldDark, pal::gold, pal::goldLight, QColor(0xd8, 0x98, 0x10)});
    return img;
}

QImage glyphInformation() {
    QImage img = canvas(16, 16);
    QPainter p(&img);
    Mask bubble;
    bubble.fillRect(1, 1, 14, 10);
    bubble.set(1, 1, false);
    bubble.set(14, 1, false);
    bubble.set(1, 10, false);
    bubble.set(14, 10, false);
    bubble.addRows(3, 11, {"###", "##", "#"});
    paintShape(p, bubble, {pal::navy, pal::white, pal::white, QColor(0xc8, 0xd8, 0xf0)});
    paintMask(p, letter('i', 6, 2), pal::blue);
    return img;
}

QImage glyphAlbum() {
    QImage img = canvas(16, 16);
    QPainter p(&img);
    // Page block: one-pixel strips right of and below the cover, set one
    // pixel in so the corners stay open.
    fill(p, 2, 2, 13, 13, pal::paper);
    for (int i = 3; i < 14; i += 2) {
        px(p, 14, i, pal::silver);
        px(p, i, 14, pal::silver);
    }
    vline(p, 15, 2, 14, pal::ink);
    hline(p, 2, 14, 15, pal::ink);
    px(p, 14, 1, pal::ink);
    px(p, 1, 14, pal::ink);
    // Front cover with a darker spine strip on the left.
    Mask cover;
    cover.fillRect(2, 1, 11, 12);
    paintShape(p, cover, {pal::ink, pal::navy.lighter(150), QColor(0x6c, 0x8c, 0xe0), pal::navy},
               true);
    vline(p, 3, 2, 11, pal::navy);
    vline(p, 4, 2, 11, QColor(0x6c, 0x8c, 0xe0));
    // A photograph set into the cover.
    frame(p, 6, 3, 6, 6, pal::goldLight);
    landscape(p, 7, 4, 4, 4);
    // Red ribbon hanging below the pages, cut in a swallow tail.
    fill(p, 9, 11, 3, 4, pal::red);
    vline(p, 9, 11, 14, QColor(0xff, 0x70, 0x60));
    px(p, 9, 15, pal::red);
    vline(p, 11, 11, 15, pal::redDark);
    return img;
}

QImage glyphSound() {
    QImage img = canvas(16, 16);
    QPainter p(&img);
    Mask body;
    body.fillRect(2, 6, 3, 4);
    for (int i = 0; i < 4; ++i)
        body.fillRect(5 + i, 5 - i, 1, 6 + 2 * i);
    paintShape(p, body, {pal::ink, pal::silver, pal::white, pal::grey});
    vline(p, 4, 6, 9, pal::grey);
    // Sound waves, two arcs.
    const QColor wave = pal::blue;
    px(p, 10, 5, wave);
    vline(p, 11, 6, 9, wave);
    px(p, 10, 10, wave);
    px(p, 12, 3, wave);
    px(p, 13, 4, wave);
    vline(p, 14, 5, 10, wave);
    px(p, 13, 11, wave);
    px(p, 12, 12, wave);
    return img;
}

QImage glyphThumbnails() {
    QImage img = canvas(16, 16);
    QPainter p(&img);
    struct Scene {
        QColor top, bottom, spot;
    };
    const Scene scenes[4] = {
        {pal::sky, pal::leaf, pal::sun},
        {QColor(0xf8, 0xa8, 0x58), QColor(0x8c, 0x40, 0x58), QColor(0xff, 0xf0, 0x90)},
        {pal::sky, pal::skyDeep, pal::white},
        {QColor(0xd0, 0xe8, 0xf8), QColor(0xf4, 0xf8, 0xff), QColor(0x3c, 0x7c, 0x3c)},
    };
    for (int k = 0; k < 4; ++k) {
        const int x = 1 + (k % 2) * 8;
        const int y = 1 + (k / 2) * 8;
        frame(p, x, y, 6, 6, pal::ink);
        fill(p, x + 1, y + 1, 4, 2, scenes[k].top);
        fill(p, x + 1, y + 3, 4, 2, scenes[k].bottom);
        px(p, x + 3, y + 1, scenes[k].spot);
    }
    return img;
}

QImage paintGlyph(int index) {
    switch (index) {
    case 0:
        return glyphExit();
    case 1:
        return glyphBack();
    case 2:
        return glyphSlideShow();
    case 3:
        return glyphNext();
    case 4:
        return glyphStar();
    case 5:
        return glyphInformation();
    case 6:
        return glyphAlbum();
    case 7:
        return glyphSound();
    case 8:
        return glyphThumbnails();
    case 9:
        return glyphWallpaper();
    case 10:
        return glyphSheet('B');
    case 11:
        return glyphCentre();
    case 12:
        return glyphTile();
    case 13:
        return glyphSheet('J');
    case 14:
    case 15:
    case 16:
    case 17:
    case 18:
        return glyphTimer(index - 14);
    case 19:
        return glyphClock();
    case 20:
        return glyphSheet('R');
    case 21:
        return glyphSheet('T');
    case 22:
        return glyphCopy();
    case 23:
        return glyphMinimise();
    default:
        return canvas(16, 16);
    }
}

} // namespace art
