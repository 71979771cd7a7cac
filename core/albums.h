#pragma once
// Albums and their pictures: which folders are albums, which files are
// pictures, in what order, and the texts of the album and picture lists.
#include <QCollator>
#include <QString>
#include <QStringList>

#include "core/texts.h"

#include <functional>

namespace soru {

// Picture extensions, searched in this order: the classic four first, then
// today's photo formats.
inline const QStringList kImageExtensions = {
    QStringLiteral("jpg"),  QStringLiteral("jpe"),  QStringLiteral("jpeg"),
    QStringLiteral("bmp"),  QStringLiteral("png"),  QStringLiteral("webp"),
    QStringLiteral("heic"), QStringLiteral("heif"), QStringLiteral("avif")};

// The root album's name in the album list.
inline constexpr text::Text kRootAlbumLabel{QT_TRANSLATE_NOOP("soru", "[ ルートアルバム ]")};

// Hidden entries are left out of every search: names starting with "." here.
bool isHiddenName(const QString& name);

// A list kept in the locale's case-insensitive order. Adding a string that is
// already held changes nothing. Strings that differ only in letter case are
// different files on a case-sensitive file system and are both kept, next to
// each other.
class SortedNameList {
public:
    SortedNameList();
    void add(const QString& s);
    void clear() { items_.clear(); }
    const QStringList& items() const { return items_; }
    int size() const { return int(items_.size()); }
    bool less(const QString& a, const QString& b) const;

private:
    QCollator collator_;
    QStringList items_;
};

// The album folders directly under root: folders (or links to folders) that
// are not hidden, in list order. A folder that cannot be read gives none.
QStringList albumFolderNames(const QString& root);

// The names of the files directly in folder that match "*." + extension
// (letter case ignored), leaving out hidden entries and folders. Nothing when
// the folder cannot be read.
QStringList matchingFileNames(const QString& folder, const QString& extension);

// Sum of the matches of the four extensions (a file matched twice counts twice).
int countPictures(const QString& folder);

// Folders the album scan counts at once under root. On a share (a network
// or user-space file system) each answer takes a round trip, and
// kAlbumScanThreads overlap; on a local disk the work is the processor's,
// and one folder a core is quickest (more only contend for the same
// kernel locks).
inline constexpr int kAlbumScanThreads = 8;
int albumScanThreads(const QString& root);

// Counts the pictures of each folder (as countPictures does), several
// folders at a time: on a network share the wait for each answer, not the
// processor, is the limit. Calls counted(i, count) on the calling thread for
// every folder in order, each as soon as it and those before it are done, so
// a progress display can advance folder by folder. threads <= 1: one folder
// after the other on the calling thread.
void countPicturesInOrder(const QStringList& folders, int threads,
                          const std::function<void(int index, int count)>& counted);

// The album's pictures as full paths (folder + "/" + name), in list order,
// each once.
QStringList albumPicturePaths(const QString& folder);

// Album entry: the count right-aligned in 10 characters, then the name.
QString albumEntry(int count, const QString& name);
QString albumEntryName(const QString& entry);
QString albumEntryCount(const QString& entry); // blanks removed
// "写真 7 枚" CR LF "Travel".
QString albumEntryHint(const QString& entry);

// Picture entry: "0" for a bitmap, "3" otherwise, then the file name without
// its last extension.
QString pictureEntry(const QString& path);

// Rows a list shows: as many as fit into the panel (less 4), at most entries.
int visibleListRows(int panelHeight, int itemHeight, int entries);

} // namespace soru
