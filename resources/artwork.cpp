#include "resources/artwork.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace soru {

namespace {

QString resourcePath(const QString& stem, int scale) {
    return scale == 1 ? QStringLiteral(":/images/%1.png").arg(stem)
                      : QStringLiteral(":/images/%1@%2x.png").arg(stem).arg(scale);
}

QString glyphStem(int index) {
    return QStringLiteral("glyph_%1").arg(index, 2, 10, QLatin1Char('0'));
}

QPixmap artworkPixmap(const QString& stem) {
    return QPixmap::fromImage(artworkImage(stem, artworkScale()));
}

} // namespace

int artworkScaleFor(qreal devicePixelRatio) {
    // A small tolerance keeps 2.0000001 from asking for 3x.
    return std::clamp(int(std::ceil(devicePixelRatio - 1e-3)), 1, 3);
}

int artworkScale() {
    if (qGuiApp)
        return artworkScaleFor(qGuiApp->devicePixelRatio());
    return 1;
}

QImage artworkImage(const QString& stem, int scale) {
    if (scale < 1 || scale > 3)
        return {};
    QImage image(resourcePath(stem, scale));
    image.setDevicePixelRatio(scale);
    return image;
}

QString glyphPath(int index, int scale) {
    if (index < 0 || index >= kGlyphCount || scale < 1 || scale > 3)
        return {};
    return resourcePath(glyphStem(index), scale);
}

QPixmap glyph(int index) {
    if (index < 0 || index >= kGlyphCount)
        return {};
    return artworkPixmap(glyphStem(index));
}

QImage glyphImage(int index) {
    return glyphImage(index, artworkScale());
}

QImage glyphImage(int index, int scale) {
    if (index < 0 || index >= kGlyphCount)
        return {};
    return artworkImage(glyphStem(index), scale);
}

QIcon mainIcon() {
    // Each picture by its pixel size; the 2x painting of the 16-pixel design
    // would compete with the 32-pixel design, which has more detail.
    QIcon icon;
    icon.addFile(resourcePath(QStringLiteral("icon_16"), 1), QSize(16, 16));
    icon.addFile(resourcePath(QStringLiteral("icon_32"), 1), QSize(32, 32));
    icon.addFile(resourcePath(QStringLiteral("icon_16"), 3), QSize(48, 48));
    icon.addFile(resourcePath(QStringLiteral("icon_32"), 2), QSize(64, 64));
    icon.addFile(resourcePath(QStringLiteral("icon_32"), 3), QSize(96, 96));
    return icon;
}

QCursor backCursor() {
    return QCursor(artworkPixmap(QStringLiteral("cursor_back")), 0, 0);
}

QCursor nextCursor() {
    return QCursor(artworkPixmap(QStringLiteral("cursor_next")), 0, 0);
}

QPixmap splashArtwork() {
    return artworkPixmap(QStringLiteral("splash"));
}

QPixmap splashEmblem() {
    return artworkPixmap(QStringLiteral("emblem"));
}

QImage infoCloseCross() {
    return artworkImage(QStringLiteral("info_close"), artworkScale());
}

QImage infoEnvelope() {
    return artworkImage(QStringLiteral("info_mail"), artworkScale());
}

QImage infoBanner() {
    return artworkImage(QStringLiteral("info_banner"), artworkScale());
}

QImage infoClickSign() {
    return artworkImage(QStringLiteral("info_click"), artworkScale());
}

} // namespace soru
