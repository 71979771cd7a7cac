#pragma once
// Gives the keyboard back to a window after a modal box or window it opened
// has closed: the window is activated again and the control that had the
// focus gets it back, so the next key works without a click.
#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace soru {

class KeyboardReturn {
public:
    // window: the window that opens the modal one; null: the active window.
    explicit KeyboardReturn(QWidget* window = nullptr)
        : window_(window ? window->window() : QApplication::activeWindow()), focus_(QApplication::focusWidget()) {
        if (focus_ && window_ && focus_->window() != window_)
            focus_ = nullptr;
    }
    ~KeyboardReturn() {
        if (!window_ || !window_->isVisible())
            return;
        window_->activateWindow();
        if (focus_ && focus_->isVisible() && focus_->isEnabled())
            focus_->setFocus(Qt::ActiveWindowFocusReason);
        else
            window_->setFocus(Qt::ActiveWindowFocusReason);
    }
    KeyboardReturn(const KeyboardReturn&) = delete;
    KeyboardReturn& operator=(const KeyboardReturn&) = delete;

private:
    QPointer<QWidget> window_;
    QPointer<QWidget> focus_;
};

} // namespace soru
