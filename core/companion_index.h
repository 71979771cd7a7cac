#pragma once
// Companion files found through an index of each folder's file names, so
// that a picture whose companion is missing, or differs in letter case,
// costs a map access instead of a listing of its folder.
//
// A folder is listed once and listed again when its modification time has
// changed since (a file added, removed or renamed). A folder modified within
// the last two seconds before it was listed is listed again at its next
// lookup too, because a change in the same tick of the file system's clock
// would leave the time unchanged.
#include <QHash>
#include <QString>

#include <mutex>

namespace soru {

class CompanionIndex {
public:
    // The same answer as findCompanion(path, ext) (core/presentation.h): the
    // exact name when such a file exists, else the first file of the folder,
    // in its listing order, whose name equals it ignoring letter case; empty
    // when there is none.
    QString find(const QString& path, const QString& ext);

    // Lists the folder now (when an album is opened), so that the first
    // lookup in it is already a map access.
    void prepare(const QString& folder);

    // Forgets every folder.
    void clear();

    // How many times a folder has been listed.
    int listings() const;

private:
    struct Folder {
        qint64 modified = 0;  // the folder's modification time when listed, in ms
        bool settled = false; // not modified in the two seconds before the listing
        QHash<QString, QString> names; // case-folded name -> name on disk
    };
    // The index of the folder (an absolute path), listed again when stale;
    // nullptr when the folder cannot be looked at.
    const Folder* currentLocked(const QString& folder);

    mutable std::mutex mutex_;
    QHash<QString, Folder> folders_;
    int listings_ = 0;
};

// The name with every character replaced by its case folding, so that two
// names are equal ignoring case exactly when their foldings are equal.
QString caseFoldedName(const QString& name);

} // namespace soru
