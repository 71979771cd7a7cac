#pragma once
// What a finger or the wheel did over the picture, decided without a widget:
// a touch from its first to its last point is a swipe, a tap or nothing,
// and the wheel's movement is counted out in whole notches.
#include <QPointF>
#include <QSizeF>

namespace soru {

struct TouchGesture {
    enum class Kind { None, SwipeBack, SwipeNext, Tap };
    Kind kind = Kind::None;
    QPointF at; // where a tap touched, in the view's coordinates
    bool operator==(const TouchGesture&) const = default;
};

// A swipe runs across at least a tenth of the view's width, more across
// than up or down, within 1.5 s: right to left steps next, left to right
// back. A tap stays within a few pixels of where it began and lifts within
// half a second; a longer press is nothing.
TouchGesture classifyTouch(QPointF start, QPointF end, qint64 durationMs, QSizeF view);

// Wheel movement in eighths of a degree (120 a notch). A high-resolution
// wheel sends parts of a notch: they add up until a whole one is reached;
// turning the other way drops what was left of the old direction.
class WheelNotches {
public:
    static constexpr int kNotch = 120;
    // The whole notches this delta completes: positive away from the user
    // (up), negative towards (down).
    int add(int angleDelta);

private:
    int pending_ = 0;
};

} // namespace soru
