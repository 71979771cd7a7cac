#include "core/albums.h"

#include "core/presentation.h"
#include "core/rounding.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

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
QDir searchDir(const QString& folder) {
    QDir dir(folder);
    dir.setSorting(QDir::Unsorted);
    return dir;
}
} // namespace

QStringList albumFolderNames(const QString& root) {
    SortedNameList names;
    const QDir dir = searchDir(root);
    // Folders only (a link to a folder counts as one). Named pipes, sockets,
    // devices and dangling links are no albums and must not count in the
    // scan's progress either.
    for (const QFileInfo& fi : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System))
        if (!isHiddenName(fi.fileName()) && fi.isDir())
            names.add(fi.fileName());
    return names.items();
}

QStringList matchingFileNames(const QString& folder, const QString& extension) {
    QStringList out;
    const QString suffix = QLatin1Char('.') + extension;
    const QDir dir = searchDir(folder);
    // Files of every kind but folders; hidden names are left out by hand so
    // that the rule is the same everywhere.
    for (const QFileInfo& fi : dir.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
        const QString name = fi.fileName();
        if (isHiddenName(name) || fi.isDir())
            continue;
        if (name.size() > suffix.size() && name.endsWith(suffix, Qt::CaseInsensitive))
            out << name;
    }
    return out;
}

int countPictures(const QString& folder) {
    int count = 0;
    for (const QString& ext : kImageExtensions)
        count += int(matchingFileNames(folder, ext).size());
    return count;
}

QStringList albumPicturePaths(const QString& folder) {
    SortedNameList list;
    QString prefix = folder;
    if (!prefix.endsWith(QLatin1Char('/')))
        prefix += QLatin1Char('/');
    for (const QString& ext : kImageExtensions)
        for (const QString& name : matchingFileNames(folder, ext))
            list.add(prefix + name);
    return list.items();
}

QString albumEntry(int count, const QString& name) {
    return QStringLiteral("%1").arg(count, 10) + name;
}

QString albumEntryName(const QString& entry) { return entry.mid(10); }

QString albumEntryCount(const QString& entry) {
    return entry.left(10).remove(QLatin1Char(' '));
}

QString albumEntryHint(const QString& entry) {
    return QStringLiteral("写真 ") + albumEntryCount(entry) + QStringLiteral(" 枚\r\n") +
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
