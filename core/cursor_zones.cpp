#include "core/cursor_zones.h"

namespace soru {

CursorSlot cursorZone(QPoint p, QSize view, int count) {
    if (count <= 1 || p.y() < 0 || p.y() >= view.height())
        return CursorSlot::Default;
    const int half = view.width() / 2;
    if (p.x() >= 0 && p.x() < half)
        return CursorSlot::Back;
    if (p.x() >= half && p.x() < view.width())
        return CursorSlot::Next;
    return CursorSlot::Default;
}

} // namespace soru
