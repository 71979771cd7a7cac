#include "ui/widgets/status_panels.h"

#include "ui/widgets/bevel_panel.h"

#include <QPainter>

namespace soru {

StatusPanels::StatusPanels(QWidget* parent) : QWidget(parent) {}

void StatusPanels::setPanels(const QList<Panel>& panels) {
    panels_ = panels;
    update();
}

void StatusPanels::setPanelText(int i, const QString& text) {
    if (i < 0 || i >= panels_.size() || panels_[i].text == text)
        return;
    panels_[i].text = text;
    update(panelRect(i).adjusted(-1, -1, 1, 1));
}

QRect StatusPanels::panelRect(int i) const {
    int left = 0;
    for (int k = 0; k < i && k < panels_.size(); ++k)
        left += panels_[k].width;
    const int right = (i == panels_.size() - 1) ? width() : left + panels_.value(i).width;
    // Each panel is sunk one pixel into the bar, with a 2-pixel gap between panels.
    return QRect(QPoint(left + 1, 3), QPoint(right - 2, height() - 2));
}

void StatusPanels::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    p.setFont(font());
    for (int i = 0; i < panels_.size(); ++i) {
        const QRect r = panelRect(i);
        drawBevel(p, r.adjusted(-1, -1, 1, 1), BevelCut::Lowered, palette());
        p.save();
        p.setClipRect(r);
        if (panels_[i].ownerDrawn) {
            if (onDrawPanel)
                onDrawPanel(p, i, r);
        } else {
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(r.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                       panels_[i].text);
        }
        p.restore();
    }
}

} // namespace soru
