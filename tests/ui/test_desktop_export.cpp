// The shown picture as wallpaper and on the clipboard, through the window.
#include "tests/ui/main_window_fixture.h"

#include "core/failure.h"
#include "media/colour/colour_management.h"
#include "platform/qt_services.h"
#include "platform/wallpaper_location.h"
#include "tools/testlib/icc_jpeg.h"
#include "tools/testlib/testlib.h"
#include "ui/widgets/image_box.h"

#include <QDir>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace soru {
namespace {

using namespace soru::testlib;
using test::LibraryWindow;

QString wallpaperTarget(LibraryWindow& h) { return wallpaperFilePath(h.wallDir.path()); }
// Chooses the style from its menu, then sets the wallpaper.
void setWallpaper(LibraryWindow& h, int style) {
    test::menuItem(h.parts().pmWall, style)->trigger();
    guarded([&h] { h.w().aWallExecute(); });
}

const QString kFirst = QStringLiteral("壁紙を変更してもよろしいですか？");
const QString kSecond = QStringLiteral("拡大表示すると、画像が変形する可能性がありますが、よろしいですか？");

TEST(Wallpaper, StylesAndTheSecondQuestion) {
    const struct {
        int w, h, style;
        bool secondAsked;
    } cases[] = {{1600, 1200, 2, false}, {1600, 1000, 2, true}, {1600, 1000, 0, false}, {1600, 1000, 1, false},
                 {1024, 768, 2, false},  {1023, 768, 2, true}};
    for (const auto& c : cases) {
        LibraryWindow h;
        h.lib.album("").jpeg("p.jpg", c.w, c.h);
        h.create();
        setWallpaper(h, c.style);
        SCOPED_TRACE(QString("%1x%2 style %3").arg(c.w).arg(c.h).arg(c.style).toStdString());
        EXPECT_EQ(h.asked, c.secondAsked ? QStringList({kFirst, kSecond}) : QStringList({kFirst}));
        ASSERT_EQ(h.wallpaper.calls.size(), 1);
        EXPECT_EQ(h.wallpaper.calls[0].style, c.style);
        EXPECT_EQ(h.wallpaper.calls[0].path, wallpaperTarget(h));
        // The bitmap file holds the picture at its full size.
        const QImage written(wallpaperTarget(h), "BMP");
        EXPECT_EQ(written.size(), QSize(c.w, c.h));
        EXPECT_TRUE(h.failures.messages.isEmpty());
    }
}

TEST(Wallpaper, NoToEitherQuestionTouchesNothing) {
    const struct {
        QList<bool> answers;
        int style;
        int questions;
    } cases[] = {{{false}, 0, 1}, {{true, false}, 2, 2}};
    for (const auto& c : cases) {
        LibraryWindow h;
        h.lib.album("").jpeg("p.jpg", 1600, 1000);
        h.create();
        h.answers = c.answers;
        setWallpaper(h, c.style);
        EXPECT_EQ(h.asked.size(), c.questions);
        EXPECT_TRUE(h.wallpaper.calls.isEmpty());
        EXPECT_TRUE(QDir(h.wallDir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}

TEST(Wallpaper, SettingTwiceOverwritesTheOneFileAndVanishedFilesAreQuiet) {
    LibraryWindow h;
    h.lib.album("").jpeg("a.jpg", 300, 200).bmp("b.bmp", 64, 32);
    h.create();
    setWallpaper(h, 1);
    guarded([&] { h.w().aNextExecute(); });
    setWallpaper(h, 0);
    EXPECT_EQ(QDir(h.wallDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"SORU Desktop Wallpaper.bmp"});
    EXPECT_EQ(QImage(wallpaperTarget(h), "BMP").size(), QSize(64, 32));
    QFile::remove(h.library.file("b.bmp"));
    setWallpaper(h, 0);
    EXPECT_EQ(h.asked.size(), 3); // asked, then quietly nothing
    EXPECT_EQ(h.wallpaper.calls.size(), 2);
    EXPECT_TRUE(h.failures.messages.isEmpty());
}

TEST(Wallpaper, WriteFailureKeepsTheOldFileAndChangesNoSetting) {
    LibraryWindow h;
    h.wallpaperFolder = h.wallDir.file("missing/folder");
    h.lib.album("").jpeg("a.jpg", 64, 48);
    h.create();
    setWallpaper(h, 0);
    ASSERT_EQ(h.failures.messages.size(), 1);
    EXPECT_EQ(h.failures.messages[0],
              QString("ファイル %1 を作成できません").arg(wallpaperFilePath(h.wallDir.file("missing/folder"))));
    EXPECT_TRUE(h.wallpaper.calls.isEmpty());
}

TEST(Wallpaper, DamagedPictureWritesNothing) {
    LibraryWindow h;
    h.lib.album("").jpeg("a.jpg", 64, 48).broken("b.jpg", BrokenKind::JpegNotJpeg);
    h.create();
    guarded([&] { h.w().aNextExecute(); });
    h.failures.messages.clear();
    setWallpaper(h, 0);
    EXPECT_EQ(h.failures.messages, QStringList{"JPEG エラー #53"});
    EXPECT_FALSE(QFile::exists(wallpaperTarget(h)));
    EXPECT_TRUE(h.wallpaper.calls.isEmpty());
}

TEST(Copy, PutsThePictureAtItsFullSizeOnTheClipboard) {
    LibraryWindow h;
    h.lib.album("").jpeg("a.jpg", 3000, 2000).bmp("b.bmp", 40, 30, BmpKind::Pal8);
    h.create();
    guarded([&] { h.w().aCopyExecute(); });
    guarded([&] { h.w().aNextExecute(); });
    guarded([&] { h.w().aCopyExecute(); });
    ASSERT_EQ(h.clipboard.images.size(), 2);
    EXPECT_EQ(h.clipboard.images[0].size(), QSize(3000, 2000));
    EXPECT_EQ(h.clipboard.images[1].size(), QSize(40, 30));
    EXPECT_TRUE(h.asked.isEmpty());
    QFile::remove(h.library.file("b.bmp"));
    guarded([&] { h.w().aCopyExecute(); });
    EXPECT_EQ(h.clipboard.images.size(), 2);
    EXPECT_TRUE(h.failures.messages.isEmpty());
}

// Answers the next question box with one key, sent where a real key goes:
// to the widget that has the keyboard focus. Records the default button
// when it has the focus.
void answerNextBoxWith(Qt::Key key, QMessageBox::StandardButton* focusedDefault) {
    QTimer::singleShot(0, [key, focusedDefault] {
        QMessageBox* box = nullptr;
        // Without a box or its activation the test fails on the answer it
        // did not get.
        if (!QTest::qWaitFor([&box] {
                return (box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) != nullptr;
            }))
            return;
        box->activateWindow();
        if (!QTest::qWaitForWindowActive(box))
            return;
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : box;
        // The default button answers Return wherever the platform's button
        // order puts the focus first; it must be Yes, and focused.
        if (box->defaultButton() && focus == box->defaultButton())
            *focusedDefault = box->standardButton(box->defaultButton());
        QTest::keyClick(focus, key);
    });
}

// The window decodes with the colour cache it is given: a red picture under
// a profile that swaps red and green shows red on a screen with that same
// profile, while the wallpaper and the clipboard get its sRGB pixels (green).
TEST(ScreenColours, TheViewFollowsTheScreenProfileAndExportsStaySrgb) {
    QFile icc(QStringLiteral("/usr/share/color/icc/colord/SwappedRedAndGreen.icc"));
    if (!icc.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "colord-data is not installed";
    const QByteArray swap = icc.readAll();
    LibraryWindow h;
    h.lib.album("").jpeg("a.jpg", 40, 30);
    QImage red(40, 30, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    writeFile(h.library.file("a.jpg"), withIccProfile(encodeJpeg(red, JpegKind::Baseline, 95), swap));
    h.colours.setTargetProfile(swap);
    h.create();
    const auto isRed = [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 40; };
    const auto isGreen = [](QRgb c) { return qGreen(c) > 200 && qRed(c) < 40; };
    const QImage view = h.parts().imgView->bitmap();
    int redPixels = 0, greenPixels = 0;
    for (int y = 0; y < view.height(); ++y)
        for (int x = 0; x < view.width(); ++x) {
            redPixels += isRed(view.pixel(x, y));
            greenPixels += isGreen(view.pixel(x, y));
        }
    EXPECT_GE(redPixels, 40 * 30);
    EXPECT_EQ(greenPixels, 0);
    guarded([&] { h.w().aCopyExecute(); });
    setWallpaper(h, 0);
    ASSERT_EQ(h.clipboard.images.size(), 1);
    EXPECT_TRUE(isGreen(h.clipboard.images[0].pixel(20, 15)));
    const QImage wallpaper(wallpaperTarget(h));
    ASSERT_FALSE(wallpaper.isNull());
    EXPECT_TRUE(isGreen(wallpaper.pixel(20, 15)));
    EXPECT_TRUE(h.failures.messages.isEmpty());
}

TEST(Wallpaper, ReturnAnswersYesAndEscapeNo) {
    const struct {
        Qt::Key key;
        int applied;
    } cases[] = {{Qt::Key_Return, 1}, {Qt::Key_Enter, 1}, {Qt::Key_Escape, 0}};
    for (const auto& c : cases) {
        LibraryWindow h;
        h.realQuestions = true;
        h.lib.album("").jpeg("p.jpg", 1024, 768);
        h.create();
        h.w().show();
        QMessageBox::StandardButton focused = QMessageBox::NoButton;
        answerNextBoxWith(c.key, &focused);
        guarded([&] { h.w().aWallExecute(); });
        EXPECT_EQ(h.wallpaper.calls.size(), c.applied) << c.key;
        EXPECT_EQ(focused, QMessageBox::Yes) << c.key;
    }
}

TEST(Copy, ReachesTheToolkitsClipboard) {
    test::TempDir lib;
    LibraryBuilder(lib.path()).album("").jpeg("a.jpg", 320, 200);
    QtClipboard clipboard;
    ColourTransformCache colours;
    TfrmMain::Environment env;
    env.colours = &colours;
    env.libraryFolder = lib.path();
    env.screen = QRect(0, 0, 1024, 768);
    env.services.clipboard = &clipboard;
    TfrmMain w(env);
    w.FormCreate();
    QGuiApplication::clipboard()->clear();
    EXPECT_TRUE(guarded([&] { w.aCopyExecute(); }));
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(320, 200));
}

} // namespace
} // namespace soru
