// Back, next, the arrow keys, clicks on the picture, cursor zones, slide show.
#include "ui/main/main_window.h"

#include "core/failure.h"
#include "core/key_bindings.h"
#include "resources/artwork.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/status_panels.h"
#include "ui/widgets/tool_bar.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QTextEdit>

namespace soru {

// The handlers step whatever the actions' state: the arrows and the clicks
// call them directly.
void TfrmMain::aBackExecute() { forward([this] { session_.run(Command::StepBack); }); }

void TfrmMain::aNextExecute() { forward([this] { session_.run(Command::StepNext); }); }

void TfrmMain::imgViewClick() { forward([this] { session_.run(session_.pointerCommand()); }); }

// Every move lets the thumbnail frame follow before the picture is
// presented, so the frame is in place when presenting lets events run.
void TfrmMain::renderCurrent() {
    PlaceCurrentFrame();
    ShowCurrentPicture();
}

// A bound key: the session does nothing for a disabled command, as the
// action would.
void TfrmMain::runCommand(Command command) { forward([this, command] { session_.run(command); }); }

// A command that needs a service runs through its action, whose handler
// reports its own failure.
void TfrmMain::carryOut(Command command) {
    if (int(command) < kActionCommandCount)
        action(command)->trigger();
}

void TfrmMain::syncActions() {
    for (int i = 0; i < kActionCommandCount; ++i) {
        const auto command = static_cast<Command>(i);
        actionsByCommand[i]->setEnabled(session_.enabled(command));
        if (actionsByCommand[i]->isCheckable())
            actionsByCommand[i]->setChecked(session_.checked(command));
    }
    // The radio items carry their interval in seconds and their style as tags.
    for (QAction* item : button(Command::Auto)->menu()->actions())
        if (!item->isSeparator())
            item->setChecked(item->data().toInt() * 1000 == session_.interval());
    for (QAction* item : button(Command::Wall)->menu()->actions())
        item->setChecked(item->data().toInt() == int(session_.wallpaperStyle()));
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

namespace {

// The view's cursor of each zone: the arrow, and the back and next arrows.
// Made when the zone changes, which is rare; nothing of the toolkit's is
// kept past the application.
QCursor cursorFor(CursorSlot slot) {
    switch (slot) {
    case CursorSlot::Back: return backCursor();
    case CursorSlot::Next: return nextCursor();
    case CursorSlot::Default: break;
    }
    return QCursor(Qt::ArrowCursor);
}

} // namespace

void TfrmMain::setViewCursor(CursorSlot slot) {
    session_.setPointerZone(slot);
    imgView->setCursor(cursorFor(slot));
}

void TfrmMain::updateCursorZones() {
    // Hidden: no picture shown or the sheet is up; the cursor keeps its zone.
    if (imgView->isHidden())
        return;
    // The pointer's position as the platform reports it, in the view's own
    // coordinates: the handler serves four controls of different origins.
    const CursorSlot slot = cursorZone(imgView->mapFromGlobal(QCursor::pos()), imgView->size(), session_.album().count());
    if (slot != session_.pointerZone())
        setViewCursor(slot);
}

void TfrmMain::aAutoExecute() { forward([this] { session_.perform(Command::Auto); }); }

void TfrmMain::followScreenSaverHold() {
    const bool wanted = session_.slideShow().running() && !isMinimized() && !destroyed_;
    if (wanted == screenSaverHeld_ || !env_.services.screenSaver)
        return;
    screenSaverHeld_ = wanted;
    env_.services.screenSaver->hold(wanted);
}

void TfrmMain::tmrAutoTimer() { forward([this] { session_.tick(); }); }

} // namespace soru
