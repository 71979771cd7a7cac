#include "ui/widgets/status_panels.h"

#include "ui/widgets/bevel_panel.h"

#include <QPainter>

#include <algorithm>

namespace soru {

StatusPanels::StatusPanels(QWidget* parent) : QWidget(parent) {}

void StatusPanels::setPanels(const QList<Panel>& panels) {
    panels_ = panels;
    baseWidths_.clear();
    for (int i = 0; i < panels_.size(); ++i) {
        baseWidths_ << panels_[i].width;
        panels_[i].width = widthFor(i);
    }
    update();
}

int StatusPanels::widthFor(int i) const {
    const Panel& p = panels_[i];
    if (!p.growsToText || p.text.isEmpty())
        return baseWidths_[i];
    // The text starts 3 pixels into the panel (its sunk edge, then 2 pixels
    // inside) and its ink may reach the inside's last column, 2 pixels before
    // the next panel: as far as an ordinary photo's "6000 x 4000" reaches in
    // the classic width.
    const int inkRight = fontMetrics().tightBoundingRect(p.text).right();
    return std::max(baseWidths_[i], 3 + inkRight + 2);
}

void StatusPanels::setPanelText(int i, const QString& text) {
    if (i < 0 || i >= panels_.size() || panels_[i].text == text)
        return;
    panels_[i].text = text;
    const int width = widthFor(i);
    if (width != panels_[i].width) {
        panels_[i].width = width;
        update(); // the panels after it move
        return;
    }
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
