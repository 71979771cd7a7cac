#include "media/pipeline/head_start.h"

#include "media/colour/colour_management.h"
#include "media/pipeline/start_trace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <mutex>

namespace soru {

namespace {
std::mutex registryMutex;
HeadStart* registered = nullptr;
} // namespace

HeadStart::HeadStart(ColourTransformCache& colours, std::function<QString()> picture, QSize box)
    : colours_(colours), box_(box), targetProfile_(colours.targetProfile()) {
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
    result.picture = result.stamp.exists ? decodePicture(colours_, path, box_, targetProfile_) : DecodedPicture::missing();
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
    if (!h || h->claimed_ || h->box_ != box || h->colours_.targetProfile() != h->targetProfile_)
        return std::nullopt;
    h->changed_.wait(lock, [h] { return h->state_ != State::Finding; });
    if (h->path_ != path)
        return std::nullopt;
    h->claimed_ = true;
    h->claimWaited_ = h->state_ != State::Done;
    h->changed_.wait(lock, [h] { return h->state_ == State::Done; });
    return std::move(h->result_);
}

bool HeadStart::finished(const QString& path, QSize box, const FileStamp& stamp) {
    const std::lock_guard lock(registryMutex);
    const HeadStart* h = registered;
    return h && !h->claimed_ && h->box_ == box && h->state_ == State::Done && h->path_ == path &&
           h->result_.stamp == stamp && h->colours_.targetProfile() == h->targetProfile_;
}

QString HeadStart::picture() const {
    const std::lock_guard lock(registryMutex);
    return state_ == State::Finding ? QString() : path_;
}

bool HeadStart::claimWaited() const {
    const std::lock_guard lock(registryMutex);
    return claimWaited_;
}

QSize HeadStart::rememberedBox(const QString& file) {
    QFile f(file);
    // A regular file only: opening a pipe would wait for a writer.
    if (!QFileInfo(file).isFile() || !f.open(QIODevice::ReadOnly))
        return {};
    // "WIDTHxHEIGHT" on the first line, as remember() writes it.
    const QList<QByteArray> parts = f.readLine(32).trimmed().split('x');
    bool okW = false, okH = false;
    const QSize box = parts.size() == 2 ? QSize(parts[0].toInt(&okW), parts[1].toInt(&okH)) : QSize();
    constexpr int kLargest = 1 << 15;
    if (!okW || !okH || box.width() <= 0 || box.height() <= 0 || box.width() > kLargest ||
        box.height() > kLargest)
        return {};
    return box;
}

void HeadStart::remember(const QString& file, QSize box, bool screenProfiled, const QString& root,
                         const QString& picture) {
    if (screenProfiled || box.isEmpty()) {
        QFile::remove(file);
        return;
    }
    QByteArray text = QByteArray::number(box.width()) + 'x' + QByteArray::number(box.height()) + '\n';
    // Names as the file system has them; a name with a line break in it is
    // not written, and the launcher then starts nothing.
    const QByteArray rootName = QFile::encodeName(root), pictureName = QFile::encodeName(picture);
    if (!rootName.isEmpty() && !pictureName.isEmpty() && !rootName.contains('\n') &&
        !pictureName.contains('\n'))
        text += rootName + '\n' + pictureName + '\n';
    QFile old(file);
    if (QFileInfo(file).isFile() && old.open(QIODevice::ReadOnly) && old.read(text.size() + 1) == text)
        return;
    old.close();
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile f(file);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(text);
        f.commit();
    }
}

} // namespace soru
