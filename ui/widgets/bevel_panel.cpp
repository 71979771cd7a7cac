#include "ui/widgets/bevel_panel.h"

#include <QMouseEvent>
#include <QPainter>

namespace soru {

void drawBevel(QPainter& p, const QRect& r, BevelCut cut, const QPalette& pal) {
    if (cut == BevelCut::None || r.width() <= 0 || r.height() <= 0)
        return;
    const QColor light = pal.color(QPalette::Light);
    const QColor dark = pal.color(QPalette::Dark);
    const QColor topLeft = cut == BevelCut::Raised ? light : dark;
    const QColor bottomRight = cut == BevelCut::Raised ? dark : light;
    p.setPen(topLeft);
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom());
    p.setPen(bottomRight);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
}

BevelPanel::BevelPanel(QWidget* parent) : QWidget(parent) {
    colour_ = palette().color(QPalette::Button);
    captionColour_ = palette().color(QPalette::ButtonText);
    setAutoFillBackground(false);
}

void BevelPanel::setBevels(BevelCut outer, BevelCut inner) {
    outer_ = outer;
    inner_ = inner;
    update();
}

void BevelPanel::setColour(const QColor& colour) {
    colour_ = colour;
    update();
}

void BevelPanel::setCaption(const QString& caption, Qt::Alignment alignment) {
    caption_ = caption;
    alignment_ = alignment;
    update();
}

void BevelPanel::setCaptionColour(const QColor& colour) {
    captionColour_ = colour;
    update();
}

int BevelPanel::bevelWidth() const {
    return (outer_ != BevelCut::None ? 1 : 0) + (inner_ != BevelCut::None ? 1 : 0);
}

void BevelPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), colour_);
    QRect r = rect();
    drawBevel(p, r, outer_, palette());
    if (outer_ != BevelCut::None)
        r.adjust(1, 1, -1, -1);
    drawBevel(p, r, inner_, palette());
    if (inner_ != BevelCut::None)
        r.adjust(1, 1, -1, -1);
    if (!caption_.isEmpty()) {
        p.setPen(captionColour_);
        p.setFont(font());
        p.drawText(r, int(alignment_ | Qt::AlignVCenter) | Qt::TextSingleLine, caption_);
    }
}

void BevelPanel::mouseMoveEvent(QMouseEvent* event) {
    if (onMouseMove)
        onMouseMove(event);
    else
        QWidget::mouseMoveEvent(event);
}

BevelFrame::BevelFrame(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NoSystemBackground);
}

void BevelFrame::paintEvent(QPaintEvent*) {
    QPainter p(this);
    drawBevel(p, rect(), BevelCut::Raised, palette());
}

} // namespace soru
