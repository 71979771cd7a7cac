// Back, next, the arrow keys, clicks on the picture, cursor zones, slide show.
#include "ui/main/main_window.h"

#include "core/failure.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/status_panels.h"

#include <QKeyEvent>

namespace soru {

void TfrmMain::aBackExecute() {
    const int count = int(PictureFiles.size());
    if (CurrentIndex < 0 || CurrentIndex >= count)
        return;
    CurrentIndex = CurrentIndex <= 0 ? count - 1 : CurrentIndex - 1;
    PlaceCurrentFrame();
    ShowCurrentPicture();
}

void TfrmMain::aNextExecute() {
    const int count = int(PictureFiles.size());
    if (CurrentIndex < 0 || CurrentIndex >= count)
        return;
    CurrentIndex = CurrentIndex < count - 1 ? CurrentIndex + 1 : 0;
    PlaceCurrentFrame();
    ShowCurrentPicture();
}

void TfrmMain::imgViewClick() {
    if (ViewCursor == 1)
        aBackExecute();
    else
        aNextExecute();
}

bool TfrmMain::FormKeyDown(int key) {
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

void TfrmMain::setViewCursor(int slot) {
    ViewCursor = slot;
    imgView->setCursor(Cursors[size_t(slot)]);
}

void TfrmMain::updateCursorZones() {
    if (imgView->isHidden())
        return;
    bool inZone = false;
    if (PictureFiles.size() > 1) {
        // The pointer's position as the platform reports it, in the view's
        // own coordinates: the handler serves four controls of different origins.
        const QPoint p = imgView->mapFromGlobal(QCursor::pos());
        if (p.y() >= 0 && p.y() < imgView->height()) {
            const int half = imgView->width() / 2;
            if (p.x() >= 0 && p.x() < half) {
                inZone = true;
                if (ViewCursor != 1)
                    setViewCursor(1);
            } else if (p.x() >= half && p.x() < imgView->width()) {
                inZone = true;
                if (ViewCursor != 2)
                    setViewCursor(2);
            }
        }
    }
    if (!inZone && ViewCursor != 0)
        setViewCursor(0);
}

void TfrmMain::aAutoExecute() {
    const bool newState = !aAuto->isChecked();
    aAuto->setChecked(newState);
    if (newState)
        tmrAuto->start();
    else
        tmrAuto->stop();
    sbInfo->repaint();
}

void TfrmMain::autoTick() {
    // A synchronous sound blocks the program: a tick that falls due meanwhile
    // is delivered once the sound has ended, not inside its wait, where the
    // next picture's sound would cut it short.
    if (soundBlocking_) {
        tickHeld_ = true;
        return;
    }
    guarded([this] { tmrAutoTimer(); });
}

void TfrmMain::tmrAutoTimer() {
    tmrAuto->stop();
    imgViewClick();
    if (aAuto->isChecked())
        tmrAuto->start();
}

} // namespace soru
