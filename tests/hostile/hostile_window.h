#pragma once
// The real main window on the hostile library, with recording services, a
// failure recorder, owner permissions enforced where the process can, and
// every step timed. Expectations come from the library's own rows.
#include "media/colour/colour_management.h"
#include "tests/support/fake_services.h"
#include "tests/hostile/permissions.h"
#include "tests/hostile/step_clock.h"
#include "tests/support/test_support.h"
#include "tools/testlib/hostile.h"
#include "tests/ui/window_parts.h"
#include "ui/main/main_window.h"

#include <QAction>
#include <QHash>
#include <QScrollBar>
#include <QStringList>

#include <memory>
#include <optional>

namespace soru::test {

// What presenting one picture should do, permissions resolved.
struct Expected {
    const testlib::HostileEntry* entry = nullptr; // null for a generated picture
    testlib::HostileOutcome outcome = testlib::HostileOutcome::Shown;
    QString detail; // size text or message ("%1" still in it)
    QString memoKind;
    bool sound = false;
    // Whether a thumbnail page holding it stops with the message: memo
    // failures concern the viewer alone.
    bool refusedOnSheet() const;
};

class HostileWindow {
public:
    // Writes the library, builds the window, runs its creation sequence
    // (timed), then applies the albums' changes.
    explicit HostileWindow(const testlib::HostileOptions& options);
    ~HostileWindow();

    TfrmMain& w() { return *window_; }
    WindowParts parts() const { return WindowParts(*window_); }
    const QString& root() const { return root_; }
    // The shared thumbnail cache the window reads and writes.
    const QString& thumbnailCache() const { return cache_; }
    bool permissionsApply() const { return permissions_->apply(); }
    QString permissionsNote() const { return permissions_->description(); }
    StepClock& clock() { return clock_; }
    QStringList messages;
    // The messages of the last openAlbum().
    QStringList openMessages;
    RecordingSound sound;

    // Runs a handler as the window's event wrappers do, timed as a step.
    // Returns the messages it reported.
    QStringList run(const QString& label, const std::function<void()>& handler);

    // The album list's entries as the window shows them.
    QStringList albumEntries();
    // The album list entries the library should give.
    QStringList expectedAlbumEntries();
    // Opens an album through its entry in the album list (a double-click).
    // Returns false when it is not listed.
    bool openAlbum(const testlib::HostileAlbum& album);
    // Applies the entries' changes when the album holds changing entries;
    // returns whether it did.
    bool changeEntries(const testlib::HostileAlbum& album);
    // Whether an album, resolved for permissions, is listed at the scan.
    bool listed(const testlib::HostileAlbum& album) const;
    // The pictures opening the album should give, by file name as decoded.
    QHash<QString, Expected> expectedPictures(const testlib::HostileAlbum& album) const;
    // The scan's picture count for an album.
    int expectedCount(const testlib::HostileAlbum& album) const;
    // The album a name stands for.
    static const testlib::HostileAlbum& album(const QByteArray& name);

private:
    Expected resolve(const testlib::HostileEntry& e) const;

    TempDir temp_;
    QString root_;
    QString cache_;
    std::unique_ptr<OwnerPermissionsEnforced> permissions_;
    StepClock clock_;
    RecordingWallpaper wallpaper_;
    RecordingClipboard clipboard_;
    RecordingUrls urls_;
    ColourTransformCache colours_; // outlives the window
    std::unique_ptr<TfrmMain> window_;
    testlib::HostileOptions options_;
};

} // namespace soru::test
