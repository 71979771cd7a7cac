#include "ui/widgets/image_box.h"

#include "core/pixel_copy.h"

#include <QMouseEvent>
#include <QPainter>

#include <utility>

namespace soru {

ImageBox::ImageBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

QImage& ImageBox::canvas() {
    takeInPresented();
    if (bitmap_.isNull()) {
        makeCanvas();
        updateOpaque();
    }
    return bitmap_;
}

void ImageBox::makeCanvas() const {
    const qreal dpr = deviceScaled_ ? devicePixelRatioF() : 1.0;
    bitmap_ = QImage(qMax(1, qRound(width() * dpr)), qMax(1, qRound(height() * dpr)), QImage::Format_RGB32);
    bitmap_.setDevicePixelRatio(dpr);
    bitmap_.fill(Qt::white);
}

qreal ImageBox::canvasRatio() const {
    return !bitmap_.isNull() ? bitmap_.devicePixelRatio() : deviceScaled_ ? devicePixelRatioF() : 1.0;
}

const QImage& ImageBox::bitmap() const {
    takeInPresented();
    return bitmap_;
}

void ImageBox::setBitmap(const QImage& image) {
    presented_ = QImage();
    bitmap_ = image;
    updateOpaque();
    update();
}

void ImageBox::present(const QImage& picture, QSize device) {
    // A picture that leaves part of the one presented before uncovered
    // needs that one on the canvas first, as if each had been copied there.
    if (!presented_.isNull() &&
        (device.width() < presentedDevice_.width() || device.height() < presentedDevice_.height()))
        takeInPresented();
    presented_ = picture;
    presentedDevice_ = device;
    updateOpaque();
    update();
}

void ImageBox::takeInPresented() const {
    if (presented_.isNull())
        return;
    QImage picture = std::exchange(presented_, QImage());
    if (bitmap_.isNull())
        makeCanvas();
    // Raw 32-bit rows on both sides (the picture is opaque, so RGB32 loses
    // nothing), copied in the canvas's device pixels.
    const auto rows32 = [](const QImage& i) {
        return i.format() == QImage::Format_RGB32 || i.format() == QImage::Format_ARGB32_Premultiplied;
    };
    if (!rows32(bitmap_)) {
        const qreal dpr = bitmap_.devicePixelRatio();
        bitmap_ = bitmap_.convertToFormat(bitmap_.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                    : QImage::Format_RGB32);
        bitmap_.setDevicePixelRatio(dpr);
    }
    if (!rows32(picture))
        picture = picture.convertToFormat(QImage::Format_RGB32);
    copyPixelForPixel({picture.constBits(), picture.bytesPerLine(), picture.size()},
                      {bitmap_.bits(), bitmap_.bytesPerLine(), bitmap_.size()}, QPoint(0, 0), presentedDevice_);
}

void ImageBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateOpaque();
}

void ImageBox::updateOpaque() {
    const QImage& top = presented_.isNull() ? bitmap_ : presented_;
    const QSizeF shown = presented_.isNull() ? bitmap_.deviceIndependentSize()
                                             : QSizeF(presentedDevice_) / canvasRatio();
    const bool covers = !top.isNull() && !top.hasAlphaChannel() && shown.width() >= width() &&
                        shown.height() >= height();
    if (testAttribute(Qt::WA_OpaquePaintEvent) != covers)
        setAttribute(Qt::WA_OpaquePaintEvent, covers);
}

void ImageBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const qreal dpr = canvasRatio();
    // The canvas shows only where a presented picture does not reach.
    if (!bitmap_.isNull() &&
        (presented_.isNull() || !QRectF(QPointF(0, 0), QSizeF(presentedDevice_) / dpr).contains(QRectF(rect()))))
        p.drawImage(0, 0, bitmap_);
    if (presented_.isNull())
        return;
    // In device pixels, where the picture is a plain copy.
    p.scale(1 / dpr, 1 / dpr);
    for (const PixelPiece& piece : pixelForPixelPieces(presented_.size(), presentedDevice_))
        p.drawImage(piece.target, presented_, piece.source);
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
