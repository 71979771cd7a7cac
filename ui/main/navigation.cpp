// Back, next, the bound keys, mouse buttons, wheel and touches, clicks on the
// picture, cursor zones, slide show.
#include "ui/main/main_window.h"

#include "core/failure.h"
#include "core/key_bindings.h"
#include "core/touch_gesture.h"
#include "resources/artwork.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/frame/frame_window.h"
#include "ui/main/frame_setting_items.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/status_panels.h"
#include "ui/widgets/tool_bar.h"

#include <QAction>
#include <QCoreApplication>
#include <functional>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTextEdit>
#include <QTouchEvent>
#include <QWheelEvent>

#include <memory>

namespace soru {

// The handlers step whatever the actions' state: the arrows and the clicks
// call them directly.
void TfrmMain::aBackExecute() { forward([this] { session_.run(Command::StepBack); }); }

void TfrmMain::aNextExecute() { forward([this] { session_.run(Command::StepNext); }); }

void TfrmMain::imgViewClick() {
    forward([this] { session_.run(keyTableOr(env_.keys).commandForClick(stepDirection(session_.pointerZone()))); });
}

// Every move lets the thumbnail frame follow before the picture is
// presented, so the frame is in place when presenting lets events run.
void TfrmMain::renderCurrent() {
    PlaceCurrentFrame();
    ShowCurrentPicture();
    announceCurrent();
}

// A bound key: the session does nothing for a disabled command, as the
// action would.
void TfrmMain::runCommand(Command command) { forward([this, command] { session_.run(command); }); }

// A command that needs a service runs through its action, whose handler
// reports its own failure.
void TfrmMain::carryOut(Command command) {
    if (int(command) < kActionCommandCount)
        action(command)->trigger();
    else if (command == Command::Frame)
        aFrameExecute();
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
    syncFrameMenu();
}

void TfrmMain::syncFrameMenu() {
    // Every item carries (setting, value): checked when the setting has it.
    const std::function<void(QMenu*)> sync = [&](QMenu* menu) {
        for (QAction* a : menu->actions()) {
            if (a->menu())
                sync(a->menu());
            else if (a->isCheckable()) {
                const QPoint kv = a->data().toPoint();
                a->setChecked(frameSettingOf(session_.frameSettings(), FrameKey(kv.x())) == kv.y());
            }
        }
    };
    sync(findChild<QMenu*>(QStringLiteral("pmFrame")));
}

namespace {

std::optional<MouseInput> mouseInputOf(Qt::MouseButton button) {
    switch (button) {
    case Qt::BackButton: return MouseInput::Back;
    case Qt::ForwardButton: return MouseInput::Forward;
    case Qt::MiddleButton: return MouseInput::Middle;
    default: return std::nullopt;
    }
}

} // namespace

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    const KeyTable& keys = keyTableOr(env_.keys);
    const QEvent::Type type = event->type();
    // The keys the table leaves free that make the mouse's work keyboard
    // work: true when the key was taken.
    const auto keyboardOnly = [this](QWidget* w, QKeyCombination key) {
        const bool plain = key.keyboardModifiers() == Qt::NoModifier || key.keyboardModifiers() == Qt::KeypadModifier;
        const bool enter = plain && (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter);
        const auto backToPicture = [this] {
            pnlMainMouseMove();
            (session_.sheetShown() ? imgSum : imgView)->setFocus(Qt::OtherFocusReason);
        };
        if (key == QKeyCombination(Qt::Key_F6) && pnlBook->isEnabled()) {
            // The album list comes out and takes the focus.
            guarded([this] { pnlBookMouseMove(); });
            lstBook->setFocus(Qt::OtherFocusReason);
        } else if (key == QKeyCombination(Qt::Key_F7) && session_.hasCurrent()) {
            // The picture list pops up at the current picture.
            guarded([this] { tbsNextContextPopup(); });
            lstFile->setFocus(Qt::OtherFocusReason);
        } else if (key.key() == Qt::Key_Menu || key == QKeyCombination(Qt::SHIFT, Qt::Key_F10)) {
            pmMain->popup(pnlMain->mapToGlobal(pnlMain->rect().center()));
        } else if (enter && w == lstBook) {
            guarded([this] { lstBookDblClick(); });
            if (session_.hasCurrent())
                guarded(backToPicture);
        } else if (enter && w == lstFile) {
            guarded([this] { lstFileDblClick(); });
            // The list has closed: the keys go back to the picture, not to
            // a list nobody sees.
            if (lstFile->isHidden() || !pnlFile->isVisible())
                guarded(backToPicture);
        } else if (plain && key.key() == Qt::Key_Escape && (w == lstBook || w == lstFile)) {
            guarded(backToPicture);
        } else if (auto* b = qobject_cast<ToolButton*>(w); b && enter) {
            b->animateClick();
        } else if (b && plain && key.key() == Qt::Key_Down && b->menu()) {
            b->showMenu();
        } else if (session_.sheetShown() && w != lstBook && w != lstFile && plain &&
                   (key.key() == Qt::Key_PageUp || key.key() == Qt::Key_PageDown || key.key() == Qt::Key_Home ||
                    key.key() == Qt::Key_End)) {
            // The sheet's pages, as its scroll bar turns them.
            const int page = key.key() == Qt::Key_PageUp     ? sbScr->value() - 1
                             : key.key() == Qt::Key_PageDown ? sbScr->value() + 1
                             : key.key() == Qt::Key_Home     ? sbScr->minimum()
                                                             : sbScr->maximum();
            sbScr->setValue(qBound(sbScr->minimum(), page, sbScr->maximum()));
        } else if (session_.sheetShown() && enter && w != lstBook && w != lstFile) {
            // The framed picture is shown; on a page without the frame, the
            // page's first picture is framed first.
            const std::optional<PageRange> range = session_.sheet().pageRange(session_.page(), session_.album().count());
            const int index = session_.album().index();
            if (range && (index < range->first || index > range->last))
                guarded([this, range] { forward([&] { session_.pick(range->first); }); });
            else
                action(Command::Sum)->trigger();
        } else {
            return false;
        }
        return true;
    };
    if (watched == imgView && type == QEvent::Show && !imgView->testAttribute(Qt::WA_AcceptTouchEvents)) {
        // Shown for the first time, before any finger can reach it: the view
        // takes touches as touches, not as the mouse events made from them.
        imgView->setAttribute(Qt::WA_AcceptTouchEvents);
    } else if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
        // The extra buttons are the window's wherever they are pressed; a
        // quick second press comes as a double click.
        auto* w = qobject_cast<QWidget*>(watched);
        const std::optional<MouseInput> input = mouseInputOf(static_cast<QMouseEvent*>(event)->button());
        if (w && w->window() == this && input) {
            if (const std::optional<Command> command = keys.commandForMouse(*input)) {
                event->accept();
                guarded([this, command] { runCommand(*command); });
                return true;
            }
        }
    } else if (type == QEvent::Wheel && watched == imgView) {
        // Over the picture each notch runs its command.
        const int notches = session_.wheel().add(static_cast<QWheelEvent*>(event)->angleDelta().y());
        if (const std::optional<Command> command =
                keys.commandForMouse(notches > 0 ? MouseInput::WheelUp : MouseInput::WheelDown)) {
            for (int i = 0; i < qAbs(notches); ++i)
                guarded([this, command] { runCommand(*command); });
        }
        event->accept();
        return true;
    } else if (type == QEvent::Wheel && watched == imgSum) {
        // Over the sheet the wheel turns its scroll bar, a page a notch.
        if (!sbScr->isHidden()) {
            const std::unique_ptr<QEvent> copy(event->clone());
            QCoreApplication::sendEvent(sbScr, copy.get());
        }
        event->accept();
        return true;
    } else if ((type == QEvent::TouchBegin || type == QEvent::TouchUpdate || type == QEvent::TouchEnd ||
                type == QEvent::TouchCancel) &&
               watched == imgView) {
        // A finger on the picture: taken whole, judged when it lifts.
        auto* touch = static_cast<QTouchEvent*>(event);
        event->accept();
        if (type == QEvent::TouchEnd && touch->pointCount() == 1) {
            const QEventPoint& p = touch->point(0);
            // A swipe is measured against the picture area, not the picture,
            // which may be much smaller.
            const TouchGesture g = classifyTouch(p.pressPosition(), p.position(),
                                                 qint64(p.timestamp()) - qint64(p.pressTimestamp()), pnlMain->size());
            std::optional<Command> command;
            switch (g.kind) {
            case TouchGesture::Kind::SwipeBack: command = Command::StepBack; break;
            case TouchGesture::Kind::SwipeNext: command = Command::StepNext; break;
            case TouchGesture::Kind::Tap:
                // As a click under the cursor the pointer would show there.
                command = keys.commandForClick(
                    stepDirection(cursorZone(g.at.toPoint(), imgView->size(), session_.album().count())));
                break;
            case TouchGesture::Kind::None: break;
            }
            if (command)
                guarded([this, command] { runCommand(*command); });
        }
        return true;
    } else if (type == QEvent::KeyPress || type == QEvent::ShortcutOverride) {
        // Every bound key belongs to the window, whatever control has the
        // focus: the override is taken so that neither the control's own key
        // (a list's or a text box's Ctrl+C, Ctrl+A) nor the toolkit's
        // shortcut map sees it, and the press runs the table's command here.
        auto* w = qobject_cast<QWidget*>(watched);
        auto* key = static_cast<QKeyEvent*>(event);
        if (w && w->window() == this) {
            if (const std::optional<Command> command = keys.commandForKey(key->keyCombination())) {
                event->accept();
                if (type == QEvent::KeyPress)
                    guarded([this, command] { runCommand(*command); });
                return true;
            }
            if (type == QEvent::KeyPress && keyboardOnly(w, key->keyCombination()))
                return true;
            // The actions' shortcuts only label their menu items: a key the
            // table leaves unbound (the user's "none") runs no action either.
            if (type == QEvent::ShortcutOverride) {
                const QKeySequence pressed(key->keyCombination());
                for (const QAction* a : actions())
                    if (a->shortcut() == pressed) {
                        event->accept();
                        return true;
                    }
            }
        }
    } else if (type == QEvent::MouseMove && watched == reMemo->viewport() &&
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
    const bool wanted = (session_.slideShow().running() && !isMinimized() && !destroyed_) || !frame_.isNull();
    if (wanted == screenSaverHeld_ || !env_.services.screenSaver)
        return;
    screenSaverHeld_ = wanted;
    env_.services.screenSaver->hold(wanted);
}

void TfrmMain::tmrAutoTimer() { forward([this] { session_.tick(); }); }

} // namespace soru
