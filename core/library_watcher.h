#pragma once
// Tells the photo frame when its library may have changed: the library
// folder and every album folder are watched, a burst of changes (a copy of
// many files) is reported once after a moment of quiet, and a slow timer
// reports anyway, for shares where watching sees nothing. A library folder
// that vanishes (an unplugged medium) is looked for often, and its return is
// reported at once.
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

namespace soru {

class LibraryWatcher final : public QObject {
    Q_OBJECT
public:
    static constexpr int kSettleMs = 1000;          // quiet before a change is reported
    static constexpr int kMaxSettleMs = 10000;      // a change never waits longer
    static constexpr int kRescanIntervalMs = 60000; // the fallback for shares
    static constexpr int kMissingPollMs = 2000;     // looking for a vanished library

    explicit LibraryWatcher(QString libraryFolder, QObject* parent = nullptr);

    // Starts watching and the timers; changed() is not emitted for the state
    // found at start.
    void start();
    void setRescanInterval(int ms);
    void setSettleInterval(int ms);
    // The folders being watched now (the library and its albums).
    QStringList watchedFolders() const { return watcher_.directories(); }

Q_SIGNALS:
    void changed();

private:
    void folderChanged();
    void settled();
    void poll();
    void rewatch();
    bool libraryPresent() const;

    QString library_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    QTimer poll_;
    QElapsedTimer pendingSince_;
    bool present_ = true;
    int rescanIntervalMs_ = kRescanIntervalMs;
};

} // namespace soru
