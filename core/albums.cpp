#include "core/albums.h"

#include "core/presentation.h"
#include "core/rounding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#if defined(__linux__)
#include <sys/vfs.h>
#endif
#endif

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace soru {

bool isHiddenName(const QString& name) { return name.startsWith(QLatin1Char('.')); }

SortedNameList::SortedNameList() {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
    collator_.setNumericMode(false);
    collator_.setIgnorePunctuation(false);
}

bool SortedNameList::less(const QString& a, const QString& b) const {
    const int c = collator_.compare(a, b);
    if (c != 0)
        return c < 0;
    return a < b; // names equal but for letter case: a fixed order
}

void SortedNameList::add(const QString& s) {
    const auto it = std::lower_bound(items_.begin(), items_.end(), s,
                                     [this](const QString& a, const QString& b) { return less(a, b); });
    if (it != items_.end() && *it == s)
        return;
    items_.insert(it, s);
}

namespace {

// The entries of one folder, each with what its directory entry says of its
// kind. One listing per folder: the file system is asked for a name's kind
// only where the listing leaves it open (a link, a file system that reports
// no kinds), and only for names the caller still wants, so a scan of a share
// costs one round trip per picture at most, and none for other files.
struct Entry {
    QString name;
    enum Kind { Folder, NotFolder, Unknown } kind;
};

// Whether raw ends in "." + ext (ext lower-case ASCII), letter case ignored,
// with at least one character before the dot.
bool endsWithExtension(QByteArrayView raw, QByteArrayView ext) {
    if (raw.size() <= ext.size() + 1 || raw[raw.size() - ext.size() - 1] != '.')
        return false;
    const QByteArrayView tail = raw.last(ext.size());
    for (qsizetype i = 0; i < ext.size(); ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != ext[i])
            return false;
    }
    return true;
}

bool isAscii(QByteArrayView raw) {
    return std::all_of(raw.begin(), raw.end(), [](char c) { return uchar(c) < 0x80; });
}

// Calls visit(raw, kind) for each entry of folder whose raw name `wanted`
// accepts, with its kind settled. The names are filtered as bytes first, so
// the many other files of a folder cost no decoding and no question to the
// file system, and a caller that only counts builds no string per entry.
template <class Wanted, class Visit>
void visitFolder(const QString& folder, Wanted wanted, Visit visit) {
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(folder);
    DIR* dir = ::opendir(native.isEmpty() ? "." : native.constData());
    if (!dir)
        return;
    while (const dirent* d = ::readdir(dir)) {
        const QByteArrayView raw(d->d_name);
        if (raw.startsWith('.') || !wanted(raw))
            continue;
        // A name the toolkit cannot decode and encode back cannot be opened
        // by it either: such entries are left out, as the toolkit's own
        // listing does. An ASCII name always survives the round trip.
        if (!isAscii(raw) && QFile::encodeName(QFile::decodeName(raw.toByteArray())) != raw)
            continue;
        Entry::Kind kind = Entry::Unknown;
        if (d->d_type == DT_DIR)
            kind = Entry::Folder;
        else if (d->d_type != DT_UNKNOWN && d->d_type != DT_LNK)
            kind = Entry::NotFolder;
        if (kind == Entry::Unknown) {
            // A link is what it leads to; a link that leads nowhere, or an
            // entry gone since the listing, is no folder. Asked relative to
            // the open folder: a share is not asked for the folders above
            // it again.
            struct stat st;
            kind = ::fstatat(::dirfd(dir), d->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode)
                       ? Entry::Folder
                       : Entry::NotFolder;
        }
        visit(raw, kind);
    }
    ::closedir(dir);
#else
    QDir dir(folder);
    dir.setSorting(QDir::Unsorted);
    for (const QFileInfo& fi :
         dir.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QByteArray raw = QFile::encodeName(fi.fileName());
        if (isHiddenName(fi.fileName()) || !wanted(QByteArrayView(raw)))
            continue;
        visit(QByteArrayView(raw), fi.isDir() ? Entry::Folder : Entry::NotFolder);
    }
#endif
}

// The entries of one folder whose raw names `wanted` accepts.
template <class Wanted>
QList<Entry> listFolder(const QString& folder, Wanted wanted) {
    QList<Entry> out;
    visitFolder(folder, wanted, [&out](QByteArrayView raw, Entry::Kind kind) {
        out.append({QFile::decodeName(raw.toByteArray()), kind});
    });
    return out;
}

// The picture extensions as bytes, in kImageExtensions' order.
const QList<QByteArray>& pictureExtensionBytes() {
    static const QList<QByteArray> bytes = [] {
        QList<QByteArray> out;
        for (const QString& ext : kImageExtensions)
            out << ext.toLatin1();
        return out;
    }();
    return bytes;
}

bool isPictureName(QByteArrayView raw) {
    for (const QByteArray& ext : pictureExtensionBytes())
        if (endsWithExtension(raw, ext))
            return true;
    return false;
}

// The picture files of a folder (files of every kind but folders), in the
// order the folder lists them.
QStringList pictureFileNames(const QString& folder) {
    QStringList out;
    for (const Entry& e : listFolder(folder, isPictureName))
        if (e.kind == Entry::NotFolder)
            out << e.name;
    return out;
}

} // namespace

QStringList albumFolderNames(const QString& root) {
    SortedNameList names;
    // Folders only (a link to a folder counts as one). Named pipes, sockets,
    // devices and dangling links are no albums and must not count in the
    // scan's progress either.
    for (const Entry& e : listFolder(root, [](QByteArrayView) { return true; }))
        if (e.kind == Entry::Folder)
            names.add(e.name);
    return names.items();
}

QStringList matchingFileNames(const QString& folder, const QString& extension) {
    const QString suffix = QLatin1Char('.') + extension;
    QStringList out;
    for (const Entry& e : listFolder(folder, [&suffix](QByteArrayView raw) {
             const QString n = QFile::decodeName(raw.toByteArray());
             return n.size() > suffix.size() && n.endsWith(suffix, Qt::CaseInsensitive);
         }))
        if (e.kind == Entry::NotFolder)
            out << e.name;
    return out;
}

int countPictures(const QString& folder) {
    // As pictureFileNames(folder).size(), without a string per picture: a
    // large library is counted at start.
    int count = 0;
    visitFolder(folder, isPictureName, [&count](QByteArrayView, Entry::Kind kind) {
        if (kind == Entry::NotFolder)
            ++count;
    });
    return count;
}

namespace {

// Whether the folder lies on a network or user-space file system, where
// every metadata call waits for an answer from elsewhere.
bool onShare(const QString& folder) {
#if defined(__linux__)
    struct statfs fs {};
    if (::statfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return true; // unknown: assume the slow case, where threads pay
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x65735546: // FUSE
    case 0x6969:     // NFS
    case 0x517B:     // SMB
    case 0xFE534D42: // SMB2
    case 0xFF534D42: // CIFS
    case 0x01021997: // 9P
    case 0x00C36400: // Ceph
    case 0x5346414F: // AFS
    case 0x6B414653: // kAFS
    case 0x564C:     // NCP
    case 0x73757245: // Coda
        return true;
    default:
        return false;
    }
#else
    (void)folder;
    return true;
#endif
}

} // namespace

int albumScanThreads(const QString& root) {
    return onShare(root) ? kAlbumScanThreads
                         : std::clamp(QThread::idealThreadCount(), 1, kAlbumScanThreads);
}

void countPicturesInOrder(const QStringList& folders, int threads,
                          const std::function<void(int index, int count)>& counted) {
    const int n = int(folders.size());
    threads = std::min(threads, n);
    if (threads <= 1) {
        for (int i = 0; i < n; ++i)
            counted(i, countPictures(folders[i]));
        return;
    }
    std::vector<int> counts(std::size_t(n), -1);
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<int> next{0};
    std::atomic<bool> stop{false};
    {
        std::vector<std::jthread> workers;
        for (int t = 0; t < threads; ++t)
            workers.emplace_back([&] {
                for (int i = next++; i < n && !stop; i = next++) {
                    const int count = countPictures(folders[i]);
                    {
                        const std::lock_guard lock(mutex);
                        counts[std::size_t(i)] = count;
                    }
                    ready.notify_all();
                }
            });
        try {
            for (int i = 0; i < n; ++i) {
                int count;
                {
                    std::unique_lock lock(mutex);
                    ready.wait(lock, [&] { return counts[std::size_t(i)] >= 0; });
                    count = counts[std::size_t(i)];
                }
                counted(i, count);
            }
        } catch (...) {
            // The workers finish the folders in hand and take no more.
            stop = true;
            throw;
        }
    }
}

QStringList albumPicturePaths(const QString& folder) {
    const SortedNameList order;
    QString prefix = folder;
    if (!prefix.endsWith(QLatin1Char('/')))
        prefix += QLatin1Char('/');
    // Sorted once, not inserted one by one: an album of 100,000 pictures
    // would otherwise move its list around 100,000 times.
    QStringList paths;
    for (const QString& name : pictureFileNames(folder))
        paths << prefix + name;
    std::sort(paths.begin(), paths.end(), [&order](const QString& a, const QString& b) { return order.less(a, b); });
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    return paths;
}

QString albumEntry(int count, const QString& name) {
    return QStringLiteral("%1").arg(count, 10) + name;
}

QString albumEntryName(const QString& entry) { return entry.mid(10); }

QString albumEntryCount(const QString& entry) {
    return entry.left(10).remove(QLatin1Char(' '));
}

QString albumEntryHint(const QString& entry) {
    return QCoreApplication::translate("soru", "写真 %n 枚", nullptr, albumEntryCount(entry).toInt()) + QStringLiteral("\r\n") +
           albumEntryName(entry);
}

QString pictureEntry(const QString& path) {
    const QString name = pathFileName(path);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot < 0 ? name : name.left(dot);
    const QString ext = dot < 0 ? QString() : name.mid(dot);
    const bool bitmap = ext.compare(QLatin1String(".BMP"), Qt::CaseInsensitive) == 0;
    return (bitmap ? QStringLiteral("0") : QStringLiteral("3")) + base;
}

int visibleListRows(int panelHeight, int itemHeight, int entries) {
    const int rows = truncToInt(double(panelHeight - 4) / itemHeight);
    return std::min(rows, entries);
}

} // namespace soru
