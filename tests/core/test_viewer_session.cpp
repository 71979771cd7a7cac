#include "core/viewer_session.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

namespace soru {
namespace {

QStringList pictures(int n) {
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << QStringLiteral("/lib/a/p%1.jpg").arg(i);
    return out;
}

// The action commands in their enum order, one letter each.
constexpr char kLetters[] = "XBANSCWPI";

// Enabled actions as letters, a disabled one as "-".
std::string enabledLetters(const ViewerSession& s) {
    std::string out;
    for (int i = 0; i < kActionCommandCount; ++i)
        out += s.enabled(Command(i)) ? kLetters[i] : '-';
    return out;
}

std::string checkedLetters(const ViewerSession& s) {
    std::string out;
    for (int i = 0; i < kActionCommandCount; ++i)
        if (s.checked(Command(i)))
            out += kLetters[i];
    return out;
}

// Runs a script on a new session: "oN" opens an album of N pictures whose
// first picture is presented, "fN" one whose first picture fails, "a" the
// show's action, "s" the sheet's action, "p" a picture with a sound shown.
void play(ViewerSession& s, const std::string& script) {
    for (size_t i = 0; i < script.size(); ++i) {
        switch (script[i]) {
        case 'o':
        case 'f': {
            const bool fails = script[i] == 'f';
            s.openAlbum(QStringLiteral("a"), pictures(script[++i] - '0'));
            if (!fails)
                s.albumPresented();
            break;
        }
        case 'a': s.perform(Command::Auto); break;
        case 's': s.perform(Command::Sum); break;
        case 'p': s.setSoundAvailable(true); break;
        }
    }
}

TEST(ViewerSession, EnabledAndCheckedFollowTheAlbumTheSheetAndTheShow) {
    const struct {
        const char* script;
        const char* enabled;
        const char* checked;
    } cases[] = {
        {"", "X-------I", ""}, // a new window: only exit and information
        {"o0", "X-------I", ""},
        {"o1", "X---SCW-I", ""},
        {"o2", "XBANSCW-I", ""},
        {"o2p", "XBANSCWPI", ""},
        {"o2a", "XBANSCW-I", "A"},
        // Showing the sheet stops the show and disables it; hiding enables
        // it again, stopped.
        {"o2as", "XB-NSCW-I", "S"},
        {"o2ass", "XBANSCW-I", ""},
        // With one picture the show's action is left alone by the sheet.
        {"o1as", "X---SCW-I", "AS"},
        // A show running on opens an album of one: it goes on, disabled.
        {"o2ao1", "X---SCW-I", "A"},
        // Opening an album enables the show by its count, sheet shown or not.
        {"o2so3", "XBANSCW-I", "S"},
        {"o2o0", "X-------I", ""},
        // A first picture that fails leaves the picture commands as they were.
        {"f2", "XBAN----I", ""},
        {"o1f2", "XBANSCW-I", ""},
        {"o2po0", "X------PI", ""}, // the sound's state stays with no picture
        {"o0s", "X-------I", "S"},    // checked while disabled: not usable
        // From the window's tests: an album of several pictures, then one
        // (AlbumList.DoubleClickOpensTheAlbum...).
        {"o2o1", "X---SCW-I", ""},
        // The sheet leaves the show's action alone with one picture, also a
        // show carried over from a larger album, which keeps running
        // (EdgeCasesUnchecked.SheetLeavesTheShowActionAloneWithOnePicture).
        {"o1s", "X---SCW-I", "S"},
        {"o1ss", "X---SCW-I", ""},
        {"o2ao1s", "X---SCW-I", "AS"},
        {"o2ao1ss", "X---SCW-I", "A"},
    };
    for (const auto& c : cases) {
        ViewerSession s;
        play(s, c.script);
        EXPECT_EQ(enabledLetters(s), c.enabled) << c.script;
        EXPECT_EQ(checkedLetters(s), c.checked) << c.script;
        EXPECT_EQ(s.sheetShown(), s.checked(Command::Sum) && s.enabled(Command::Sum)) << c.script;
        EXPECT_EQ(s.slideShow().running(), s.checked(Command::Auto)) << c.script;
        EXPECT_EQ(s.slideShow().timer()->isActive(), s.checked(Command::Auto)) << c.script;
    }
}

// A new window on a library without pictures: the root album opens empty
// (from the window's MainWindow.StateAfterCreationForALibraryWithoutPictures).
TEST(ViewerSession, AnEmptyRootAlbumLeavesTheStartingState) {
    ViewerSession s;
    s.openAlbum({}, {});
    s.albumPresented();
    EXPECT_TRUE(s.album().paths().isEmpty());
    EXPECT_EQ(s.album().index(), -1);
    EXPECT_FALSE(s.hasCurrent());
    EXPECT_EQ(s.wallpaperStyle(), WallpaperStyle::Centre);
    EXPECT_TRUE(s.panels().awaitingAlbum());
    EXPECT_FALSE(s.panels().sliding());
    EXPECT_TRUE(s.panels().isOut(SidePanel::Book));
    EXPECT_FALSE(s.panels().isOut(SidePanel::Memo));
    EXPECT_FALSE(s.sheet().pagingEnabled());
    EXPECT_FALSE(s.sheet().pageValid());
    EXPECT_EQ(s.interval(), 3000);
}

TEST(ViewerSession, StepsWrapAndDisabledCommandsDoNothing) {
    enum { Keep = -2 };
    const struct {
        int count;
        int start;
        Command command;
        int expected; // Keep: nothing moved and nothing was signalled
        StepDirection direction;
    } cases[] = {
        {3, 0, Command::Back, 2, StepDirection::Back}, // first to last
        {3, 2, Command::Next, 0, StepDirection::Next}, // last to first
        {3, 1, Command::StepBack, 0, StepDirection::Back},
        {2, 1, Command::StepNext, 0, StepDirection::Next},
        // One picture: the actions are disabled, the arrows and clicks
        // present it again.
        {1, 0, Command::Next, Keep, StepDirection::Next},
        {1, 0, Command::Back, Keep, StepDirection::Next},
        {1, 0, Command::StepBack, 0, StepDirection::Back},
        {1, 0, Command::StepNext, 0, StepDirection::Next},
        // No picture: nothing is current, nothing steps.
        {0, -1, Command::StepNext, Keep, StepDirection::Next},
        {0, -1, Command::StepBack, Keep, StepDirection::Next},
    };
    for (const auto& c : cases) {
        ViewerSession s;
        s.openAlbum({}, pictures(c.count));
        s.albumPresented();
        if (c.start >= 0)
            s.pick(c.start);
        int signals = 0;
        QObject::connect(&s, &ViewerSession::currentChanged, [&] { ++signals; });
        s.run(c.command);
        const int index = c.expected == Keep ? c.start : c.expected;
        EXPECT_EQ(s.album().index(), index) << c.count << " " << int(c.command);
        EXPECT_EQ(signals, c.expected == Keep ? 0 : 1) << c.count << " " << int(c.command);
        EXPECT_EQ(s.direction(), c.direction) << c.count << " " << int(c.command);
        if (index >= 0) {
            EXPECT_EQ(s.positionText(), QStringLiteral("%1 / %2").arg(index + 1).arg(c.count));
        }
    }
}

// A show steps the way of the pointer's zone, whatever the last step by
// hand was; stopped, the last step by hand gives the direction of travel.
TEST(ViewerSession, ShowFollowsThePointerZone) {
    const struct {
        bool running;
        Command byHand;
        CursorSlot zone;
        StepDirection direction;
        int afterTick; // from picture 0 of 3
    } cases[] = {
        {true, Command::Next, CursorSlot::Back, StepDirection::Back, 2},
        {true, Command::Back, CursorSlot::Next, StepDirection::Next, 1},
        {true, Command::Back, CursorSlot::Default, StepDirection::Next, 1},
        {false, Command::Back, CursorSlot::Next, StepDirection::Back, 1},
        {false, Command::Next, CursorSlot::Back, StepDirection::Next, 2},
    };
    for (const auto& c : cases) {
        ViewerSession s;
        s.openAlbum({}, pictures(3));
        s.run(c.byHand);
        s.pick(0);
        s.setPointerZone(c.zone);
        if (c.running)
            s.perform(Command::Auto);
        EXPECT_EQ(s.direction(), c.direction) << c.running << int(c.zone);
        // A tick is a click under the pointer's cursor.
        s.tick();
        EXPECT_EQ(s.album().index(), c.afterTick) << c.running << int(c.zone);
        EXPECT_EQ(s.slideShow().timer()->isActive(), c.running);
    }
}

TEST(ViewerSession, PagesFollowOpeningAndPagingNotSteps) {
    ViewerSession s;
    s.sheet().setGrid(ThumbGrid{100, 100, 5, 3}); // 15 pictures a page
    QList<ViewerSession::SheetChange> changes;
    QObject::connect(&s, &ViewerSession::sheetChanged, [&](ViewerSession::SheetChange c) { changes << c; });

    s.openAlbum({}, pictures(9) + pictures(9) + pictures(9) + pictures(9)); // 36: pages 0..2
    s.setPage(1); // while the first picture is presented: no redraw
    EXPECT_TRUE(changes.isEmpty());
    s.albumPresented();
    s.setPage(2);
    s.setPage(7); // held at the last page, which is shown already
    EXPECT_EQ(s.page(), 2);
    EXPECT_EQ(changes, QList{ViewerSession::SheetChange::Paged});
    // Steps and picks move the current picture, never the page.
    s.pick(3);
    s.run(Command::Back);
    EXPECT_EQ(s.album().index(), 2);
    EXPECT_EQ(s.page(), 2);
    // Another album starts on page 0; one of a single page never pages.
    s.openAlbum({}, pictures(15));
    EXPECT_EQ(s.page(), 0);
    s.albumPresented();
    s.setPage(1);
    EXPECT_EQ(s.page(), 0);
    // An empty album leaves the page range as it was.
    s.openAlbum({}, pictures(9) + pictures(9));
    s.albumPresented();
    s.setPage(1);
    s.openAlbum({}, {});
    EXPECT_EQ(s.page(), 1);
    EXPECT_EQ(changes.size(), 2);
}

// The sheet's toggle syncs the commands before the window draws the page,
// which may fail; a service command is only requested, and only when enabled.
TEST(ViewerSession, SignalsComeInTheOrderTheWindowRendersThem) {
    ViewerSession s;
    QStringList seen;
    QObject::connect(&s, &ViewerSession::commandsChanged, [&] { seen << "commands"; });
    QObject::connect(&s, &ViewerSession::sheetChanged, [&] { seen << "sheet"; });
    QObject::connect(&s, &ViewerSession::requested, [&](Command c) { seen << QString("request %1").arg(int(c)); });
    s.run(Command::Copy); // no picture yet
    s.run(Command::Sum);
    EXPECT_TRUE(seen.isEmpty());
    s.openAlbum({}, pictures(2));
    s.albumPresented();
    seen.clear();
    s.run(Command::Sum);
    s.run(Command::Copy);
    s.run(Command::Play); // no sound
    EXPECT_EQ(seen, QStringList({"commands", "sheet", QString("request %1").arg(int(Command::Copy))}));
}

// What the status bar shows of the picture presented, stage by stage: the
// companions are found ignoring letter case, the .rtf memo wins over the
// .txt one, a folder is no companion, and a vanished picture has no date
// but its companions still count.
TEST(ViewerSession, CurrentFollowsThePresentation) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path() + QLatin1Char('/');
    for (const char* name : {"a.JPG", "a.rtf", "a.txt", "a.WAV", "b.jpg", "b.TXT", "c.jpg", "d.wav"}) {
        QFile f(root + QString::fromLatin1(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir(root).mkdir(QStringLiteral("c.txt"));
    using Kind = ViewerSession::MemoKind;
    const struct {
        const char* name;
        const char* memo; // the memo's file name
        Kind kind;
        const char* sound;
        bool dated;
    } cases[] = {
        {"a.JPG", "a.rtf", Kind::Rich, "a.WAV", true},
        {"b.jpg", "b.TXT", Kind::Plain, "", true},
        {"c.jpg", "", Kind::None, "", true},
        {"d.jpg", "", Kind::None, "d.wav", false}, // no such picture
    };
    QStringList paths;
    for (const auto& c : cases)
        paths << root + QString::fromLatin1(c.name);
    ViewerSession s;
    s.prepareCompanions(root);
    s.openAlbum({}, paths);
    s.albumPresented();
    auto file = [&](const char* name) { return *name ? root + QString::fromLatin1(name) : QString(); };
    for (int i = 0; i < 4; ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.name);
        s.pick(i);
        s.presenting();
        // A picture that fails to draw shows its position and name only.
        EXPECT_EQ(s.current().position, QStringLiteral("%1 / 4").arg(i + 1));
        EXPECT_EQ(s.current().name, QString::fromLatin1(c.name));
        EXPECT_TRUE(s.current().size.isEmpty() && s.current().sound.isEmpty() && s.current().memo.isEmpty());
        s.pictureDrawn(QStringLiteral("8 x 8"));
        EXPECT_FALSE(s.current().complete);
        EXPECT_EQ(s.current().memo, file(c.memo));
        EXPECT_EQ(s.current().memoKind, c.kind);
        EXPECT_EQ(s.current().sound, file(c.sound));
        EXPECT_EQ(s.enabled(Command::Play), *c.sound != 0);
        EXPECT_EQ(!s.current().date.isEmpty(), c.dated);
        s.presentationComplete();
        EXPECT_TRUE(s.current().complete);
    }
    // An album without pictures presents nothing: the last one stays.
    s.openAlbum({}, {});
    EXPECT_EQ(s.current().name, QStringLiteral("d.jpg"));
    EXPECT_TRUE(s.companion(QStringLiteral(".wav")).isEmpty());
}

} // namespace
} // namespace soru
