#pragma once
// Decoding pictures ahead of time, on worker threads, into a bounded cache.
//
// Every request is a picture path and a drawing box (the view area, or one
// thumbnail cell); the picture is decoded and shrunk to fit the box as the
// viewer would do it on the spot (media/formats/decoded_picture.h). What the viewer
// shows always comes from take() or takeAll(), which look at the file again:
// a file changed since it was decoded is decoded again, a vanished one is
// Missing, and a failure is handed over (to be raised) only then, never when
// it was prefetched.
//
//   PicturePipeline pictures(colours);           // owned by the window
//   // showing a picture:
//   const DecodedPicture p = pictures.take(path, viewSize);
//   ... p.isMissing(), p.throwIfLoadFailed(), p.width(), p.drawAt(...)
//   pictures.prefetchNeighbours(PictureFiles, CurrentIndex, +1, viewSize);
//   // a thumbnail page:
//   const auto cells = pictures.takeAll(pagePaths, cellSize, onCellDone);
//   pictures.prefetchAll(nextPagePaths, cellSize, PicturePipeline::Priority::Idle);
//   // another album:
//   pictures.dropPrefetches();
//
// With a thumbnail store (media/thumbnails/thumbnail_store.h), the cells of thumbnail
// pages (prefetchAll, takeAll) come from the desktop's thumbnail cache when
// it has them, and the thumbnails decoded go into it.
//
// All calls are thread-safe, but take() and takeAll() are meant for the
// user-interface thread: they run a queued request of their own on the
// calling thread rather than wait for a worker, and wait (never decoding
// twice) for one a worker has begun. No signal is emitted: prefetched
// pictures only go into the cache.
#include "media/formats/decoded_picture.h"
#include "media/pipeline/picture_cache.h"
#include "media/thumbnails/thumbnail_cell.h"

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace soru {

class ColourTransformCache;
class ThumbnailStore;

class PicturePipeline {
public:
    enum class Priority {
        Demanded = 0, // takeAll() waits for it
        Next = 1,     // a neighbour of the shown picture, in the direction of travel
        Near = 2,     // the other neighbour
        Idle = 3,     // the next thumbnail page
    };
    static constexpr qint64 kDefaultCacheBytes = 64LL << 20; // eight full-HD screens

    // Pictures are decoded with colours (which outlives the pipeline),
    // converted to its target. threads 0: one worker per core.
    explicit PicturePipeline(ColourTransformCache& colours, qint64 cacheBytes = kDefaultCacheBytes,
                             int threads = 0);
    // Drops what is queued and waits for the decodes that run.
    ~PicturePipeline();
    PicturePipeline(const PicturePipeline&) = delete;
    PicturePipeline& operator=(const PicturePipeline&) = delete;

    // Queues a decode unless the picture is in the cache for the file as it
    // is, or already queued or being decoded. Never blocks on a decode.
    void prefetch(const QString& path, QSize box, Priority priority = Priority::Next);
    // The cells of a thumbnail page.
    void prefetchAll(const QStringList& paths, QSize box, Priority priority = Priority::Idle);
    // After files[current] has been shown: the neighbour in the direction
    // of travel (+1 next, -1 back; wrapping around) first, then the other.
    void prefetchNeighbours(const QStringList& files, int current, int direction, QSize box);

    // The picture for showing now: from the cache when the file has not
    // changed, else from a decode of it that is queued (run here) or running
    // (waited for), else decoded here. A failed picture is not kept after it
    // has been taken, so the next take tries the file again.
    DecodedPicture take(const QString& path, QSize box);

    // The pictures of a thumbnail page, one per path, in the paths' order:
    // the ones not in the cache are decoded at once on every core (this
    // thread included). progress(done, total) is called on this thread
    // after each finished picture (and once at the start with those already
    // in the cache). Returns when all are done.
    using Progress = std::function<void(int done, int total)>;
    QList<DecodedPicture> takeAll(const QStringList& paths, QSize box,
                                  const Progress& progress = {});

    // The thumbnail cache for the pages' cells, kept until the pipeline
    // goes; set before the first request. Without one, cells are decoded.
    // The thumbnails made for a page takeAll() waits for are handed to the
    // store only after it: when an event loop runs on the calling thread,
    // once the events pending then (the page's paint) have run; otherwise
    // when takeAll() returns. Encoding them never competes with the page.
    void setThumbnailStore(std::unique_ptr<ThumbnailStore> store);
    ThumbnailStore* thumbnailStore() const { return thumbnails_.get(); }

    // True when take() would not have to decode or wait.
    bool isReady(const QString& path, QSize box) const;

    // Forgets every queued prefetch, and keeps nothing that a prefetch
    // already running produces (unless take() is waiting for it or the
    // picture is asked for again). For a change of album.
    void dropPrefetches();

    // Blocks until no request is queued or running (tests and benchmarks).
    void waitUntilIdle();

    PictureCache& cache() { return cache_; }
    // The colour cache the pictures are decoded with.
    ColourTransformCache& colours() const { return colours_; }
    // How many pictures have been decoded, by workers and by take*.
    int decodeCount() const;

private:
    struct Job;
    using JobPtr = std::shared_ptr<Job>;

    void workerLoop();
    JobPtr popLocked();
    void prefetch(const QString& path, QSize box, Priority priority, bool cell);
    // Queues a job for the key unless one is queued or running; returns it.
    // A cell of a thumbnail page goes through the thumbnail store.
    JobPtr requestLocked(const PictureKey& key, Priority priority, bool cell = false);
    void runJob(const JobPtr& job);
    void finishLocked(const JobPtr& job);
    // Runs a queued job on this thread: marked running, decoded with the
    // lock released, then finished under it again.
    void runQueuedLocked(const JobPtr& job, std::unique_lock<std::mutex>& lock);
    DecodedPicture handOver(const PictureKey& key, const DecodedPicture& p);
    // Hands the thumbnails made for a page to the store (see takeAll).
    void saveMadeThumbnails();
    void saveMadeThumbnailsAfterEvents();

    ColourTransformCache& colours_;
    PictureCache cache_;
    std::unique_ptr<ThumbnailStore> thumbnails_;
    mutable std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable jobDone_;
    std::deque<JobPtr> queues_[4];
    QHash<PictureKey, JobPtr> pending_; // queued or running
    quint64 generation_ = 0;
    int running_ = 0;
    int decodes_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
    std::vector<MadeThumbnail> madeThumbnails_; // under mutex_
    // Alive as long as the pipeline: a save posted to the event loop checks it.
    std::shared_ptr<int> alive_ = std::make_shared<int>();
};

} // namespace soru
