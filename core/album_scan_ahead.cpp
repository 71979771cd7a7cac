#include "core/album_scan_ahead.h"

#include "core/albums.h"

namespace soru {

namespace {
struct Stopped {};
} // namespace

AlbumScanAhead::AlbumScanAhead(QString root, int threads) : root_(std::move(root)) {
    thread_ = std::thread([this, threads] { run(threads); });
}

AlbumScanAhead::~AlbumScanAhead() {
    stop_ = true;
    thread_.join();
}

void AlbumScanAhead::run(int threads) {
    try {
        scan(threads);
    } catch (const Stopped&) {
    } catch (...) {
        // Raised where the counts are taken, as the window's own scan would.
        {
            const std::lock_guard lock(mutex_);
            failure_ = std::current_exception();
            listed_ = true;
        }
        changed_.notify_all();
    }
}

void AlbumScanAhead::scan(int threads) {
    const QStringList folders = albumFolderNames(root_);
    QStringList paths{root_};
    for (const QString& folder : folders)
        paths << root_ + folder;
    {
        const std::lock_guard lock(mutex_);
        folders_ = folders;
        counts_.assign(std::size_t(paths.size()), -1);
        listed_ = true;
    }
    changed_.notify_all();
    countPicturesInOrder(paths, threads, [this](int index, int count) {
        if (stop_)
            throw Stopped{};
        {
            const std::lock_guard lock(mutex_);
            counts_[std::size_t(index)] = count;
        }
        changed_.notify_all();
    });
}

QStringList AlbumScanAhead::folders() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return listed_; });
    if (failure_)
        std::rethrow_exception(failure_);
    return folders_;
}

void AlbumScanAhead::countsInOrder(const std::function<void(int index, int count)>& counted) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return listed_; });
    if (failure_)
        std::rethrow_exception(failure_);
    for (std::size_t i = 0; i < counts_.size(); ++i) {
        changed_.wait(lock, [this, i] { return counts_[i] >= 0 || failure_; });
        if (failure_)
            std::rethrow_exception(failure_);
        const int count = counts_[i];
        lock.unlock();
        counted(int(i), count);
        lock.lock();
    }
}

} // namespace soru
