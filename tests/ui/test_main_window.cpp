#include "tests/ui/main_window_fixture.h"

#include "core/layout.h"
#include "core/texts.h"
#include "resources/artwork.h"
#include "ui/widgets/app_style.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/instant_progress_bar.h"
#include "ui/widgets/owner_draw_list.h"
#include "ui/widgets/status_panels.h"
#include "ui/widgets/tool_bar.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace soru {
namespace {

using test::MainWindowHarness;

struct ScreenCase {
    int cw, ch;
    QRect pnlMain, pnlMemo, pbInfo;
};

class MainWindowLayout : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(MainWindowLayout, ComponentsSitWhereTheCreationPutsThem) {
    const ScreenCase& c = GetParam();
    MainWindowHarness h(QSize(c.cw, c.ch));
    TfrmMain& w = h.w();
    EXPECT_EQ(w.geometry(), QRect(0, 0, c.cw, c.ch));
    EXPECT_EQ(w.tbMain->geometry(), QRect(0, 0, c.cw, 26));
    EXPECT_EQ(w.pnlMain->geometry(), c.pnlMain);
    EXPECT_EQ(w.pnlMemo->geometry(), c.pnlMemo);
    EXPECT_EQ(w.pbInfo->geometry(), c.pbInfo);
    EXPECT_EQ(w.sbInfo->geometry(), c.pbInfo);
    EXPECT_EQ(w.imgWall->geometry(), QRect(0, 0, c.cw, c.pnlMain.height()));
    EXPECT_EQ(w.imgView->geometry(), QRect(0, 0, c.cw, c.ch));
    EXPECT_EQ(w.imgSum->geometry(), QRect(0, 0, c.cw, c.ch));
    EXPECT_EQ(w.pnlBook->pos(), QPoint(0, 26));
    EXPECT_EQ(w.pnlFile->pos(), QPoint(w.tbsNext->x() - ToolBar::kEdge + 1, 26));
    EXPECT_EQ(w.sbScr->geometry(), QRect(c.cw - 16, 0, 16, c.pnlMain.height()));

    // The view's drawing surface is white and of screen size.
    ASSERT_EQ(w.imgView->bitmap().size(), QSize(c.cw, c.ch));
    EXPECT_EQ(w.imgView->bitmap().pixel(c.cw / 2, c.ch / 2), qRgb(255, 255, 255));
    // Background and sheet carry the gradient: white at the top, grey 96 at the bottom.
    const QImage& wall = w.imgWall->bitmap();
    ASSERT_EQ(wall.size(), QSize(c.cw, c.pnlMain.height()));
    EXPECT_EQ(wall.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(wall.pixel(c.cw - 1, wall.height() - 1), qRgb(96, 96, 96));
    const QImage& sum = w.imgSum->bitmap();
    ASSERT_EQ(sum.size(), QSize(c.cw, c.ch));
    EXPECT_EQ(sum.pixel(5, c.ch - 1), qRgb(96, 96, 96));
}

INSTANTIATE_TEST_SUITE_P(Screens, MainWindowLayout,
                         ::testing::Values(ScreenCase{1024, 768, {0, 26, 1024, 721}, {1020, 266, 587, 481}, {0, 747, 1024, 21}},
                                           ScreenCase{800, 600, {0, 26, 800, 553}, {796, 210, 587, 369}, {0, 579, 800, 21}}));

TEST(MainWindow, GradientBandsOnTheBackgroundOfA1024x768Screen) {
    MainWindowHarness h;
    const QImage& wall = h.w().imgWall->bitmap();
    const struct {
        int row;
        int grey;
    } rows[] = {{0, 255}, {4, 255}, {5, 254}, {8, 254}, {9, 253}, {13, 253}, {14, 252}, {716, 96}, {720, 96}};
    for (const auto& r : rows)
        EXPECT_EQ(wall.pixel(100, r.row), qRgb(r.grey, r.grey, r.grey)) << "row " << r.row;
}

TEST(MainWindow, StateAfterCreationForALibraryWithoutPictures) {
    MainWindowHarness h;
    TfrmMain& w = h.w();
    EXPECT_EQ(w.RootDir, h.library.path() + "/");
    EXPECT_TRUE(w.PictureFiles.isEmpty());
    EXPECT_EQ(w.CurrentIndex, -1);
    EXPECT_EQ(w.WallpaperStyle, 0);
    EXPECT_TRUE(w.AwaitingAlbum);
    EXPECT_FALSE(w.Sliding);
    EXPECT_TRUE(w.BookPanelOut);
    EXPECT_FALSE(w.MemoPanelOut);
    EXPECT_FALSE(w.PagingEnabled);
    EXPECT_FALSE(w.SheetValid);
    EXPECT_FALSE(w.pnlMemo->isEnabled());
    EXPECT_TRUE(w.reMemo->toPlainText().isEmpty());
    EXPECT_FALSE(w.tmrAuto->isActive());
    EXPECT_EQ(w.tmrAuto->interval(), 3000);
    EXPECT_TRUE(w.imgView->isHidden());
    EXPECT_TRUE(w.imgSum->isHidden());
    EXPECT_TRUE(w.bvlCur->isHidden());
    EXPECT_TRUE(w.sbScr->isHidden());
    EXPECT_TRUE(w.pbInfo->isHidden());
    EXPECT_TRUE(w.pnlFile->isHidden());
    EXPECT_FALSE(w.pnlFile->isEnabled());
    // No album at all: the album panel is hidden and disabled.
    EXPECT_TRUE(w.pnlBook->isHidden());
    EXPECT_FALSE(w.pnlBook->isEnabled());
    EXPECT_EQ(hintPause(), 100);
}

TEST(MainWindow, ActionsStartAsDefined) {
    MainWindowHarness h;
    TfrmMain& w = h.w();
    const struct {
        QAction* action;
        QString caption;
        QKeySequence shortcut;
        QString hint;
        bool enabled;
        bool checkable;
        int glyphIndex;
    } rows[] = {
        {w.aExit, "終了(&X)", {}, "", true, false, 0},
        {w.aBack, "前へ(&B)", QKeySequence("Ctrl+B"), "", false, false, 1},
        {w.aAuto, "自動(&A)", QKeySequence("Ctrl+A"), "カーソル方向の画像を次々と表示していきます", false, true, 2},
        {w.aNext, "次へ(&N)", QKeySequence("Ctrl+N"), "", false, false, 3},
        {w.aInfo, "情報(&I)", {}, "バージョン情報を表示します", true, false, 5},
        {w.aPlay, "再生(&P)", QKeySequence("Ctrl+P"), "サウンド付きの場合に再生します", false, false, 7},
        {w.aSum, "一覧(&A)", {}, "サムネイル表示しますが時間がかかります", false, true, 8},
        {w.aWall, "壁紙(&W)", QKeySequence("Ctrl+W"), "壁紙に設定します", false, false, 9},
        {w.aCopy, "複写(&C)", QKeySequence("Ctrl+C"), "表示している画像をコピーします", false, false, 22},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.caption.toStdString());
        EXPECT_EQ(r.action->text(), r.caption);
        EXPECT_EQ(r.action->shortcut(), r.shortcut);
        EXPECT_EQ(r.action->statusTip(), r.hint);
        EXPECT_EQ(r.action->isEnabled(), r.enabled);
        EXPECT_EQ(r.action->isCheckable(), r.checkable);
        EXPECT_FALSE(r.action->isChecked());
        EXPECT_EQ(r.action->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32),
                  glyphImage(r.glyphIndex).convertToFormat(QImage::Format_ARGB32));
    }
}

TEST(MainWindow, ToolbarButtonsInOrderWithTheirHints) {
    MainWindowHarness h;
    TfrmMain& w = h.w();
    const struct {
        ToolButton* button;
        QAction* action;
        QString hint;
        QMenu* dropDown;
    } rows[] = {
        {w.tbsExit, w.aExit, "", nullptr},
        {w.tbsBack, w.aBack, "", nullptr},
        {w.tbsAuto, w.aAuto, "カーソル方向の画像を次々と表示していきます", w.pmAutoTime},
        {w.tbsNext, w.aNext, "右クリックで表示する写真を選択できます", nullptr},
        {w.tbsSum, w.aSum, "", nullptr},
        {w.tbsCopy, w.aCopy, "", nullptr},
        {w.tbsWall, w.aWall, "", w.pmWall},
        {w.tbsPlay, w.aPlay, "サウンド付きの場合に再生します", nullptr},
        {w.tbsInfo, w.aInfo, "バージョン情報を表示します", nullptr},
        {w.tbsMin, nullptr, "", nullptr},
    };
    int lastRight = 0;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.button->text().toStdString());
        EXPECT_EQ(r.button->defaultAction(), r.action);
        EXPECT_EQ(r.button->hint(), r.hint);
        EXPECT_EQ(r.button->menu(), r.dropDown);
        EXPECT_EQ(r.button->width(), r.dropDown ? 75 + kDropDownArrowWidth : 75);
        EXPECT_EQ(r.button->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
        EXPECT_GE(r.button->x(), lastRight);
        lastRight = r.button->geometry().right();
    }
    EXPECT_EQ(w.tbsMin->text(), "最小化");
    EXPECT_TRUE(w.tbsMin->isEnabled());
    // The separators are 8 pixels: Back starts 75 + 8 after Exit.
    EXPECT_EQ(w.tbsBack->x() - w.tbsExit->x(), 83);
}

TEST(MainWindow, PopupMenusAndRadioGroups) {
    MainWindowHarness h;
    TfrmMain& w = h.w();
    QStringList mainItems;
    for (QAction* a : w.pmMain->actions())
        mainItems << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(mainItems, (QStringList{"前へ(&B)", "自動(&A)", "次へ(&N)", "-", "一覧(&A)", "-", "複写(&C)", "-",
                                       "壁紙(&W)", "再生(&P)", "-", "情報(&I)", "終了(&X)"}));

    QStringList autoItems;
    QList<int> tags;
    for (QAction* a : w.pmAutoTime->actions()) {
        autoItems << (a->isSeparator() ? "-" : a->text());
        if (!a->isSeparator()) {
            tags << a->data().toInt();
            EXPECT_EQ(a->isChecked(), a == w.pms3s);
        }
    }
    EXPECT_EQ(autoItems, (QStringList{"1 秒", "2 秒", "3 秒", "5 秒", "10 秒", "30 秒", "-", "1 分", "3 分",
                                       "5 分", "10 分"}));
    EXPECT_EQ(tags, (QList<int>{1, 2, 3, 5, 10, 30, 60, 180, 300, 600}));

    QStringList wallItems;
    for (QAction* a : w.pmWall->actions()) {
        wallItems << a->text();
        EXPECT_EQ(a->isChecked(), a == w.pmsCenter);
    }
    EXPECT_EQ(wallItems, (QStringList{"中央に表示", "並べて表示", "拡大して表示"}));
}

TEST(MainWindow, IntervalItemsSetTheTimerAndOnlyAChangeRestartsIt) {
    MainWindowHarness h;
    TfrmMain& w = h.w();
    w.tmrAuto->start();
    QTest::qWait(60);
    w.pms3s->trigger(); // the interval already set: the running wait goes on
    EXPECT_LE(w.tmrAuto->remainingTime(), 2960);
    EXPECT_TRUE(w.pms3s->isChecked());
    w.pms10m->trigger(); // a new interval starts a fresh wait
    EXPECT_EQ(w.tmrAuto->interval(), 600000);
    EXPECT_TRUE(w.tmrAuto->isActive());
    EXPECT_GT(w.tmrAuto->remainingTime(), 590000);
    EXPECT_TRUE(w.pms10m->isChecked());
    EXPECT_FALSE(w.pms3s->isChecked());
    w.tmrAuto->stop();
    w.pms1s->trigger();
    EXPECT_EQ(w.tmrAuto->interval(), 1000);
    EXPECT_FALSE(w.tmrAuto->isActive());
}

TEST(MainWindow, WallpaperStyleItemsSetTheStyle) {
    MainWindowHarness h;
    TfrmMain& w = h.w();
    const struct {
        QAction* item;
        int style;
    } rows[] = {{w.pmsZoom, 2}, {w.pmsTile, 1}, {w.pmsCenter, 0}, {w.pmsZoom, 2}};
    for (const auto& r : rows) {
        r.item->trigger();
        EXPECT_EQ(w.WallpaperStyle, r.style);
        for (QAction* a : w.pmWall->actions())
            EXPECT_EQ(a->isChecked(), a == r.item);
    }
    EXPECT_TRUE(h.wallpaper.calls.isEmpty());
}

TEST(MainWindow, ChildrenAreStackedInDefinitionOrder) {
    MainWindowHarness h;
    TfrmMain& w = h.w();
    QList<QWidget*> order;
    for (QObject* o : w.children())
        if (auto* wid = qobject_cast<QWidget*>(o); wid && !qobject_cast<QMenu*>(wid))
            order << wid;
    EXPECT_EQ(order, (QList<QWidget*>{w.tbMain, w.pnlMain, w.pnlMemo, w.sbInfo, w.pbInfo, w.pnlBook, w.pnlFile}));
    QList<QWidget*> mainOrder;
    for (QObject* o : w.pnlMain->children())
        if (auto* wid = qobject_cast<QWidget*>(o))
            mainOrder << wid;
    EXPECT_EQ(mainOrder, (QList<QWidget*>{w.imgWall, w.imgView, w.imgSum, w.lblDir, w.bvlCur, w.lblScale, w.sbScr}));
}

TEST(MainWindow, StatusBarPanels) {
    MainWindowHarness h;
    const StatusPanels& sb = *h.w().sbInfo;
    ASSERT_EQ(sb.panelCount(), 6);
    const int widths[] = {100, 80, 130, 20, 20, 200};
    const bool owner[] = {true, false, false, true, true, false};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(sb.panel(i).width, widths[i]) << i;
        EXPECT_EQ(sb.panel(i).ownerDrawn, owner[i]) << i;
    }
    // The last panel reaches to the right edge of the bar.
    EXPECT_GE(sb.panelRect(5).right(), 1024 - 3);
}

TEST(MainWindow, MemoPanelParts) {
    MainWindowHarness h;
    TfrmMain& w = h.w();
    EXPECT_EQ(w.pnlMemoHead->caption(), " MEMO");
    EXPECT_EQ(w.pnlMemoHead->height(), 21);
    EXPECT_TRUE(w.reMemo->isReadOnly());
    EXPECT_EQ(w.reMemo->focusPolicy() & Qt::TabFocus, 0);
    EXPECT_EQ(w.pnlMemo->width(), 587);
}

TEST(MainWindow, CursorsBackAndNextHaveTheirHotSpotAtTheCorner) {
    MainWindowHarness h;
    TfrmMain& w = h.w();
    EXPECT_EQ(w.Cursors[0].shape(), Qt::ArrowCursor);
    for (int slot : {1, 2}) {
        EXPECT_EQ(w.Cursors[slot].shape(), Qt::BitmapCursor);
        EXPECT_EQ(w.Cursors[slot].hotSpot(), QPoint(0, 0));
        EXPECT_EQ(w.Cursors[slot].pixmap().size(), QSize(32, 32));
    }
}

TEST(MainWindow, RightClickOverTheMainAreaOpensTheMainMenu) {
    MainWindowHarness h;
    TfrmMain& w = h.w();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    for (QWidget* target : {static_cast<QWidget*>(w.imgWall), static_cast<QWidget*>(w.pnlMain)}) {
        QContextMenuEvent ev(QContextMenuEvent::Mouse, QPoint(50, 50), target->mapToGlobal(QPoint(50, 50)));
        QCoreApplication::sendEvent(target, &ev);
        EXPECT_TRUE(w.pmMain->isVisible());
        w.pmMain->hide();
    }
}

TEST(MainWindow, ExitClosesTheWindowAndMinimiseKeepsTheState) {
    MainWindowHarness h;
    TfrmMain& w = h.w();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.tbsMin->click();
    EXPECT_TRUE(w.isMinimized());
    EXPECT_EQ(w.CurrentIndex, -1);
    w.showNormal();
    EXPECT_FALSE(w.isMinimized());
    EXPECT_EQ(w.geometry(), QRect(0, 0, 1024, 768));
    w.aExit->trigger();
    EXPECT_FALSE(w.isVisible());
}

} // namespace
} // namespace soru
