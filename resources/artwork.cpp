#include "resources/artwork.h"

namespace soru {

QString glyphPath(int index) {
    if (index < 0 || index >= kGlyphCount)
        return {};
    return QStringLiteral(":/images/glyph_%1.png").arg(index, 2, 10, QLatin1Char('0'));
}

QPixmap glyph(int index) {
    const QString path = glyphPath(index);
    return path.isEmpty() ? QPixmap() : QPixmap(path);
}

QImage glyphImage(int index) {
    const QString path = glyphPath(index);
    return path.isEmpty() ? QImage() : QImage(path);
}

QIcon mainIcon() {
    QIcon icon;
    icon.addFile(QStringLiteral(":/images/icon_16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/images/icon_32.png"), QSize(32, 32));
    return icon;
}

QCursor backCursor() {
    return QCursor(QPixmap(QStringLiteral(":/images/cursor_back.png")), 0, 0);
}

QCursor nextCursor() {
    return QCursor(QPixmap(QStringLiteral(":/images/cursor_next.png")), 0, 0);
}

QPixmap splashArtwork() {
    return QPixmap(QStringLiteral(":/images/splash.png"));
}

QPixmap splashEmblem() {
    return QPixmap(QStringLiteral(":/images/emblem.png"));
}

QImage infoCloseCross() {
    return QImage(QStringLiteral(":/images/info_close.png"));
}

QImage infoEnvelope() {
    return QImage(QStringLiteral(":/images/info_mail.png"));
}

QImage infoBanner() {
    return QImage(QStringLiteral(":/images/info_banner.png"));
}

QImage infoClickSign() {
    return QImage(QStringLiteral(":/images/info_click.png"));
}

} // namespace soru
