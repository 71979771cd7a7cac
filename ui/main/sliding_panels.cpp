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

static void waitStep(const std::function<void()>& custom) {
    if (custom)
        custom();
    else
        stepWait(kStepWaitMs);
}

void TfrmMain::pnlBookMouseMove() {
    if (Sliding || BookPanelOut)
        return;
    Sliding = true;
    BookPanelOut = true;
    slidePanel(pnlBook, 0, kBookStep, [this] { waitStep(slideStepWait); });
    Sliding = false;
}

void TfrmMain::pnlMemoMouseMove() {
    if (Sliding || MemoPanelOut)
        return;
    Sliding = true;
    MemoPanelOut = true;
    slidePanel(pnlMemo, width() - pnlMemo->width(), -kMemoStep, [this] { waitStep(slideStepWait); });
    Sliding = false;
}

void TfrmMain::pnlMainMouseMove() {
    if (!pnlFile->isHidden())
        pnlFile->hide();
    if (pnlFile->isEnabled())
        pnlFile->setEnabled(false);
    if (AwaitingAlbum)
        return;
    updateCursorZones();
    if (Sliding)
        return;
    if (!BookPanelOut && !MemoPanelOut)
        return;
    Sliding = true;
    if (BookPanelOut) {
        BookPanelOut = false;
        slidePanel(pnlBook, kPanelStrip - pnlBook->width(), -kBookStep, [this] { waitStep(slideStepWait); });
    }
    if (MemoPanelOut) {
        MemoPanelOut = false;
        slidePanel(pnlMemo, pnlMemo->x() + pnlMemo->width() - kPanelStrip, kMemoStep,
                   [this] { waitStep(slideStepWait); });
    }
    Sliding = false;
}

} // namespace soru
