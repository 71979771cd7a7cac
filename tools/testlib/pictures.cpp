// Generated pictures: a handful of pleasant scenes and exact test patterns,
// drawn with QPainter on a QImage, all derived from a seed.
#include "tools/testlib/internal.h"
#include "tools/testlib/testlib.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace soru::testlib {
namespace {

using detail::Rng;

QColor hsv(double h, double s, double v, int alpha = 255) {
    h = std::fmod(h, 360.0);
    if (h < 0)
        h += 360.0;
    return QColor::fromHsvF(float(h / 360.0), float(std::clamp(s, 0.0, 1.0)),
                            float(std::clamp(v, 0.0, 1.0)), float(alpha / 255.0));
}

// A ridge line across the width by midpoint displacement: heights in pixels
// from the top, one per sample, roughness halving at each level.
std::vector<double> ridge(Rng& rng, int samples, double base, double amplitude) {
    std::vector<double> y(size_t(samples) + 1, base);
    y.front() = base + rng.range(-amplitude, amplitude) * 0.5;
    y.back() = base + rng.range(-amplitude, amplitude) * 0.5;
    for (int step = samples; step > 1; step /= 2, amplitude *= 0.55) {
        for (int i = 0; i + step <= samples; i += step)
            y[size_t(i + step / 2)] =
                (y[size_t(i)] + y[size_t(i + step)]) / 2 + rng.range(-amplitude, amplitude);
    }
    return y;
}

void fillRidge(QPainter& p, const std::vector<double>& y, int w, int h, const QBrush& brush) {
    QPainterPath path;
    const int n = int(y.size()) - 1;
    path.moveTo(0, h);
    for (int i = 0; i <= n; ++i)
        path.lineTo(double(w) * i / n, y[size_t(i)]);
    path.lineTo(w, h);
    path.closeSubpath();
    p.fillPath(path, brush);
}

void drawSun(QPainter& p, QPointF centre, double radius, const QColor& core, const QColor& glow) {
    QRadialGradient g(centre, radius * 4);
    QColor outer = glow;
    outer.setAlpha(0);
    g.setColorAt(0.0, glow);
    g.setColorAt(1.0, outer);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(centre, radius * 4, radius * 4);
    p.setBrush(core);
    p.drawEllipse(centre, radius, radius);
}

void drawLandscape(QPainter& p, int w, int h, Rng& rng) {
    const double hue = rng.range(190, 225);
    QLinearGradient sky(0, 0, 0, h * 0.7);
    sky.setColorAt(0, hsv(hue, 0.75, 0.75));
    sky.setColorAt(1, hsv(hue - 10, 0.25, 0.98));
    p.fillRect(0, 0, w, h, sky);

    const double unit = std::min(w, h);
    drawSun(p, {w * rng.range(0.15, 0.85), h * rng.range(0.12, 0.3)}, unit * 0.06,
            QColor(255, 250, 225), QColor(255, 240, 200, 150));

    // A few soft clouds, each one union of puffs filled once.
    for (int c = 0, n = 2 + rng.below(3); c < n; ++c) {
        const QPointF at(w * rng.real(), h * rng.range(0.08, 0.35));
        QPainterPath cloud;
        cloud.setFillRule(Qt::WindingFill);
        for (int puff = 0; puff < 5; ++puff) {
            const double lift = puff == 1 || puff == 3 ? -0.02 : puff == 2 ? -0.035 : 0.0;
            cloud.addEllipse(
                at + QPointF(unit * 0.05 * (puff - 2), unit * (lift + rng.range(-0.008, 0.008))),
                unit * 0.065, unit * 0.032);
        }
        p.fillPath(cloud, QColor(255, 255, 255, 150));
    }

    // Far-to-near mountain ranges, bluish and pale far away, green near.
    const int layers = 3;
    for (int layer = 0; layer < layers; ++layer) {
        const double t = double(layer) / (layers - 1);
        const auto y = ridge(rng, 64, h * (0.45 + 0.12 * layer), h * (0.16 - 0.04 * layer));
        QLinearGradient g(0, h * 0.35, 0, h);
        g.setColorAt(0, hsv(hue + 10 - 100 * t, 0.25 + 0.35 * t, 0.8 - 0.35 * t));
        g.setColorAt(1, hsv(hue - 5 - 100 * t, 0.35 + 0.35 * t, 0.55 - 0.25 * t));
        fillRidge(p, y, w, h, g);
    }
    QLinearGradient meadow(0, h * 0.82, 0, h);
    meadow.setColorAt(0, hsv(rng.range(85, 110), 0.55, 0.6));
    meadow.setColorAt(1, hsv(rng.range(80, 100), 0.7, 0.35));
    fillRidge(p, ridge(rng, 32, h * 0.86, h * 0.03), w, h, meadow);
}

void drawSeaSun(QPainter& p, int w, int h, Rng& rng) {
    const double horizon = h * rng.range(0.52, 0.62);
    const double warm = rng.range(10, 35);
    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0, hsv(rng.range(230, 260), 0.55, 0.45));
    sky.setColorAt(0.6, hsv(warm + 330, 0.45, 0.85));
    sky.setColorAt(1, hsv(warm, 0.65, 1.0));
    p.fillRect(QRectF(0, 0, w, horizon), sky);

    const double unit = std::min(w, h);
    const double sunX = w * rng.range(0.3, 0.7);
    p.save();
    p.setClipRect(QRectF(0, 0, w, horizon));
    drawSun(p, {sunX, horizon - unit * 0.05}, unit * 0.09, hsv(warm + 20, 0.35, 1.0),
            hsv(warm, 0.6, 1.0, 140));
    p.restore();

    QLinearGradient sea(0, horizon, 0, h);
    sea.setColorAt(0, hsv(rng.range(200, 220), 0.55, 0.55));
    sea.setColorAt(1, hsv(rng.range(210, 230), 0.8, 0.22));
    p.fillRect(QRectF(0, horizon, w, h - horizon), sea);

    // The sun's glittering path: short golden strokes, wider near the shore.
    p.setPen(Qt::NoPen);
    const int strokes = std::max(10, int(h - horizon) / 3);
    for (int i = 0; i < strokes; ++i) {
        const double t = rng.real();
        const double y = horizon + (h - horizon) * t * t;
        const double spread = unit * (0.03 + 0.25 * t);
        const double len = unit * (0.01 + 0.05 * t) * rng.range(0.5, 1.5);
        p.setBrush(hsv(warm + 25, 0.5, 1.0, int(rng.range(90, 220))));
        p.drawRect(QRectF(sunX + rng.range(-spread, spread) - len / 2, y, len,
                          std::max(1.0, unit * 0.004)));
    }
}

void drawFlower(QPainter& p, QPointF at, double radius, double hue, Rng& rng) {
    const int petals = 5 + rng.below(4);
    const double turn = rng.range(0, 360);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < petals; ++i) {
        p.save();
        p.translate(at);
        p.rotate(turn + 360.0 * i / petals);
        QRadialGradient g(QPointF(radius * 0.55, 0), radius * 0.6);
        g.setColorAt(0, hsv(hue, 0.35, 1.0));
        g.setColorAt(1, hsv(hue + 10, 0.75, 0.85));
        p.setBrush(g);
        p.drawEllipse(QPointF(radius * 0.55, 0), radius * 0.5, radius * 0.24);
        p.restore();
    }
    QRadialGradient centre(at, radius * 0.22);
    centre.setColorAt(0, QColor(255, 230, 120));
    centre.setColorAt(1, QColor(220, 150, 40));
    p.setBrush(centre);
    p.drawEllipse(at, radius * 0.2, radius * 0.2);
}

void drawFlowers(QPainter& p, int w, int h, Rng& rng) {
    QLinearGradient bg(0, 0, w, h);
    bg.setColorAt(0, hsv(rng.range(95, 140), 0.55, 0.35));
    bg.setColorAt(1, hsv(rng.range(140, 170), 0.6, 0.18));
    p.fillRect(0, 0, w, h, bg);

    const double unit = std::min(w, h);
    p.setPen(Qt::NoPen);
    for (int i = 0, n = 40; i < n; ++i) { // bokeh
        const double r = unit * rng.range(0.02, 0.09);
        QPointF at(w * rng.real(), h * rng.real());
        QRadialGradient g(at, r);
        const QColor c = hsv(rng.range(30, 90), rng.range(0.1, 0.5), 1.0, int(rng.range(30, 90)));
        QColor edge = c;
        edge.setAlpha(c.alpha() / 3);
        g.setColorAt(0, c);
        g.setColorAt(0.85, c);
        g.setColorAt(1, edge);
        p.setBrush(g);
        p.drawEllipse(at, r, r);
    }
    static constexpr double kBlossomHues[] = {350, 15, 48, 280, 310, 215};
    const double hue = kBlossomHues[rng.below(6)];
    for (int i = 0, n = 5 + rng.below(5); i < n; ++i)
        drawFlower(p, {w * rng.range(0.1, 0.9), h * rng.range(0.1, 0.9)},
                   unit * rng.range(0.08, 0.17), hue + rng.range(-20, 20), rng);
}

void drawTiles(QPainter& p, int w, int h, Rng& rng) {
    const double baseHue = rng.range(0, 360);
    const QColor palette[] = {hsv(baseHue, 0.55, 0.9), hsv(baseHue + 30, 0.45, 0.75),
                              hsv(baseHue + 180, 0.5, 0.6), hsv(baseHue + 200, 0.2, 0.95),
                              hsv(baseHue + 15, 0.7, 0.35)};
    auto pick = [&] { return palette[rng.below(5)]; };
    const int cols = 6 + rng.below(5);
    const double cell = std::max(1.0, double(w) / cols);
    const int rows = int(std::ceil(h / cell));
    p.setPen(Qt::NoPen);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const QRectF box(c * cell, r * cell, cell, cell);
            p.fillRect(box, pick());
            p.setBrush(pick());
            switch (rng.below(4)) {
            case 0:
                p.drawEllipse(box.center(), cell * 0.35, cell * 0.35);
                break;
            case 1:
                p.drawPolygon(QPolygonF({box.topLeft(), box.topRight(), box.bottomLeft()}));
                break;
            case 2:
                p.drawPolygon(QPolygonF({QPointF(box.center().x(), box.top()),
                                         QPointF(box.right(), box.center().y()),
                                         QPointF(box.center().x(), box.bottom()),
                                         QPointF(box.left(), box.center().y())}));
                break;
            default:
                p.drawPie(QRectF(box.topLeft() - QPointF(cell, cell), QSizeF(2 * cell, 2 * cell)),
                          270 * 16, 90 * 16);
                break;
            }
        }
    }
}

// Colour bars, a grey ramp, a hue ramp and 1-pixel lines; exact colours, no
// smoothing, so readers can be checked pixel by pixel.
void drawTestPattern(QImage& img) {
    const int w = img.width(), h = img.height();
    static const QRgb bars[] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00,
                                0xFF00FF, 0xFF0000, 0x0000FF, 0x000000};
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        const int band = y * 8 / h; // 0-3 bars, 4-5 grey ramp, 6 hue ramp, 7 lines
        for (int x = 0; x < w; ++x) {
            QRgb c;
            if (band < 4) {
                c = bars[x * 8 / w];
            } else if (band < 6) {
                const int v = w > 1 ? x * 255 / (w - 1) : 0;
                c = qRgb(v, v, v);
            } else if (band == 6) {
                c = QColor::fromHsv(w > 1 ? x * 359 / (w - 1) : 0, 255, 255).rgb();
            } else {
                c = (x % 2) ? 0x000000 : 0xFFFFFF;
            }
            line[x] = 0xFF000000u | c;
        }
    }
}

} // namespace

const char* sceneName(Scene scene) {
    switch (scene) {
    case Scene::Landscape:
        return "landscape";
    case Scene::SeaSun:
        return "sea-sun";
    case Scene::Flowers:
        return "flowers";
    case Scene::Tiles:
        return "tiles";
    case Scene::Plain:
        return "plain";
    case Scene::TestPattern:
        return "test-pattern";
    case Scene::Checkerboard:
        return "checkerboard";
    }
    return "?";
}

QRgb plainColour(quint32 seed) {
    Rng rng(seed);
    return hsv(rng.range(0, 360), rng.range(0.3, 0.8), rng.range(0.5, 0.95)).rgb();
}

quint32 pngCrc(const QByteArray& bytes) {
    quint32 c = 0xFFFFFFFFu;
    for (const char ch : bytes) {
        c ^= quint8(ch);
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

QByteArray pngChunk(const char (&type)[5], const QByteArray& data) {
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), chunk.data());
    const QByteArray body = QByteArray(type, 4) + data;
    chunk += body;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(pngCrc(body), crc.data());
    return chunk + crc;
}

QImage makePhotoLike(int w, int h, quint32 seed) {
    QImage img = makePicture(w, h, Scene::Landscape, seed);
    quint32 state = 12344 + seed;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            int c[3] = {qRed(line[x]), qGreen(line[x]), qBlue(line[x])};
            for (int& v : c) {
                state = state * 1664525u + 1013904223u;
                v = qBound(0, v + int(state >> 24) % 21 - 10, 255);
            }
            line[x] = qRgb(c[0], c[1], c[2]);
        }
    }
    return img;
}

QImage makePicture(int w, int h, Scene scene, quint32 seed) {
    if (w <= 0 || h <= 0)
        throw std::invalid_argument("makePicture: the size must be positive");
    QImage img(w, h, QImage::Format_RGB32);
    Rng rng(seed * 7919u + quint32(scene));
    switch (scene) {
    case Scene::Plain:
        img.fill(plainColour(seed));
        return img;
    case Scene::TestPattern:
        drawTestPattern(img);
        return img;
    case Scene::Checkerboard: {
        const int s = std::max(1, std::min(w, h) / 8);
        for (int y = 0; y < h; ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < w; ++x)
                line[x] = ((x / s + y / s) % 2) ? 0xFF000000u : 0xFFFFFFFFu;
        }
        return img;
    }
    default:
        break;
    }
    img.fill(Qt::black);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    switch (scene) {
    case Scene::Landscape:
        drawLandscape(p, w, h, rng);
        break;
    case Scene::SeaSun:
        drawSeaSun(p, w, h, rng);
        break;
    case Scene::Flowers:
        drawFlowers(p, w, h, rng);
        break;
    case Scene::Tiles:
        drawTiles(p, w, h, rng);
        break;
    default:
        break;
    }
    return img;
}

} // namespace soru::testlib
