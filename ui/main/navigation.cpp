// Back, next, the arrow keys, clicks on the picture, cursor zones, slide show.
#include "ui/main/main_window.h"

#include "core/failure.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/status_panels.h"

#include <QAction>
#include <QKeyEvent>
#include <QTextEdit>

namespace soru {

// Every move lets the thumbnail frame follow before the picture is
// presented, so the frame is in place when presenting lets events run.
void TfrmMain::aBackExecute() {
    if (!album_.back())
        return;
    lastStep_ = -1;
    PlaceCurrentFrame();
    ShowCurrentPicture();
}

void TfrmMain::aNextExecute() {
    if (!album_.next())
        return;
    lastStep_ = 1;
    PlaceCurrentFrame();
    ShowCurrentPicture();
}

void TfrmMain::imgViewClick() {
    if (stepDirection(viewCursor_) == StepDirection::Back)
        aBackExecute();
    else
        aNextExecute();
}

bool TfrmMain::FormKeyDown(int key) {
    // The handlers are called directly, not through the actions: the arrows
    // step whatever the actions' state and the modifier keys.
    if (key == Qt::Key_Left) {
        aBackExecute();
        return true;
    }
    if (key == Qt::Key_Right) {
        aNextExecute();
        return true;
    }
    return false;
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Left || key == Qt::Key_Right) {
                guarded([this, key] { FormKeyDown(key); });
                return true; // the focused control never sees the arrow
            }
        }
    } else if (event->type() == QEvent::ShortcutOverride) {
        // The actions' shortcuts come before the focused control's own keys
        // (the memo box would otherwise take Ctrl+C and Ctrl+A for itself).
        auto* w = qobject_cast<QWidget*>(watched);
        auto* key = static_cast<QKeyEvent*>(event);
        if (w && w->window() == this) {
            const QKeySequence pressed(key->keyCombination());
            for (QAction* a : {aBack, aAuto, aNext, aPlay, aWall, aCopy})
                if (a->isEnabled() && a->shortcut() == pressed) {
                    event->ignore();
                    return true;
                }
        }
    } else if (event->type() == QEvent::MouseMove && watched == reMemo->viewport() &&
               reMemo->viewport()->isEnabled()) {
        // The filter sees the move before a disabled widget would drop it:
        // a disabled memo panel (no memo for the picture) never slides out.
        guarded([this] { pnlMemoMouseMove(); });
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmMain::setViewCursor(CursorSlot slot) {
    viewCursor_ = slot;
    imgView->setCursor(cursorFor(slot));
}

void TfrmMain::updateCursorZones() {
    // Hidden: no picture shown or the sheet is up; the cursor keeps its zone.
    if (imgView->isHidden())
        return;
    // The pointer's position as the platform reports it, in the view's own
    // coordinates: the handler serves four controls of different origins.
    const CursorSlot slot = cursorZone(imgView->mapFromGlobal(QCursor::pos()), imgView->size(), album_.count());
    if (slot != viewCursor_)
        setViewCursor(slot);
}

void TfrmMain::aAutoExecute() {
    slideShow_.setRunning(!slideShow_.running());
    aAuto->setChecked(slideShow_.running());
    // At once, so the position panel shows or drops the clock now.
    sbInfo->repaint();
}

void TfrmMain::tmrAutoTimer() {
    // The next wait starts when this step has ended; a step that fails
    // leaves the show standing still.
    slideShow_.beginStep();
    imgViewClick();
    slideShow_.endStep();
}

} // namespace soru
