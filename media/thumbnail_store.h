#pragma once
// The desktop's shared thumbnail cache, which file managers and viewers
// share: one PNG per picture and size in $XDG_CACHE_HOME/thumbnails/<size>/,
// named after the MD5 of the picture's file URI and valid while its keys
// still name the file as it is (URI, modification time, size). A folder on
// a read-only medium may bring its own in .sh_thumbnails/<size>/, named
// after the MD5 of the file name; those are read, never written.
//
//   ThumbnailStore store(ThumbnailStore::defaultFolder());
//   const int side = ThumbnailStore::sideFor(cellBox);   // 0: no size is big enough
//   const FileStamp stamp = fileStamp(path);
//   if (auto t = store.find(path, side, stamp)) ... t->image, t->pictureSize
//   else store.save(path, side, thumbnail, pictureSize, stamp);
//
// find() may run on several threads at once. save() hands the write to a
// thread of the store's own and returns at once; the store's destructor
// finishes the writes queued. Nothing here fails loudly: a missing, stale or
// broken thumbnail is no thumbnail, and a write that fails (a full disk, a
// read-only home) leaves none.
#include "media/picture_cache.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

namespace soru {

class ThumbnailStore {
public:
    // $XDG_CACHE_HOME/thumbnails, or ~/.cache/thumbnails when that is unset
    // or not absolute.
    static QString defaultFolder();
    // The side (128, 256, 512, 1024) of the smallest size whose square box
    // holds the box; 0 when the box is larger than the largest.
    static int sideFor(QSize box);
    // "normal", "large", "x-large", "xx-large"; empty for another side.
    static QString sizeName(int side);
    // file:// and the absolute path, percent-encoded.
    static QByteArray fileUri(const QString& path);
    // Where the thumbnail of the picture for the side is kept in the
    // album's shared repository.
    static QString sharedPath(const QString& path, int side);

    explicit ThumbnailStore(QString folder);
    ~ThumbnailStore();
    ThumbnailStore(const ThumbnailStore&) = delete;
    ThumbnailStore& operator=(const ThumbnailStore&) = delete;

    QString folder() const { return folder_; }
    // Where the thumbnail of the picture for the side is kept here.
    QString cachePath(const QString& path, int side) const;
    // Whether the path lies inside this store's folder: thumbnails are never
    // made of thumbnails.
    bool holds(const QString& path) const;

    struct Thumbnail {
        QImage image;      // Format_RGB32, sRGB, upright, within side x side
        QSize pictureSize; // the picture's own size; empty when the file does not say
    };
    // A valid thumbnail of the file as stamped (taken before it is used):
    // the album's shared repository first, then this store.
    std::optional<Thumbnail> find(const QString& path, int side, const FileStamp& stamp) const;

    // Queues the writing of the thumbnail (sRGB, upright, fitted to the
    // side's box) of the picture whose file was as stamped before it was
    // decoded.
    void save(const QString& path, int side, const QImage& thumbnail, QSize pictureSize,
              const FileStamp& stamp);
    // Blocks until every queued write has been made or given up.
    void waitUntilWritten();

private:
    struct Writer;
    QString folder_;
    std::unique_ptr<Writer> writer_;
};

} // namespace soru
