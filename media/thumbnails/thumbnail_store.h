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
// find() may run on several threads at once. Thumbnails are read as
// pictures are: regular files only, never waiting on a named pipe, and no
// longer than a thumbnail can be. save() hands the write to a thread of the
// store's own and returns at once; the writes waiting are bounded (the
// oldest are dropped), and the store's destructor makes what it can of them
// within half a second, then gives up the rest. Nothing here fails loudly: a
// missing, stale or broken thumbnail is no thumbnail, and a write that fails
// (a full disk, a read-only home) or is dropped leaves none.
#include "media/formats/file_stamp.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>
#include <functional>
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
    // file:// and the absolute path, percent-encoded as the desktop's
    // libraries do it: bytes other than letters, digits and !$&'()*+,-./:=@_~
    // become %XX (upper-case hex), so ; [ ] # % ? and spaces are escaped.
    static QByteArray fileUri(const QString& path);
    // Where the thumbnail of the picture for the side is kept in the
    // album's shared repository.
    static QString sharedPath(const QString& path, int side);

    // How a thumbnail's bytes reach their file; false when they did not.
    using WriteFile = std::function<bool(const QString& target, const QByteArray& bytes)>;

    explicit ThumbnailStore(QString folder);
    // Writing through writeFile instead of a temporary file renamed over the
    // target (a slow or failing disk, in tests). It runs on the store's
    // thread, and may still run after the store is gone: what it uses, it
    // must own.
    ThumbnailStore(QString folder, WriteFile writeFile);
    ~ThumbnailStore();
    ThumbnailStore(const ThumbnailStore&) = delete;
    ThumbnailStore& operator=(const ThumbnailStore&) = delete;

    QString folder() const { return folder_; }
    // A store that is not writable finds thumbnails as before and saves none
    // (a portable copy leaves the host's cache as it found it).
    void setWritable(bool writable) { writable_ = writable; }
    bool writable() const { return writable_; }
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
    std::atomic<bool> writable_{true};
    std::shared_ptr<Writer> writer_;
};

} // namespace soru
