#include "core/touch_gesture.h"

#include <QtGlobal>

namespace soru {

namespace {
constexpr qreal kSwipeShare = 0.10; // of the view's width
constexpr qint64 kSwipeMaxMs = 1500;
constexpr qreal kTapSlop = 16; // pixels a finger may wander in a tap
constexpr qint64 kTapMaxMs = 500;
} // namespace

TouchGesture classifyTouch(QPointF start, QPointF end, qint64 durationMs, QSizeF view) {
    const QPointF d = end - start;
    const qreal across = qAbs(d.x());
    const qreal down = qAbs(d.y());
    if (view.width() > 0 && across >= kSwipeShare * view.width() && across > down &&
        durationMs <= kSwipeMaxMs)
        return {d.x() < 0 ? TouchGesture::Kind::SwipeNext : TouchGesture::Kind::SwipeBack, {}};
    if (across <= kTapSlop && down <= kTapSlop && durationMs <= kTapMaxMs)
        return {TouchGesture::Kind::Tap, start};
    return {};
}

int WheelNotches::add(int angleDelta) {
    if ((angleDelta > 0 && pending_ < 0) || (angleDelta < 0 && pending_ > 0))
        pending_ = 0;
    pending_ += angleDelta;
    const int notches = pending_ / kNotch; // towards zero: a part stays pending
    pending_ -= notches * kNotch;
    return notches;
}

} // namespace soru
