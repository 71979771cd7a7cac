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
    const WindowParts ui = h.parts();
    EXPECT_EQ(w.geometry(), QRect(0, 0, c.cw, c.ch));
    EXPECT_EQ(ui.tbMain->geometry(), QRect(0, 0, c.cw, 26));
    EXPECT_EQ(ui.pnlMain->geometry(), c.pnlMain);
    EXPECT_EQ(ui.pnlMemo->geometry(), c.pnlMemo);
    EXPECT_EQ(ui.pbInfo->geometry(), c.pbInfo);
    EXPECT_EQ(ui.sbInfo->geometry(), c.pbInfo);
    EXPECT_EQ(ui.imgWall->geometry(), QRect(0, 0, c.cw, c.pnlMain.height()));
    EXPECT_EQ(ui.imgView->geometry(), QRect(0, 0, c.cw, c.ch));
    EXPECT_EQ(ui.imgSum->geometry(), QRect(0, 0, c.cw, c.ch));
    EXPECT_EQ(ui.pnlBook->pos(), QPoint(0, 26));
    EXPECT_EQ(ui.pnlFile->pos(), QPoint(ui.tbsNext->x() - ToolBar::kEdge + 1, 26));
    EXPECT_EQ(ui.sbScr->geometry(), QRect(c.cw - 16, 0, 16, c.pnlMain.height()));

    // The view's drawing surface is white and of screen size.
    ASSERT_EQ(ui.imgView->bitmap().size(), QSize(c.cw, c.ch));
    EXPECT_EQ(ui.imgView->bitmap().pixel(c.cw / 2, c.ch / 2), qRgb(255, 255, 255));
    // Background and sheet carry the gradient: white at the top, grey 96 at the bottom.
    const QImage& wall = ui.imgWall->bitmap();
    ASSERT_EQ(wall.size(), QSize(c.cw, c.pnlMain.height()));
    EXPECT_EQ(wall.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(wall.pixel(c.cw - 1, wall.height() - 1), qRgb(96, 96, 96));
    const QImage& sum = ui.imgSum->bitmap();
    ASSERT_EQ(sum.size(), QSize(c.cw, c.ch));
    EXPECT_EQ(sum.pixel(5, c.ch - 1), qRgb(96, 96, 96));
}

INSTANTIATE_TEST_SUITE_P(Screens, MainWindowLayout,
                         ::testing::Values(ScreenCase{1024, 768, {0, 26, 1024, 721}, {1020, 266, 587, 481}, {0, 747, 1024, 21}},
                                           ScreenCase{800, 600, {0, 26, 800, 553}, {796, 210, 587, 369}, {0, 579, 800, 21}}));

TEST(MainWindow, GradientBandsOnTheBackgroundOfA1024x768Screen) {
    MainWindowHarness h;
    const QImage& wall = h.parts().imgWall->bitmap();
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
    const WindowParts ui = h.parts();
    // The session's state after it: ViewerSession.AnEmptyRootAlbumLeavesTheStartingState.
    EXPECT_EQ(w.session().rootDir(), h.library.path() + "/");
    EXPECT_FALSE(ui.pnlMemo->isEnabled());
    EXPECT_TRUE(ui.reMemo->toPlainText().isEmpty());
    EXPECT_FALSE(ui.tmrAuto->isActive());
    EXPECT_EQ(ui.tmrAuto->interval(), 3000);
    EXPECT_TRUE(ui.imgView->isHidden());
    EXPECT_TRUE(ui.imgSum->isHidden());
    EXPECT_TRUE(ui.bvlCur->isHidden());
    EXPECT_TRUE(ui.sbScr->isHidden());
    EXPECT_TRUE(ui.pbInfo->isHidden());
    EXPECT_TRUE(ui.pnlFile->isHidden());
    EXPECT_FALSE(ui.pnlFile->isEnabled());
    // No album at all: the album panel is hidden and disabled.
    EXPECT_TRUE(ui.pnlBook->isHidden());
    EXPECT_FALSE(ui.pnlBook->isEnabled());
    EXPECT_EQ(hintPause(), 100);
}

TEST(MainWindow, ActionsStartAsDefined) {
    MainWindowHarness h;
    const WindowParts ui = h.parts();
    const struct {
        QAction* action;
        QString caption;
        QKeySequence shortcut;
        QString hint;
        bool enabled;
        bool checkable;
        int glyphIndex;
    } rows[] = {
        {ui.action(Command::Exit), "終了(&X)", {}, "", true, false, 0},
        {ui.action(Command::Back), "前へ(&B)", QKeySequence("Ctrl+B"), "", false, false, 1},
        {ui.action(Command::Auto), "自動(&A)", QKeySequence("Ctrl+A"), "カーソル方向の画像を次々と表示していきます", false, true, 2},
        {ui.action(Command::Next), "次へ(&N)", QKeySequence("Ctrl+N"), "", false, false, 3},
        {ui.action(Command::Info), "情報(&I)", {}, "バージョン情報を表示します", true, false, 5},
        {ui.action(Command::Play), "再生(&P)", QKeySequence("Ctrl+P"), "サウンド付きの場合に再生します", false, false, 7},
        {ui.action(Command::Sum), "一覧(&A)", {}, "サムネイル表示しますが時間がかかります", false, true, 8},
        {ui.action(Command::Wall), "壁紙(&W)", QKeySequence("Ctrl+W"), "壁紙に設定します", false, false, 9},
        {ui.action(Command::Copy), "複写(&C)", QKeySequence("Ctrl+C"), "表示している画像をコピーします", false, false, 22},
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
    const WindowParts ui = h.parts();
    const struct {
        ToolButton* button;
        QAction* action;
        QString hint;
        QMenu* dropDown;
    } rows[] = {
        {ui.tbsExit, ui.action(Command::Exit), "", nullptr},
        {ui.tbsBack, ui.action(Command::Back), "", nullptr},
        {ui.tbsAuto, ui.action(Command::Auto), "カーソル方向の画像を次々と表示していきます", ui.pmAutoTime},
        {ui.tbsNext, ui.action(Command::Next), "右クリックで表示する写真を選択できます", nullptr},
        {ui.tbsSum, ui.action(Command::Sum), "", nullptr},
        {ui.tbsCopy, ui.action(Command::Copy), "", nullptr},
        {ui.tbsWall, ui.action(Command::Wall), "", ui.pmWall},
        {ui.tbsPlay, ui.action(Command::Play), "サウンド付きの場合に再生します", nullptr},
        {ui.tbsInfo, ui.action(Command::Info), "バージョン情報を表示します", nullptr},
        {ui.tbsMin, nullptr, "", nullptr},
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
    EXPECT_EQ(ui.tbsMin->text(), "最小化");
    EXPECT_TRUE(ui.tbsMin->isEnabled());
    // The separators are 8 pixels: Back starts 75 + 8 after Exit.
    EXPECT_EQ(ui.tbsBack->x() - ui.tbsExit->x(), 83);
}

TEST(MainWindow, PopupMenusAndRadioGroups) {
    MainWindowHarness h;
    const WindowParts ui = h.parts();
    QStringList mainItems;
    for (QAction* a : ui.pmMain->actions())
        mainItems << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(mainItems, (QStringList{"前へ(&B)", "自動(&A)", "次へ(&N)", "-", "一覧(&A)", "-", "複写(&C)", "-",
                                       "壁紙(&W)", "再生(&P)", "-", "情報(&I)", "終了(&X)", "-", "額縁(&F)",
                                       "額縁の設定(&S)"}));

    QStringList autoItems;
    QList<int> tags;
    for (QAction* a : ui.pmAutoTime->actions()) {
        autoItems << (a->isSeparator() ? "-" : a->text());
        if (!a->isSeparator()) {
            tags << a->data().toInt();
            EXPECT_EQ(a->isChecked(), a == test::menuItem(ui.pmAutoTime, 3));
        }
    }
    EXPECT_EQ(autoItems, (QStringList{"1 秒", "2 秒", "3 秒", "5 秒", "10 秒", "30 秒", "-", "1 分", "3 分",
                                       "5 分", "10 分"}));
    EXPECT_EQ(tags, (QList<int>{1, 2, 3, 5, 10, 30, 60, 180, 300, 600}));

    QStringList wallItems;
    for (QAction* a : ui.pmWall->actions()) {
        wallItems << a->text();
        EXPECT_EQ(a->isChecked(), a == test::menuItem(ui.pmWall, int(WallpaperStyle::Centre)));
    }
    EXPECT_EQ(wallItems, (QStringList{"中央に表示", "並べて表示", "拡大して表示"}));
}

TEST(MainWindow, IntervalItemsSetTheTimerAndOnlyAChangeRestartsIt) {
    test::LibraryWindow h;
    h.lib.album("").jpeg("a.jpg", 32, 24).jpeg("b.jpg", 32, 24);
    h.create();
    const WindowParts ui = h.parts();
    ui.action(Command::Auto)->trigger(); // the show runs
    ASSERT_TRUE(ui.tmrAuto->isActive());
    QTest::qWait(60);
    test::menuItem(ui.pmAutoTime, 3)->trigger(); // the interval already set: the running wait goes on
    EXPECT_LE(ui.tmrAuto->remainingTime(), 2960);
    EXPECT_TRUE(test::menuItem(ui.pmAutoTime, 3)->isChecked());
    test::menuItem(ui.pmAutoTime, 10 * 60)->trigger(); // a new interval starts a fresh wait
    EXPECT_EQ(ui.tmrAuto->interval(), 600000);
    EXPECT_TRUE(ui.tmrAuto->isActive());
    EXPECT_GT(ui.tmrAuto->remainingTime(), 590000);
    EXPECT_TRUE(test::menuItem(ui.pmAutoTime, 10 * 60)->isChecked());
    EXPECT_FALSE(test::menuItem(ui.pmAutoTime, 3)->isChecked());
    ui.action(Command::Auto)->trigger(); // the show stops
    test::menuItem(ui.pmAutoTime, 1)->trigger();
    EXPECT_EQ(ui.tmrAuto->interval(), 1000);
    EXPECT_FALSE(ui.tmrAuto->isActive());
}

TEST(MainWindow, WallpaperStyleItemsSetTheStyle) {
    MainWindowHarness h;
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    const struct {
        QAction* item;
        WallpaperStyle style;
    } rows[] = {{test::menuItem(ui.pmWall, int(WallpaperStyle::Zoom)), WallpaperStyle::Zoom},
                {test::menuItem(ui.pmWall, int(WallpaperStyle::Tile)), WallpaperStyle::Tile},
                {test::menuItem(ui.pmWall, int(WallpaperStyle::Centre)), WallpaperStyle::Centre},
                {test::menuItem(ui.pmWall, int(WallpaperStyle::Zoom)), WallpaperStyle::Zoom}};
    for (const auto& r : rows) {
        r.item->trigger();
        EXPECT_EQ(w.session().wallpaperStyle(), r.style);
        for (QAction* a : ui.pmWall->actions())
            EXPECT_EQ(a->isChecked(), a == r.item);
    }
    EXPECT_TRUE(h.wallpaper.calls.isEmpty());
}

TEST(MainWindow, ChildrenAreStackedInDefinitionOrder) {
    MainWindowHarness h;
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    QList<QWidget*> order;
    for (QObject* o : w.children())
        if (auto* wid = qobject_cast<QWidget*>(o); wid && !qobject_cast<QMenu*>(wid))
            order << wid;
    EXPECT_EQ(order, (QList<QWidget*>{ui.tbMain, ui.pnlMain, ui.pnlMemo, ui.sbInfo, ui.pbInfo, ui.pnlBook, ui.pnlFile}));
    QList<QWidget*> mainOrder;
    for (QObject* o : ui.pnlMain->children())
        if (auto* wid = qobject_cast<QWidget*>(o))
            mainOrder << wid;
    EXPECT_EQ(mainOrder, (QList<QWidget*>{ui.imgWall, ui.imgView, ui.imgSum, ui.lblDir, ui.bvlCur, ui.lblScale, ui.sbScr}));
}

TEST(MainWindow, StatusBarPanels) {
    MainWindowHarness h;
    const StatusPanels& sb = *h.parts().sbInfo;
    ASSERT_EQ(sb.panelCount(), 6);
    // The date panel is at least 130 wide, wider where its text needs it.
    const int widths[] = {100, 80, 130, 20, 20, 200};
    const bool owner[] = {true, false, false, true, true, false};
    for (int i = 0; i < 6; ++i) {
        if (i == 2)
            EXPECT_GE(sb.panel(i).width, widths[i]);
        else
            EXPECT_EQ(sb.panel(i).width, widths[i]) << i;
        EXPECT_EQ(sb.panel(i).ownerDrawn, owner[i]) << i;
    }
    // The last panel reaches to the right edge of the bar.
    EXPECT_GE(sb.panelRect(5).right(), 1024 - 3);
}

TEST(MainWindow, MemoPanelParts) {
    MainWindowHarness h;
    const WindowParts ui = h.parts();
    EXPECT_EQ(ui.pnlMemoHead->caption(), " MEMO");
    EXPECT_EQ(ui.pnlMemoHead->height(), 21);
    EXPECT_TRUE(ui.reMemo->isReadOnly());
    EXPECT_EQ(ui.reMemo->focusPolicy() & Qt::TabFocus, 0);
    EXPECT_EQ(ui.pnlMemo->width(), 587);
}

TEST(MainWindow, CursorsBackAndNextHaveTheirHotSpotAtTheCorner) {
    MainWindowHarness h;
    EXPECT_EQ(h.parts().imgView->cursor().shape(), Qt::ArrowCursor);
    for (const QCursor& cursor : {backCursor(), nextCursor()}) {
        EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
        EXPECT_EQ(cursor.hotSpot(), QPoint(0, 0));
        EXPECT_EQ(cursor.pixmap().size(), QSize(32, 32));
    }
}

TEST(MainWindow, RightClickOverTheMainAreaOpensTheMainMenu) {
    MainWindowHarness h;
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    for (QWidget* target : {static_cast<QWidget*>(ui.imgWall), static_cast<QWidget*>(ui.pnlMain)}) {
        QContextMenuEvent ev(QContextMenuEvent::Mouse, QPoint(50, 50), target->mapToGlobal(QPoint(50, 50)));
        QCoreApplication::sendEvent(target, &ev);
        EXPECT_TRUE(ui.pmMain->isVisible());
        ui.pmMain->hide();
    }
}

TEST(MainWindow, ExitClosesTheWindowAndMinimiseKeepsTheState) {
    MainWindowHarness h;
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ui.tbsMin->click();
    EXPECT_TRUE(w.isMinimized());
    EXPECT_EQ(w.session().album().index(), -1);
    w.showNormal();
    EXPECT_FALSE(w.isMinimized());
    EXPECT_EQ(w.geometry(), QRect(0, 0, 1024, 768));
    ui.action(Command::Exit)->trigger();
    EXPECT_FALSE(w.isVisible());
}

} // namespace
} // namespace soru

