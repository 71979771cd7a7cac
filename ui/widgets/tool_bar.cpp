#include "ui/widgets/tool_bar.h"
#include "ui/widgets/hint.h"

#include "ui/widgets/bevel_panel.h"

#include <QContextMenuEvent>
#include <QPainter>

namespace soru {

ToolButton::ToolButton(QWidget* parent) : QToolButton(parent) {
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setIconSize(QSize(16, 16));
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QToolButton::clicked, this, [this] {
        if (onClick)
            onClick();
    });
}

bool ToolButton::event(QEvent* event) {
    if (showOwnHint(this, event, hint_))
        return true;
    return QToolButton::event(event);
}

void ToolButton::contextMenuEvent(QContextMenuEvent* event) {
    if (onContextPopup) {
        onContextPopup(event->pos());
        event->accept();
        return;
    }
    QToolButton::contextMenuEvent(event);
}

ToolBar::ToolBar(QWidget* parent) : QFrame(parent) { setAutoFillBackground(true); }

void ToolBar::placeButton(QToolButton* button, int left, int width, int height) {
    button->setGeometry(kEdge + left, kEdge, width, height);
}

void ToolBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    // Lowered outer edge and raised inner edge, as a toolbar's edge lines.
    drawBevel(p, rect(), BevelCut::Lowered, palette());
    drawBevel(p, rect().adjusted(1, 1, -1, -1), BevelCut::Raised, palette());
}

} // namespace soru
