// The three mouse-move handlers and the panel slides.
#include "ui/main/main_window.h"

#include "core/layout.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/panel_slide.h"

namespace soru {

namespace {
constexpr int kBookStep = 32;
constexpr int kMemoStep = 64;
constexpr int kStepWaitMs = 10;
} // namespace

void TfrmMain::slideStepWait() {
    if (env_.slideStepWait)
        env_.slideStepWait();
    else
        stepWait(kStepWaitMs);
}

void TfrmMain::pnlBookMouseMove() {
    if (!session_.panels().beginSlideOut(SidePanel::Book))
        return;
    slidePanel(pnlBook, 0, kBookStep, [this] { slideStepWait(); });
    session_.panels().endSlide();
}

void TfrmMain::pnlMemoMouseMove() {
    if (!session_.panels().beginSlideOut(SidePanel::Memo))
        return;
    slidePanel(pnlMemo, width() - pnlMemo->width(), -kMemoStep, [this] { slideStepWait(); });
    session_.panels().endSlide();
}

void TfrmMain::pnlMainMouseMove() {
    // The picture list closes on every move, even while the album list
    // waits or a slide runs.
    if (!pnlFile->isHidden())
        pnlFile->hide();
    if (pnlFile->isEnabled())
        pnlFile->setEnabled(false);
    if (session_.panels().awaitingAlbum())
        return;
    // The cursor follows the pointer also during a slide.
    updateCursorZones();
    if (!session_.panels().beginSlideBack())
        return;
    // The album panel comes back completely before the memo panel moves.
    if (session_.panels().takeBack(SidePanel::Book))
        slidePanel(pnlBook, kPanelStrip - pnlBook->width(), -kBookStep, [this] { slideStepWait(); });
    if (session_.panels().takeBack(SidePanel::Memo))
        slidePanel(pnlMemo, pnlMemo->x() + pnlMemo->width() - kPanelStrip, kMemoStep, [this] { slideStepWait(); });
    session_.panels().endSlide();
}

} // namespace soru
