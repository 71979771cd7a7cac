// The album scan, opening albums, the picture list and the thumbnail sheet in
// the real main window.
#include "tests/ui/main_window_fixture.h"

#include "core/failure.h"
#include "tools/testlib/testlib.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/instant_progress_bar.h"
#include "ui/widgets/status_panels.h"
#include "ui/widgets/tool_bar.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace soru {
namespace {

using namespace soru::testlib;
using test::LibraryWindow;

// Entries that are not folders (a named pipe, a dangling link) are no
// albums and do not count in the bar; a link to a folder is a folder.
TEST(AlbumScan, OnlyFoldersCountInTheBar) {
    LibraryWindow h;
    h.lib.album("").jpeg("a.jpg", 40, 30);
    h.lib.album("One").jpeg("o.jpg", 40, 30);
    h.lib.album("Two").jpeg("t.jpg", 40, 30);
    const QString root = h.library.path() + "/";
    ASSERT_EQ(::mkfifo(QFile::encodeName(root + "pipe").constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(root + "nowhere", root + "dangling"));
    ASSERT_TRUE(QFile::link(root + "Two", root + "Linked"));
    h.create();
    EXPECT_EQ(h.bookEntries(), (QStringList{"         1[ ルートアルバム ]", "         1Linked", "         1One",
                                            "         1Two"}));
    EXPECT_EQ(h.splashBar.maximum(), 4);
    EXPECT_EQ(h.progress, (QList<int>{1, 2, 3, 4}));
}

TEST(AlbumScan, EntriesCountsOrderAndProgress) {
    LibraryWindow h;
    h.lib.album("").jpeg("a.jpg", 40, 30).bmp("b.bmp", 40, 30).jpeg("c.JPEG", 40, 30);
    h.lib.album("Winter").jpeg("w.jpg", 40, 30);
    h.lib.album("summer").jpeg("s1.jpg", 40, 30).jpeg("s2.jpe", 40, 30);
    h.lib.album("Autumn").jpeg("x.jpg", 40, 30).subFolder("deeper");
    h.lib.album("empty").file("notes.txt", "x");
    h.lib.album("Travel").jpeg("1.jpg", 40, 30).hiddenFile(".secret.jpg");
    makeHiddenFolder(h.library.path(), ".private");
    h.lib.album(".private").jpeg("p.jpg", 40, 30);
    h.create();
    EXPECT_EQ(h.bookEntries(), (QStringList{"         3[ ルートアルバム ]", "         1Autumn", "         2summer",
                                            "         1Travel", "         1Winter"}));
    // Five folders: the bar's maximum is 6 and it runs 1 .. 6.
    EXPECT_EQ(h.splashBar.maximum(), 6);
    EXPECT_EQ(h.progress, (QList<int>{1, 2, 3, 4, 5, 6}));
    // Root album opened: first picture shown, panel slid in to a 4-pixel strip.
    EXPECT_FALSE(h.w().AwaitingAlbum);
    EXPECT_FALSE(h.w().BookPanelOut);
    EXPECT_EQ(h.w().pnlBook->x(), 4 - h.w().pnlBook->width());
    EXPECT_EQ(h.w().lstBook->currentRow(), 0);
    EXPECT_EQ(h.w().CurrentIndex, 0);
    EXPECT_EQ(h.w().sbInfo->panelText(0), "1 / 3");
    // List and panel sizes.
    EXPECT_EQ(h.w().lstBook->height(), 5 * 22);
    EXPECT_EQ(h.w().pnlBook->height(), 5 * 22 + 4);
    EXPECT_EQ(h.w().pnlBook->width(), h.w().lstBook->width() + 6);
    EXPECT_FALSE(h.w().pnlBook->isHidden());
}

TEST(AlbumScan, ManyAlbumsScrollAndNoAlbumsHideThePanel) {
    LibraryWindow many;
    for (int i = 0; i < 40; ++i)
        many.lib.album(QString("album%1").arg(i, 2, 10, QChar('0'))).jpeg("a.jpg", 8, 8);
    many.create();
    EXPECT_EQ(many.w().lstBook->count(), 40);
    EXPECT_EQ(many.w().lstBook->height(), 704);
    EXPECT_EQ(many.w().pnlBook->height(), 708);
    // The root holds no picture: the panel stays out and waits for a choice.
    EXPECT_TRUE(many.w().AwaitingAlbum);
    EXPECT_EQ(many.w().pnlBook->x(), 0);

    LibraryWindow none;
    none.lib.album("empty").file("x.txt", "x");
    none.create();
    EXPECT_TRUE(none.w().pnlBook->isHidden());
    EXPECT_FALSE(none.w().pnlBook->isEnabled());
    EXPECT_EQ(none.splashBar.maximum(), 2);
    for (QAction* a : {none.w().aBack, none.w().aAuto, none.w().aNext, none.w().aSum, none.w().aCopy,
                       none.w().aWall, none.w().aPlay})
        EXPECT_FALSE(a->isEnabled());
    EXPECT_TRUE(none.w().aExit->isEnabled());
    EXPECT_TRUE(none.w().aInfo->isEnabled());
    EXPECT_TRUE(none.w().imgView->isHidden());
}

TEST(AlbumList, DrawingSetsTheHintOnlyWhenSelectedAndFocused) {
    LibraryWindow h;
    h.lib.album("Travel").jpeg("1.jpg", 8, 8).jpeg("2.jpg", 8, 8).jpeg("3.jpg", 8, 8).jpeg("4.jpg", 8, 8)
        .jpeg("5.jpg", 8, 8).jpeg("6.jpg", 8, 8).jpeg("7.jpg", 8, 8);
    h.create();
    QImage canvas(200, 22, QImage::Format_RGB32);
    QPainter p(&canvas);
    h.w().lstBookDrawItem(p, 0, QRect(0, 0, 200, 22), ItemDrawState{true, false, false});
    EXPECT_EQ(h.w().lstBook->hint(), "");
    h.w().lstBookDrawItem(p, 0, QRect(0, 0, 200, 22), ItemDrawState{true, true, false});
    EXPECT_EQ(h.w().lstBook->hint(), "写真 7 枚\r\nTravel");
}

TEST(AlbumList, DoubleClickOpensTheAlbumAndTheRootLabelStandsForTheRoot) {
    LibraryWindow h;
    h.lib.album("").jpeg("r.jpg", 40, 30);
    h.lib.album("Travel").jpeg("IMG2.jpg", 40, 30).jpeg("IMG10.jpg", 40, 30).bmp("photo.bmp", 40, 30)
        .jpeg("photo.jpg", 40, 30);
    h.lib.album("[ ルートアルバム ]").jpeg("z.jpg", 40, 30);
    h.create();
    ASSERT_EQ(h.w().lstBook->count(), 3);
    h.openAlbumAt(2); // Travel
    EXPECT_EQ(h.w().lblDir->text(), "Travel");
    const QString t = h.library.path() + "/Travel/";
    EXPECT_EQ(h.w().PictureFiles,
              (QStringList{t + "IMG10.jpg", t + "IMG2.jpg", t + "photo.bmp", t + "photo.jpg"}));
    EXPECT_EQ(h.fileEntries(), (QStringList{"3IMG10", "3IMG2", "0photo", "3photo"}));
    EXPECT_EQ(h.w().pnlFile->height(), 4 * 22 + 4);
    for (QAction* a : {h.w().aBack, h.w().aAuto, h.w().aNext, h.w().aSum, h.w().aCopy, h.w().aWall})
        EXPECT_TRUE(a->isEnabled());
    // A folder named like the root label opens the root album.
    h.openAlbumAt(1);
    EXPECT_EQ(h.w().lblDir->text(), "");
    EXPECT_EQ(h.w().PictureFiles, QStringList{h.library.path() + "/r.jpg"});
    // One picture: the stepping actions are off, the others on.
    for (QAction* a : {h.w().aBack, h.w().aAuto, h.w().aNext})
        EXPECT_FALSE(a->isEnabled());
    for (QAction* a : {h.w().aSum, h.w().aCopy, h.w().aWall})
        EXPECT_TRUE(a->isEnabled());
}

TEST(PictureList, OpensOnlyThroughAnEnabledNextButtonAndJumps) {
    LibraryWindow h;
    for (int i = 1; i <= 9; ++i)
        h.lib.album("").jpeg(QString("p%1.jpg").arg(i), 40, 30);
    h.create();
    EXPECT_TRUE(h.w().pnlFile->isHidden());
    guarded([&] { h.w().tbsNextContextPopup(); });
    EXPECT_FALSE(h.w().pnlFile->isHidden());
    EXPECT_TRUE(h.w().pnlFile->isEnabled());
    h.w().lstFile->setCurrentRow(7);
    guarded([&] { h.w().lstFileDblClick(); });
    EXPECT_EQ(h.w().CurrentIndex, 7);
    EXPECT_EQ(h.w().sbInfo->panelText(0), "8 / 9");
    EXPECT_EQ(h.w().lstFile->currentRow(), 7);
    EXPECT_FALSE(h.w().pnlFile->isHidden());
}

TEST(Sheet, PagesFrameToggleAndPicking) {
    LibraryWindow h;
    for (int i = 0; i < 25; ++i)
        h.lib.album("").jpeg(QString("p%1.jpg").arg(i, 2, 10, QChar('0')), 1600, 1200);
    h.create();
    TfrmMain& w = h.w();
    EXPECT_EQ(w.ThumbWidth, 157);
    EXPECT_EQ(w.ThumbCols, 6);
    EXPECT_EQ(w.ThumbRows, 4);
    EXPECT_EQ(w.bvlCur->size(), QSize(159, 159));
    EXPECT_EQ(w.sbScr->maximum(), 1);
    EXPECT_EQ(w.sbScrTag, 1);
    EXPECT_TRUE(w.PagingEnabled);

    w.aAuto->setChecked(true);
    w.tmrAuto->start();
    w.aSum->trigger(); // show the sheet
    EXPECT_TRUE(w.aSum->isChecked());
    EXPECT_FALSE(w.aAuto->isEnabled());
    EXPECT_FALSE(w.aAuto->isChecked());
    EXPECT_FALSE(w.tmrAuto->isActive());
    EXPECT_TRUE(w.SheetValid);
    EXPECT_FALSE(w.imgSum->isHidden());
    EXPECT_TRUE(w.imgView->isHidden());
    EXPECT_TRUE(w.imgWall->isHidden());
    EXPECT_FALSE(w.sbScr->isHidden());
    EXPECT_EQ(w.bvlCur->pos(), QPoint(13, 23)); // one pixel up and left of the cell
    // A landscape thumbnail sits 20 pixels below the cell's top.
    const QImage sheet = w.imgSum->bitmap();
    EXPECT_NE(sheet.pixel(14 + 78, 24 + 20 + 2), sheet.pixel(14 + 78, 24 + 10));

    // Right button changes nothing; left picks, the frame moves to the origin.
    guarded([&] { w.imgSumMouseUp(Qt::RightButton, 14 + 165 + 5, 30); });
    EXPECT_EQ(w.CurrentIndex, 0);
    guarded([&] { w.imgSumMouseUp(Qt::LeftButton, 14 + 165 + 5, 30); });
    EXPECT_EQ(w.CurrentIndex, 1);
    EXPECT_EQ(w.bvlCur->pos(), QPoint(14 + 165, 24));
    EXPECT_TRUE(w.imgView->isHidden());

    // Next page: one thumbnail; a click far right and below picks the last picture.
    w.sbScr->setValue(1);
    EXPECT_TRUE(w.bvlCur->isHidden());
    guarded([&] { w.imgSumMouseUp(Qt::MiddleButton, 1000, 700); });
    EXPECT_EQ(w.CurrentIndex, 24);
    EXPECT_EQ(w.bvlCur->pos(), QPoint(14, 24));

    w.aSum->trigger(); // hide it again
    EXPECT_FALSE(w.aSum->isChecked());
    EXPECT_TRUE(w.aAuto->isEnabled());
    EXPECT_FALSE(w.aAuto->isChecked());
    EXPECT_TRUE(w.imgSum->isHidden());
    EXPECT_TRUE(w.sbScr->isHidden());
    EXPECT_TRUE(w.bvlCur->isHidden());
    EXPECT_FALSE(w.imgView->isHidden());
    EXPECT_TRUE(h.failures.messages.isEmpty()) << h.failures.messages.join(';').toStdString();
}

TEST(Sheet, ShowingAgainReusesThePageAndAFailedCellKeepsTheOldPage) {
    LibraryWindow h;
    h.lib.album("").jpeg("a.jpg", 300, 200).jpeg("b.jpg", 300, 200);
    h.create();
    TfrmMain& w = h.w();
    w.aSum->trigger();
    ASSERT_TRUE(w.SheetValid);
    const QImage page = w.imgSum->bitmap();
    w.aSum->trigger();
    // Remove a picture: a page drawn anew would differ, a reused one does not.
    QFile::remove(h.library.file("b.jpg"));
    w.aSum->trigger();
    EXPECT_EQ(w.imgSum->bitmap(), page);

    // A damaged picture ends the page draw: the sheet keeps what it showed.
    w.aSum->trigger();
    writeBroken(h.library.file("b.jpg"), BrokenKind::JpegNotJpeg);
    guarded([&] { w.OpenAlbum(QString()); });
    EXPECT_FALSE(w.SheetValid);
    w.aSum->trigger();
    EXPECT_EQ(h.failures.messages.size(), 1);
    EXPECT_FALSE(w.SheetValid);
    EXPECT_EQ(w.imgSum->bitmap(), page);
    EXPECT_TRUE(w.pbInfo->isHidden());
}

} // namespace
} // namespace soru
