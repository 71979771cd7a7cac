// Clock glyphs: the five interval timers and the running slide show.
#include "artwork.h"
#include "raster.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace art {

namespace {

constexpr int kCx = 7;
constexpr int kCy = 7;

// Offset of dot (x, y)'s centre from the centre of pixel (kCx, kCy), in
// logical pixels; at scale 1 these are whole numbers.
QPointF fromCentre(const Mask& m, int x, int y) {
    const double s = m.scale();
    return QPointF((x + 0.5) / s - (kCx + 0.5), (y + 0.5) / s - (kCy + 0.5));
}

// Angle of an offset from twelve o'clock, clockwise, in degrees 0..360.
double clockAngle(QPointF d) {
    double a = std::atan2(d.x(), -d.y()) * 180.0 / std::numbers::pi;
    return a < 0 ? a + 360.0 : a;
}

Mask dial() {
    Mask m;
    for (int y = 0; y < 16 * m.scale(); ++y)
        for (int x = 0; x < 16 * m.scale(); ++x) {
            const QPointF d = fromCentre(m, x, y);
            if (d.x() * d.x() + d.y() * d.y() <= 41.0)
                m.setDot(x, y);
        }
    return m;
}

QPoint handTip(double degrees, double length) {
    const double a = degrees * std::numbers::pi / 180.0;
    return QPoint(kCx + int(std::lround(length * std::sin(a))),
                  kCy - int(std::lround(length * std::cos(a))));
}

void hand(QPainter& p, double degrees, double length, const QColor& c) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(c, 1));
    p.drawLine(QPoint(kCx, kCy), handTip(degrees, length));
}

// Face, rim and the four quarter marks. sweep > 0 shades the face from twelve
// o'clock round to that angle, so longer intervals show more shading.
void face(QPainter& p, const QColor& rim, double sweep, const QColor& shade) {
    const Mask m = dial();
    paintShape(p, m, {rim, pal::white, pal::white, QColor(0xd8, 0xd8, 0xe0)});
    if (sweep > 0) {
        // The centre pixel itself stays white.
        Mask shaded;
        const int s = m.scale();
        for (int y = 0; y < 16 * s; ++y)
            for (int x = 0; x < 16 * s; ++x)
                if (m.dot(x, y) && (x / s != kCx || y / s != kCy) &&
                    clockAngle(fromCentre(m, x, y)) <= sweep + 0.5)
                    shaded.setDot(x, y);
        paintMask(p, shaded, shade);
    }
    px(p, kCx, kCy - 6, rim);
    px(p, kCx + 6, kCy, rim);
    px(p, kCx, kCy + 6, rim);
    px(p, kCx - 6, kCy, rim);
}

} // namespace

QImage glyphTimer(int step) {
    // 1-5 s, 10 s, 30 s, 1-5 min, 10 min: the hand moves a fifth of the dial
    // further for each longer interval, so the five stay easy to tell apart.
    static const double kSweep[5] = {60.0, 120.0, 180.0, 240.0, 300.0};
    const bool minutes = step >= 3;
    QImage img = canvas(16, 16);
    QPainter p(&img);
    const double sweep = kSweep[std::clamp(step, 0, 4)];
    face(p, pal::slate, sweep, minutes ? QColor(0xb8, 0xd4, 0xf8) : QColor(0xfc, 0xd8, 0xa0));
    hand(p, sweep, 5.0, minutes ? pal::navy : pal::redDark);
    px(p, kCx, kCy, pal::ink);
    return img;
}

QImage glyphClock() {
    QImage img = canvas(16, 16);
    QPainter p(&img);
    face(p, pal::navy, 0.0, QColor());
    hand(p, 0.0, 5.0, pal::ink);
    hand(p, 120.0, 3.6, pal::ink);
    px(p, kCx, kCy, pal::red);
    return img;
}

} // namespace art
