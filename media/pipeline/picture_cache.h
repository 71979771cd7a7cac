#pragma once
// Decoded pictures kept for showing again: bounded by the memory they hold,
// the least recently used dropped first. An entry belongs to a path and a
// drawing box and remembers the file as it was when it was decoded (size,
// modification time and identity); a file changed since is decoded again.
// Safe to use from several threads.
#include "media/formats/decoded_picture.h"
#include "media/formats/file_stamp.h"

#include <QHash>
#include <QSize>
#include <QString>

#include <list>
#include <mutex>
#include <optional>

namespace soru {

struct PictureKey {
    QString path;
    QSize box;
    bool operator==(const PictureKey&) const = default;
};
size_t qHash(const PictureKey& key, size_t seed = 0);

// The machine's physical memory in bytes; 0 when it cannot be told.
qint64 physicalMemoryBytes();

class PictureCache {
public:
    explicit PictureCache(qint64 maxBytes);

    // The picture kept for the key when the file is still as stamped, and
    // it becomes the most recently used; an entry for an older state of the
    // file is dropped.
    std::optional<DecodedPicture> find(const PictureKey& key, const FileStamp& stamp);
    // Whether find() would give a picture, without changing the order.
    bool contains(const PictureKey& key, const FileStamp& stamp) const;
    // Keeps the picture (replacing one for the key), then drops the least
    // recently used until the bound holds. A picture larger than the whole
    // bound is not kept. Missing pictures are never kept.
    void insert(const PictureKey& key, const FileStamp& stamp, const DecodedPicture& picture);
    void remove(const PictureKey& key);
    void clear();

    qint64 maxBytes() const { return maxBytes_; }
    qint64 bytes() const;
    int count() const;
    // The keys from the most to the least recently used.
    QList<PictureKey> keysByRecency() const;

private:
    struct Entry {
        PictureKey key;
        FileStamp stamp;
        DecodedPicture picture;
        qint64 bytes;
    };
    using Order = std::list<Entry>;
    void eraseLocked(Order::iterator it);

    const qint64 maxBytes_;
    mutable std::mutex mutex_;
    Order order_; // most recently used first
    QHash<PictureKey, Order::iterator> index_;
    qint64 bytes_ = 0;
};

} // namespace soru
