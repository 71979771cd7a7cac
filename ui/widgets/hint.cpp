#include "ui/widgets/hint.h"

#include <QHelpEvent>
#include <QToolTip>

namespace soru {

bool showOwnHint(QWidget* widget, QEvent* event, const QString& hint) {
    if (event->type() != QEvent::ToolTip)
        return false;
    if (hint.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), hint, widget);
    return true;
}

} // namespace soru
