// The photo frame through the real window: started from the menu and the
// key table, the library's albums in turn, a picture copied in during the
// show and then shown, a removed one skipped, the resting cursor hidden, and
// Esc back to the window at the picture shown.
#include "tests/ui/main_window_fixture.h"

#include "core/frame_settings.h"
#include "ui/frame/frame_window.h"

#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

namespace soru {
namespace {

using test::LibraryWindow;

struct FrameHarness : LibraryWindow {
    test::TempDir config;
    FrameWindow* frame() { return window->findChild<FrameWindow*>(); }
    QString shownName() { return frame() ? frame()->shownPath().section(QLatin1Char('/'), -2) : QString(); }
    // The names the frame shows, one per step, until `count` are seen.
    QStringList watch(int count) {
        QStringList seen;
        QString last = shownName();
        seen << last;
        while (seen.size() < count) {
            if (!QTest::qWaitFor([&] { return shownName() != last; }, 5000))
                break;
            last = shownName();
            seen << last;
        }
        return seen;
    }
};

void showMain(TfrmMain& w) {
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
}

void writeSettings(FrameHarness& h, int intervalMs) {
    FrameSettings s;
    s.intervalMs = intervalMs;
    s.fadeMs = 0;
    h.frameSettingsFile = h.config.file("soru.ini");
    h.frameStateFile = h.config.file("frame-state");
    ASSERT_TRUE(writeFrameSettings(h.frameSettingsFile, s));
}

TEST(FrameMode, RunsOverEveryAlbumAndEscReturnsAtThePictureShown) {
    FrameHarness h;
    h.lib.album("").jpeg("r.jpg", 64, 48);
    h.lib.album("B").jpeg("b1.jpg", 64, 48).jpeg("b2.jpg", 48, 64);
    writeSettings(h, 150);
    h.create();
    showMain(h.w());
    // F11 starts it from the window, through the key table.
    QTest::keyClick(&h.w(), Qt::Key_F11);
    ASSERT_NE(h.frame(), nullptr);
    EXPECT_TRUE(h.frame()->isVisible());
    const QStringList seen = h.watch(4);
    // The root album first, then the album, then round again.
    EXPECT_EQ(seen.mid(seen.indexOf(QStringLiteral("B/b1.jpg")) - 1, 4),
              (QStringList{h.library.path().section(QLatin1Char('/'), -1) + "/r.jpg", "B/b1.jpg", "B/b2.jpg",
                           h.library.path().section(QLatin1Char('/'), -1) + "/r.jpg"}));
    // The pointer at rest disappears.
    EXPECT_TRUE(QTest::qWaitFor([&] { return h.frame()->cursor().shape() == Qt::BlankCursor; }, 3000));
    const QString shown = h.frame()->shownPath();
    QTest::keyClick(h.frame(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return h.frame() == nullptr; }, 2000));
    EXPECT_EQ(h.w().session().currentPath(), shown);
    EXPECT_TRUE(h.failures.messages.isEmpty()) << h.failures.messages.join(';').toStdString();
}

TEST(FrameMode, APictureCopiedInIsShownAndARemovedOneIsSkipped) {
    FrameHarness h;
    h.lib.album("A").jpeg("a1.jpg", 64, 48).jpeg("a2.jpg", 64, 48).jpeg("a3.jpg", 64, 48);
    writeSettings(h, 200);
    h.create();
    showMain(h.w());
    h.w().findChild<QAction*>(QStringLiteral("aFrame"))->trigger();
    ASSERT_NE(h.frame(), nullptr);
    h.watch(2);
    // A picture arrives and one goes while the show runs.
    ASSERT_TRUE(QFile::copy(h.library.file("A/a1.jpg"), h.library.file("A/new.jpg")));
    ASSERT_TRUE(QFile::remove(h.library.file("A/a3.jpg")));
    bool newShown = false;
    QStringList seen;
    QTest::qWaitFor(
        [&] {
            seen << h.shownName();
            newShown = newShown || h.shownName() == QStringLiteral("A/new.jpg");
            return newShown && seen.size() > 40;
        },
        10000);
    EXPECT_TRUE(newShown) << seen.join(' ').toStdString();
    // Whatever was on the screen when it went, it is never shown again.
    const qsizetype gone = seen.lastIndexOf(QStringLiteral("A/a3.jpg"));
    EXPECT_EQ(seen.mid(gone + 1).count(QStringLiteral("A/a3.jpg")), 0);
    EXPECT_TRUE(h.failures.messages.isEmpty()) << h.failures.messages.join(';').toStdString();
}

} // namespace
} // namespace soru
