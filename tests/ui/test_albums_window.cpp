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
    EXPECT_FALSE(h.w().session().panels().awaitingAlbum());
    EXPECT_FALSE(h.w().session().panels().isOut(SidePanel::Book));
    EXPECT_EQ(h.parts().pnlBook->x(), 4 - h.parts().pnlBook->width());
    EXPECT_EQ(h.parts().lstBook->currentRow(), 0);
    EXPECT_EQ(h.w().session().album().index(), 0);
    EXPECT_EQ(h.parts().sbInfo->panelText(0), "1 / 3");
    // List and panel sizes.
    EXPECT_EQ(h.parts().lstBook->height(), 5 * 22);
    EXPECT_EQ(h.parts().pnlBook->height(), 5 * 22 + 4);
    EXPECT_EQ(h.parts().pnlBook->width(), h.parts().lstBook->width() + 6);
    EXPECT_FALSE(h.parts().pnlBook->isHidden());
}

TEST(AlbumScan, ManyAlbumsScrollAndNoAlbumsHideThePanel) {
    LibraryWindow many;
    for (int i = 0; i < 40; ++i)
        many.lib.album(QString("album%1").arg(i, 2, 10, QChar('0'))).jpeg("a.jpg", 8, 8);
    many.create();
    EXPECT_EQ(many.parts().lstBook->count(), 40);
    EXPECT_EQ(many.parts().lstBook->height(), 704);
    EXPECT_EQ(many.parts().pnlBook->height(), 708);
    // The root holds no picture: the panel stays out and waits for a choice.
    EXPECT_TRUE(many.w().session().panels().awaitingAlbum());
    EXPECT_EQ(many.parts().pnlBook->x(), 0);

    LibraryWindow none;
    none.lib.album("empty").file("x.txt", "x");
    none.create();
    EXPECT_TRUE(none.parts().pnlBook->isHidden());
    EXPECT_FALSE(none.parts().pnlBook->isEnabled());
    EXPECT_EQ(none.splashBar.maximum(), 2);
    for (QAction* a : {none.parts().action(Command::Back), none.parts().action(Command::Auto), none.parts().action(Command::Next), none.parts().action(Command::Sum), none.parts().action(Command::Copy),
                       none.parts().action(Command::Wall), none.parts().action(Command::Play)})
        EXPECT_FALSE(a->isEnabled());
    EXPECT_TRUE(none.parts().action(Command::Exit)->isEnabled());
    EXPECT_TRUE(none.parts().action(Command::Info)->isEnabled());
    EXPECT_TRUE(none.parts().imgView->isHidden());
}

TEST(AlbumList, DrawingSetsTheHintOnlyWhenSelectedAndFocused) {
    LibraryWindow h;
    h.lib.album("Travel").jpeg("1.jpg", 8, 8).jpeg("2.jpg", 8, 8).jpeg("3.jpg", 8, 8).jpeg("4.jpg", 8, 8)
        .jpeg("5.jpg", 8, 8).jpeg("6.jpg", 8, 8).jpeg("7.jpg", 8, 8);
    h.create();
    QImage canvas(200, 22, QImage::Format_RGB32);
    QPainter p(&canvas);
    h.w().lstBookDrawItem(p, 0, QRect(0, 0, 200, 22), ItemDrawState{true, false, false});
    EXPECT_EQ(h.parts().lstBook->hint(), "");
    h.w().lstBookDrawItem(p, 0, QRect(0, 0, 200, 22), ItemDrawState{true, true, false});
    EXPECT_EQ(h.parts().lstBook->hint(), "写真 7 枚\r\nTravel");
}

TEST(AlbumList, DoubleClickOpensTheAlbumAndTheRootLabelStandsForTheRoot) {
    LibraryWindow h;
    h.lib.album("").jpeg("r.jpg", 40, 30);
    h.lib.album("Travel").jpeg("IMG2.jpg", 40, 30).jpeg("IMG10.jpg", 40, 30).bmp("photo.bmp", 40, 30)
        .jpeg("photo.jpg", 40, 30);
    h.lib.album("[ ルートアルバム ]").jpeg("z.jpg", 40, 30);
    h.create();
    ASSERT_EQ(h.parts().lstBook->count(), 3);
    h.openAlbumAt(2); // Travel
    EXPECT_EQ(h.parts().lblDir->text(), "Travel");
    const QString t = h.library.path() + "/Travel/";
    EXPECT_EQ(h.w().session().album().paths(),
              (QStringList{t + "IMG10.jpg", t + "IMG2.jpg", t + "photo.bmp", t + "photo.jpg"}));
    EXPECT_EQ(h.fileEntries(), (QStringList{"3IMG10", "3IMG2", "0photo", "3photo"}));
    EXPECT_EQ(h.parts().pnlFile->height(), 4 * 22 + 4);
    // A folder named like the root label opens the root album.
    h.openAlbumAt(1);
    EXPECT_EQ(h.parts().lblDir->text(), "");
    EXPECT_EQ(h.w().session().album().paths(), QStringList{h.library.path() + "/r.jpg"});
}

TEST(PictureList, OpensOnlyThroughAnEnabledNextButtonAndJumps) {
    LibraryWindow h;
    for (int i = 1; i <= 9; ++i)
        h.lib.album("").jpeg(QString("p%1.jpg").arg(i), 40, 30);
    h.create();
    EXPECT_TRUE(h.parts().pnlFile->isHidden());
    guarded([&] { h.w().tbsNextContextPopup(); });
    EXPECT_FALSE(h.parts().pnlFile->isHidden());
    EXPECT_TRUE(h.parts().pnlFile->isEnabled());
    h.parts().lstFile->setCurrentRow(7);
    guarded([&] { h.w().lstFileDblClick(); });
    EXPECT_EQ(h.w().session().album().index(), 7);
    EXPECT_EQ(h.parts().sbInfo->panelText(0), "8 / 9");
    EXPECT_EQ(h.parts().lstFile->currentRow(), 7);
    EXPECT_FALSE(h.parts().pnlFile->isHidden());
}

TEST(Sheet, PagesFrameToggleAndPicking) {
    LibraryWindow h;
    for (int i = 0; i < 25; ++i)
        h.lib.album("").jpeg(QString("p%1.jpg").arg(i, 2, 10, QChar('0')), 1600, 1200);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    EXPECT_EQ(w.session().sheet().grid().thumbWidth, 157);
    EXPECT_EQ(w.session().sheet().grid().cols, 6);
    EXPECT_EQ(w.session().sheet().grid().rows, 4);
    EXPECT_EQ(ui.bvlCur->size(), QSize(159, 159));
    EXPECT_EQ(ui.sbScr->maximum(), 1);
    EXPECT_TRUE(w.session().sheet().severalPages());
    EXPECT_TRUE(w.session().sheet().pagingEnabled());

    ui.action(Command::Auto)->trigger(); // a running slide show
    ASSERT_TRUE(ui.tmrAuto->isActive());
    ui.action(Command::Sum)->trigger(); // show the sheet
    EXPECT_FALSE(ui.tmrAuto->isActive());
    EXPECT_TRUE(w.session().sheet().pageValid());
    EXPECT_FALSE(ui.imgSum->isHidden());
    EXPECT_TRUE(ui.imgView->isHidden());
    EXPECT_TRUE(ui.imgWall->isHidden());
    EXPECT_FALSE(ui.sbScr->isHidden());
    EXPECT_EQ(ui.bvlCur->pos(), QPoint(13, 23)); // one pixel up and left of the cell
    // A landscape thumbnail sits 20 pixels below the cell's top.
    const QImage sheet = ui.imgSum->bitmap();
    EXPECT_NE(sheet.pixel(14 + 78, 24 + 20 + 2), sheet.pixel(14 + 78, 24 + 10));

    // Right button changes nothing; left picks, the frame moves to the origin.
    guarded([&] { w.imgSumMouseUp(Qt::RightButton, 14 + 165 + 5, 30); });
    EXPECT_EQ(w.session().album().index(), 0);
    guarded([&] { w.imgSumMouseUp(Qt::LeftButton, 14 + 165 + 5, 30); });
    EXPECT_EQ(w.session().album().index(), 1);
    EXPECT_EQ(ui.bvlCur->pos(), QPoint(14 + 165, 24));
    EXPECT_TRUE(ui.imgView->isHidden());

    // Next page: one thumbnail; a click far right and below picks the last picture.
    ui.sbScr->setValue(1);
    EXPECT_TRUE(ui.bvlCur->isHidden());
    guarded([&] { w.imgSumMouseUp(Qt::MiddleButton, 1000, 700); });
    EXPECT_EQ(w.session().album().index(), 24);
    EXPECT_EQ(ui.bvlCur->pos(), QPoint(14, 24));

    ui.action(Command::Sum)->trigger(); // hide it again
    EXPECT_TRUE(ui.imgSum->isHidden());
    EXPECT_TRUE(ui.sbScr->isHidden());
    EXPECT_TRUE(ui.bvlCur->isHidden());
    EXPECT_FALSE(ui.imgView->isHidden());
    EXPECT_TRUE(h.failures.messages.isEmpty()) << h.failures.messages.join(';').toStdString();
}

TEST(Sheet, ShowingAgainReusesThePageAndAFailedCellKeepsTheOldPage) {
    LibraryWindow h;
    h.lib.album("").jpeg("a.jpg", 300, 200).jpeg("b.jpg", 300, 200);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    ui.action(Command::Sum)->trigger();
    ASSERT_TRUE(w.session().sheet().pageValid());
    const QImage page = ui.imgSum->bitmap();
    ui.action(Command::Sum)->trigger();
    // Remove a picture: a page drawn anew would differ, a reused one does not.
    QFile::remove(h.library.file("b.jpg"));
    ui.action(Command::Sum)->trigger();
    EXPECT_EQ(ui.imgSum->bitmap(), page);

    // A damaged picture ends the page draw: the sheet keeps what it showed.
    ui.action(Command::Sum)->trigger();
    writeBroken(h.library.file("b.jpg"), BrokenKind::JpegNotJpeg);
    h.openAlbumAt(0); // the root album, its only row, opened again
    EXPECT_FALSE(w.session().sheet().pageValid());
    ui.action(Command::Sum)->trigger();
    EXPECT_EQ(h.failures.messages.size(), 1);
    EXPECT_FALSE(w.session().sheet().pageValid());
    EXPECT_EQ(ui.imgSum->bitmap(), page);
    EXPECT_TRUE(ui.pbInfo->isHidden());
}

} // namespace
} // namespace soru
