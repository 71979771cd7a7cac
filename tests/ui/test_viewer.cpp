// Presenting the current picture in the real main window: fitting, status
// panels, companions, hint, sound, and the partial states failures leave.
#include "tests/ui/main_window_fixture.h"

#include "core/failure.h"
#include "tools/testlib/testlib.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/status_panels.h"

#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

#include <utility>

namespace soru {
namespace {

using namespace soru::testlib;
using test::MainWindowHarness;

struct ViewerHarness : MainWindowHarness {
    AlbumBuilder album{library.path()};
    test::FailureRecorder failures;

    // The named files become the album's pictures, without a list; the
    // album opens at the first present(), an empty one at once.
    void open(const QStringList& names) {
        pending.clear();
        for (const QString& n : names)
            pending << album.filePath(n);
        if (pending.isEmpty())
            w().session().openAlbum(QString(), {});
    }
    // Presents picture i through the session, as a pick does; failures are
    // reported, not thrown.
    void present(int i) {
        if (!pending.isEmpty())
            w().session().openAlbum(QString(), std::exchange(pending, {}));
        w().session().pick(i);
    }
    QStringList pending;
    // Starts the slide show as its action does, also for an album of one.
    void startSlideShow() {
        parts().action(Command::Auto)->setEnabled(true);
        parts().action(Command::Auto)->trigger();
    }
    QString panel(int i) { return parts().sbInfo->panelText(i); }
};

TEST(Viewer, FitsAndCentresInTheMainPanel) {
    ViewerHarness h;
    h.album.jpeg("wide.jpg", 3000, 2000).jpeg("tall.jpg", 1600, 1200).bmp("small.bmp", 640, 480)
        .jpeg("exact.jpg", 1024, 721);
    h.open({"wide.jpg", "tall.jpg", "small.bmp", "exact.jpg"});
    const struct {
        int index;
        QRect view;
        const char* size;
    } cases[] = {{0, {0, 19, 1024, 683}, "3000 x 2000"},
                 {1, {32, 0, 961, 721}, "1600 x 1200"},
                 {2, {192, 120, 640, 480}, "640 x 480"},
                 {3, {0, 0, 1024, 721}, "1024 x 721"}};
    for (const auto& c : cases) {
        h.present(c.index);
        EXPECT_EQ(h.parts().imgView->geometry(), c.view) << c.index;
        EXPECT_EQ(h.panel(1), c.size);
        EXPECT_FALSE(h.parts().imgView->isHidden());
    }
    EXPECT_TRUE(h.failures.messages.isEmpty()) << h.failures.messages.join(';').toStdString();
    // The drawing surface keeps the screen's size.
    EXPECT_EQ(h.parts().imgView->bitmap().size(), QSize(1024, 768));
}

TEST(Viewer, PanelsHintAndCompanions) {
    ViewerHarness h;
    h.album.jpeg("a.JPG", 64, 48).memoRtf("a.rtf").memoText("a.txt", "text").wav("a.WAV", 100)
        .jpeg("b.jpg", 64, 48).memoText("b.txt", "plain memo")
        .jpeg("c.jpg", 64, 48);
    QDir(h.library.path()).mkdir("c.txt"); // a folder named like a companion
    h.open({"a.JPG", "b.jpg", "c.jpg"});
    const struct {
        int index;
        const char* position;
        const char* name;
        const char* memoKind;
        bool sound;
        int hintLines;
    } cases[] = {{0, "1 / 3", "a.JPG", "RTF", true, 6},
                 {1, "2 / 3", "b.jpg", "TXT", false, 5},
                 {2, "3 / 3", "c.jpg", "", false, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        h.present(c.index);
        EXPECT_EQ(h.panel(0), c.position);
        EXPECT_EQ(h.panel(5), c.name);
        EXPECT_EQ(h.panel(3), c.memoKind);
        EXPECT_EQ(h.panel(4), c.sound ? "サウンド" : "");
        EXPECT_FALSE(h.panel(2).isEmpty());
        EXPECT_EQ(h.parts().action(Command::Play)->isEnabled(), c.sound);
        EXPECT_EQ(h.parts().pnlMemo->isEnabled(), *c.memoKind != 0);
        const QStringList hint = h.parts().imgView->toolTip().split('\n');
        EXPECT_EQ(hint.size(), c.hintLines);
        EXPECT_EQ(hint[0], c.name);
        EXPECT_EQ(hint[2], c.position);
    }
    EXPECT_TRUE(h.parts().reMemo->toPlainText().isEmpty());
    ASSERT_EQ(h.sound.calls.size(), 1);
    EXPECT_EQ(h.sound.calls[0].path, h.album.filePath("a.WAV"));
    EXPECT_FALSE(h.sound.calls[0].synchronous);
}

TEST(Viewer, SoundIsSynchronousDuringTheSlideShowAndReplayIsNot) {
    ViewerHarness h;
    h.album.jpeg("a.jpg", 64, 48).wav("a.wav", 100);
    h.open({"a.jpg"});
    h.startSlideShow();
    h.present(0);
    guarded([&] { h.w().aPlayExecute(); });
    ASSERT_EQ(h.sound.calls.size(), 2);
    EXPECT_TRUE(h.sound.calls[0].synchronous);
    EXPECT_FALSE(h.sound.calls[1].synchronous);
}

TEST(Viewer, VanishedFileHidesTheViewAndKeepsEmptyLines) {
    ViewerHarness h;
    h.album.jpeg("a.jpg", 64, 48).jpeg("gone.jpg", 64, 48);
    h.open({"a.jpg", "gone.jpg"});
    h.present(0);
    ASSERT_FALSE(h.parts().imgView->isHidden());
    QFile::remove(h.album.filePath("gone.jpg"));
    h.present(1);
    EXPECT_TRUE(h.parts().imgView->isHidden());
    EXPECT_EQ(h.panel(1), "");
    EXPECT_EQ(h.panel(2), "");
    EXPECT_EQ(h.panel(0), "2 / 2");
    EXPECT_EQ(h.parts().imgView->toolTip(), "gone.jpg\n\n2 / 2\n");
    EXPECT_TRUE(h.failures.messages.isEmpty());
}

TEST(Viewer, DecoderFailureLeavesTheViewAndThePreviousCompanions) {
    ViewerHarness h;
    h.album.jpeg("a.jpg", 200, 100).memoRtf("a.rtf").wav("a.wav", 100)
        .broken("b.jpg", BrokenKind::JpegNotJpeg).broken("c.bmp", BrokenKind::BmpBadSignature);
    h.open({"a.jpg", "b.jpg", "c.bmp"});
    h.present(0);
    const QRect before = h.parts().imgView->geometry();
    const QString hintBefore = h.parts().imgView->toolTip();
    const QImage pixelsBefore = h.parts().imgView->bitmap().copy(0, 0, 200, 100);
    const struct {
        int index;
        const char* message;
    } cases[] = {{1, "JPEG エラー #53"}, {2, "ビットマップイメージが不正です"}};
    for (const auto& c : cases) {
        h.failures.messages.clear();
        h.present(c.index);
        EXPECT_EQ(h.failures.messages, QStringList{QString::fromUtf8(c.message)});
        EXPECT_EQ(h.parts().imgView->geometry(), before);
        EXPECT_FALSE(h.parts().imgView->isHidden());
        EXPECT_EQ(h.parts().imgView->bitmap().copy(0, 0, 200, 100), pixelsBefore);
        // Position and name are the new picture's; size to sound are empty.
        EXPECT_EQ(h.panel(0), QString("%1 / 3").arg(c.index + 1));
        EXPECT_FALSE(h.panel(5).isEmpty());
        for (int p = 1; p <= 4; ++p)
            EXPECT_EQ(h.panel(p), "") << p;
        // The play action, memo and hint still belong to the first picture.
        EXPECT_TRUE(h.parts().action(Command::Play)->isEnabled());
        EXPECT_TRUE(h.parts().pnlMemo->isEnabled());
        EXPECT_EQ(h.parts().imgView->toolTip(), hintBefore);
    }
    EXPECT_EQ(h.sound.calls.size(), 1);
}

TEST(Viewer, MissingFileOfTheOtherKindFailsWithItsOwnDecoder) {
    ViewerHarness h;
    h.album.broken("jpeg.bmp", BrokenKind::JpegNamedBmp).broken("bmp.jpg", BrokenKind::BmpNamedJpg);
    h.open({"bmp.jpg", "jpeg.bmp"});
    h.present(0);
    h.present(1);
    ASSERT_EQ(h.failures.messages.size(), 2);
    EXPECT_TRUE(h.failures.messages[0].startsWith("JPEG エラー #"));
    EXPECT_EQ(h.failures.messages[1], "ビットマップイメージが不正です");
}

TEST(Viewer, SheetShownKeepsTheViewHiddenButDrawn) {
    ViewerHarness h;
    h.album.jpeg("a.jpg", 300, 200);
    h.open({"a.jpg"});
    // The sheet is up: its state is the session's, not the action's.
    h.w().session().perform(Command::Sum);
    h.present(0);
    EXPECT_TRUE(h.parts().imgView->isHidden());
    EXPECT_EQ(h.parts().imgView->geometry(), QRect(362, 260, 300, 200));
    EXPECT_NE(h.parts().imgView->bitmap().pixel(150, 100), qRgb(255, 255, 255));
}

TEST(Viewer, ThinPictureIsDrawnOnePixelHighAndKeepsItsSize) {
    ViewerHarness h;
    h.album.bmp("thin.bmp", 4000, 1);
    h.open({"thin.bmp"});
    h.present(0);
    EXPECT_EQ(h.panel(1), "4000 x 1");
    EXPECT_EQ(h.parts().imgView->size(), QSize(1024, 1));
    EXPECT_TRUE(h.failures.messages.isEmpty());
}

// Before any album, and after an empty album has replaced one with pictures
// (the old index then points at nothing), nothing is presented or played.
TEST(Viewer, NoCurrentPictureDoesNothing) {
    for (const QStringList& before : {QStringList{}, QStringList{"a.jpg"}}) {
        ViewerHarness h;
        h.album.jpeg("a.jpg", 64, 48).wav("a.wav", 100);
        h.open(before);
        if (!before.isEmpty())
            h.present(0);
        const QString shown = h.panel(0);
        const qsizetype played = h.sound.calls.size();
        h.open({});
        guarded([&] { h.w().aNextExecute(); });
        guarded([&] { h.w().aPlayExecute(); });
        EXPECT_EQ(h.panel(0), shown);
        EXPECT_EQ(h.sound.calls.size(), played);
    }
}

TEST(Viewer, PositionPanelDrawsTheClockOnlyDuringTheSlideShow) {
    ViewerHarness h;
    h.album.jpeg("a.jpg", 64, 48);
    h.open({"a.jpg"});
    h.present(0);
    const QRect r = h.parts().sbInfo->panelRect(0);
    auto panelPixels = [&] { return h.parts().sbInfo->grab(r).toImage().copy(0, 0, 16, r.height()); };
    auto textPixels = [&] { return h.parts().sbInfo->grab(r).toImage().copy(18, 0, r.width() - 18, r.height()); };
    const QImage glyphOff = panelPixels();
    const QImage textOff = textPixels();
    h.startSlideShow();
    const QImage glyphOn = panelPixels();
    EXPECT_NE(glyphOn, glyphOff);
    // The text does not move.
    EXPECT_EQ(textPixels(), textOff);
}

} // namespace
} // namespace soru
