#include "media/pipeline/picture_cache.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef _WIN32
#include <windows.h>
#endif

namespace soru {


size_t qHash(const PictureKey& key, size_t seed) {
    return qHashMulti(seed, key.path, key.box.width(), key.box.height());
}

qint64 physicalMemoryBytes() {
#ifdef _WIN32
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    return GlobalMemoryStatusEx(&status) ? qint64(status.ullTotalPhys) : 0;
#else
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? qint64(pages) * pageSize : 0;
#endif
}

PictureCache::PictureCache(qint64 maxBytes) : maxBytes_(maxBytes) {}

std::optional<DecodedPicture> PictureCache::find(const PictureKey& key, const FileStamp& stamp) {
    const std::lock_guard lock(mutex_);
    const auto it = index_.constFind(key);
    if (it == index_.cend())
        return std::nullopt;
    const Order::iterator entry = *it;
    if (!(entry->stamp == stamp)) {
        eraseLocked(entry);
        return std::nullopt;
    }
    order_.splice(order_.begin(), order_, entry);
    return entry->picture;
}

bool PictureCache::contains(const PictureKey& key, const FileStamp& stamp) const {
    const std::lock_guard lock(mutex_);
    const auto it = index_.constFind(key);
    return it != index_.cend() && (*it)->stamp == stamp;
}

void PictureCache::insert(const PictureKey& key, const FileStamp& stamp,
                          const DecodedPicture& picture) {
    const std::lock_guard lock(mutex_);
    if (const auto it = index_.constFind(key); it != index_.cend())
        eraseLocked(*it);
    const qint64 bytes = picture.bytes() + qint64(sizeof(Entry)) + key.path.size() * 2;
    if (picture.isMissing() || !stamp.exists || bytes > maxBytes_)
        return;
    order_.push_front(Entry{key, stamp, picture, bytes});
    index_.insert(key, order_.begin());
    bytes_ += bytes;
    while (bytes_ > maxBytes_)
        eraseLocked(std::prev(order_.end()));
}

void PictureCache::remove(const PictureKey& key) {
    const std::lock_guard lock(mutex_);
    if (const auto it = index_.constFind(key); it != index_.cend())
        eraseLocked(*it);
}

void PictureCache::clear() {
    const std::lock_guard lock(mutex_);
    order_.clear();
    index_.clear();
    bytes_ = 0;
}

qint64 PictureCache::bytes() const {
    const std::lock_guard lock(mutex_);
    return bytes_;
}

int PictureCache::count() const {
    const std::lock_guard lock(mutex_);
    return int(order_.size());
}

QList<PictureKey> PictureCache::keysByRecency() const {
    const std::lock_guard lock(mutex_);
    QList<PictureKey> keys;
    for (const Entry& e : order_)
        keys << e.key;
    return keys;
}

void PictureCache::eraseLocked(Order::iterator it) {
    bytes_ -= it->bytes;
    index_.remove(it->key);
    order_.erase(it);
}

} // namespace soru
