#include "core/library_watcher.h"

#include "core/albums.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <utility>

namespace soru {

LibraryWatcher::LibraryWatcher(QString libraryFolder, QObject* parent)
    : QObject(parent), library_(QDir::cleanPath(QFileInfo(libraryFolder).absoluteFilePath())) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &LibraryWatcher::settled);
    connect(&poll_, &QTimer::timeout, this, &LibraryWatcher::poll);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &LibraryWatcher::folderChanged);
}

void LibraryWatcher::start() {
    present_ = libraryPresent();
    rewatch();
    poll_.start(present_ ? rescanIntervalMs_ : std::min(rescanIntervalMs_, kMissingPollMs));
}

void LibraryWatcher::setRescanInterval(int ms) {
    rescanIntervalMs_ = std::max(ms, 1);
    if (poll_.isActive())
        poll_.start(present_ ? rescanIntervalMs_ : std::min(rescanIntervalMs_, kMissingPollMs));
}

void LibraryWatcher::setSettleInterval(int ms) { settle_.setInterval(std::max(ms, 0)); }

bool LibraryWatcher::libraryPresent() const { return QFileInfo(library_).isDir(); }

void LibraryWatcher::rewatch() {
    QStringList wanted;
    if (libraryPresent()) {
        wanted << library_;
        for (const QString& album : albumFolderNames(library_))
            wanted << library_ + QLatin1Char('/') + album;
    }
    const QStringList watched = watcher_.directories();
    const QSet<QString> want(wanted.begin(), wanted.end());
    const QSet<QString> have(watched.begin(), watched.end());
    QStringList gone, added;
    for (const QString& d : watched)
        if (!want.contains(d))
            gone << d;
    for (const QString& d : wanted)
        if (!have.contains(d))
            added << d;
    if (!gone.isEmpty())
        watcher_.removePaths(gone);
    if (!added.isEmpty())
        watcher_.addPaths(added); // a folder that cannot be watched is left to the timer
}

void LibraryWatcher::folderChanged() {
    // Each event restarts the wait, so a burst is one change; a burst that
    // never ends is still reported now and then.
    if (!settle_.isActive())
        pendingSince_.start();
    if (pendingSince_.elapsed() < kMaxSettleMs || !settle_.isActive())
        settle_.start();
}

void LibraryWatcher::settled() {
    // New albums get watched, removed ones are let go.
    rewatch();
    const bool present = libraryPresent();
    if (present != present_) {
        present_ = present;
        poll_.start(present_ ? rescanIntervalMs_ : std::min(rescanIntervalMs_, kMissingPollMs));
    }
    Q_EMIT changed();
}

void LibraryWatcher::poll() {
    const bool present = libraryPresent();
    if (!present) {
        // Nothing to scan; the loss itself is reported once.
        if (present_) {
            present_ = false;
            rewatch();
            poll_.start(std::min(rescanIntervalMs_, kMissingPollMs));
            Q_EMIT changed();
        }
        return;
    }
    if (!present_) {
        present_ = true;
        poll_.start(rescanIntervalMs_);
    }
    settle_.stop();
    rewatch();
    Q_EMIT changed();
}

} // namespace soru
