// The pictures of the information window: the close cross, the envelope of
// the mail link, the home-page banner and the CLICK sign above it.
#include "artwork.h"
#include "raster.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace art {

namespace {

// The album-cover colours of the splash, so the banner reads as the same program.
const QColor kLeather(0x1e, 0x2e, 0x5c);
const QColor kLeatherDark(0x12, 0x1c, 0x3e);
const QColor kLeatherLight(0x2c, 0x40, 0x78);
const QColor kGold(0xe8, 0xc0, 0x5c);
const QColor kGoldDark(0x9c, 0x74, 0x24);
const QColor kCream(0xf4, 0xec, 0xd4);

// The accent colour of the window's headings and fortune line.
const QColor kAccent(136, 0, 68);
const QColor kAccentLight(0xc8, 0x3c, 0x84);

QColor mix(const QColor& a, const QColor& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return QColor(int(std::lround(a.red() + (b.red() - a.red()) * t)),
                  int(std::lround(a.green() + (b.green() - a.green()) * t)),
                  int(std::lround(a.blue() + (b.blue() - a.blue()) * t)));
}

// Paints the rows of a character picture: each character of rows that has
// a colour in the legend sets one pixel; others are left as they are.
void paintRows(QPainter& p, int x, int y, std::initializer_list<const char*> rows,
               std::initializer_list<std::pair<char, QColor>> legend) {
    int j = y;
    for (const char* row : rows) {
        for (int i = 0; row[i] != '\0'; ++i)
            for (const auto& [key, colour] : legend)
                if (row[i] == key)
                    px(p, x + i, j, colour);
        ++j;
    }
}

} // namespace

QImage paintInfoClose() {
    // A bold white cross on black, seven pixels wide, centred.
    QImage img = canvas(11, 11);
    QPainter p(&img);
    fill(p, 0, 0, 11, 11, Qt::black);
    paintRows(p, 0, 0,
              {
                  "...........",
                  "...........",
                  "..##...##..",
                  "..###.###..",
                  "...#####...",
                  "....###....",
                  "...#####...",
                  "..###.###..",
                  "..##...##..",
                  "...........",
                  "...........",
              },
              {{'#', pal::white}});
    return img;
}

QImage paintInfoMail() {
    // A white envelope with its flap, meant to stand on a black line.
    QImage img = canvas(14, 10);
    QPainter p(&img);
    const QColor edge = pal::grey;
    const QColor flap = pal::slate;
    const QColor shade = pal::silver;
    paintRows(p, 0, 0,
              {
                  "oooooooooooooo",
                  "ofwwwwwwwwwwfo",
                  "owffwwwwwwffwo",
                  "owwwffwwffwwwo",
                  "owwwwwffwwwwwo",
                  "owwwwwwwwwwwwo",
                  "owwwwwwwwwwwwo",
                  "owwwwwwwwwwwso",
                  "osssssssssssso",
                  "oooooooooooooo",
              },
              {{'o', edge}, {'w', pal::white}, {'f', flap}, {'s', shade}});
    return img;
}

QImage paintInfoBanner() {
    const int w = 88, h = 31;
    QImage img = canvas(w, h);
    QPainter p(&img);
    // Leather ground in bands, a dark edge and a gold rule inside it.
    for (int y = 0; y < h; ++y)
        hline(p, 0, w - 1, y, mix(kLeatherLight, kLeatherDark, double(y) / (h - 1)));
    frame(p, 0, 0, w, h, pal::ink);
    frame(p, 2, 2, w - 4, h - 4, kGoldDark);

    // A mounted print at the left, as on the album's cover.
    fill(p, 6, 6, 21, 19, QColor(0xfc, 0xfa, 0xf2));
    hline(p, 7, 27, 25, kLeatherDark);
    vline(p, 27, 7, 25, kLeatherDark);
    landscape(p, 8, 8, 17, 15);
    for (int k = 0; k < 4; ++k) {
        const int cx = (k % 2) ? 26 : 6;
        const int cy = (k / 2) ? 24 : 6;
        const int sx = (k % 2) ? -1 : 1;
        const int sy = (k / 2) ? -1 : 1;
        px(p, cx, cy, kGold);
        px(p, cx + sx, cy, kGold);
        px(p, cx, cy + sy, kGold);
    }

    // The name, and what the banner leads to.
    p.setRenderHint(QPainter::TextAntialiasing, true);
    QFont name("DejaVu Serif");
    name.setPixelSize(15);
    name.setBold(true);
    p.setFont(name);
    const QRect nameBox(31, 3, 53, 16);
    p.setPen(QColor(0, 0, 0, 160));
    p.drawText(nameBox.translated(1, 1), Qt::AlignHCenter | Qt::AlignVCenter, "SORU");
    p.setPen(kGold);
    p.drawText(nameBox, Qt::AlignHCenter | Qt::AlignVCenter, "SORU");
    hline(p, 34, 81, 19, kGoldDark);
    QFont sub("DejaVu Sans");
    sub.setPixelSize(8);
    sub.setBold(true);
    p.setFont(sub);
    p.setPen(kCream);
    p.drawText(QRect(31, 20, 53, 9), Qt::AlignHCenter | Qt::AlignVCenter, "HOME PAGE");
    p.end();
    return img;
}

QImage paintInfoClick() {
    // "CLICK" over an arrow whose tip touches the bottom edge, where the
    // banner begins; transparent ground, the window's panel is white.
    const int w = 64, h = 50;
    QImage img = canvas(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    QFont word("DejaVu Sans");
    word.setPixelSize(17);
    word.setBold(true);
    p.setFont(word);
    const QRect wordBox(0, 0, w, 20);
    p.setPen(QColor(0, 0, 0, 50));
    p.drawText(wordBox.translated(1, 1), Qt::AlignHCenter | Qt::AlignVCenter, "CLICK");
    p.setPen(kAccent);
    p.drawText(wordBox, Qt::AlignHCenter | Qt::AlignVCenter, "CLICK");

    // The arrow: a shaft and a wide head, in a vertical gradient of the accent.
    QPainterPath arrow;
    arrow.moveTo(28, 22);
    arrow.lineTo(36, 22);
    arrow.lineTo(36, 36);
    arrow.lineTo(44, 36);
    arrow.lineTo(32, 50);
    arrow.lineTo(20, 36);
    arrow.lineTo(28, 36);
    arrow.closeSubpath();
    QLinearGradient g(0, 22, 0, 50);
    g.setColorAt(0, kAccentLight);
    g.setColorAt(1, kAccent);
    p.setPen(Qt::NoPen);
    p.fillPath(arrow.translated(1, 0), QColor(0, 0, 0, 40));
    p.fillPath(arrow, g);
    return img;
}

} // namespace art
