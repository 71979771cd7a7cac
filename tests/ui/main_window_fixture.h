#pragma once
// Builds the main window for a given screen on a temporary library, with
// recording services, as the program would after its creation sequence.
#include "media/colour/colour_management.h"
#include "tests/support/fake_services.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"
#include "tests/ui/window_parts.h"
#include "ui/main/main_window.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/instant_progress_bar.h"
#include "ui/widgets/owner_draw_list.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextEdit>
#include <QTimer>

#include <memory>

namespace soru::test {

// The drop-down menu's item of this tag: an interval in seconds, or a
// wallpaper style.
inline QAction* menuItem(QMenu* menu, int tag) {
    for (QAction* a : menu->actions())
        if (!a->isSeparator() && a->data().toInt() == tag)
            return a;
    return nullptr;
}

// An empty library and a window created on it at once.
struct MainWindowHarness {
    TempDir library;
    RecordingSound sound;
    RecordingWallpaper wallpaper;
    RecordingClipboard clipboard;
    RecordingUrls urls;
    ColourTransformCache colours; // outlives the window
    std::unique_ptr<TfrmMain> window;

    explicit MainWindowHarness(QSize screen = {1024, 768}) {
        TfrmMain::Environment env;
        env.colours = &colours;
        env.libraryFolder = library.path();
        env.screen = QRect(QPoint(0, 0), screen);
        env.services = {&sound, &wallpaper, &clipboard, &urls};
        window = std::make_unique<TfrmMain>(env);
        window->FormCreate();
    }
    TfrmMain& w() { return *window; }
    WindowParts parts() const { return WindowParts(*window); }
};

// A library filled by the test first, then the window created on it, with
// the splash's progress bar, scripted answers to questions, and a record of
// every panel position seen at a slide's step wait.
struct LibraryWindow {
    TempDir library;
    TempDir wallDir;
    RecordingSound sound;
    RecordingWallpaper wallpaper;
    RecordingClipboard clipboard;
    RecordingUrls urls;
    InstantProgressBar splashBar;
    FailureRecorder failures;
    testlib::LibraryBuilder lib{library.path()};
    ColourTransformCache colours; // outlives the window
    std::unique_ptr<TfrmMain> window;
    QList<int> progress;
    QStringList asked;
    QList<bool> answers; // Yes once they run out
    QString wallpaperFolder;
    // True: questions come up as the program's own message boxes.
    bool realQuestions = false;
    // The window's key table; null: the defaults.
    const KeyTable* keys = nullptr;
    // The photo frame's settings and place files; empty: none.
    QString frameSettingsFile, frameStateFile;
    QList<QPair<QWidget*, int>> slideLog;

    void create(QSize screen = {1024, 768}) {
        splashBar.show();
        QObject::connect(&splashBar, &QProgressBar::valueChanged, [this](int v) { progress << v; });
        TfrmMain::Environment env;
        env.colours = &colours;
        env.libraryFolder = library.path();
        env.screen = QRect(QPoint(0, 0), screen);
        env.services = {&sound, &wallpaper, &clipboard, &urls};
        env.splashProgress = &splashBar;
        env.keys = keys;
        env.frameSettingsFile = frameSettingsFile;
        env.frameStateFile = frameStateFile;
        if (!realQuestions)
            env.askYesNo = [this](const QString& q) {
                asked << q;
                return answers.isEmpty() ? true : answers.takeFirst();
            };
        env.wallpaperFolder = wallpaperFolder.isEmpty() ? wallDir.path() : wallpaperFolder;
        env.slideStepWait = [this] {
            if (stepWait) {
                stepWait();
                return;
            }
            for (QWidget* p : {static_cast<QWidget*>(parts().pnlBook), static_cast<QWidget*>(parts().pnlMemo)})
                slideLog << qMakePair(p, p->x());
        };
        window = std::make_unique<TfrmMain>(env);
        guarded([this] { window->FormCreate(); });
    }
    TfrmMain& w() { return *window; }
    WindowParts parts() const { return WindowParts(*window); }

    // When set, stands in for the recording wait between slide steps.
    std::function<void()> stepWait;

    QStringList bookEntries() { return entries(parts().lstBook); }
    QStringList fileEntries() { return entries(parts().lstFile); }
    static QStringList entries(QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    void openAlbumAt(int row) {
        parts().lstBook->setCurrentRow(row);
        guarded([this] { w().lstBookDblClick(); });
    }
    // Left edges of one panel at each step wait.
    QList<int> edgesOf(QWidget* panel) {
        QList<int> out;
        for (const auto& [p, x] : slideLog)
            if (p == panel)
                out << x;
        return out;
    }
    void sendMove(QWidget* target) {
        QMouseEvent ev(QEvent::MouseMove, QPointF(2, 2), target->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                       Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &ev);
    }
};

} // namespace soru::test
