#pragma once
// The picture view's cursor: which of the window's cursors it shows over
// which half of the picture, and which way a click or a slide-show step
// goes because of it.
#include <QPoint>
#include <QSize>

namespace soru {

// The slots of the window's cursor table.
enum class CursorSlot { Default = 0, Back = 1, Next = 2 };
inline constexpr int kCursorSlotCount = 3;

enum class StepDirection { Back, Next };

// The cursor for the pointer at `p` in the view's own coordinates, for a
// view of `view` size showing a picture of an album of `count` pictures:
// back over the left half, next over the right half (the wider one for an
// odd width), the default elsewhere and whenever there is nothing to step
// to.
CursorSlot cursorZone(QPoint p, QSize view, int count);

// A click on the picture, or a slide-show step, goes back only under the
// back cursor; forward is the default.
inline StepDirection stepDirection(CursorSlot slot) {
    return slot == CursorSlot::Back ? StepDirection::Back : StepDirection::Next;
}

} // namespace soru
