// Back, next, the arrow keys, clicks on the picture, cursor zones, slide show.
#include "ui/main/main_window.h"

#include "core/failure.h"
#include "core/key_bindings.h"
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

void TfrmMain::imgViewClick() { runCommand(commandForClick(stepDirection(viewCursor_))); }

bool TfrmMain::FormKeyDown(int key) {
    const std::optional<Command> command = commandForKey(QKeyCombination(Qt::Key(key)));
    if (!command || (*command != Command::StepBack && *command != Command::StepNext))
        return false;
    runCommand(*command);
    return true;
}

QAction* TfrmMain::actionFor(Command command) const {
    switch (command) {
    case Command::Exit: return aExit;
    case Command::Back: return aBack;
    case Command::Auto: return aAuto;
    case Command::Next: return aNext;
    case Command::Sum: return aSum;
    case Command::Copy: return aCopy;
    case Command::Wall: return aWall;
    case Command::Play: return aPlay;
    case Command::Info: return aInfo;
    case Command::StepBack:
    case Command::StepNext: break;
    }
    return nullptr;
}

void TfrmMain::runCommand(Command command) {
    // The steps call the handlers directly: the arrows and the clicks step
    // whatever the actions' state. Every other command is its action, which
    // does nothing while disabled.
    if (command == Command::StepBack) {
        aBackExecute();
        return;
    }
    if (command == Command::StepNext) {
        aNextExecute();
        return;
    }
    if (QAction* a = actionFor(command); a && a->isEnabled())
        a->trigger();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        // Every bound key belongs to the window, whatever control has the
        // focus: the override is taken so that neither the control's own key
        // (a list's or a text box's Ctrl+C, Ctrl+A) nor the toolkit's
        // shortcut map sees it, and the press runs the table's command here.
        auto* w = qobject_cast<QWidget*>(watched);
        auto* key = static_cast<QKeyEvent*>(event);
        if (w && w->window() == this) {
            if (const std::optional<Command> command = commandForKey(key->keyCombination())) {
                event->accept();
                if (event->type() == QEvent::KeyPress)
                    guarded([this, command] { runCommand(*command); });
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

void TfrmMain::followScreenSaverHold() {
    const bool wanted = slideShow_.running() && !isMinimized() && !destroyed_;
    if (wanted == screenSaverHeld_ || !env_.services.screenSaver)
        return;
    screenSaverHeld_ = wanted;
    env_.services.screenSaver->hold(wanted);
}

void TfrmMain::tmrAutoTimer() {
    // The next wait starts when this step has ended; a step that fails
    // leaves the show standing still.
    slideShow_.beginStep();
    imgViewClick();
    slideShow_.endStep();
}

} // namespace soru
