#include "core/panel_slides.h"

namespace soru {

bool PanelSlideState::beginSlideOut(SidePanel panel) {
    if (sliding_ || out(panel))
        return false;
    sliding_ = true;
    out(panel) = true;
    return true;
}

bool PanelSlideState::beginSlideBack() {
    if (awaitingAlbum_ || sliding_ || (!bookOut_ && !memoOut_))
        return false;
    sliding_ = true;
    return true;
}

bool PanelSlideState::takeBack(SidePanel panel) {
    if (!out(panel))
        return false;
    out(panel) = false;
    return true;
}

} // namespace soru
