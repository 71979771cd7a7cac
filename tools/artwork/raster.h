#pragma once
// Pixel-level drawing helpers for the 16 x 16 glyphs and the cursors: a one-bit
// mask to build shapes from, and routines that paint a mask with an outline
// and a one-pixel bevel so every glyph shares the same lighting.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <initializer_list>
#include <vector>

namespace art {

// The resolution pictures are painted at: device pixels per logical pixel
// (1, 2 or 3). Every routine below takes logical coordinates; canvases and
// masks made while a scale is in force hold that many device pixels per
// logical one, so outlines, bevels and paths are drawn at the finer grid.
int scale();
class ScaleScope {
public:
    explicit ScaleScope(int scale);
    ~ScaleScope();
    ScaleScope(const ScaleScope&) = delete;
    ScaleScope& operator=(const ScaleScope&) = delete;

private:
    int previous_;
};

class Mask {
public:
    explicit Mask(int width = 16, int height = 16);

    // Logical size; the mask holds width() * scale() x height() * scale() dots.
    int width() const { return w_; }
    int height() const { return h_; }
    int scale() const { return s_; }
    // Device dots.
    bool dot(int x, int y) const;
    void setDot(int x, int y, bool on = true);
    // Logical pixels: at() reads the pixel's top-left dot, set() the whole block.
    bool at(int x, int y) const { return dot(x * s_, y * s_); }
    void set(int x, int y, bool on = true);
    void fillRect(int x, int y, int w, int h, bool on = true);
    // Sets the pixels whose centres lie inside the path.
    void addPath(const QPainterPath& path);
    // Sets a pixel for every '#' in rows, the first row at y, the first column at x.
    void addRows(int x, int y, std::initializer_list<const char*> rows);

    Mask mirrored() const; // left to right
    Mask translated(int dx, int dy) const; // by logical pixels
    // The ring one logical pixel wide just outside the mask; with diagonal,
    // corners are included (square), without they are rounded off.
    Mask outline(bool diagonal) const;
    Mask operator|(const Mask& other) const;
    Mask operator-(const Mask& other) const;
    int count() const; // dots

private:
    int w_, h_, s_;
    int dw_, dh_;
    std::vector<unsigned char> bits_;
};

// Colours of a shape: its outline, body, highlight (upper-left) and shade (lower-right).
struct Style {
    QColor outline, fill, light, dark;
};

// A transparent width x height logical canvas at the current scale, its
// device pixel ratio set so a QPainter on it works in logical pixels.
QImage canvas(int width, int height);
void px(QPainter& p, int x, int y, const QColor& c);
void hline(QPainter& p, int x0, int x1, int y, const QColor& c);
void vline(QPainter& p, int x, int y0, int y1, const QColor& c);
// One-pixel frame around the w x h rectangle at (x, y).
void frame(QPainter& p, int x, int y, int w, int h, const QColor& c);
void fill(QPainter& p, int x, int y, int w, int h, const QColor& c);

void paintMask(QPainter& p, const Mask& m, const QColor& c);
// Outline, body and bevel. diagonal selects square (true) or softened corners.
void paintShape(QPainter& p, const Mask& m, const Style& s, bool diagonal = false);

// Bold 6 x 8 capitals and the letter i for the file and information glyphs.
Mask letter(char c, int x, int y);

// The opaque image reduced to at most colours colours (median cut, nearest
// colour, no dithering), as an 8-bit indexed image.
QImage reducePalette(const QImage& image, int colours);

// A tiny landscape (sky, hill, sun) filling the rectangle; used inside frames.
void landscape(QPainter& p, int x, int y, int w, int h);

namespace pal {
inline const QColor ink{0x1c, 0x1c, 0x24};
inline const QColor white{0xff, 0xff, 0xff};
inline const QColor paper{0xfb, 0xfb, 0xf6};
inline const QColor silver{0xd4, 0xd4, 0xd0};
inline const QColor grey{0x9a, 0x9a, 0xa0};
inline const QColor slate{0x5e, 0x62, 0x6c};
inline const QColor sky{0x8c, 0xc4, 0xf0};
inline const QColor skyDeep{0x4a, 0x90, 0xd8};
inline const QColor leaf{0x4c, 0xa8, 0x3c};
inline const QColor leafDark{0x2e, 0x78, 0x26};
inline const QColor sun{0xff, 0xd8, 0x30};
inline const QColor red{0xd8, 0x28, 0x28};
inline const QColor redDark{0x8c, 0x10, 0x14};
inline const QColor navy{0x18, 0x2c, 0x70};
inline const QColor blue{0x2c, 0x66, 0xd0};
inline const QColor blueLight{0x84, 0xb4, 0xf4};
inline const QColor green{0x2c, 0xa4, 0x3c};
inline const QColor greenLight{0x8c, 0xdc, 0x7c};
inline const QColor greenDark{0x10, 0x5c, 0x1c};
inline const QColor wood{0xa8, 0x68, 0x30};
inline const QColor woodLight{0xd4, 0x98, 0x58};
inline const QColor woodDark{0x64, 0x38, 0x14};
inline const QColor gold{0xf4, 0xc0, 0x20};
inline const QColor goldLight{0xff, 0xec, 0x8c};
inline const QColor goldDark{0x9c, 0x68, 0x08};
} // namespace pal

} // namespace art
