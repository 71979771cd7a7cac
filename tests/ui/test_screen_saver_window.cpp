// The window holds the screen saver off while its slide show runs, and
// releases it by every way the show stops or leaves the screen.
#include "core/failure.h"
#include "media/colour/colour_management.h"
#include "tests/support/fake_services.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"
#include "tests/ui/window_parts.h"
#include "ui/main/main_window.h"
#include "ui/widgets/owner_draw_list.h"

#include <QAction>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace soru {
namespace {

TEST(ScreenSaverHold, FollowsTheShowThroughEveryWayItStops) {
    using Act = std::function<void(TfrmMain&, const WindowParts&)>;
    struct Case {
        const char* way;
        Act act;
        QList<bool> calls; // after starting the show, then acting
    };
    const Case cases[] = {
        {"button", [](TfrmMain&, auto& ui) { ui.action(Command::Auto)->trigger(); }, {true, false}},
        {"button twice",
         [](TfrmMain&, auto& ui) {
             ui.action(Command::Auto)->trigger();
             ui.action(Command::Auto)->trigger();
         },
         {true, false, true}},
        {"sheet", [](TfrmMain&, auto& ui) { ui.action(Command::Sum)->trigger(); }, {true, false}},
        {"minimise", [](TfrmMain& w, auto&) { w.tbsMinClick(); }, {true, false}},
        {"minimise, restore",
         [](TfrmMain& w, auto&) {
             w.tbsMinClick();
             w.showNormal();
         },
         {true, false, true}},
        {"exit", [](TfrmMain&, auto& ui) { ui.action(Command::Exit)->trigger(); }, {true, false}},
        // The show goes on in another album, and so does the hold.
        {"album",
         [](TfrmMain& w, auto& ui) {
             ui.lstBook->setCurrentRow(1);
             w.lstBookDblClick();
         },
         {true}},
        {"destroyed", [](TfrmMain&, auto&) {}, {true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.way);
        test::TempDir library;
        testlib::LibraryBuilder lib(library.path());
        lib.album("").jpeg("a.jpg", 64, 48).jpeg("b.jpg", 64, 48);
        lib.album("One").jpeg("u.jpg", 64, 48);
        RecordingScreenSaver saver;
        RecordingSound sound;
        ColourTransformCache colours;
        TfrmMain::Environment env;
        env.colours = &colours;
        env.libraryFolder = library.path();
        env.screen = QRect(0, 0, 1024, 768);
        env.services.sound = &sound;
        env.services.screenSaver = &saver;
        auto w = std::make_unique<TfrmMain>(env);
        guarded([&] { w->FormCreate(); });
        const WindowParts ui(*w);
        EXPECT_TRUE(saver.calls.isEmpty());
        ui.action(Command::Auto)->trigger();
        guarded([&] { c.act(*w, ui); });
        EXPECT_EQ(saver.calls, c.calls);
        // Whatever is still held goes with the window.
        w.reset();
        QList<bool> released = c.calls;
        if (released.last())
            released << false;
        EXPECT_EQ(saver.calls, released);
    }
}

TEST(ScreenSaverHold, AShowStartedMinimisedHoldsOnlyOnceRestored) {
    test::TempDir library;
    testlib::LibraryBuilder(library.path()).album("").jpeg("a.jpg", 64, 48).jpeg("b.jpg", 64, 48);
    RecordingScreenSaver saver;
    ColourTransformCache colours;
    TfrmMain::Environment env;
    env.colours = &colours;
    env.libraryFolder = library.path();
    env.screen = QRect(0, 0, 1024, 768);
    env.services.screenSaver = &saver;
    TfrmMain w(env);
    guarded([&] { w.FormCreate(); });
    w.tbsMinClick();
    WindowParts(w).action(Command::Auto)->trigger();
    EXPECT_TRUE(saver.calls.isEmpty());
    w.showNormal();
    EXPECT_EQ(saver.calls, QList<bool>{true});
}

} // namespace
} // namespace soru
