#include "core/frame_show.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include <algorithm>
#include <cctype>
#include <utility>

namespace soru {

namespace {

quint64 mix64(quint64 x) {
    // The splitmix64 finaliser: every input bit reaches every output bit.
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// FNV-1a over the UTF-16 of album + "/" + name: the same in every run (the
// toolkit's own string hash is seeded per process).
quint64 placeHash(QStringView album, QStringView name) {
    quint64 h = 0xCBF29CE484222325ull;
    const auto add = [&h](QStringView s) {
        for (QChar c : s) {
            h ^= c.unicode();
            h *= 0x100000001B3ull;
        }
    };
    add(album);
    add(u"/");
    add(name);
    return h;
}

// Size and modification time (ms) of a file, one question to the file system.
bool fileStamp(const QString& path, qint64* size, qint64* mtime) {
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    *size = qint64(st.st_size);
    *mtime = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    return true;
#else
    const QFileInfo fi(path);
    if (!fi.exists())
        return false;
    *size = fi.size();
    *mtime = fi.lastModified().toMSecsSinceEpoch();
    return true;
#endif
}

} // namespace

bool operator==(const FramePlace& a, const FramePlace& b) {
    return a.album == b.album && a.picture == b.picture && a.order == b.order && a.seed == b.seed &&
           a.round == b.round;
}

FrameShow::FrameShow(QString libraryFolder, FrameOrder order, quint64 seed, DateTaken dateTaken)
    : library_(QDir::cleanPath(QFileInfo(libraryFolder).absoluteFilePath())),
      order_(order), seed_(seed), dateTaken_(std::move(dateTaken)) {
    apply(scanner()());
}

struct FrameShow::Scan {
    QStringList albums;
    std::vector<Picture> pictures;
    QHash<QString, CachedDate> dates;
};

std::shared_ptr<FrameShow::Scan> FrameShow::read(const QString& library, FrameOrder order,
                                                 const DateTaken& dateTaken,
                                                 const QHash<QString, CachedDate>& cache) {
    auto scan = std::make_shared<Scan>();
    scan->albums = QStringList{QString()} + albumFolderNames(library);
    for (int a = 0; a < scan->albums.size(); ++a) {
        const QString& album = scan->albums[a];
        const QString folder = album.isEmpty() ? library : library + QLatin1Char('/') + album;
        const int nameStart = int(folder.size()) + (folder.endsWith(QLatin1Char('/')) ? 0 : 1);
        for (const QString& path : albumPicturePaths(folder)) {
            Picture p;
            p.path = path;
            p.album = a;
            p.nameStart = nameStart;
            p.nameHash = placeHash(album, QStringView(path).mid(nameStart));
            if (order == FrameOrder::Date) {
                qint64 size = 0, mtime = 0;
                if (!fileStamp(path, &size, &mtime))
                    continue; // gone since the listing
                const auto it = cache.constFind(path);
                if (it != cache.cend() && it->size == size && it->mtime == mtime) {
                    p.date = it->date;
                } else {
                    const QDateTime taken = dateTaken ? dateTaken(path) : QDateTime();
                    p.date = taken.isValid() ? taken.toMSecsSinceEpoch() : mtime;
                }
                // Pictures that left take their dates along.
                scan->dates.insert(path, CachedDate{size, mtime, p.date});
            }
            scan->pictures.push_back(std::move(p));
        }
    }
    return scan;
}

std::function<std::shared_ptr<FrameShow::Scan>()> FrameShow::scanner() const {
    return [library = library_, order = order_, dateTaken = dateTaken_, cache = dates_] {
        return read(library, order, dateTaken, cache);
    };
}

void FrameShow::apply(std::shared_ptr<Scan> scan) {
    if (!scan)
        return;
    albums_ = std::move(scan->albums);
    pictures_ = std::move(scan->pictures);
    dates_ = std::move(scan->dates);
    buildSequence();
    placeAt(here_, false);
}

quint64 FrameShow::shuffleKey(quint64 nameHash, quint64 round) const {
    return mix64(nameHash ^ mix64(seed_ ^ mix64(round)));
}

std::vector<int> FrameShow::roundOrder(quint64 round) const {
    const int n = int(pictures_.size());
    std::vector<int> order(std::size_t(n), 0);
    for (int i = 0; i < n; ++i)
        order[std::size_t(i)] = i;
    switch (order_) {
    case FrameOrder::Name:
        break;
    case FrameOrder::Date:
        // Ties keep list order, which is name order.
        std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
            const Picture& pa = pictures_[std::size_t(a)];
            const Picture& pb = pictures_[std::size_t(b)];
            return pa.album != pb.album ? pa.album < pb.album : pa.date < pb.date;
        });
        break;
    case FrameOrder::Shuffle: {
        // Two pictures can only alternate without a repeat if every round
        // has the first round's order.
        if (n == 2)
            round = 0;
        std::vector<std::pair<quint64, int>> keyed(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i)
            keyed[std::size_t(i)] = {shuffleKey(pictures_[std::size_t(i)].nameHash, round), i};
        std::sort(keyed.begin(), keyed.end());
        for (int i = 0; i < n; ++i)
            order[std::size_t(i)] = keyed[std::size_t(i)].second;
        if (round > 0 && n >= 3) {
            // The round before ended with its greatest key (its first two
            // places are the only ones ever swapped).
            std::pair<quint64, int> last{0, -1};
            for (int i = 0; i < n; ++i)
                last = std::max(last, std::pair{shuffleKey(pictures_[std::size_t(i)].nameHash, round - 1), i});
            if (order[0] == last.second)
                std::swap(order[0], order[1]);
        }
        break;
    }
    }
    return order;
}

void FrameShow::buildSequence() { sequence_ = roundOrder(round_); }

int FrameShow::albumIndex(const QString& album) const {
    if (album.isEmpty())
        return 0;
    const auto it = std::lower_bound(albums_.begin() + 1, albums_.end(), album,
                                     [this](const QString& a, const QString& b) { return names_.less(a, b); });
    return it != albums_.end() && *it == album ? int(it - albums_.begin()) : -1;
}

bool FrameShow::albumLess(const QString& a, const QString& b) const {
    if (a == b || b.isEmpty())
        return false;
    return a.isEmpty() || names_.less(a, b);
}

bool FrameShow::before(int i, const Here& here) const {
    const Picture& p = pictures_[std::size_t(i)];
    const QString& album = albums_[p.album];
    const QString name = p.name();
    if (order_ == FrameOrder::Shuffle) {
        const quint64 round = pictures_.size() == 2 ? 0 : round_; // as roundOrder has it
        const quint64 a = shuffleKey(p.nameHash, round);
        const quint64 b = shuffleKey(placeHash(here.album, here.picture), round);
        if (a != b)
            return a < b;
    }
    if (album != here.album)
        return albumLess(album, here.album);
    if (order_ == FrameOrder::Date && p.date != here.date)
        return p.date < here.date;
    return names_.less(name, here.picture);
}

void FrameShow::placeAt(const Here& here, bool startOfAlbumWhenGone) {
    pos_ = -1;
    lastPath_.clear();
    if (!here.valid)
        return;
    const int album = albumIndex(here.album);
    if (album >= 0) {
        for (qsizetype k = 0; k < qsizetype(sequence_.size()); ++k) {
            const Picture& p = pictures_[std::size_t(sequence_[std::size_t(k)])];
            if (p.album == album && QStringView(p.path).mid(p.nameStart) == here.picture) {
                pos_ = k;
                lastPath_ = p.path;
                return;
            }
        }
    }
    qsizetype count = 0;
    if (startOfAlbumWhenGone && order_ != FrameOrder::Shuffle) {
        if (album < 0)
            return;
        for (int i : sequence_)
            count += pictures_[std::size_t(i)].album < album;
    } else {
        for (int i : sequence_)
            count += before(i, here);
    }
    pos_ = count - 1;
}

void FrameShow::rescan() { apply(scanner()()); }

void FrameShow::resumeAt(const FramePlace& place) {
    if (place.order == order_) {
        seed_ = place.seed;
        round_ = place.round;
    }
    buildSequence();
    here_ = Here{true, place.album, place.picture, 0};
    placeAt(here_, true);
    if (order_ == FrameOrder::Date && pos_ >= 0 && !lastPath_.isEmpty())
        here_.date = pictures_[std::size_t(sequence_[std::size_t(pos_)])].date;
}

std::optional<QString> FrameShow::next() {
    const qsizetype n = qsizetype(sequence_.size());
    if (n == 0)
        return std::nullopt;
    for (qsizetype attempt = 0; attempt <= n; ++attempt) {
        if (++pos_ >= n) {
            ++round_;
            buildSequence();
            pos_ = 0;
            // After a rescan the rule above may not hold for what was really
            // shown last: it is checked again against that.
            if (order_ == FrameOrder::Shuffle && n >= 2 &&
                pictures_[std::size_t(sequence_[0])].path == lastPath_)
                std::swap(sequence_[0], sequence_[1]);
        }
        const Picture& p = pictures_[std::size_t(sequence_[std::size_t(pos_)])];
        if (!QFileInfo::exists(p.path)) {
            // A library that has gone as a whole (an unplugged medium) need
            // not be asked about each of its pictures.
            if (attempt == 0 && !QFileInfo(library_).isDir())
                return std::nullopt;
            continue;
        }
        here_ = Here{true, albums_[p.album], p.name(), p.date};
        lastPath_ = p.path;
        return p.path;
    }
    return std::nullopt;
}

QString FrameShow::upcoming() const {
    const qsizetype n = qsizetype(sequence_.size());
    if (pos_ + 1 >= n)
        return {};
    return pictures_[std::size_t(sequence_[std::size_t(pos_ + 1)])].path;
}

FramePlace FrameShow::place() const {
    return FramePlace{here_.album, here_.picture, order_, seed_, round_};
}

// --- the place on disk ----------------------------------------------------

namespace {

const QByteArray kHeader = "soru-frame-place 1";

bool isEncodedName(const QByteArray& v) {
    for (qsizetype i = 0; i < v.size(); ++i) {
        const char c = v[i];
        if (c == '%') {
            if (i + 2 >= v.size())
                return false;
            if (!std::isxdigit(uchar(v[i + 1])) || !std::isxdigit(uchar(v[i + 2])))
                return false;
            i += 2;
        } else if (!std::isalnum(uchar(c)) && c != '-' && c != '.' && c != '_' && c != '~') {
            return false;
        }
    }
    return true;
}

bool isPlainName(const QString& s) {
    return !s.contains(QLatin1Char('/')) && !s.contains(QChar(0)) && s != QLatin1String(".") &&
           s != QLatin1String("..");
}

} // namespace

QByteArray serialiseFramePlace(const FramePlace& place) {
    QByteArray out = kHeader + '\n';
    out += "album=" + place.album.toUtf8().toPercentEncoding() + '\n';
    out += "picture=" + place.picture.toUtf8().toPercentEncoding() + '\n';
    out += "order=" + frameOrderName(place.order).toLatin1() + '\n';
    out += "seed=" + QByteArray::number(place.seed) + '\n';
    out += "round=" + QByteArray::number(place.round) + '\n';
    out += "end\n";
    return out;
}

std::optional<FramePlace> parseFramePlace(const QByteArray& text) {
    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines[0] != kHeader)
        return std::nullopt;
    QHash<QByteArray, QByteArray> values;
    bool ended = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (ended) {
            if (!line.isEmpty())
                return std::nullopt;
            continue;
        }
        if (line == "end") {
            ended = true;
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            return std::nullopt;
        const QByteArray key = line.left(eq);
        if (values.contains(key))
            return std::nullopt;
        values.insert(key, line.mid(eq + 1));
    }
    // A file cut short lacks its last line.
    if (!ended)
        return std::nullopt;
    for (const char* key : {"album", "picture", "order", "seed"})
        if (!values.contains(key))
            return std::nullopt;
    FramePlace p;
    const QByteArray album = values.value("album"), picture = values.value("picture");
    if (!isEncodedName(album) || !isEncodedName(picture))
        return std::nullopt;
    p.album = QString::fromUtf8(QByteArray::fromPercentEncoding(album));
    p.picture = QString::fromUtf8(QByteArray::fromPercentEncoding(picture));
    if (!isPlainName(p.album) || !isPlainName(p.picture))
        return std::nullopt;
    if (!parseFrameOrder(QString::fromLatin1(values.value("order")), &p.order))
        return std::nullopt;
    const auto number = [&values](const char* key, quint64* out) {
        const QByteArray v = values.value(key);
        bool ok = !v.isEmpty() && std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
        *out = ok ? v.toULongLong(&ok) : 0;
        return ok;
    };
    if (!number("seed", &p.seed))
        return std::nullopt;
    if (values.contains("round") && !number("round", &p.round))
        return std::nullopt;
    return p;
}

std::optional<FramePlace> readFrameState(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The place is a few hundred bytes; anything much larger is not one.
    return parseFramePlace(f.read(64 * 1024));
}

FrameStateWriter::FrameStateWriter(QString file, int minIntervalMs)
    : file_(std::move(file)), minIntervalMs_(minIntervalMs) {}

FrameStateWriter::~FrameStateWriter() { flush(); }

void FrameStateWriter::update(const FramePlace& place) {
    pending_ = place;
    if (!sinceWrite_.isValid() || sinceWrite_.elapsed() >= minIntervalMs_)
        flush();
}

bool FrameStateWriter::flush() {
    if (!pending_)
        return true;
    const bool ok = write(*pending_);
    // A failed write is not tried again before the interval is over either.
    sinceWrite_.start();
    if (ok)
        pending_.reset();
    return ok;
}

bool FrameStateWriter::write(const FramePlace& place) {
    if (file_.isEmpty())
        return true; // kept nowhere
    if (!QDir().mkpath(QFileInfo(file_).absolutePath()))
        return false;
    QSaveFile f(file_);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(serialiseFramePlace(place));
    return f.commit();
}

} // namespace soru
