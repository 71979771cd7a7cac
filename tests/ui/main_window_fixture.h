#pragma once
// Builds the main window for a given screen on a temporary library, with
// recording services, as the program would after its creation sequence.
#include "platform/fake_services.h"
#include "tests/support/test_support.h"
#include "ui/main/main_window.h"

#include <memory>

namespace soru::test {

struct MainWindowHarness {
    TempDir library;
    RecordingSound sound;
    RecordingWallpaper wallpaper;
    RecordingClipboard clipboard;
    RecordingUrls urls;
    std::unique_ptr<TfrmMain> window;

    explicit MainWindowHarness(QSize screen = {1024, 768}) {
        TfrmMain::Environment env;
        env.libraryFolder = library.path();
        env.screen = QRect(QPoint(0, 0), screen);
        env.services = {&sound, &wallpaper, &clipboard, &urls};
        window = std::make_unique<TfrmMain>(env);
        window->FormCreate();
    }
    TfrmMain& w() { return *window; }
};

} // namespace soru::test
