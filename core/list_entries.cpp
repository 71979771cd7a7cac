#include "core/list_entries.h"

#include "core/albums.h"

namespace soru {

ListEntry albumListEntry(int count, const QString& name) {
    return {albumEntry(count, name), ListEntryKind::Album, name, count};
}

ListEntry pictureListEntry(const QString& path) {
    // The entry's first character is the picture kind: "0" a bitmap, "3"
    // anything else; the rest is the name.
    const QString text = pictureEntry(path);
    const ListEntryKind kind = text.startsWith(QLatin1Char('0')) ? ListEntryKind::BitmapPicture
                                                                 : ListEntryKind::JpegPicture;
    return {text, kind, text.mid(1), 0};
}

QString albumHint(int count, const QString& name) {
    return QCoreApplication::translate("soru", "写真 %n 枚", nullptr, count) + QStringLiteral("\r\n") + name;
}

} // namespace soru
