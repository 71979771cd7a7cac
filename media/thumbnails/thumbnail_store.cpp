#include "media/thumbnails/thumbnail_store.h"

#include "media/formats/picture_object.h"
#include "media/formats/png_reader.h"
#include "core/thread_priority.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace soru {
namespace {

constexpr int kSides[] = {128, 256, 512, 1024};
const char* const kSizeNames[] = {"normal", "large", "x-large", "xx-large"};
// 1024 x 1024 RGBA stored raw is 4 MiB; a longer file is no thumbnail.
constexpr qint64 kMaxThumbnailFileBytes = 16 << 20;
constexpr png_alloc_size_t kMaxChunkBytes = 1 << 20;  // text chunks: a few hundred bytes

constexpr QFile::Permissions kOwnerOnlyFile = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions kOwnerOnlyFolder =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

const QByteArray kUriKey = QByteArrayLiteral("Thumb::URI");
const QByteArray kMTimeKey = QByteArrayLiteral("Thumb::MTime");
const QByteArray kSizeKey = QByteArrayLiteral("Thumb::Size");
const QByteArray kWidthKey = QByteArrayLiteral("Thumb::Image::Width");
const QByteArray kHeightKey = QByteArrayLiteral("Thumb::Image::Height");
const QByteArray kSoftwareKey = QByteArrayLiteral("Software");

using TextKeys = std::vector<std::pair<QByteArray, QByteArray>>;

QByteArray md5Hex(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex();
}

// The modification time in whole seconds, as stat's st_mtime has it.
qint64 mtimeSeconds(const FileStamp& stamp) {
    constexpr qint64 kNs = 1000000000;
    return stamp.modified >= 0 ? stamp.modified / kNs : -((-stamp.modified + kNs - 1) / kNs);
}

const QByteArray* keyValue(const TextKeys& keys, const QByteArray& key) {
    for (const auto& [k, v] : keys)
        if (k == key)
            return &v;
    return nullptr;
}

// A key holding a whole number; absent or not a number: nullopt.
std::optional<qint64> numberKey(const TextKeys& keys, const QByteArray& key) {
    const QByteArray* v = keyValue(keys, key);
    if (!v)
        return std::nullopt;
    bool ok = false;
    const qint64 n = v->trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

// Whether a picture of w x h, as a thumbnail's keys claim, can have been
// shrunk to the thumbnail: never smaller than it, and of its shape, either
// side allowed a pixel for rounding (a thin side is kept one pixel wide
// however thin). thumb is at most 1024 x 1024, so no product overflows.
bool claimFits(qint64 w, qint64 h, QSize thumb) {
    const qint64 tw = thumb.width(), th = thumb.height();
    if (w <= 0 || h <= 0 || w > INT_MAX || h > INT_MAX || tw <= 0 || th <= 0 || w < tw || h < th)
        return false;
    // |tw / th - w / h| within a pixel of either side:
    // |tw * h - th * w| <= w (th off by one) or <= h (tw off by one).
    const qint64 off = tw * h - th * w;
    return (off < 0 ? -off : off) <= std::max(w, h);
}

std::filesystem::path fsPath(const QString& path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}


// ---- PNG, in memory, through libpng.

struct PngFile {
    QImage image;
    TextKeys keys;
};

// The picture and text keys of a PNG file; nullopt when it cannot be read
// whole or is larger than side x side. Opened as pictures are (a regular
// file, never waiting on a named pipe), and only when no longer than a
// thumbnail can be.
std::optional<PngFile> readPngFile(const QString& path, int side) {
    if (!QFileInfo(path).isFile()) // the usual case, answered without an exception
        return std::nullopt;
    QFile file;
    try {
        openPictureFile(file, path);
    } catch (...) {
        return std::nullopt;
    }
    if (file.size() > kMaxThumbnailFileBytes)
        return std::nullopt;
    // One byte more than the size, to tell a file that grew since.
    QByteArray bytes(file.size() + 1, Qt::Uninitialized);
    qint64 got = 0;
    while (got < bytes.size()) {
        const qint64 n = file.read(bytes.data() + got, bytes.size() - got);
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        got += n;
    }
    if (got > file.size())
        return std::nullopt;
    bytes.truncate(got);
    if (!isPngSignature(bytes))
        return std::nullopt;
    try {
        PngReader::Limits limits;
        limits.maxSide = png_uint_32(side);
        limits.chunkMemory = kMaxChunkBytes;
        PngReader r(bytes, limits);
        PngReader::Header h;
        int passes = 1;
        // Rows asked for as QRgb, alpha dropped: a thumbnail is drawn as an
        // opaque cell.
        if (!r.readHeader(h) || h.width == 0 || h.height == 0 || !r.startRows(true, passes))
            return std::nullopt;
        PngFile out;
        out.image = QImage(int(h.width), int(h.height), QImage::Format_RGB32);
        if (out.image.isNull())
            return std::nullopt;
        std::vector<png_bytep> rows(h.height);
        for (png_uint_32 y = 0; y < h.height; ++y)
            rows[y] = out.image.scanLine(int(y));
        // Every row, then the chunks after them (text may follow the pixels).
        if (!r.readImage(rows.data()))
            return std::nullopt;
        out.keys = r.texts();
        return out;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

struct PngWrite {
    png_structp png = nullptr;
    png_infop info = nullptr;
    QByteArray& out;

    explicit PngWrite(QByteArray& bytes) : out(bytes) {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, onError, onWarning);
        if (png)
            info = png_create_info_struct(png);
        if (info)
            png_set_write_fn(png, this, onWrite, nullptr);
    }
    ~PngWrite() { png_destroy_write_struct(&png, &info); }
    PngWrite(const PngWrite&) = delete;
    PngWrite& operator=(const PngWrite&) = delete;

    static void onWrite(png_structp png, png_bytep data, std::size_t n) {
        static_cast<PngWrite*>(png_get_io_ptr(png))->out.append(reinterpret_cast<const char*>(data),
                                                               qsizetype(n));
    }
    static void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
    static void onWarning(png_structp, png_const_charp) {}
};

// An 8-bit RGB PNG with the text keys as plain tEXt chunks ahead of the
// pixels. Uses longjmp.
bool writePng(PngWrite& w, int width, int height, png_bytep* rows, png_text* text, int textCount) {
    if (setjmp(png_jmpbuf(w.png)))
        return false;
    png_set_IHDR(w.png, w.info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_text(w.png, w.info, text, textCount);
    png_write_info(w.png, w.info);
    png_write_image(w.png, rows);
    png_write_end(w.png, w.info);
    return true;
}

QByteArray encodePng(const QImage& picture, TextKeys keys) {
    QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        return {};
    std::vector<png_bytep> rows(std::size_t(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y)
        rows[std::size_t(y)] = rgb.scanLine(y);
    std::vector<png_text> text(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        std::memset(&text[i], 0, sizeof(png_text));
        text[i].compression = PNG_TEXT_COMPRESSION_NONE;
        text[i].key = keys[i].first.data();
        text[i].text = keys[i].second.data();
        text[i].text_length = std::size_t(keys[i].second.size());
    }
    QByteArray bytes;
    PngWrite w(bytes);
    if (!w.info ||
        !writePng(w, rgb.width(), rgb.height(), rows.data(), text.data(), int(text.size())))
        return {};
    return bytes;
}

// The folder and its missing parents, each made for the owner only.
bool makeFolder(const QString& path) {
    const QString clean = QDir::cleanPath(path);
    if (QFileInfo(clean).isDir())
        return true;
    const QString parent = QFileInfo(clean).path();
    if (parent == clean || !makeFolder(parent))
        return false;
    return QDir().mkdir(clean, kOwnerOnlyFolder) || QFileInfo(clean).isDir();
}

// The bytes in a temporary file next to the target, then renamed over it,
// so that no reader ever sees half a thumbnail.
bool writeAtomically(const QString& target, const QByteArray& bytes) {
    const QFileInfo info(target);
    if (!makeFolder(info.path()))
        return false;
    QTemporaryFile file(info.path() + QLatin1Char('/') + info.fileName() + QStringLiteral(".XXXXXX"));
    if (!file.open())
        return false;
    file.setPermissions(kOwnerOnlyFile);
    if (file.write(bytes) != bytes.size() || !file.flush())
        return false;
    file.close();
    std::error_code error;
    std::filesystem::rename(fsPath(file.fileName()), fsPath(target), error);
    if (error)
        return false;
    file.setAutoRemove(false);
    return true;
}

} // namespace

// ---- the writing thread

namespace {

// The writes waiting stay within both bounds: a dropped write only leaves no
// thumbnail, and the oldest are dropped first, the page shown now being the
// one worth keeping.
constexpr std::size_t kMaxQueuedWrites = 256;
constexpr qint64 kMaxQueuedBytes = 64 << 20;
// At quit, the writes still waiting are given up after this, and the store
// no longer waits for a write that is slow to finish.
constexpr std::chrono::milliseconds kQuitGrace(500);

} // namespace

// Shared by the store and its thread, so that a thread still stuck in a
// write when the store is gone uses nothing freed.
struct ThumbnailStore::Writer {
    struct Item {
        QString target;
        QImage image;
        TextKeys keys;
    };
    explicit Writer(WriteFile write) : writeFile(std::move(write)) {}

    const WriteFile writeFile;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<Item> queue;
    qint64 queuedBytes = 0;
    bool writing = false;
    bool stopping = false;
    bool finished = false;
    std::chrono::steady_clock::time_point deadline;
    std::thread thread;

    static qint64 bytesOf(const Item& item) { return item.image.sizeInBytes(); }

    // Under the mutex.
    void push(Item item) {
        queuedBytes += bytesOf(item);
        queue.push_back(std::move(item));
        while (queue.size() > kMaxQueuedWrites || (queuedBytes > kMaxQueuedBytes && queue.size() > 1)) {
            queuedBytes -= bytesOf(queue.front());
            queue.pop_front();
        }
    }

    void run() {
        // Writing thumbnails comes after everything that is shown, the
        // decoding ahead included.
        lowerThisThreadFor(BackgroundWork::Last);
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stopping || !queue.empty(); });
            if (queue.empty() || (stopping && std::chrono::steady_clock::now() >= deadline))
                break;
            Item item = std::move(queue.front());
            queue.pop_front();
            queuedBytes -= bytesOf(item);
            writing = true;
            lock.unlock();
            const QByteArray bytes = encodePng(item.image, std::move(item.keys));
            if (!bytes.isEmpty())
                writeFile(item.target, bytes); // a failure leaves no thumbnail, quietly
            item = Item();
            lock.lock();
            writing = false;
            idle.notify_all();
        }
        queue.clear();
        queuedBytes = 0;
        finished = true;
        idle.notify_all();
    }
};

ThumbnailStore::ThumbnailStore(QString folder) : ThumbnailStore(std::move(folder), writeAtomically) {}

ThumbnailStore::ThumbnailStore(QString folder, WriteFile writeFile)
    : folder_(QDir::cleanPath(QFileInfo(folder).absoluteFilePath())),
      writer_(std::make_shared<Writer>(std::move(writeFile))) {}

ThumbnailStore::~ThumbnailStore() {
    std::unique_lock lock(writer_->mutex);
    if (!writer_->thread.joinable())
        return;
    writer_->stopping = true;
    writer_->deadline = std::chrono::steady_clock::now() + kQuitGrace;
    writer_->wake.notify_all();
    // The writes waiting are made until the deadline; a write still under
    // way then is left to finish on its own, holding the writer.
    if (writer_->idle.wait_until(lock, writer_->deadline, [this] { return writer_->finished; })) {
        lock.unlock();
        writer_->thread.join();
    } else {
        writer_->thread.detach();
    }
}

QString ThumbnailStore::defaultFolder() {
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty() || QDir::isRelativePath(cache))
        cache = QDir::homePath() + QStringLiteral("/.cache");
    return QDir::cleanPath(cache + QStringLiteral("/thumbnails"));
}

int ThumbnailStore::sideFor(QSize box) {
    const int needed = qMax(box.width(), box.height());
    for (const int side : kSides)
        if (side >= needed)
            return side;
    return 0;
}

QString ThumbnailStore::sizeName(int side) {
    for (std::size_t i = 0; i < std::size(kSides); ++i)
        if (kSides[i] == side)
            return QString::fromLatin1(kSizeNames[i]);
    return {};
}

QByteArray ThumbnailStore::fileUri(const QString& path) {
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
#ifdef Q_OS_WIN
    const QByteArray bytes = absolute.toUtf8(); // C:/..., named in UTF-8 there
#else
    const QByteArray bytes = QFile::encodeName(absolute);
#endif
    static const char kHex[] = "0123456789ABCDEF";
    QByteArray uri = bytes.startsWith('/') ? QByteArrayLiteral("file://") : QByteArrayLiteral("file:///");
    uri.reserve(uri.size() + bytes.size() * 3);
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
            (u != 0 && std::strchr("!$&'()*+,-./:=@_~", c))) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[u >> 4];
            uri += kHex[u & 0xF];
        }
    }
    return uri;
}

QString ThumbnailStore::sharedPath(const QString& path, int side) {
    const QFileInfo info(path);
    return info.absolutePath() + QStringLiteral("/.sh_thumbnails/") + sizeName(side) +
           QLatin1Char('/') + QString::fromLatin1(md5Hex(QFile::encodeName(info.fileName()))) +
           QStringLiteral(".png");
}

QString ThumbnailStore::cachePath(const QString& path, int side) const {
    return folder_ + QLatin1Char('/') + sizeName(side) + QLatin1Char('/') +
           QString::fromLatin1(md5Hex(fileUri(path))) + QStringLiteral(".png");
}

bool ThumbnailStore::holds(const QString& path) const {
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return absolute.startsWith(folder_ + QLatin1Char('/'));
}

std::optional<ThumbnailStore::Thumbnail> ThumbnailStore::find(const QString& path, int side,
                                                              const FileStamp& stamp) const {
    if (sizeName(side).isEmpty() || !stamp.exists)
        return std::nullopt;
    const qint64 mtime = mtimeSeconds(stamp);
    const auto sizeMatches = [&](const TextKeys& keys) {
        const std::optional<qint64> size = numberKey(keys, kSizeKey);
        return !keyValue(keys, kSizeKey) || (size && *size == stamp.size);
    };
    const auto found = [](PngFile& png) {
        Thumbnail t{std::move(png.image), QSize()};
        const std::optional<qint64> w = numberKey(png.keys, kWidthKey);
        const std::optional<qint64> h = numberKey(png.keys, kHeightKey);
        if (w && h && claimFits(*w, *h, t.image.size()))
            t.pictureSize = QSize(int(*w), int(*h));
        return t;
    };
    // The album's own repository: its thumbnails need not name the file's
    // URI (the medium may be mounted anywhere); a modification time, when
    // they have one, must still be the file's.
    if (std::optional<PngFile> shared = readPngFile(sharedPath(path, side), side)) {
        const bool keyOk = !keyValue(shared->keys, kMTimeKey) || numberKey(shared->keys, kMTimeKey) == mtime;
        if (keyOk && sizeMatches(shared->keys))
            return found(*shared);
    }
    if (std::optional<PngFile> own = readPngFile(cachePath(path, side), side)) {
        const QByteArray* uri = keyValue(own->keys, kUriKey);
        if (uri && *uri == fileUri(path) && numberKey(own->keys, kMTimeKey) == mtime &&
            sizeMatches(own->keys))
            return found(*own);
    }
    return std::nullopt;
}

void ThumbnailStore::save(const QString& path, int side, const QImage& thumbnail, QSize pictureSize,
                          const FileStamp& stamp) {
    if (!writable() || sizeName(side).isEmpty() || thumbnail.isNull() || !stamp.exists || holds(path))
        return;
    Writer::Item item;
    item.target = cachePath(path, side);
    item.image = thumbnail;
    item.keys = {
        {kUriKey, fileUri(path)},
        {kMTimeKey, QByteArray::number(mtimeSeconds(stamp))},
        {kSizeKey, QByteArray::number(stamp.size)},
        {kWidthKey, QByteArray::number(pictureSize.width())},
        {kHeightKey, QByteArray::number(pictureSize.height())},
        {kSoftwareKey, QByteArrayLiteral("SORU")},
    };
    {
        const std::lock_guard lock(writer_->mutex);
        if (writer_->stopping)
            return;
        writer_->push(std::move(item));
        if (!writer_->thread.joinable())
            writer_->thread = std::thread([w = writer_] { w->run(); });
    }
    writer_->wake.notify_one();
}

void ThumbnailStore::waitUntilWritten() {
    std::unique_lock lock(writer_->mutex);
    writer_->idle.wait(lock, [this] { return writer_->queue.empty() && !writer_->writing; });
}

} // namespace soru
