#include "raster.h"

#include <QHash>

#include <algorithm>
#include <climits>
#include <cmath>

namespace art {

namespace {
int gScale = 1;
} // namespace

int scale() {
    return gScale;
}

ScaleScope::ScaleScope(int scale) : previous_(gScale) {
    gScale = scale;
}

ScaleScope::~ScaleScope() {
    gScale = previous_;
}

Mask::Mask(int width, int height)
    : w_(width), h_(height), s_(gScale), dw_(width * gScale), dh_(height * gScale),
      bits_(size_t(dw_ * dh_), 0) {}

bool Mask::dot(int x, int y) const {
    if (x < 0 || y < 0 || x >= dw_ || y >= dh_)
        return false;
    return bits_[size_t(y * dw_ + x)] != 0;
}

void Mask::setDot(int x, int y, bool on) {
    if (x < 0 || y < 0 || x >= dw_ || y >= dh_)
        return;
    bits_[size_t(y * dw_ + x)] = on ? 1 : 0;
}

void Mask::set(int x, int y, bool on) {
    for (int j = 0; j < s_; ++j)
        for (int i = 0; i < s_; ++i)
            setDot(x * s_ + i, y * s_ + j, on);
}

void Mask::fillRect(int x, int y, int w, int h, bool on) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            set(i, j, on);
}

void Mask::addPath(const QPainterPath& path) {
    // Rasterised at the device grid: a dot is set when its centre is inside.
    QImage img(dw_, dh_, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.scale(s_, s_);
        p.fillPath(path, Qt::black);
    }
    for (int y = 0; y < dh_; ++y)
        for (int x = 0; x < dw_; ++x)
            if (qAlpha(img.pixel(x, y)) > 0)
                setDot(x, y);
}

void Mask::addRows(int x, int y, std::initializer_list<const char*> rows) {
    int j = y;
    for (const char* row : rows) {
        for (int i = 0; row[i] != '\0'; ++i)
            if (row[i] == '#')
                set(x + i, j);
        ++j;
    }
}

Mask Mask::mirrored() const {
    Mask m = *this;
    for (int y = 0; y < dh_; ++y)
        for (int x = 0; x < dw_; ++x)
            m.setDot(dw_ - 1 - x, y, dot(x, y));
    return m;
}

Mask Mask::translated(int dx, int dy) const {
    Mask m = *this;
    std::fill(m.bits_.begin(), m.bits_.end(), 0);
    for (int y = 0; y < dh_; ++y)
        for (int x = 0; x < dw_; ++x)
            if (dot(x, y))
                m.setDot(x + dx * s_, y + dy * s_);
    return m;
}

Mask Mask::outline(bool diagonal) const {
    // Dots within one logical pixel of the mask: a square neighbourhood with
    // diagonal, a disc without (at scale 1, the four side neighbours).
    Mask m = *this;
    std::fill(m.bits_.begin(), m.bits_.end(), 0);
    for (int y = 0; y < dh_; ++y)
        for (int x = 0; x < dw_; ++x) {
            if (dot(x, y))
                continue;
            bool touch = false;
            for (int j = -s_; j <= s_ && !touch; ++j)
                for (int i = -s_; i <= s_ && !touch; ++i)
                    if ((diagonal || i * i + j * j <= s_ * s_) && dot(x + i, y + j))
                        touch = true;
            m.setDot(x, y, touch);
        }
    return m;
}

Mask Mask::operator|(const Mask& other) const {
    Mask m = *this;
    for (int y = 0; y < dh_; ++y)
        for (int x = 0; x < dw_; ++x)
            if (other.dot(x, y))
                m.setDot(x, y);
    return m;
}

Mask Mask::operator-(const Mask& other) const {
    Mask m = *this;
    for (int y = 0; y < dh_; ++y)
        for (int x = 0; x < dw_; ++x)
            if (other.dot(x, y))
                m.setDot(x, y, false);
    return m;
}

int Mask::count() const {
    return int(std::count(bits_.begin(), bits_.end(), 1));
}

QImage canvas(int width, int height) {
    QImage img(width * gScale, height * gScale, QImage::Format_ARGB32);
    img.setDevicePixelRatio(gScale);
    img.fill(Qt::transparent);
    return img;
}

void px(QPainter& p, int x, int y, const QColor& c) {
    p.fillRect(x, y, 1, 1, c);
}

void hline(QPainter& p, int x0, int x1, int y, const QColor& c) {
    p.fillRect(std::min(x0, x1), y, std::abs(x1 - x0) + 1, 1, c);
}

void vline(QPainter& p, int x, int y0, int y1, const QColor& c) {
    p.fillRect(x, std::min(y0, y1), 1, std::abs(y1 - y0) + 1, c);
}

void frame(QPainter& p, int x, int y, int w, int h, const QColor& c) {
    hline(p, x, x + w - 1, y, c);
    hline(p, x, x + w - 1, y + h - 1, c);
    vline(p, x, y, y + h - 1, c);
    vline(p, x + w - 1, y, y + h - 1, c);
}

void fill(QPainter& p, int x, int y, int w, int h, const QColor& c) {
    p.fillRect(x, y, w, h, c);
}

namespace {

// Each dot of m that colourAt gives a colour for, painted as one device pixel.
template <typename ColourAt>
void paintDots(QPainter& p, const Mask& m, ColourAt colourAt) {
    const int s = m.scale();
    QImage dots(m.width() * s, m.height() * s, QImage::Format_ARGB32);
    dots.fill(Qt::transparent);
    bool any = false;
    for (int y = 0; y < dots.height(); ++y)
        for (int x = 0; x < dots.width(); ++x)
            if (m.dot(x, y)) {
                dots.setPixel(x, y, colourAt(x, y).rgba());
                any = true;
            }
    if (!any)
        return;
    dots.setDevicePixelRatio(s);
    p.drawImage(QPoint(0, 0), dots);
}

} // namespace

void paintMask(QPainter& p, const Mask& m, const QColor& c) {
    paintDots(p, m, [&](int, int) { return c; });
}

void paintShape(QPainter& p, const Mask& m, const Style& s, bool diagonal) {
    paintMask(p, m.outline(diagonal), s.outline);
    // The bevel is one logical pixel deep: scale() dots at the finer grid.
    const int d = m.scale();
    paintDots(p, m, [&](int x, int y) {
        bool dark = false, light = false;
        for (int k = 1; k <= d; ++k) {
            dark = dark || !m.dot(x + k, y) || !m.dot(x, y + k);
            light = light || !m.dot(x - k, y) || !m.dot(x, y - k);
        }
        return light ? s.light : dark ? s.dark : s.fill;
    });
}

Mask letter(char c, int x, int y) {
    Mask m;
    switch (c) {
    case 'B':
        m.addRows(x, y,
                  {"#####.", "##..##", "##..##", "#####.", "##..##", "##..##", "##..##", "#####."});
        break;
    case 'J':
        m.addRows(x, y,
                  {"..####", "....##", "....##", "....##", "....##", "##..##", "##..##", ".####."});
        break;
    case 'R':
        m.addRows(x, y,
                  {"#####.", "##..##", "##..##", "#####.", "####..", "##.##.", "##..##", "##..##"});
        break;
    case 'T':
        m.addRows(x, y,
                  {"######", "######", "..##..", "..##..", "..##..", "..##..", "..##..", "..##.."});
        break;
    case 'i':
        m.addRows(x, y, {".##.", ".##.", "....", "###.", ".##.", ".##.", ".##.", "####"});
        break;
    default:
        break;
    }
    return m;
}

namespace {

struct ColourCount {
    QRgb rgb;
    int count;
};

int channel(QRgb c, int which) {
    return which == 0 ? qRed(c) : which == 1 ? qGreen(c) : qBlue(c);
}

} // namespace

QImage reducePalette(const QImage& image, int colours) {
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> histogram;
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            ++histogram[src.pixel(x, y) | 0xff000000u];
    std::vector<ColourCount> all;
    for (auto it = histogram.cbegin(); it != histogram.cend(); ++it)
        all.push_back({it.key(), it.value()});
    // QHash order changes from run to run; sort so the palette does not.
    std::sort(all.begin(), all.end(),
              [](const ColourCount& l, const ColourCount& r) { return l.rgb < r.rgb; });

    // Boxes are ranges of `all`; split the one with the widest channel at its
    // pixel-weighted median until there are enough boxes.
    struct Box {
        size_t begin, end;
    };
    std::vector<Box> boxes{{0, all.size()}};
    auto spread = [&](const Box& b, int& which) {
        int best = -1;
        for (int ch = 0; ch < 3; ++ch) {
            int lo = 255, hi = 0;
            for (size_t i = b.begin; i < b.end; ++i) {
                lo = std::min(lo, channel(all[i].rgb, ch));
                hi = std::max(hi, channel(all[i].rgb, ch));
            }
            if (hi - lo > best) {
                best = hi - lo;
                which = ch;
            }
        }
        return best;
    };
    while (int(boxes.size()) < colours) {
        int pick = -1, pickChannel = 0, pickSpread = 0;
        for (size_t k = 0; k < boxes.size(); ++k) {
            int ch = 0;
            const int s = boxes[k].end - boxes[k].begin > 1 ? spread(boxes[k], ch) : 0;
            if (s > pickSpread) {
                pickSpread = s;
                pick = int(k);
                pickChannel = ch;
            }
        }
        if (pick < 0)
            break;
        Box& b = boxes[size_t(pick)];
        std::sort(all.begin() + long(b.begin), all.begin() + long(b.end),
                  [&](const ColourCount& l, const ColourCount& r) {
                      const int a = channel(l.rgb, pickChannel), b = channel(r.rgb, pickChannel);
                      return a != b ? a < b : l.rgb < r.rgb;
                  });
        long total = 0;
        for (size_t i = b.begin; i < b.end; ++i)
            total += all[i].count;
        long run = 0;
        size_t cut = b.begin + 1;
        for (size_t i = b.begin; i < b.end - 1; ++i) {
            run += all[i].count;
            cut = i + 1;
            if (run * 2 >= total)
                break;
        }
        const Box upper{cut, b.end};
        b.end = cut;
        boxes.push_back(upper);
    }

    QList<QRgb> table;
    for (const Box& b : boxes) {
        double r = 0, g = 0, bl = 0, n = 0;
        for (size_t i = b.begin; i < b.end; ++i) {
            r += qRed(all[i].rgb) * double(all[i].count);
            g += qGreen(all[i].rgb) * double(all[i].count);
            bl += qBlue(all[i].rgb) * double(all[i].count);
            n += all[i].count;
        }
        table.push_back(
            qRgb(int(std::lround(r / n)), int(std::lround(g / n)), int(std::lround(bl / n))));
    }

    QImage out(src.size(), QImage::Format_Indexed8);
    out.setColorTable(table);
    QHash<QRgb, int> nearest;
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) {
            const QRgb c = src.pixel(x, y) | 0xff000000u;
            auto it = nearest.find(c);
            if (it == nearest.end()) {
                int best = 0, bestDistance = INT_MAX;
                for (int i = 0; i < table.size(); ++i) {
                    const int dr = qRed(c) - qRed(table[i]);
                    const int dg = qGreen(c) - qGreen(table[i]);
                    const int db = qBlue(c) - qBlue(table[i]);
                    const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
                    if (d < bestDistance) {
                        bestDistance = d;
                        best = i;
                    }
                }
                it = nearest.insert(c, best);
            }
            out.setPixel(x, y, uint(it.value()));
        }
    return out;
}

void landscape(QPainter& p, int x, int y, int w, int h) {
    // Sky over a hill: the lower third is grass, one pixel row of darker hill
    // separates them, and a sun sits in the upper right when there is room.
    const int ground = std::max(1, h / 3 + (h >= 6 ? 1 : 0));
    fill(p, x, y, w, h - ground, pal::sky);
    if (h - ground > 2)
        hline(p, x, x + w - 1, y, pal::skyDeep);
    fill(p, x, y + h - ground, w, ground, pal::leaf);
    if (w >= 4) {
        // A hill rising from the left.
        hline(p, x, x + w / 2, y + h - ground - 1, pal::leaf);
        if (ground >= 2)
            hline(p, x + w / 2 + 1, x + w - 1, y + h - 1, pal::leafDark);
    }
    if (w >= 4 && h >= 4)
        px(p, x + w - 2, y + 1, pal::sun);
    if (w >= 7 && h >= 6) {
        px(p, x + w - 3, y + 1, pal::sun);
        px(p, x + w - 2, y + 2, pal::sun);
        px(p, x + w - 3, y + 2, pal::sun);
    }
}

} // namespace art
