// The window with its picture pipeline: neighbours are decoded ahead, yet
// what is shown is the file as it is when shown, failures come when the
// picture is shown, and a thumbnail page seen before costs no decoding.
#include "tests/ui/main_window_fixture.h"

#include "core/failure.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/status_panels.h"

#include <QFile>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace soru {
namespace {

using namespace soru::testlib;
using test::LibraryWindow;

QImage flat(int w, int h, Qt::GlobalColor colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

enum class Change { Rewritten, Deleted, Broken };

TEST(PipelineWindow, APrefetchedPictureIsShownAsItsFileIsWhenShown) {
    for (const Change change : {Change::Rewritten, Change::Deleted, Change::Broken}) {
        SCOPED_TRACE(int(change));
        LibraryWindow h;
        h.lib.album("").jpeg("a.jpg", flat(200, 100, Qt::red)).jpeg("b.jpg", flat(300, 150, Qt::green))
            .jpeg("c.jpg", flat(64, 48, Qt::red));
        h.create();
        TfrmMain& w = h.w();
        const WindowParts ui = h.parts();
        const QString b = h.library.file("b.jpg");
        const QSize view = ui.pnlMain->size();
        // Showing a.jpg queued its neighbours; b.jpg is decoded ahead.
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.pictures().isReady(b, view); }, 10000));
        const QRect before = ui.imgView->geometry();
        switch (change) {
        case Change::Rewritten:
            QFile::remove(b);
            AlbumBuilder(h.library.path()).jpeg("b.jpg", flat(400, 200, Qt::blue));
            break;
        case Change::Deleted:
            QFile::remove(b);
            break;
        case Change::Broken:
            QFile::remove(b);
            AlbumBuilder(h.library.path()).broken("b.jpg", BrokenKind::JpegNotJpeg);
            break;
        }
        EXPECT_TRUE(h.failures.messages.isEmpty()); // nothing is reported ahead of time
        guarded([&] { w.aNextExecute(); });
        EXPECT_EQ(ui.sbInfo->panelText(0), "2 / 3");
        switch (change) {
        case Change::Rewritten: {
            EXPECT_TRUE(h.failures.messages.isEmpty());
            EXPECT_EQ(ui.sbInfo->panelText(1), "400 x 200");
            EXPECT_EQ(ui.imgView->size(), QSize(400, 200));
            const QRgb middle = ui.imgView->bitmap().pixel(200, 100);
            EXPECT_GT(qBlue(middle), 200);
            EXPECT_LT(qGreen(middle), 60);
            break;
        }
        case Change::Deleted:
            EXPECT_TRUE(h.failures.messages.isEmpty());
            EXPECT_EQ(ui.sbInfo->panelText(1), "");
            EXPECT_TRUE(ui.imgView->isHidden());
            break;
        case Change::Broken:
            EXPECT_EQ(h.failures.messages, QStringList{"JPEG エラー #53"});
            EXPECT_EQ(ui.sbInfo->panelText(1), "");
            EXPECT_EQ(ui.imgView->geometry(), before); // the previous picture stays
            EXPECT_FALSE(ui.imgView->isHidden());
            break;
        }
    }
}

TEST(PipelineWindow, APageSeenBeforeIsNotDecodedAgain) {
    LibraryWindow h;
    AlbumBuilder root = h.lib.album("");
    for (int i = 0; i < 30; ++i)
        root.jpeg(QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0')), 320, 240);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    PicturePipeline& pictures = w.pictures();
    guarded([&] { w.aSumExecute(); });
    ASSERT_FALSE(ui.sbScr->isHidden());
    const QImage firstPage = ui.imgSum->bitmap();
    guarded([&] { ui.sbScr->setValue(1); });
    const QImage secondPage = ui.imgSum->bitmap();
    EXPECT_NE(firstPage, secondPage);
    pictures.waitUntilIdle();
    const int decoded = pictures.decodeCount();
    guarded([&] { ui.sbScr->setValue(0); });
    EXPECT_EQ(ui.imgSum->bitmap(), firstPage);
    guarded([&] { ui.sbScr->setValue(1); });
    EXPECT_EQ(ui.imgSum->bitmap(), secondPage);
    EXPECT_EQ(pictures.decodeCount(), decoded);
    EXPECT_TRUE(h.failures.messages.isEmpty()) << h.failures.messages.join(';').toStdString();
}

} // namespace
} // namespace soru
