#include "ui/widgets/image_box.h"

#include <QMouseEvent>
#include <QPainter>

namespace soru {

ImageBox::ImageBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

QImage& ImageBox::canvas() {
    if (bitmap_.isNull()) {
        const qreal dpr = deviceScaled_ ? devicePixelRatioF() : 1.0;
        bitmap_ = QImage(qMax(1, qRound(width() * dpr)), qMax(1, qRound(height() * dpr)), QImage::Format_RGB32);
        bitmap_.setDevicePixelRatio(dpr);
        bitmap_.fill(Qt::white);
        updateOpaque();
    }
    return bitmap_;
}

void ImageBox::setBitmap(const QImage& image) {
    bitmap_ = image;
    updateOpaque();
    update();
}

void ImageBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateOpaque();
}

void ImageBox::updateOpaque() {
    const QSizeF shown = bitmap_.deviceIndependentSize();
    const bool covers = !bitmap_.isNull() && !bitmap_.hasAlphaChannel() && shown.width() >= width() &&
                        shown.height() >= height();
    if (testAttribute(Qt::WA_OpaquePaintEvent) != covers)
        setAttribute(Qt::WA_OpaquePaintEvent, covers);
}

void ImageBox::paintEvent(QPaintEvent*) {
    if (bitmap_.isNull())
        return;
    QPainter p(this);
    p.drawImage(0, 0, bitmap_);
}

void ImageBox::mouseMoveEvent(QMouseEvent* event) {
    if (onMouseMove)
        onMouseMove(event);
    else
        QWidget::mouseMoveEvent(event);
}

void ImageBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        pressedLeft_ = true;
    QWidget::mousePressEvent(event);
}

void ImageBox::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressedLeft_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        pressedLeft_ = false;
    if (onMouseUp)
        onMouseUp(event);
    if (click && onClick)
        onClick();
}

} // namespace soru
