#include "ui/widgets/gradient_painter.h"

#include "core/gradient.h"
#include "ui/widgets/image_box.h"

#include <QColor>
#include <QPainter>
#include <QScopeGuard>

namespace soru {

QColor colourFromBgr(quint32 bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

void paintGradient(QImage& image, quint32 startColour) {
    if (image.isNull())
        return;
    // Bands of device pixels: on a high-density surface the ramp gets as
    // many steps as the screen has rows.
    const qreal dpr = image.devicePixelRatio();
    image.setDevicePixelRatio(1.0);
    const auto restore = qScopeGuard([&image, dpr] { image.setDevicePixelRatio(dpr); });
    QPainter p(&image);
    const int w = image.width();
    for (const GradientBand& b : gradientBands(image.height(), startColour)) {
        if (b.top >= image.height())
            continue; // wholly below the image: changes nothing
        p.fillRect(QRect(0, b.top, w, b.bottom - b.top), colourFromBgr(b.colour));
    }
}

void paintGradient(ImageBox& image, quint32 startColour) {
    paintGradient(image.canvas(), startColour);
    image.update();
}

} // namespace soru
