#include "core/companion_index.h"

#include "core/presentation.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace soru {

namespace {
constexpr qint64 kClockTickMs = 2000; // the coarsest file-time step (FAT)

// -1 when the folder is not there.
qint64 folderModified(const QString& folder) {
    const QFileInfo fi(folder);
    if (!fi.exists() || !fi.isDir())
        return -1;
    return fi.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch();
}
} // namespace

QString caseFoldedName(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(c, name[i + 1]));
            if (QChar::requiresSurrogates(folded)) {
                out.append(QChar(QChar::highSurrogate(folded)));
                out.append(QChar(QChar::lowSurrogate(folded)));
            } else {
                out.append(QChar(char16_t(folded)));
            }
            ++i;
        } else {
            out.append(QChar(char16_t(QChar::toCaseFolded(char32_t(c.unicode())))));
        }
    }
    return out;
}

const CompanionIndex::Folder* CompanionIndex::currentLocked(const QString& folder) {
    const qint64 modified = folderModified(folder);
    if (modified < 0) {
        folders_.remove(folder);
        return nullptr;
    }
    auto it = folders_.find(folder);
    if (it != folders_.end() && it->settled && it->modified == modified)
        return &*it;
    // Listed as the lookup without an index lists it (same filter, same
    // order), so the first match by folded name is the same file.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    Folder f;
    f.modified = modified;
    f.settled = now - modified >= kClockTickMs;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    f.names.reserve(entries.size());
    for (const QFileInfo& e : entries) {
        if (!e.exists() || e.isDir())
            continue;
        const QString key = caseFoldedName(e.fileName());
        if (!f.names.contains(key))
            f.names.insert(key, e.fileName());
    }
    ++listings_;
    it = folders_.insert(folder, std::move(f));
    return &*it;
}

QString CompanionIndex::find(const QString& path, const QString& ext) {
    const QString wanted = replaceExtension(path, ext);
    if (isFile(wanted))
        return wanted;
    const QFileInfo wantedInfo(wanted);
    const QString folder = QDir::cleanPath(wantedInfo.absolutePath());
    QString name;
    {
        const std::lock_guard lock(mutex_);
        const Folder* f = currentLocked(folder);
        if (!f)
            return {};
        name = f->names.value(caseFoldedName(wantedInfo.fileName()));
    }
    if (name.isEmpty())
        return {};
    // The name was a file when the folder was listed; something that can
    // change without touching the folder (a link's target) is looked up
    // the long way.
    if (!isFile(QDir(folder).filePath(name)))
        return findCompanion(path, ext);
    return path.left(path.size() - pathFileName(path).size()) + name;
}

void CompanionIndex::prepare(const QString& folder) {
    const std::lock_guard lock(mutex_);
    currentLocked(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
}

void CompanionIndex::clear() {
    const std::lock_guard lock(mutex_);
    folders_.clear();
}

int CompanionIndex::listings() const {
    const std::lock_guard lock(mutex_);
    return listings_;
}

} // namespace soru
