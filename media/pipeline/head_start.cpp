#include "media/pipeline/head_start.h"

#include "media/pipeline/start_trace.h"

#include <mutex>

namespace soru {

namespace {
std::mutex registryMutex;
HeadStart* registered = nullptr;
} // namespace

HeadStart::HeadStart(ColourTransformCache& colours, std::function<QString()> picture, QSize box)
    : colours_(colours), box_(box) {
    {
        const std::lock_guard lock(registryMutex);
        registered = this;
    }
    thread_ = std::thread([this, picture = std::move(picture)] { run(picture); });
}

HeadStart::~HeadStart() {
    {
        const std::lock_guard lock(registryMutex);
        if (registered == this)
            registered = nullptr;
    }
    thread_.join();
}

void HeadStart::run(const std::function<QString()>& picture) {
    startMark("head start: finding");
    const QString path = picture();
    Result result;
    {
        const std::lock_guard lock(registryMutex);
        path_ = path;
        state_ = path.isEmpty() ? State::Done : State::Decoding;
    }
    changed_.notify_all();
    if (path.isEmpty())
        return;
    startMark("head start: decoding");
    result.stamp = fileStamp(path);
    result.picture = result.stamp.exists ? decodePicture(colours_, path, box_) : DecodedPicture::missing();
    startMark("head start: decoded");
    {
        const std::lock_guard lock(registryMutex);
        result_ = std::move(result);
        state_ = State::Done;
    }
    changed_.notify_all();
}

std::optional<HeadStart::Result> HeadStart::claim(const QString& path, QSize box) {
    std::unique_lock lock(registryMutex);
    HeadStart* h = registered;
    if (!h || h->claimed_ || h->box_ != box)
        return std::nullopt;
    h->changed_.wait(lock, [h] { return h->state_ != State::Finding; });
    if (h->path_ != path)
        return std::nullopt;
    h->claimed_ = true;
    h->changed_.wait(lock, [h] { return h->state_ == State::Done; });
    return std::move(h->result_);
}

bool HeadStart::finished(const QString& path, QSize box, const FileStamp& stamp) {
    const std::lock_guard lock(registryMutex);
    const HeadStart* h = registered;
    return h && !h->claimed_ && h->box_ == box && h->state_ == State::Done && h->path_ == path &&
           h->result_.stamp == stamp;
}

} // namespace soru
