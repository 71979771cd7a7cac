#pragma once
// An image with a drawing surface: it shows its bitmap unscaled at its own
// top-left corner, clipped to its size. The bitmap keeps its own size when
// the widget is moved or resized; asking for the canvas of an image without
// a bitmap gives it one of the widget's size.
//
// A finished picture can be presented instead of copied onto the canvas: it
// is shown as if it had been drawn at the canvas's corner, and is only
// copied there when the canvas (or the bitmap) is next asked for. Stepping
// through pictures then writes no pixels of its own.
#include <QImage>
#include <QWidget>

#include <functional>

namespace soru {

class ImageBox : public QWidget {
    Q_OBJECT
public:
    explicit ImageBox(QWidget* parent = nullptr);

    bool hasBitmap() const { return !bitmap_.isNull() || !presented_.isNull(); }
    // The drawing surface; created at the widget's size (white) if missing.
    // A device-scaled box makes it in the screen's device pixels (its device
    // pixel ratio set), so what is drawn on it keeps the screen's detail.
    QImage& canvas();
    void setDeviceScaled(bool on) { deviceScaled_ = on; }
    const QImage& bitmap() const;
    void setBitmap(const QImage& image);
    // Shows the opaque picture, decoded for `device` pixels (give or take
    // the pixel or two the rounding of a logical size may add or take), as
    // if it had been copied onto the canvas pixel for pixel with its corner
    // at the canvas's, without copying it now.
    void present(const QImage& picture, QSize device);

    // Mouse handlers, bound by the window that owns the image.
    std::function<void(QMouseEvent*)> onMouseMove;
    std::function<void(QMouseEvent*)> onMouseUp;
    std::function<void()> onClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // A bitmap without transparency that covers the whole box hides what is
    // behind it: the toolkit then paints nothing below the box (for a full
    // screen picture, a whole screen less to paint on every step).
    void updateOpaque();
    // Copies a presented picture onto the canvas, as present() promised.
    void takeInPresented() const;
    void makeCanvas() const;
    qreal canvasRatio() const;

    mutable QImage bitmap_;
    mutable QImage presented_;
    QSize presentedDevice_;
    bool pressedLeft_ = false;
    bool deviceScaled_ = false;
};

} // namespace soru
