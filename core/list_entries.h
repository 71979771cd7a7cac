#pragma once
// Entries of the album and picture lists: the text each line holds, and what
// the program reads back from it, kept as the item's data so that nothing is
// parsed out of the text again.
#include <QString>

namespace soru {

enum class ListEntryKind { Album, BitmapPicture, JpegPicture };

// Item-data roles of a list entry (Qt::UserRole and the ones after it).
namespace entry_role {
inline constexpr int Kind = Qt::UserRole;
inline constexpr int Name = Qt::UserRole + 1;
inline constexpr int Count = Qt::UserRole + 2;
} // namespace entry_role

struct ListEntry {
    QString text;
    ListEntryKind kind = ListEntryKind::Album;
    // An album's name as listed (the root album's label for the root), or a
    // picture's file name without its last extension.
    QString name;
    // An album's picture count; 0 for a picture.
    int count = 0;
};

ListEntry albumListEntry(int count, const QString& name);
ListEntry pictureListEntry(const QString& path);

// The album entry's hint: "写真 7 枚" CR LF "Travel".
QString albumHint(int count, const QString& name);

} // namespace soru
