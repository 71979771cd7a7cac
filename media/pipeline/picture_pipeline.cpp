#include "media/pipeline/picture_pipeline.h"

#include "media/pipeline/head_start.h"
#include "core/thread_priority.h"
#include "media/thumbnails/thumbnail_cell.h"
#include "media/thumbnails/thumbnail_store.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace soru {

// One decode, queued or running. Its key, and once it runs its stamp and
// result, are written only by the thread that runs it, before it is marked
// Done under the pipeline's lock; everything else about it changes only
// under that lock.
struct PicturePipeline::Job {
    enum class State { Queued, Running, Done, Dropped };
    PictureKey key;
    Priority priority;
    quint64 generation;
    State state = State::Queued;
    bool cell = false; // of a thumbnail page
    FileStamp stamp;
    DecodedPicture result;
    std::optional<MadeThumbnail> made; // a thumbnail to save after the page
};

PicturePipeline::PicturePipeline(ColourTransformCache& colours, qint64 cacheBytes, int threads)
    : colours_(colours), cache_(cacheBytes) {
    if (threads <= 0)
        threads = std::max(1, QThread::idealThreadCount());
    workers_.reserve(std::size_t(threads));
    for (int i = 0; i < threads; ++i)
        workers_.emplace_back([this] { workerLoop(); });
}

PicturePipeline::~PicturePipeline() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        for (auto& queue : queues_) {
            for (const JobPtr& job : queue)
                if (job->state == Job::State::Queued)
                    job->state = Job::State::Dropped;
            queue.clear();
        }
        pending_.clear();
    }
    workAvailable_.notify_all();
    jobDone_.notify_all();
    for (std::thread& t : workers_)
        t.join();
    // The store, still here, writes what it can of them before it goes.
    saveMadeThumbnails();
}

void PicturePipeline::prefetch(const QString& path, QSize box, Priority priority) {
    prefetch(path, box, priority, false);
}

void PicturePipeline::prefetch(const QString& path, QSize box, Priority priority, bool cell) {
    const PictureKey key{path, box};
    const FileStamp stamp = fileStamp(path);
    if (!stamp.exists || cache_.contains(key, stamp))
        return;
    const std::lock_guard lock(mutex_);
    if (!stopping_)
        requestLocked(key, priority, cell);
}

void PicturePipeline::prefetchAll(const QStringList& paths, QSize box, Priority priority) {
    for (const QString& path : paths)
        prefetch(path, box, priority, true);
}

void PicturePipeline::setThumbnailStore(std::unique_ptr<ThumbnailStore> store) {
    thumbnails_ = std::move(store);
}

void PicturePipeline::prefetchNeighbours(const QStringList& files, int current, int direction,
                                         QSize box) {
    const int n = int(files.size());
    if (n < 2 || current < 0 || current >= n)
        return;
    const int ahead = direction < 0 ? -1 : 1;
    prefetch(files[(current + ahead + n) % n], box, Priority::Next);
    if (n > 2)
        prefetch(files[(current - ahead + n) % n], box, Priority::Near);
}

PicturePipeline::JobPtr PicturePipeline::requestLocked(const PictureKey& key, Priority priority,
                                                       bool cell) {
    if (const auto it = pending_.constFind(key); it != pending_.cend()) {
        const JobPtr job = *it;
        job->generation = generation_; // asked for again: it belongs to the current album
        if (job->state == Job::State::Queued && priority < job->priority) {
            // The copy left in the lower queue is skipped when it comes up.
            job->priority = priority;
            queues_[int(priority)].push_back(job);
            workAvailable_.notify_one();
        }
        return job;
    }
    auto job = std::make_shared<Job>();
    job->key = key;
    job->priority = priority;
    job->generation = generation_;
    job->cell = cell;
    queues_[int(priority)].push_back(job);
    pending_.insert(key, job);
    workAvailable_.notify_one();
    return job;
}

PicturePipeline::JobPtr PicturePipeline::popLocked() {
    for (int p = 0; p < 4; ++p) {
        auto& queue = queues_[p];
        while (!queue.empty()) {
            JobPtr job = std::move(queue.front());
            queue.pop_front();
            if (job->state == Job::State::Queued && int(job->priority) == p)
                return job;
        }
    }
    return nullptr;
}

void PicturePipeline::workerLoop() {
    lowerThisThreadFor(BackgroundWork::Ahead);
    std::unique_lock lock(mutex_);
    for (;;) {
        workAvailable_.wait(lock, [this] {
            return stopping_ || std::any_of(std::begin(queues_), std::end(queues_),
                                            [](const auto& q) { return !q.empty(); });
        });
        if (stopping_)
            return;
        const JobPtr job = popLocked();
        if (!job)
            continue;
        runQueuedLocked(job, lock);
    }
}

void PicturePipeline::runQueuedLocked(const JobPtr& job, std::unique_lock<std::mutex>& lock) {
    job->state = Job::State::Running;
    ++running_;
    lock.unlock();
    runJob(job);
    lock.lock();
    --running_;
    finishLocked(job);
}

void PicturePipeline::runJob(const JobPtr& job) {
    job->stamp = fileStamp(job->key.path);
    if (!job->stamp.exists)
        job->result = DecodedPicture::missing();
    else if (job->cell && thumbnails_)
        // A page waited for keeps its thumbnails until it is shown. The
        // priority of a running job no longer changes.
        job->result = decodeThumbnailCell(*thumbnails_, colours_, job->key.path, job->key.box, job->stamp,
                                          job->priority == Priority::Demanded ? &job->made : nullptr);
    else
        job->result = decodePicture(colours_, job->key.path, job->key.box);
}

void PicturePipeline::finishLocked(const JobPtr& job) {
    job->state = Job::State::Done;
    if (const auto it = pending_.constFind(job->key); it != pending_.cend() && *it == job)
        pending_.erase(it);
    if (job->stamp.exists)
        ++decodes_;
    if (job->made) {
        madeThumbnails_.push_back(std::move(*job->made));
        job->made.reset();
    }
    // A prefetch dropped with its album keeps nothing.
    if (job->generation == generation_)
        cache_.insert(job->key, job->stamp, job->result);
    jobDone_.notify_all();
}

DecodedPicture PicturePipeline::handOver(const PictureKey& key, const DecodedPicture& p) {
    // A failure is reported once; showing the picture again tries again.
    if (p.failed())
        cache_.remove(key);
    return p;
}

DecodedPicture PicturePipeline::take(const QString& path, QSize box) {
    const PictureKey key{path, box};
    const FileStamp stamp = fileStamp(path);
    if (!stamp.exists) {
        // Nothing kept can be right. The synchronous decode judges the path
        // itself: a file whose status cannot be read (a folder without
        // search permission) is there for it and fails to open, as before.
        cache_.remove(key);
        return decodePicture(colours_, path, box);
    }
    if (std::optional<DecodedPicture> kept = cache_.find(key, stamp))
        return handOver(key, *kept);
    {
        std::unique_lock lock(mutex_);
        if (const auto it = pending_.constFind(key); it != pending_.cend()) {
            const JobPtr job = *it;
            job->generation = generation_;
            if (job->state == Job::State::Queued) {
                runQueuedLocked(job, lock);
            } else {
                jobDone_.wait(lock, [&] { return job->state == Job::State::Done; });
            }
            if (job->stamp == stamp) {
                lock.unlock();
                return handOver(key, job->result);
            }
        }
    }
    // The first picture of the run, decoded while the window was built.
    if (std::optional<HeadStart::Result> early = HeadStart::claim(path, box)) {
        {
            const std::lock_guard lock(mutex_);
            ++decodes_;
        }
        if (early->stamp == stamp) {
            if (!early->picture.failed())
                cache_.insert(key, stamp, early->picture);
            return early->picture;
        }
    }
    // Nothing for the file as it is now: decode it here.
    DecodedPicture p = decodePicture(colours_, path, box);
    {
        const std::lock_guard lock(mutex_);
        ++decodes_;
    }
    if (!p.failed())
        cache_.insert(key, stamp, p);
    return p;
}

QList<DecodedPicture> PicturePipeline::takeAll(const QStringList& paths, QSize box,
                                               const Progress& progress) {
    const int n = int(paths.size());
    QList<DecodedPicture> results(n);
    std::vector<FileStamp> stamps(static_cast<std::size_t>(n));
    std::vector<JobPtr> jobs(static_cast<std::size_t>(n));
    std::vector<bool> done(static_cast<std::size_t>(n), false);
    int doneCount = 0;
    for (int i = 0; i < n; ++i) {
        const PictureKey key{paths[i], box};
        stamps[i] = fileStamp(paths[i]);
        if (!stamps[i].exists) {
            cache_.remove(key); // judged by the synchronous decode, as in take()
            results[i] = decodePicture(colours_, paths[i], box);
        } else if (std::optional<DecodedPicture> kept = cache_.find(key, stamps[i])) {
            results[i] = handOver(key, *kept);
        } else {
            continue;
        }
        done[i] = true;
        ++doneCount;
    }
    {
        const std::lock_guard lock(mutex_);
        for (int i = 0; i < n; ++i)
            if (!done[i])
                jobs[i] = requestLocked({paths[i], box}, Priority::Demanded, true);
    }
    if (progress)
        progress(doneCount, n);

    std::vector<int> finished;
    while (doneCount < n) {
        finished.clear();
        {
            std::unique_lock lock(mutex_);
            for (;;) {
                for (int i = 0; i < n; ++i)
                    if (!done[i] && jobs[i]->state == Job::State::Done) {
                        done[i] = true;
                        finished.push_back(i);
                    }
                if (!finished.empty())
                    break;
                // Rather than wait, decode the first of ours no worker has
                // taken yet.
                const auto queued = std::find_if(jobs.begin(), jobs.end(), [](const JobPtr& j) {
                    return j && j->state == Job::State::Queued;
                });
                if (queued != jobs.end()) {
                    const JobPtr job = *queued;
                    runQueuedLocked(job, lock);
                    continue;
                }
                jobDone_.wait(lock);
            }
        }
        for (int i : finished) {
            const PictureKey key{paths[i], box};
            const Job& job = *jobs[i];
            if (job.stamp == stamps[i]) {
                results[i] = handOver(key, job.result);
            } else { // the file changed after it was looked at: decode it as it is now
                results[i] = take(paths[i], box);
            }
            ++doneCount;
            if (progress)
                progress(doneCount, n);
        }
    }
    saveMadeThumbnailsAfterEvents();
    return results;
}

void PicturePipeline::saveMadeThumbnails() {
    std::vector<MadeThumbnail> made;
    {
        const std::lock_guard lock(mutex_);
        made.swap(madeThumbnails_);
    }
    if (thumbnails_)
        for (const MadeThumbnail& m : made)
            m.saveInto(*thumbnails_);
}

void PicturePipeline::saveMadeThumbnailsAfterEvents() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread() || app->thread()->loopLevel() == 0) {
        saveMadeThumbnails();
        return;
    }
    // A zero timer fires once the events posted before it and the window's
    // update requests have been handled: the page is painted by then.
    QTimer::singleShot(0, app, [this, alive = std::weak_ptr<int>(alive_)] {
        if (!alive.expired())
            saveMadeThumbnails();
    });
}

bool PicturePipeline::isReady(const QString& path, QSize box) const {
    const FileStamp stamp = fileStamp(path);
    return !stamp.exists || cache_.contains({path, box}, stamp) || HeadStart::finished(path, box, stamp);
}

void PicturePipeline::dropPrefetches() {
    {
        const std::lock_guard lock(mutex_);
        ++generation_;
        for (int p = int(Priority::Next); p < 4; ++p) {
            for (const JobPtr& job : queues_[p]) {
                if (job->state != Job::State::Queued || int(job->priority) != p)
                    continue;
                job->state = Job::State::Dropped;
                if (const auto it = pending_.constFind(job->key);
                    it != pending_.cend() && *it == job)
                    pending_.erase(it);
            }
            queues_[p].clear();
        }
    }
    jobDone_.notify_all();
}

void PicturePipeline::waitUntilIdle() {
    std::unique_lock lock(mutex_);
    jobDone_.wait(lock, [this] { return pending_.isEmpty() && running_ == 0; });
}

int PicturePipeline::decodeCount() const {
    const std::lock_guard lock(mutex_);
    return decodes_;
}

} // namespace soru
