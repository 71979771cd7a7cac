#include "media/picture_kind.h"

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
    if (ext.size() != 4)
        return PictureKind::Jpeg;
    // Only a to z change case: no locale, no other letters.
    QString upper = ext;
    for (QChar& c : upper)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    return upper == QLatin1String(".BMP") ? PictureKind::Bitmap : PictureKind::Jpeg;
}

} // namespace soru
