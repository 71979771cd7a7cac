#include "media/formats/picture_kind.h"

namespace soru {

QString pathExtension(const QString& path) {
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        const QChar c = path.at(i);
        if (c == u'.')
            return path.mid(i);
        if (c == u'/' || c == u'\\' || c == u':')
            break;
    }
    return {};
}

PictureKind pictureKindOf(const QString& path) {
    const QString ext = pathExtension(path);
    if (ext.size() != 4 && ext.size() != 5)
        return PictureKind::Jpeg;
    // Only a to z change case: no locale, no other letters.
    QString upper = ext;
    for (QChar& c : upper)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    if (upper == QLatin1String(".BMP"))
        return PictureKind::Bitmap;
    if (upper == QLatin1String(".PNG"))
        return PictureKind::Png;
    if (upper == QLatin1String(".WEBP"))
        return PictureKind::Webp;
    if (upper == QLatin1String(".HEIC") || upper == QLatin1String(".HEIF") ||
        upper == QLatin1String(".AVIF"))
        return PictureKind::Heif;
    return PictureKind::Jpeg;
}

} // namespace soru
