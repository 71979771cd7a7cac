// The splash artwork (a navy leather album cover with mounted prints), its
// corner emblem and the program icon at 16 and 32 pixels.
#include "artwork.h"
#include "raster.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <random>

namespace art {

namespace {

const QColor kLeather(0x1e, 0x2e, 0x5c);
const QColor kLeatherDark(0x12, 0x1c, 0x3e);
const QColor kLeatherLight(0x2c, 0x40, 0x78);
const QColor kGold(0xe8, 0xc0, 0x5c);
const QColor kGoldDark(0x9c, 0x74, 0x24);
const QColor kCream(0xf4, 0xec, 0xd4);

// A colour between a and b; t is rounded to one of steps levels so gradients
// come out in bands, as on a 256-colour display.
QColor band(const QColor& a, const QColor& b, double t, int steps) {
    t = std::clamp(std::round(t * (steps - 1)) / (steps - 1), 0.0, 1.0);
    return QColor(int(a.red() + (b.red() - a.red()) * t),
                  int(a.green() + (b.green() - a.green()) * t),
                  int(a.blue() + (b.blue() - a.blue()) * t));
}

// Leather: a banded vertical gradient with a sparse fixed-seed grain.
void leather(QPainter& p, const QRect& r) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        p.fillRect(r.left(), y, r.width(), 1,
                   band(kLeatherLight, kLeatherDark, double(y - r.top()) / r.height(), 12));
    std::minstd_rand rng(7);
    std::uniform_int_distribution<int> pick(0, 99);
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const int v = pick(rng);
            if (v < 6)
                px(p, x, y, QColor(0, 0, 0, 40));
            else if (v > 95)
                px(p, x, y, QColor(255, 255, 255, 18));
        }
}

// Picture painted inside a print: 0 mountain lake, 1 sunset at sea, 2 tree on a hill.
void scene(QPainter& p, const QRectF& r, int kind) {
    p.save();
    p.setClipRect(r);
    p.setPen(Qt::NoPen);
    const double x = r.x(), y = r.y(), w = r.width(), h = r.height();
    if (kind == 0) {
        QLinearGradient sky(r.topLeft(), r.bottomLeft());
        sky.setColorAt(0, QColor(0x5c, 0x9c, 0xe4));
        sky.setColorAt(0.6, QColor(0xcc, 0xe4, 0xf8));
        p.fillRect(r, sky);
        QPainterPath far;
        far.moveTo(x, y + h * 0.62);
        far.lineTo(x + w * 0.30, y + h * 0.22);
        far.lineTo(x + w * 0.55, y + h * 0.50);
        far.lineTo(x + w * 0.75, y + h * 0.30);
        far.lineTo(x + w, y + h * 0.58);
        far.lineTo(x + w, y + h * 0.62);
        p.fillPath(far, QColor(0x6c, 0x7c, 0x9c));
        QPainterPath snow;
        snow.moveTo(x + w * 0.30, y + h * 0.22);
        snow.lineTo(x + w * 0.22, y + h * 0.33);
        snow.lineTo(x + w * 0.28, y + h * 0.31);
        snow.lineTo(x + w * 0.33, y + h * 0.35);
        snow.lineTo(x + w * 0.38, y + h * 0.30);
        snow.closeSubpath();
        p.fillPath(snow, Qt::white);
        p.fillRect(QRectF(x, y + h * 0.62, w, h * 0.38), QColor(0x2c, 0x6c, 0xa8));
        p.fillRect(QRectF(x, y + h * 0.60, w, h * 0.05), QColor(0x3c, 0x7c, 0x3c));
        p.fillRect(QRectF(x + w * 0.15, y + h * 0.75, w * 0.3, 1.2), QColor(0x8c, 0xbc, 0xe8));
        p.fillRect(QRectF(x + w * 0.5, y + h * 0.86, w * 0.35, 1.2), QColor(0x8c, 0xbc, 0xe8));
    } else if (kind == 1) {
        QLinearGradient sky(r.topLeft(), r.bottomLeft());
        sky.setColorAt(0, QColor(0x4c, 0x2c, 0x6c));
        sky.setColorAt(0.45, QColor(0xe8, 0x70, 0x4c));
        sky.setColorAt(0.62, QColor(0xfc, 0xcc, 0x70));
        p.fillRect(r, sky);
        p.setBrush(QColor(0xff, 0xf0, 0xb0));
        p.drawEllipse(QPointF(x + w * 0.58, y + h * 0.60), w * 0.13, w * 0.13);
        QLinearGradient sea(QPointF(x, y + h * 0.62), r.bottomLeft());
        sea.setColorAt(0, QColor(0x8c, 0x4c, 0x5c));
        sea.setColorAt(1, QColor(0x2c, 0x1c, 0x44));
        p.fillRect(QRectF(x, y + h * 0.62, w, h * 0.38), sea);
        for (int i = 0; i < 4; ++i)
            p.fillRect(QRectF(x + w * (0.50 - i * 0.03), y + h * (0.68 + i * 0.08),
                              w * (0.16 + i * 0.06), 1.5),
                       QColor(0xff, 0xd8, 0x90));
    } else {
        QLinearGradient sky(r.topLeft(), r.bottomLeft());
        sky.setColorAt(0, QColor(0x84, 0xc0, 0xf0));
        sky.setColorAt(1, QColor(0xe0, 0xf0, 0xfc));
        p.fillRect(r, sky);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(x + w * 0.25, y + h * 0.22), w * 0.10, h * 0.06);
        p.drawEllipse(QPointF(x + w * 0.34, y + h * 0.20), w * 0.09, h * 0.08);
        QPainterPath hill;
        hill.moveTo(x, y + h * 0.70);
        hill.quadTo(x + w * 0.55, y + h * 0.40, x + w, y + h * 0.62);
        hill.lineTo(x + w, y + h);
        hill.lineTo(x, y + h);
        hill.closeSubpath();
        p.fillPath(hill, QColor(0x5c, 0xa8, 0x3c));
        p.fillRect(QRectF(x + w * 0.62, y + h * 0.34, w * 0.05, h * 0.22),
                   QColor(0x6c, 0x44, 0x24));
        p.setBrush(QColor(0x2c, 0x7c, 0x2c));
        p.drawEllipse(QPointF(x + w * 0.645, y + h * 0.30), w * 0.14, h * 0.17);
        p.setBrush(QColor(0x44, 0x98, 0x3c));
        p.drawEllipse(QPointF(x + w * 0.61, y + h * 0.26), w * 0.07, h * 0.08);
        p.setBrush(QColor(0xf4, 0xe0, 0x50));
        for (int i = 0; i < 6; ++i)
            p.drawEllipse(QPointF(x + w * (0.08 + i * 0.09), y + h * (0.82 + (i % 2) * 0.08)), 1.3,
                          1.3);
    }
    p.restore();
}

// A print with a white border and a soft shadow, rotated about its centre;
// corners adds the black paper photo corners that hold it to the page.
void print(QPainter& p, QPointF centre, double degrees, QSizeF size, int kind, bool corners) {
    p.save();
    p.translate(centre);
    p.rotate(degrees);
    const QRectF r(-size.width() / 2, -size.height() / 2, size.width(), size.height());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRect(r.translated(3, 4));
    p.setBrush(QColor(0, 0, 0, 50));
    p.drawRect(r.translated(2, 2));
    p.setBrush(QColor(0xfc, 0xfa, 0xf2));
    p.drawRect(r);
    scene(p, r.adjusted(5, 5, -5, -5), kind);
    if (corners) {
        const double c = 11;
        p.setBrush(QColor(0x18, 0x18, 0x1c));
        for (int k = 0; k < 4; ++k) {
            const double sx = (k % 2) ? 1 : -1;
            const double sy = (k / 2) ? 1 : -1;
            const QPointF o(sx * (r.width() / 2 + 1), sy * (r.height() / 2 + 1));
            QPolygonF tri;
            tri << o << o - QPointF(sx * c, 0) << o - QPointF(0, sy * c);
            p.drawPolygon(tri);
        }
    }
    p.restore();
}

} // namespace

QImage paintSplash() {
    const int w = 340, h = 180;
    QImage img = canvas(w, h);
    QPainter p(&img);
    leather(p, img.rect());
    // Double gold rule inset from the edge, like a tooled album cover.
    // The inner rule at inset 6 leaves two pixels round the emblem the program
    // draws at (315, 155).
    frame(p, 2, 2, w - 4, h - 4, kGoldDark);
    frame(p, 3, 3, w - 6, h - 6, kGold);
    frame(p, 6, 6, w - 12, h - 12, kGoldDark);
    // Spine shadow on the left edge.
    for (int x = 0; x < 4; ++x)
        vline(p, x, 0, h - 1, QColor(0, 0, 0, 110 - x * 25));

    p.setRenderHint(QPainter::Antialiasing, true);
    print(p, QPointF(70, 58), -9.0, QSizeF(82, 62), 1, false);
    print(p, QPointF(128, 56), 7.0, QSizeF(82, 62), 2, false);
    print(p, QPointF(98, 70), -1.5, QSizeF(90, 68), 0, true);

    // Title: the name in Mincho, the edition in Gothic.
    p.setRenderHint(QPainter::TextAntialiasing, true);
    QFont title("IPAPMincho");
    title.setPixelSize(46);
    title.setBold(true);
    title.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(title);
    const QRect titleBox(178, 22, 150, 52);
    p.setPen(QColor(0, 0, 0, 150));
    p.drawText(titleBox.translated(2, 2), Qt::AlignLeft | Qt::AlignVCenter, "SORU");
    p.setPen(kGold);
    p.drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter, "SORU");
    p.setPen(Qt::NoPen);
    p.fillRect(QRect(180, 78, 136, 1), kGoldDark);
    p.fillRect(QRect(180, 79, 136, 1), QColor(0xff, 0xe8, 0xa0, 90));
    QFont edition("IPAPGothic");
    edition.setPixelSize(15);
    edition.setItalic(true);
    edition.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    p.setFont(edition);
    p.setPen(kCream);
    p.drawText(QRect(180, 82, 136, 22), Qt::AlignRight | Qt::AlignVCenter, "for win32");

    // The request to wait, just above the band the progress bar is laid over
    // (x 46..304, y 131..139), which is left plain.
    // Centred over the bar; the line is a little wider than the bar itself.
    QFont message("IPAPGothic");
    message.setPixelSize(12);
    p.setFont(message);
    const QString wait = QString::fromUtf8("アルバムを読み込んでいます。しばらくお待ちください。");
    const QRect messageBox(14, 112, 312, 16);
    p.setPen(QColor(0, 0, 0, 140));
    p.drawText(messageBox.translated(1, 1), Qt::AlignHCenter | Qt::AlignVCenter, wait);
    p.setPen(kCream);
    p.drawText(messageBox, Qt::AlignHCenter | Qt::AlignVCenter, wait);
    p.end();
    // Kept to 256 colours, the depth such start-up pictures were made for.
    return reducePalette(img, 256);
}

QImage paintEmblem() {
    QImage img = canvas(16, 16);
    QPainter p(&img);
    // A mounted print: white border, tiny landscape, gold photo corners.
    fill(p, 1, 2, 14, 12, pal::white);
    frame(p, 0, 1, 16, 14, pal::ink);
    landscape(p, 3, 4, 10, 8);
    for (int k = 0; k < 4; ++k) {
        const int cx = (k % 2) ? 14 : 1;
        const int cy = (k / 2) ? 12 : 2;
        const int sx = (k % 2) ? -1 : 1;
        const int sy = (k / 2) ? -1 : 1;
        px(p, cx, cy, kGold);
        px(p, cx + sx, cy, kGold);
        px(p, cx, cy + sy, kGold);
    }
    return img;
}

QImage paintIcon(int size) {
    QImage img = canvas(size, size);
    QPainter p(&img);
    if (size < 32) {
        // Navy album with the print on its cover, pages showing right and below.
        fill(p, 2, 2, 13, 13, pal::paper);
        for (int i = 4; i < 14; i += 2) {
            px(p, 14, i, pal::silver);
            px(p, i, 14, pal::silver);
        }
        vline(p, 15, 2, 15, pal::ink);
        hline(p, 2, 15, 15, pal::ink);
        hline(p, 13, 14, 2, pal::ink);
        vline(p, 2, 13, 14, pal::ink);
        fill(p, 1, 1, 12, 12, kLeather);
        frame(p, 0, 0, 14, 14, pal::ink);
        vline(p, 1, 1, 12, kLeatherDark);
        vline(p, 2, 1, 12, kLeatherLight);
        fill(p, 4, 3, 8, 8, pal::white);
        landscape(p, 5, 4, 6, 6);
        px(p, 4, 3, kGold);
        px(p, 11, 3, kGold);
        px(p, 4, 10, kGold);
        px(p, 11, 10, kGold);
        return img;
    }
    // 32 pixels: the same album, with room for gold tooling and photo corners.
    // Page block: two-pixel strips right of and below the cover.
    fill(p, 3, 3, 27, 27, pal::paper);
    vline(p, 29, 4, 29, pal::silver);
    hline(p, 4, 29, 29, pal::silver);
    vline(p, 30, 3, 30, pal::ink);
    hline(p, 3, 30, 30, pal::ink);
    hline(p, 28, 29, 3, pal::ink);
    vline(p, 3, 28, 29, pal::ink);
    QRect cover(2, 2, 26, 26);
    for (int y = cover.top(); y <= cover.bottom(); ++y)
        hline(p, cover.left(), cover.right(), y,
              band(kLeatherLight, kLeatherDark, double(y - cover.top()) / cover.height(), 6));
    frame(p, cover.x(), cover.y(), cover.width(), cover.height(), pal::ink);
    vline(p, 4, 3, 26, kLeatherDark);
    vline(p, 5, 3, 26, kLeatherLight);
    frame(p, 7, 4, 19, 22, kGoldDark);
    // The print.
    fill(p, 9, 7, 15, 13, QColor(0xfc, 0xfa, 0xf2));
    p.setRenderHint(QPainter::Antialiasing, true);
    scene(p, QRectF(10, 8, 13, 11), 0);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int k = 0; k < 4; ++k) {
        const int cx = (k % 2) ? 23 : 9;
        const int cy = (k / 2) ? 19 : 7;
        const int sx = (k % 2) ? -1 : 1;
        const int sy = (k / 2) ? -1 : 1;
        px(p, cx, cy, kGold);
        px(p, cx + sx, cy, kGold);
        px(p, cx, cy + sy, kGold);
        px(p, cx + 2 * sx, cy, kGoldDark);
        px(p, cx, cy + 2 * sy, kGoldDark);
    }
    // Title plate below the print.
    hline(p, 11, 21, 22, kGold);
    // Red ribbon from the bottom edge.
    fill(p, 22, 27, 3, 4, pal::red);
    vline(p, 22, 27, 31, QColor(0xff, 0x70, 0x60));
    vline(p, 24, 27, 31, pal::redDark);
    return img;
}

} // namespace art
