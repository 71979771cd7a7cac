// Sliding panels, stepping, the arrow keys, the cursor zones and the slide
// show in the real main window.
#include "tests/ui/main_window_fixture.h"

#include "core/failure.h"
#include "core/slide.h"
#include "tools/testlib/testlib.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/panel_slide.h"
#include "ui/widgets/status_panels.h"
#include "ui/widgets/tool_bar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

namespace soru {
namespace {

using namespace soru::testlib;
using test::LibraryWindow;

// Puts the pointer at p of the widget and lets the main area see the move.
void pointAt(LibraryWindow& h, QWidget* widget, QPoint p) {
    QCursor::setPos(widget->mapToGlobal(p));
    guarded([&h] { h.w().pnlMainMouseMove(); });
}

void threePictures(LibraryWindow& h) {
    h.lib.album("").jpeg("a.jpg", 801, 300).memoText("a.txt", "memo").jpeg("b.jpg", 64, 48).jpeg("c.jpg", 64, 48);
    h.lib.album("Travel").jpeg("t.jpg", 64, 48);
}

TEST(SlidingPanels, AlbumPanelSlidesOutAndBackInSteps) {
    LibraryWindow h;
    threePictures(h);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    const int in = 4 - ui.pnlBook->width();
    ASSERT_EQ(ui.pnlBook->x(), in);
    h.sendMove(ui.lstBook->viewport());
    EXPECT_TRUE(w.session().panels().isOut(SidePanel::Book));
    EXPECT_EQ(ui.pnlBook->x(), 0);
    EXPECT_FALSE(w.session().panels().sliding());
    const auto out = slidePositions(in, 0, 32);
    // One wait between two positions: every position but the last is seen waiting.
    EXPECT_EQ(h.edgesOf(ui.pnlBook), QList<int>(out.begin(), out.end() - 1));
    h.slideLog.clear();
    h.sendMove(ui.imgView);
    EXPECT_FALSE(w.session().panels().isOut(SidePanel::Book));
    EXPECT_EQ(ui.pnlBook->x(), in);
    const auto back = slidePositions(0, in, -32);
    EXPECT_EQ(h.edgesOf(ui.pnlBook), QList<int>(back.begin(), back.end() - 1));
}

TEST(SlidingPanels, MemoPanelOnlyForAPictureWithAMemoAndBothComeBackAlbumFirst) {
    LibraryWindow h;
    threePictures(h);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    ASSERT_TRUE(ui.pnlMemo->isEnabled()); // a.jpg has a memo
    h.sendMove(ui.pnlMemoHead);
    EXPECT_TRUE(w.session().panels().isOut(SidePanel::Memo));
    EXPECT_EQ(ui.pnlMemo->x(), 1024 - 587);
    EXPECT_EQ(h.edgesOf(ui.pnlMemo).first(), 1020);
    h.sendMove(ui.pnlBook);
    EXPECT_TRUE(w.session().panels().isOut(SidePanel::Book));
    h.slideLog.clear();
    h.sendMove(ui.imgWall);
    EXPECT_FALSE(w.session().panels().isOut(SidePanel::Book));
    EXPECT_FALSE(w.session().panels().isOut(SidePanel::Memo));
    EXPECT_EQ(ui.pnlMemo->x(), 1020);
    // While the album panel moves, the memo panel stands still out; then it moves.
    const QList<int> memo = h.edgesOf(ui.pnlMemo);
    const QList<int> book = h.edgesOf(ui.pnlBook);
    ASSERT_GE(memo.size(), 2);
    EXPECT_EQ(memo.first(), 437);
    EXPECT_EQ(book.last(), 4 - ui.pnlBook->width());
    // Next picture has no memo: the disabled panel does not slide out.
    guarded([&] { w.aNextExecute(); });
    EXPECT_FALSE(ui.pnlMemo->isEnabled());
    h.sendMove(ui.pnlMemoHead);
    EXPECT_FALSE(w.session().panels().isOut(SidePanel::Memo));
}

// Real pointer moves against the right edge, over every part of the memo
// panel's strip: its border, its head and the text box's viewport.
TEST(SlidingPanels, RealPointerOnTheStripSlidesTheMemoPanelOnlyWhenItHasAMemo) {
    const struct {
        const char* memo; // companion text, or none
        bool slidesOut;
    } cases[] = {{nullptr, false}, {"memo", true}};
    const QPoint points[] = {{1020, 400}, {1022, 270}, {1022, 300}, {1023, 500}, {1023, 740}};
    for (const auto& c : cases) {
        for (const QPoint& p : points) {
            LibraryWindow h;
            h.lib.album("").jpeg("a.jpg", 64, 48);
            if (c.memo)
                h.lib.album("").memoText("a.txt", c.memo);
            h.create();
            TfrmMain& w = h.w();
            const WindowParts ui = h.parts();
            w.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
            ASSERT_EQ(ui.pnlMemo->isEnabled(), c.slidesOut);
            QTest::mouseMove(&w, QPoint(500, 400));
            QTest::mouseMove(&w, p);
            EXPECT_EQ(w.session().panels().isOut(SidePanel::Memo), c.slidesOut) << p.x() << "," << p.y();
            EXPECT_EQ(ui.pnlMemo->x(), c.slidesOut ? 1024 - 587 : 1020) << p.x() << "," << p.y();
        }
    }
}

TEST(SlidingPanels, OtherComponentsCallNoHandler) {
    LibraryWindow h;
    threePictures(h);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    guarded([&] { w.tbsNextContextPopup(); });
    for (QWidget* target : {static_cast<QWidget*>(ui.lblDir), static_cast<QWidget*>(ui.sbInfo),
                            static_cast<QWidget*>(ui.pnlFile), static_cast<QWidget*>(ui.tbMain)}) {
        h.sendMove(target);
        EXPECT_FALSE(ui.pnlFile->isHidden()) << target->metaObject()->className();
    }
    h.sendMove(ui.pnlMain);
    EXPECT_TRUE(ui.pnlFile->isHidden());
    EXPECT_FALSE(ui.pnlFile->isEnabled());
}

TEST(SlidingPanels, AwaitingAlbumKeepsTheListOutButClosesThePictureList) {
    LibraryWindow h;
    h.lib.album("Travel").jpeg("a.jpg", 64, 48).jpeg("b.jpg", 64, 48);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    ASSERT_TRUE(w.session().panels().awaitingAlbum());
    ui.lstBook->setCurrentRow(0);
    guarded([&] { w.lstBookDblClick(); });
    EXPECT_FALSE(w.session().panels().awaitingAlbum());
    // Until the double-click the panel stayed out; now the next move brings it in.
    EXPECT_EQ(ui.pnlBook->x(), 0);
    h.sendMove(ui.imgWall);
    EXPECT_EQ(ui.pnlBook->x(), 4 - ui.pnlBook->width());

    LibraryWindow waiting;
    waiting.lib.album("Travel").jpeg("a.jpg", 64, 48);
    waiting.create();
    waiting.parts().pnlFile->show();
    waiting.parts().pnlFile->setEnabled(true);
    waiting.sendMove(waiting.parts().imgWall);
    EXPECT_EQ(waiting.parts().pnlBook->x(), 0);
    EXPECT_TRUE(waiting.parts().pnlFile->isHidden());
}

TEST(SlidingPanels, MovesDuringASlideAreIgnoredAndFailuresDoNotStopIt) {
    LibraryWindow h;
    threePictures(h);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    int nested = 0;
    h.stepWait = [&] {
        ++nested;
        ui.pnlFile->show();
        w.pnlMainMouseMove(); // a move over the main area arrives during the slide
        w.pnlMemoMouseMove();
        EXPECT_TRUE(ui.pnlFile->isHidden());
        EXPECT_FALSE(w.session().panels().isOut(SidePanel::Memo));
        // A failing event handled during the wait is reported there.
        guarded([] { throw Failure("JPEG エラー #53"); });
    };
    w.pnlBookMouseMove();
    EXPECT_GT(nested, 1);
    EXPECT_EQ(ui.pnlBook->x(), 0);
    EXPECT_TRUE(w.session().panels().isOut(SidePanel::Book));
    EXPECT_FALSE(w.session().panels().sliding());
    EXPECT_EQ(h.failures.messages.size(), nested);
    // The program's 10 ms wait processes events and still reaches the target.
    h.stepWait = [] { stepWait(10); };
    QTimer::singleShot(0, [] { guarded([] { throw Failure("late"); }); });
    w.pnlMainMouseMove();
    EXPECT_EQ(ui.pnlBook->x(), 4 - ui.pnlBook->width());
    EXPECT_EQ(h.failures.messages.last(), "late");
}

// The wrap-around of the steps is checked by the session's step table.
TEST(Navigation, ArrowKeysAlwaysWork) {
    LibraryWindow h;
    threePictures(h);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    // Arrow keys reach the window first, whatever has the focus, and are used up.
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    // The list sees nothing of the arrow (the Shift key itself reaches it):
    // a spy behind the window's filter.
    struct KeySpy : QObject {
        QList<int> keys;
        bool eventFilter(QObject*, QEvent* e) override {
            if ((e->type() == QEvent::KeyPress || e->type() == QEvent::ShortcutOverride) &&
                static_cast<QKeyEvent*>(e)->key() != Qt::Key_Shift)
                keys << static_cast<QKeyEvent*>(e)->key();
            return false;
        }
    } spy;
    ui.lstBook->installEventFilter(&spy);
    ui.lstBook->installEventFilter(&w); // the filter installed last runs first
    ui.lstBook->setFocus();
    QTest::keyClick(ui.lstBook, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(w.session().album().index(), 1);
    EXPECT_TRUE(spy.keys.isEmpty()) << spy.keys.size();
    ui.lstBook->removeEventFilter(&spy);
    ui.action(Command::Back)->setEnabled(false);
    QTest::keyClick(ui.reMemo, Qt::Key_Left);
    EXPECT_EQ(w.session().album().index(), 0);
}

TEST(Navigation, SinglePictureIsPresentedAgainAndAnEmptyAlbumDoesNothing) {
    LibraryWindow h;
    h.lib.album("").jpeg("only.jpg", 64, 48).wav("only.wav", 50);
    h.create();
    TfrmMain& w = h.w();
    EXPECT_EQ(h.sound.calls.size(), 1);
    guarded([&] { w.aNextExecute(); });
    QTest::keyClick(&w, Qt::Key_Left);
    EXPECT_EQ(w.session().album().index(), 0);
    EXPECT_EQ(h.sound.calls.size(), 3);
    w.session().openAlbum(QString(), {}); // an empty album: nothing is current
    guarded([&] { w.aNextExecute(); });
    EXPECT_EQ(h.sound.calls.size(), 3);
}

TEST(Navigation, CursorZonesAndClicksChooseTheDirection) {
    LibraryWindow h;
    threePictures(h);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_EQ(ui.imgView->width(), 801);
    const struct {
        QPoint atView;
        CursorSlot slot;
    } zones[] = {{{0, 10}, CursorSlot::Back},   {{399, 10}, CursorSlot::Back},   {{400, 10}, CursorSlot::Next},
                 {{800, 10}, CursorSlot::Next}, {{801, 10}, CursorSlot::Default}, {{10, -1}, CursorSlot::Default}};
    for (const auto& z : zones) {
        pointAt(h, ui.imgView, z.atView);
        EXPECT_EQ(w.session().pointerZone(), z.slot) << z.atView.x() << "," << z.atView.y();
    }
    // Left half: a click goes back and wraps to the last picture.
    pointAt(h, ui.imgView, {10, 10});
    guarded([&] { w.imgViewClick(); });
    EXPECT_EQ(w.session().album().index(), 2);
    // Over the background the cursor is the default one: a click goes on.
    pointAt(h, ui.pnlMain, {5, 5});
    EXPECT_EQ(w.session().pointerZone(), CursorSlot::Default);
    guarded([&] { w.imgViewClick(); });
    EXPECT_EQ(w.session().album().index(), 0);
}

// A picture shown by hand during a running show plays its sound
// synchronously; the show's tick falling due meanwhile must wait for the
// sound's end instead of starting the next picture's sound inside it.
TEST(SlideShow, TickWaitsForASynchronousSoundLongerThanTheInterval) {
    LibraryWindow h;
    h.lib.album("").jpeg("a.jpg", 64, 48).jpeg("b.jpg", 64, 48).wav("b.wav", 200).jpeg("c.jpg", 64, 48);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    int depth = 0, cutShort = 0, paintsDuring = 0;
    h.sound.whilePlaying = [&](const RecordingSound::Call& call) {
        if (depth > 0)
            ++cutShort;
        if (!call.synchronous)
            return;
        ++depth;
        // As the real player does: events run (timers included) while the
        // sound lasts 1.5 s, longer than the 1 s interval.
        QElapsedTimer clock;
        clock.start();
        bool painted = false;
        QTimer::singleShot(50, &w, [&] { painted = true; });
        while (clock.elapsed() < 1500)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        paintsDuring += painted;
        --depth;
    };
    test::menuItem(ui.pmAutoTime, 1)->trigger();
    ui.action(Command::Auto)->trigger();
    ASSERT_TRUE(ui.tmrAuto->isActive());
    QTest::keyClick(&w, Qt::Key_Right); // by hand: b.jpg and its sound
    EXPECT_EQ(cutShort, 0);
    EXPECT_EQ(paintsDuring, 1); // other events still ran during the sound
    EXPECT_EQ(w.session().album().index(), 1);
    ASSERT_EQ(h.sound.calls.size(), 1);
    EXPECT_TRUE(h.sound.calls[0].synchronous);
    // The held tick comes after the sound: the show goes on to c.jpg.
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.session().album().index() == 2; }, 500));
    EXPECT_TRUE(ui.tmrAuto->isActive());
}

TEST(SlideShow, TogglesStepsAndStandsStillAfterAFailure) {
    LibraryWindow h;
    threePictures(h);
    h.lib.album("").broken("d.jpg", BrokenKind::JpegNotJpeg);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    ui.action(Command::Auto)->trigger();
    EXPECT_TRUE(ui.action(Command::Auto)->isChecked());
    EXPECT_TRUE(ui.tmrAuto->isActive());
    EXPECT_EQ(w.session().album().index(), 0); // the first step comes one interval later
    guarded([&] { w.tmrAutoTimer(); });
    EXPECT_EQ(w.session().album().index(), 1);
    EXPECT_TRUE(ui.tmrAuto->isActive());
    // Backwards when the cursor says back: 1 -> 0 -> wraps to the damaged last one.
    pointAt(h, h.parts().imgView, {1, 1});
    ASSERT_EQ(w.session().pointerZone(), CursorSlot::Back);
    guarded([&] { w.tmrAutoTimer(); });
    EXPECT_EQ(w.session().album().index(), 0);
    guarded([&] { w.tmrAutoTimer(); });
    EXPECT_EQ(w.session().album().index(), 3);
    EXPECT_EQ(h.failures.messages, QStringList{"JPEG エラー #53"});
    EXPECT_TRUE(ui.action(Command::Auto)->isChecked());
    EXPECT_FALSE(ui.tmrAuto->isActive());
    // Toggling off and on again restarts it.
    ui.action(Command::Auto)->trigger();
    EXPECT_FALSE(ui.action(Command::Auto)->isChecked());
    ui.action(Command::Auto)->trigger();
    EXPECT_TRUE(ui.tmrAuto->isActive());
}

TEST(SlideShow, GoesOnInANewAlbumAndRealTicksStep) {
    LibraryWindow h;
    threePictures(h);
    h.lib.album("One").jpeg("u.jpg", 64, 48);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    test::menuItem(ui.pmAutoTime, 1)->trigger();
    ui.action(Command::Auto)->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.session().album().index() == 1; }, 3000));
    ui.lstBook->setCurrentRow(1);
    guarded([&] { w.lstBookDblClick(); });
    EXPECT_TRUE(ui.action(Command::Auto)->isChecked());
    EXPECT_TRUE(ui.tmrAuto->isActive());
    EXPECT_FALSE(ui.action(Command::Auto)->isEnabled());
}

} // namespace
} // namespace soru
