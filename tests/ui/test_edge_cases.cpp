// Edge cases of the main window driven as a user drives it: pointer moves,
// clicks and keys enter through the window's platform window, so the widget
// under the pointer (or with the focus) receives them. The numbers asserted
// are those a user can see on a 1024 x 768 or 800 x 600 screen.
#include "media/colour/colour_management.h"
#include "tests/ui/main_window_fixture.h"

#include "resources/artwork.h"
#include "tools/testlib/testlib.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/instant_progress_bar.h"
#include "ui/widgets/owner_draw_list.h"
#include "ui/widgets/panel_slide.h"
#include "ui/widgets/status_panels.h"
#include "ui/widgets/tool_bar.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QTextEdit>
#include <QTextBlock>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>

namespace soru {
namespace {

using namespace soru::testlib;
using test::LibraryWindow;
using test::MainWindowHarness;

// A user's pointer and keyboard on one window.
class User {
public:
    explicit User(QWidget& window) : w_(window) {}

    QPoint at(QWidget* target, QPoint local) const { return target->mapTo(&w_, local); }
    void moveTo(QWidget* target, QPoint local) {
        const QPoint p = at(target, local);
        QCursor::setPos(w_.mapToGlobal(p));
        QTest::mouseMove(w_.windowHandle(), p);
    }
    void click(QWidget* target, QPoint local, Qt::MouseButton button = Qt::LeftButton) {
        moveTo(target, local);
        QTest::mouseClick(w_.windowHandle(), button, {}, at(target, local));
    }
    void click(QWidget* target, Qt::MouseButton button = Qt::LeftButton) {
        click(target, target->rect().center(), button);
    }
    void doubleClick(QWidget* target, QPoint local) {
        moveTo(target, local);
        QTest::mouseDClick(w_.windowHandle(), Qt::LeftButton, {}, at(target, local));
    }
    // Double-clicks the entry of an owner-drawn list.
    void doubleClickRow(OwnerDrawList* list, int row) {
        doubleClick(list->viewport(), list->visualItemRect(list->item(row)).center());
    }
    void key(Qt::Key k, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(w_.windowHandle(), k, mods); }

private:
    QWidget& w_;
};

void showWindow(TfrmMain& w) {
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    // The pointer comes in over the toolbar, which calls no handler; a move
    // to where the pointer already is would be no move at all.
    QTest::mouseMove(w.windowHandle(), QPoint(w.width() / 2, 5));
}

// Pixels of a widget's area as it paints itself now.
QImage pixels(QWidget* widget, const QRect& r) { return widget->grab(r).toImage(); }

int distinctColours(const QImage& image) {
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            seen.insert(image.pixel(x, y));
    return int(seen.size());
}

QString positionShown(const WindowParts& ui) { return ui.sbInfo->panelText(0); }

// ------------------------------------------------------------ long names

// A name of 200 wide letters is far wider than any screen in the lists' font.
const QString kLongName = QString(200, QLatin1Char('W'));

struct LongNameCase {
    const char* what;
    QSize screen;
    bool albumList; // else the picture list
};

void PrintTo(const LongNameCase& c, std::ostream* os) { *os << c.what; }

class LongNames : public ::testing::TestWithParam<LongNameCase> {};

TEST_P(LongNames, WidenTheListAndItsPanelWithoutLimit) {
    const LongNameCase& c = GetParam();
    LibraryWindow h;
    h.lib.album("").jpeg("a.jpg", 64, 48);
    if (c.albumList)
        h.lib.album(kLongName).jpeg("x.jpg", 8, 8);
    else
        h.lib.album("").jpeg(kLongName + ".jpg", 8, 8);
    h.create(c.screen);
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    showWindow(w);
    User user(w);

    OwnerDrawList* list = c.albumList ? ui.lstBook : ui.lstFile;
    BevelPanel* panel = c.albumList ? ui.pnlBook : ui.pnlFile;
    // The widest entry, count field or type character included, in the font
    // the list draws with.
    const QString widest = c.albumList ? QString("         1") + kLongName : QString("3") + kLongName;
    const int textWidth = QFontMetrics(list->font()).horizontalAdvance(widest);
    ASSERT_GT(textWidth, c.screen.width());
    EXPECT_EQ(list->width(), textWidth + 64);
    EXPECT_EQ(panel->width(), textWidth + 70);

    if (c.albumList) {
        // Slid in, a 4-pixel strip shows; touching it slides the whole
        // panel out, reaching past the screen's right edge.
        EXPECT_EQ(panel->x(), 4 - (textWidth + 70));
        user.moveTo(panel, QPoint(panel->width() - 2, 10));
        EXPECT_EQ(panel->x(), 0);
    } else {
        user.click(ui.tbsNext, Qt::RightButton);
        ASSERT_TRUE(panel->isVisible());
    }
    EXPECT_GT(panel->geometry().right(), c.screen.width());
    // The whole entry fits: no horizontal scroll bar takes a row's place.
    EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
    EXPECT_EQ(list->width(), textWidth + 64);
    EXPECT_EQ(panel->width(), textWidth + 70);
}

INSTANTIATE_TEST_SUITE_P(EdgeCases, LongNames,
                         ::testing::Values(LongNameCase{"AlbumList1024", {1024, 768}, true},
                                           LongNameCase{"AlbumList800", {800, 600}, true},
                                           LongNameCase{"PictureList1024", {1024, 768}, false},
                                           LongNameCase{"PictureList800", {800, 600}, false}),
                         [](const auto& info) { return std::string(info.param.what); });

// ---------------------------------------------------- splash progress bar

TEST(EdgeCases, ALibraryWithoutFoldersFillsTheSplashBarAtOnce) {
    const struct {
        const char* what;
        bool rootPictures;
    } cases[] = {{"nothing at all", false}, {"pictures and a file in the root only", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LibraryWindow h;
        if (c.rootPictures)
            h.lib.album("").jpeg("a.jpg", 8, 8).file("notes.txt", "not a folder");
        h.create();
        EXPECT_EQ(h.splashBar.maximum(), 1);
        EXPECT_EQ(h.progress, QList<int>{1});
        EXPECT_EQ(h.splashBar.value(), 1);
        // Both changes reached the screen without the event loop.
        EXPECT_EQ(h.splashBar.immediateRepaints(), 2);
    }
}

// --------------------------------------------------------- empty library

TEST(EdgeCases, AnEmptyLibraryShowsAnEmptyStatusBar) {
    MainWindowHarness h;
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    showWindow(w);
    ASSERT_EQ(ui.sbInfo->panelCount(), 6);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ui.sbInfo->panelText(i), "");
        // Nothing is drawn inside the panel: no text, no glyph.
        EXPECT_EQ(distinctColours(pixels(ui.sbInfo, ui.sbInfo->panelRect(i))), 1);
    }
    EXPECT_TRUE(ui.imgView->isHidden());
    EXPECT_TRUE(ui.imgWall->isVisible());
}

// ------------------------------------------------------ minimise and exit

// Three pictures in an album Travel, each with a sound, and one in the root.
void travelAlbum(LibraryBuilder& lib) {
    lib.album("").jpeg("r.jpg", 400, 300);
    lib.album("Travel")
        .jpeg("t1.jpg", 400, 300).wav("t1.wav", 50)
        .jpeg("t2.jpg", 400, 300).wav("t2.wav", 50)
        .jpeg("t3.jpg", 400, 300).wav("t3.wav", 50);
}

// Opens Travel from the album list with the pointer, moves to its second
// picture with the Next button, starts the slide show at 1 second with the
// pointer resting on the right half of the picture.
void openTravelAndStartTheShow(const WindowParts& ui, User& user) {
    user.moveTo(ui.pnlBook, QPoint(ui.pnlBook->width() - 2, 10)); // the strip
    ASSERT_EQ(ui.pnlBook->x(), 0);
    user.doubleClickRow(ui.lstBook, 1);
    ASSERT_EQ(ui.lblDir->text(), "Travel");
    user.click(ui.tbsNext);
    ASSERT_EQ(positionShown(ui), "2 / 3");
    user.moveTo(ui.imgView, QPoint(ui.imgView->width() * 3 / 4, 10));
    test::menuItem(ui.pmAutoTime, 1)->trigger();
    user.click(ui.tbsAuto, QPoint(10, 10));
    ASSERT_TRUE(ui.action(Command::Auto)->isChecked());
}

TEST(EdgeCases, MinimiseKeepsAlbumPictureAndARunningSlideShow) {
    LibraryWindow h;
    travelAlbum(h.lib);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    showWindow(w);
    User user(w);
    openTravelAndStartTheShow(ui, user);

    user.click(ui.tbsMin);
    EXPECT_TRUE(w.isMinimized());
    // The show goes on while the window is away.
    EXPECT_TRUE(QTest::qWaitFor([&] { return positionShown(ui) == "3 / 3"; }, 5000));
    EXPECT_EQ(h.sound.calls.last().path, h.library.file("Travel/t3.wav"));

    w.showNormal(); // restored from the taskbar
    EXPECT_FALSE(w.isMinimized());
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(ui.lblDir->text(), "Travel");
    EXPECT_EQ(ui.sbInfo->panelText(5), "t3.jpg");
    EXPECT_TRUE(ui.action(Command::Auto)->isChecked());
    EXPECT_TRUE(ui.tmrAuto->isActive());
    EXPECT_EQ(ui.lstFile->count(), 3);
    ui.action(Command::Auto)->trigger();
}

// Runs the application's message loop until the run ends; false when it had
// not ended after a long while.
bool runUntilTheRunEnds() {
    bool ended = true;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, qApp, [&] {
        ended = false;
        QCoreApplication::quit();
    });
    guard.start(20000);
    QApplication::exec();
    return ended;
}

// A sound service that lets the test act while a sound plays.
class ScriptedSound final : public SoundPlayer {
public:
    QStringList played;
    std::function<void(bool synchronous)> whilePlaying;
    void play(const QString& path, bool synchronous) override {
        played << path;
        if (whilePlaying)
            whilePlaying(synchronous);
    }
};

// The window as the program runs it: no splash left, the real slide wait.
struct RunWindow {
    test::TempDir library;
    LibraryBuilder lib{library.path()};
    ScriptedSound sound;
    RecordingWallpaper wallpaper;
    RecordingClipboard clipboard;
    RecordingUrls urls;
    test::FailureRecorder failures;
    ColourTransformCache colours; // outlives the window
    std::unique_ptr<TfrmMain> window;
    void create() {
        TfrmMain::Environment env;
        env.colours = &colours;
        env.libraryFolder = library.path();
        env.screen = QRect(0, 0, 1024, 768);
        env.services = {&sound, &wallpaper, &clipboard, &urls};
        window = std::make_unique<TfrmMain>(env);
        guarded([this] { window->FormCreate(); });
    }
};

TEST(EdgeCases, ExitEndsTheRunWhileASlideShowRuns) {
    const struct {
        const char* what;
        bool duringAStep; // else while the show waits for its next step
    } cases[] = {{"while waiting", false}, {"during a step's sound", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RunWindow h;
        travelAlbum(h.lib);
        h.create();
        TfrmMain& w = *h.window;
        const WindowParts ui(w);
        showWindow(w);
        User user(w);
        openTravelAndStartTheShow(ui, user);
        for (QWidget* t : QApplication::topLevelWidgets())
            ASSERT_TRUE(t == &w || !t->isVisible()) << t->metaObject()->className();

        qsizetype soundsAtExit = -1;
        QString shownAtExit;
        auto exitNow = [&] {
            user.click(ui.tbsExit);
            soundsAtExit = h.sound.played.size();
            shownAtExit = positionShown(ui);
        };
        if (c.duringAStep)
            h.sound.whilePlaying = [&](bool synchronous) {
                if (synchronous && soundsAtExit < 0)
                    exitNow();
            };
        else
            QTimer::singleShot(0, &w, exitNow);

        EXPECT_TRUE(runUntilTheRunEnds()) << "the message loop went on after exit";
        ASSERT_GE(soundsAtExit, 0);
        EXPECT_FALSE(w.isVisible());
        // Nothing was presented between the exit and the end of the run.
        EXPECT_EQ(h.sound.played.size(), soundsAtExit);
        EXPECT_EQ(positionShown(ui), shownAtExit);
        if (c.duringAStep)
            EXPECT_EQ(shownAtExit, "3 / 3");
        else
            EXPECT_EQ(shownAtExit, "2 / 3");
        h.sound.whilePlaying = nullptr;
        EXPECT_TRUE(h.failures.messages.isEmpty());
    }
}

// ------------------------------------------------------ picture-list closing

TEST(EdgeCases, PictureListClosesOnARealMoveOverPictureBackgroundAndSheet) {
    enum class Over { Picture, Background, Sheet };
    const struct {
        const char* what;
        Over over;
        bool awaitingAlbum; // the root's first picture is damaged
    } cases[] = {{"picture", Over::Picture, false},
                 {"background", Over::Background, false},
                 {"sheet", Over::Sheet, false},
                 {"background while no album was chosen", Over::Background, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LibraryWindow h;
        if (c.awaitingAlbum)
            h.lib.album("").broken("a.jpg", BrokenKind::JpegNotJpeg);
        else
            h.lib.album("").jpeg("a.jpg", 400, 300);
        h.lib.album("").jpeg("b.jpg", 400, 300).jpeg("c.jpg", 400, 300);
        h.create();
        TfrmMain& w = h.w();
        const WindowParts ui = h.parts();
        showWindow(w);
        User user(w);
        if (c.over == Over::Sheet)
            user.click(ui.tbsSum);

        user.click(ui.tbsNext, Qt::RightButton);
        ASSERT_TRUE(ui.pnlFile->isVisible());
        ASSERT_TRUE(ui.pnlFile->isEnabled());
        // Moving over the list, its panel or the toolbar leaves it open.
        user.moveTo(ui.lstFile->viewport(), QPoint(5, 5));
        user.moveTo(ui.pnlFile, QPoint(ui.pnlFile->width() - 1, ui.pnlFile->height() - 1));
        user.moveTo(ui.tbMain, QPoint(600, 10));
        ASSERT_TRUE(ui.pnlFile->isVisible());

        switch (c.over) {
        case Over::Picture:
            ASSERT_TRUE(ui.imgView->isVisible());
            user.moveTo(ui.imgView, QPoint(200, 150));
            break;
        case Over::Background:
            ASSERT_TRUE(ui.imgWall->isVisible());
            user.moveTo(ui.imgWall, QPoint(900, 650));
            break;
        case Over::Sheet:
            ASSERT_TRUE(ui.imgSum->isVisible());
            user.moveTo(ui.imgSum, QPoint(600, 600));
            break;
        }
        EXPECT_FALSE(ui.pnlFile->isVisible());
        EXPECT_FALSE(ui.pnlFile->isEnabled());
        if (c.awaitingAlbum) {
            // The album list stays in view.
            EXPECT_EQ(ui.pnlBook->x(), 0);
            EXPECT_EQ(h.failures.messages, QStringList{"JPEG エラー #53"});
        }
    }
}

TEST(EdgeCases, PictureListClosesOnARealMoveDuringASlide) {
    LibraryWindow h;
    h.lib.album("").jpeg("a.jpg", 400, 300).jpeg("b.jpg", 400, 300);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    showWindow(w);
    User user(w);
    user.click(ui.tbsNext, Qt::RightButton);
    ASSERT_TRUE(ui.pnlFile->isVisible());
    // A move over the picture arrives while the album panel slides out.
    h.stepWait = [] { stepWait(10); }; // the program's own wait, which lets events run
    bool duringTheSlide = false;
    QTimer::singleShot(0, &w, [&] {
        duringTheSlide = ui.pnlBook->x() != 0;
        user.moveTo(ui.imgView, QPoint(200, 150));
    });
    user.moveTo(ui.pnlBook, QPoint(ui.pnlBook->width() - 2, 10));
    ASSERT_TRUE(duringTheSlide);
    EXPECT_FALSE(ui.pnlFile->isVisible());
    EXPECT_FALSE(ui.pnlFile->isEnabled());
    // The slide under way went on to its target; the move did not bring it back.
    EXPECT_EQ(ui.pnlBook->x(), 0);
}

// ---------------------------------------------------------- AwaitingAlbum

TEST(EdgeCases, WhileNoAlbumWasChosenMovesLeaveTheCursorAndThePanel) {
    LibraryWindow h;
    h.lib.album("").broken("a.jpg", BrokenKind::JpegNotJpeg).jpeg("b.jpg", 400, 300).jpeg("c.jpg", 400, 300);
    h.lib.album("Travel").jpeg("t1.jpg", 400, 300).jpeg("t2.jpg", 400, 300);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    showWindow(w);
    User user(w);
    ASSERT_EQ(ui.pnlBook->x(), 0);
    // The arrow keys work all the same: the second picture comes up.
    user.key(Qt::Key_Right);
    ASSERT_EQ(positionShown(ui), "2 / 3");
    ASSERT_TRUE(ui.imgView->isVisible());

    const int half = ui.imgView->width() / 2;
    for (QPoint p : {QPoint(10, 10), QPoint(half - 1, 100), QPoint(half, 100), QPoint(ui.imgView->width() - 1, 10)}) {
        user.moveTo(ui.imgView, p);
        EXPECT_EQ(ui.imgView->cursor().shape(), Qt::ArrowCursor) << p.x();
        EXPECT_EQ(ui.pnlBook->x(), 0);
    }
    // With the default cursor a click on the left half goes forward.
    user.click(ui.imgView, QPoint(10, 10));
    EXPECT_EQ(positionShown(ui), "3 / 3");

    // Once an album has been chosen, the next move sets the cursor and
    // brings the album panel in.
    user.doubleClickRow(ui.lstBook, 1);
    ASSERT_EQ(ui.lblDir->text(), "Travel");
    user.moveTo(ui.imgView, QPoint(10, 10));
    EXPECT_EQ(ui.imgView->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(ui.imgView->cursor().pixmap().toImage(), backCursor().pixmap().toImage());
    EXPECT_EQ(ui.pnlBook->x(), 4 - ui.pnlBook->width());
}

// ----------------------------------------------------- picture-list height

TEST(EdgeCases, PictureListShowsAtMostTheRowsOfTheMainArea) {
    const struct {
        QSize screen;
        int pictures;
        int listHeight, panelHeight;
        bool scrolls;
    } cases[] = {
        {{1024, 768}, 100, 704, 708, true}, // 32 rows of 22
        {{1024, 768}, 5, 110, 114, false},
        {{800, 600}, 100, 528, 532, true}, // Trunc(549 / 22) = 24 rows
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.screen.width() << " " << c.pictures);
        LibraryWindow h;
        AlbumBuilder root = h.lib.album("");
        for (int i = 0; i < c.pictures; ++i)
            root.jpeg(QString("p%1.jpg").arg(i, 3, 10, QChar('0')), 8, 8);
        h.create(c.screen);
        TfrmMain& w = h.w();
        const WindowParts ui = h.parts();
        showWindow(w);
        User user(w);
        user.click(ui.tbsNext, Qt::RightButton);
        ASSERT_TRUE(ui.pnlFile->isVisible());
        EXPECT_EQ(ui.lstFile->height(), c.listHeight);
        EXPECT_EQ(ui.pnlFile->height(), c.panelHeight);
        EXPECT_EQ(ui.lstFile->count(), c.pictures);
        EXPECT_EQ(ui.lstFile->verticalScrollBar()->maximum() > 0, c.scrolls);
    }
}

// ----------------------------------------------------------- clock glyph

TEST(EdgeCases, ClockGlyphGoesTheMomentTheShowStops) {
    LibraryWindow h;
    h.lib.album("").jpeg("a.jpg", 64, 48).jpeg("b.jpg", 64, 48);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    showWindow(w);
    QCoreApplication::processEvents();

    // Which state each paint of the status bar saw.
    struct PaintLog : QObject {
        QAction* aAuto = nullptr;
        QList<bool> showRunning;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                showRunning << aAuto->isChecked();
            return false;
        }
    } log;
    log.aAuto = ui.action(Command::Auto);
    ui.sbInfo->installEventFilter(&log);

    const QRect glyphArea(ui.sbInfo->panelRect(0).topLeft(), QSize(16, 16));
    const QImage stopped = pixels(ui.sbInfo, glyphArea);
    ui.action(Command::Auto)->trigger();
    ASSERT_FALSE(log.showRunning.isEmpty()) << "starting repaints the status bar at once";
    EXPECT_TRUE(log.showRunning.last());
    const QImage running = pixels(ui.sbInfo, glyphArea);
    ASSERT_NE(running, stopped);

    log.showRunning.clear();
    ui.action(Command::Auto)->trigger(); // no event is processed before the checks
    ASSERT_FALSE(log.showRunning.isEmpty()) << "stopping repaints the status bar at once";
    EXPECT_FALSE(log.showRunning.last());
    EXPECT_EQ(pixels(ui.sbInfo, glyphArea), stopped);
    ui.sbInfo->removeEventFilter(&log);
}

// --------------------------------------------------------- rich-text .txt

TEST(EdgeCases, RichTextInATxtMemoShowsFormattedUnderTheTxtGlyph) {
    LibraryWindow h;
    h.lib.album("")
        .jpeg("a.jpg", 64, 48).file("a.txt", rtfMemoBytes(sampleMemo()))
        .jpeg("b.jpg", 64, 48).memoText("b.txt", "plain memo")
        .jpeg("c.jpg", 64, 48).memoRtf("c.rtf");
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    showWindow(w);
    User user(w);
    const QRect memoGlyph = ui.sbInfo->panelRect(3);

    ASSERT_EQ(ui.sbInfo->panelText(5), "a.jpg");
    EXPECT_EQ(ui.sbInfo->panelText(3), "TXT");
    // Shown as rich text: the markup is read, not shown, and the title is bold.
    EXPECT_EQ(ui.reMemo->toPlainText(), rtfPlainText(sampleMemo()));
    const QTextBlock title = ui.reMemo->document()->firstBlock();
    ASSERT_TRUE(title.begin() != title.end());
    EXPECT_GE(title.begin().fragment().charFormat().fontWeight(), QFont::Bold);
    const QImage richTxt = pixels(ui.sbInfo, memoGlyph);

    user.key(Qt::Key_Right);
    ASSERT_EQ(ui.sbInfo->panelText(5), "b.jpg");
    EXPECT_EQ(ui.sbInfo->panelText(3), "TXT");
    const QImage plainTxt = pixels(ui.sbInfo, memoGlyph);

    user.key(Qt::Key_Right);
    ASSERT_EQ(ui.sbInfo->panelText(5), "c.jpg");
    EXPECT_EQ(ui.sbInfo->panelText(3), "RTF");
    const QImage rtf = pixels(ui.sbInfo, memoGlyph);

    EXPECT_EQ(richTxt, plainTxt) << "a .txt memo shows the T glyph whatever its content";
    EXPECT_NE(richTxt, rtf);
}

// --------------------------------------------------------------- one picture

TEST(EdgeCases, OnePictureKeepsTheArrowAndClicksAndKeysPresentItAgain) {
    LibraryWindow h;
    h.lib.album("").jpeg("only.jpg", 400, 300).wav("only.wav", 50);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    showWindow(w);
    User user(w);
    ASSERT_EQ(h.sound.calls.size(), 1);
    const int half = ui.imgView->width() / 2;
    const struct {
        const char* what;
        std::function<void()> input;
        bool presents;
    } inputs[] = {
        {"move over the left half", [&] { user.moveTo(ui.imgView, QPoint(10, 10)); }, false},
        {"move over the right half", [&] { user.moveTo(ui.imgView, QPoint(half + 10, 10)); }, false},
        {"click on the left half", [&] { user.click(ui.imgView, QPoint(10, 10)); }, true},
        {"click on the right half", [&] { user.click(ui.imgView, QPoint(half + 10, 10)); }, true},
        {"left arrow", [&] { user.key(Qt::Key_Left); }, true},
        {"right arrow", [&] { user.key(Qt::Key_Right); }, true},
    };
    qsizetype sounds = h.sound.calls.size();
    for (const auto& in : inputs) {
        SCOPED_TRACE(in.what);
        in.input();
        EXPECT_EQ(ui.imgView->cursor().shape(), Qt::ArrowCursor);
        EXPECT_EQ(positionShown(ui), "1 / 1");
        EXPECT_EQ(ui.sbInfo->panelText(5), "only.jpg");
        // Presented again: its sound plays again.
        EXPECT_EQ(h.sound.calls.size(), sounds + (in.presents ? 1 : 0));
        sounds = h.sound.calls.size();
    }
    // Next is disabled: a right click on it opens neither the picture list
    // nor any menu.
    ASSERT_FALSE(ui.tbsNext->isEnabled());
    user.click(ui.tbsNext, Qt::RightButton);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ui.pnlFile->isVisible());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

// ------------------------------------------------------ the thumbnail sheet

TEST(EdgeCases, SheetShowsItsScrollBarOnlyBeyondOnePage) {
    const struct {
        QSize screen;
        int pictures;
        bool scrollBar;
        int lastPage;
    } cases[] = {
        {{1024, 768}, 24, false, 0}, {{1024, 768}, 25, true, 1}, {{1024, 768}, 30, true, 1},
        {{800, 600}, 24, false, 0},  {{800, 600}, 25, true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.screen.width() << " " << c.pictures);
        LibraryWindow h;
        AlbumBuilder root = h.lib.album("");
        for (int i = 0; i < c.pictures; ++i)
            root.jpeg(QString("p%1.jpg").arg(i, 2, 10, QChar('0')), 40, 30);
        h.create(c.screen);
        TfrmMain& w = h.w();
        const WindowParts ui = h.parts();
        showWindow(w);
        User user(w);
        EXPECT_FALSE(ui.sbScr->isVisible());
        user.click(ui.tbsSum);
        ASSERT_TRUE(ui.imgSum->isVisible());
        EXPECT_EQ(ui.sbScr->isVisible(), c.scrollBar);
        EXPECT_EQ(ui.sbScr->maximum(), c.lastPage);
        user.click(ui.tbsSum);
        EXPECT_FALSE(ui.sbScr->isVisible());
        EXPECT_TRUE(h.failures.messages.isEmpty());
    }
}

TEST(EdgeCases, FrameFollowsBackNextAndThePictureListWithoutTurningThePage) {
    LibraryWindow h;
    AlbumBuilder root = h.lib.album("");
    for (int i = 0; i < 25; ++i)
        root.jpeg(QString("p%1.jpg").arg(i, 2, 10, QChar('0')), 40, 30);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    showWindow(w);
    User user(w);
    user.click(ui.tbsSum);
    ASSERT_TRUE(ui.imgSum->isVisible());
    const QImage page0 = ui.imgSum->bitmap();
    // After a page draw the frame surrounds the cell, one pixel outside it.
    EXPECT_EQ(ui.bvlCur->geometry(), QRect(13, 23, 159, 159));
    EXPECT_TRUE(ui.bvlCur->isVisible());

    const QPoint hidden(-1, -1);
    const struct {
        const char* what;
        std::function<void()> input;
        const char* position;
        QPoint frame; // the cell's origin; hidden(-1, -1) when not on the page
        int page;
    } steps[] = {
        {"next", [&] { user.click(ui.tbsNext); }, "2 / 25", {179, 24}, 0},
        {"back", [&] { user.click(ui.tbsBack); }, "1 / 25", {14, 24}, 0},
        {"back to the last, on page 2", [&] { user.click(ui.tbsBack); }, "25 / 25", hidden, 0},
        {"next to the first", [&] { user.click(ui.tbsNext); }, "1 / 25", {14, 24}, 0},
        {"picture list, eighth entry",
         [&] {
             user.click(ui.tbsNext, Qt::RightButton);
             user.doubleClickRow(ui.lstFile, 7);
         },
         "8 / 25", {179, 189}, 0},
        {"picture list, last entry", [&] { user.doubleClickRow(ui.lstFile, 24); }, "25 / 25", hidden, 0},
        {"right arrow", [&] { user.key(Qt::Key_Right); }, "1 / 25", {14, 24}, 0},
        {"page 2 by the scroll bar",
         [&] {
             user.moveTo(ui.imgSum, QPoint(500, 500)); // closes the picture list
             user.click(ui.sbScr, QPoint(8, ui.sbScr->height() - 40));
         },
         "1 / 25", hidden, 1},
        {"back onto page 2", [&] { user.click(ui.tbsBack); }, "25 / 25", {14, 24}, 1},
        {"next off page 2", [&] { user.click(ui.tbsNext); }, "1 / 25", hidden, 1},
        {"back again", [&] { user.click(ui.tbsBack); }, "25 / 25", {14, 24}, 1},
        {"page 1 by the scroll bar", [&] { user.click(ui.sbScr, QPoint(8, 40)); }, "25 / 25", hidden, 0},
        // Drawn anew with the current picture on it: the frame surrounds it.
        {"page 2 again", [&] { user.click(ui.sbScr, QPoint(8, ui.sbScr->height() - 40)); }, "25 / 25", {13, 23}, 1},
    };
    QImage pageShown = page0;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        s.input();
        EXPECT_EQ(positionShown(ui), s.position);
        EXPECT_EQ(ui.sbScr->value(), s.page);
        if (s.frame == hidden) {
            EXPECT_FALSE(ui.bvlCur->isVisible());
        } else {
            EXPECT_TRUE(ui.bvlCur->isVisible());
            EXPECT_EQ(ui.bvlCur->geometry(), QRect(s.frame, QSize(159, 159)));
        }
        if (s.page == 0)
            EXPECT_EQ(ui.imgSum->bitmap(), page0) << "a move redraws no page";
        else if (pageShown == page0)
            pageShown = ui.imgSum->bitmap();
        else
            EXPECT_EQ(ui.imgSum->bitmap(), pageShown) << "a move redraws no page";
        EXPECT_TRUE(ui.imgSum->isVisible());
        EXPECT_FALSE(ui.imgView->isVisible());
    }
    EXPECT_NE(pageShown, page0);
    EXPECT_TRUE(h.failures.messages.isEmpty()) << h.failures.messages.join(';').toStdString();
}

} // namespace
} // namespace soru
