// The binding table through real keys, the keyboard after every dialog, the
// date panel under several locales, and a picture too thin to draw.
#include "app/start.h"
#include "core/key_bindings.h"
#include "tests/ui/main_window_fixture.h"
#include "core/presentation.h"
#include "ui/info/info_window.h"
#include "ui/main/status_panel.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/status_panels.h"
#include "ui/widgets/tool_bar.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPainter>
#include <QPointingDevice>
#include <QSet>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace soru {
namespace {

using testlib::LibraryBuilder;

TEST(KeyBindingTable, Lookups) {
    const struct {
        QKeyCombination key;
        std::optional<Command> expected;
    } cases[] = {
        {Qt::CTRL | Qt::Key_C, Command::Copy},
        {Qt::CTRL | Qt::Key_A, Command::Auto},
        {Qt::ALT | Qt::Key_A, Command::Auto}, // two buttons say A: the first on the toolbar wins
        {Qt::ALT | Qt::Key_X, Command::Exit},
        {Qt::ALT | Qt::Key_I, Command::Info},
        {QKeyCombination(Qt::Key_Left), Command::StepBack},
        {Qt::SHIFT | Qt::CTRL | Qt::Key_Right, Command::StepNext}, // arrows ignore modifiers
        {Qt::KeypadModifier | Qt::Key_Left, Command::StepBack},
        {Qt::SHIFT | Qt::CTRL | Qt::Key_C, std::nullopt},
        {QKeyCombination(Qt::Key_C), std::nullopt},
        {Qt::CTRL | Qt::Key_X, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(commandForKey(c.key), c.expected) << QKeySequence(c.key).toString().toStdString();
    EXPECT_EQ(commandForClick(StepDirection::Back), Command::StepBack);
    EXPECT_EQ(commandForClick(StepDirection::Next), Command::StepNext);
}

// Thirty pictures in the root album (two pages of thumbnails), the first
// with a memo and a sound, and a window shown and active, as a user has it.
constexpr int kPictures = 30;

struct KeyWindow : test::LibraryWindow {
    explicit KeyWindow(bool ownQuestions = false, const KeyTable* table = nullptr) {
        keys = table;
        testlib::AlbumBuilder root = lib.album("");
        root.jpeg("a00.jpg", 64, 48).memoText("a00.txt", QStringLiteral("メモの本文です。")).wav("a00.wav", 50);
        for (int i = 1; i < kPictures; ++i)
            root.jpeg(QStringLiteral("a%1.jpg").arg(i, 2, 10, QLatin1Char('0')), 64, 48);
        realQuestions = ownQuestions;
        answers = QList<bool>(100, false);
        create();
        w().show();
        w().activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w()));
    }
    // A key as the user types it: to whatever has the keyboard now.
    void type(QKeyCombination key) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
        ASSERT_NE(target, nullptr) << "nothing has the keyboard";
        QTest::keyClick(target, key.key(), key.keyboardModifiers());
    }
};

// What each command leaves behind that a user can see.
struct Observed {
    int index;
    bool autoEnabled;
    bool autoChecked;
    bool sumChecked;
    qsizetype questions;
    qsizetype copies;
    bool operator==(const Observed&) const = default;
};

Observed observe(KeyWindow& h) {
    return {h.w().session().album().index(), h.parts().action(Command::Auto)->isEnabled(), h.parts().action(Command::Auto)->isChecked(), h.parts().action(Command::Sum)->isChecked(),
            h.asked.size(), h.clipboard.images.size()};
}

TEST(KeyRouting, EveryBindingReachesItsCommandWhateverHasTheFocus) {
    KeyWindow h;
    h.sound.calls.clear();
    const struct {
        const char* focus;
        std::function<QWidget*()> prepare;
    } holders[] = {
        {"album list", [&] { return static_cast<QWidget*>(h.parts().lstBook); }},
        {"memo box",
         [&] {
             // Only the first picture has a memo: the box is enabled there.
             h.w().session().pick(0);
             return static_cast<QWidget*>(h.parts().reMemo);
         }},
        {"picture list",
         [&] {
             guarded([&] { h.w().tbsNextContextPopup(); });
             return static_cast<QWidget*>(h.parts().lstFile);
         }},
        {"sheet scroll bar",
         [&] {
             if (!h.parts().action(Command::Sum)->isChecked())
                 h.parts().action(Command::Sum)->trigger();
             return static_cast<QWidget*>(h.parts().sbScr);
         }},
    };
    const struct {
        QKeyCombination key;
        std::function<void(Observed&)> expect;
    } keys[] = {
        {Qt::CTRL | Qt::Key_N, [](Observed& o) { o.index = (o.index + 1) % kPictures; }},
        {Qt::ALT | Qt::Key_N, [](Observed& o) { o.index = (o.index + 1) % kPictures; }},
        {Qt::CTRL | Qt::Key_B, [](Observed& o) { o.index = (o.index + kPictures - 1) % kPictures; }},
        {Qt::ALT | Qt::Key_B, [](Observed& o) { o.index = (o.index + kPictures - 1) % kPictures; }},
        {QKeyCombination(Qt::Key_Right), [](Observed& o) { o.index = (o.index + 1) % kPictures; }},
        {QKeyCombination(Qt::Key_Left), [](Observed& o) { o.index = (o.index + kPictures - 1) % kPictures; }},
        {Qt::CTRL | Qt::Key_A, [](Observed& o) { o.autoChecked ^= o.autoEnabled; }},
        {Qt::ALT | Qt::Key_A, [](Observed& o) { o.autoChecked ^= o.autoEnabled; }},
        {Qt::CTRL | Qt::Key_C, [](Observed& o) { ++o.copies; }},
        {Qt::ALT | Qt::Key_C, [](Observed& o) { ++o.copies; }},
        {Qt::CTRL | Qt::Key_W, [](Observed& o) { ++o.questions; }},
        {Qt::ALT | Qt::Key_W, [](Observed& o) { ++o.questions; }},
    };
    for (const auto& holder : holders) {
        for (const auto& k : keys) {
            QWidget* focus = holder.prepare();
            focus->setFocus();
            ASSERT_TRUE(focus->hasFocus()) << holder.focus;
            Observed expected = observe(h);
            k.expect(expected);
            h.type(k.key);
            EXPECT_EQ(observe(h), expected)
                << holder.focus << ": " << QKeySequence(k.key).toString().toStdString();
        }
    }
    // Ctrl+P and Alt+P replay the first picture's sound, from the memo box too.
    h.w().session().pick(0);
    for (QKeyCombination key : {Qt::CTRL | Qt::Key_P, Qt::ALT | Qt::Key_P}) {
        h.parts().reMemo->setFocus();
        const qsizetype before = h.sound.calls.size();
        h.type(key);
        EXPECT_EQ(h.sound.calls.size(), before + 1) << QKeySequence(key).toString().toStdString();
    }
}

TEST(KeyRouting, TheUsersKeysFileRemapsAndUnbindsKeys) {
    test::TempDir config;
    const QString file = config.path() + QStringLiteral("/keys");
    testlib::writeFile(file, "Ctrl+N = back\nSpace = none\nMouse:Back = next\nCtrl+Q = nowhere\nCtrl+B = none\n");
    KeyTable table = KeyTable::defaults();
    EXPECT_EQ(table.applyUserFile(file), QStringList(file + QStringLiteral(":4: unknown command \"nowhere\"")));
    KeyWindow h(false, &table);
    h.parts().lstBook->setFocus();
    const int start = h.w().session().album().index();
    h.type(Qt::CTRL | Qt::Key_N);
    EXPECT_EQ(h.w().session().album().index(), (start + kPictures - 1) % kPictures);
    // Unbound: neither the key nor the menu item's old shortcut steps.
    for (QKeyCombination key : {QKeyCombination(Qt::Key_Space), Qt::CTRL | Qt::Key_B}) {
        h.type(key);
        EXPECT_EQ(h.w().session().album().index(), (start + kPictures - 1) % kPictures) << key.toCombined();
    }
    QTest::mousePress(h.parts().imgView, Qt::BackButton, {}, QPoint(10, 10));
    EXPECT_EQ(h.w().session().album().index(), start);
}

// A point of the view a finger or the mouse reaches: not under a panel.
QPoint onView(KeyWindow& h, qreal share) {
    ImageBox* view = h.parts().imgView;
    const QPoint p(int(view->width() * share), view->height() / 2);
    EXPECT_EQ(h.w().childAt(view->mapTo(&h.w(), p)), view) << "x at " << share;
    return p;
}

void wheel(QWidget* target, int delta) {
    const QPointF at(target->width() / 2, target->height() / 2);
    QWheelEvent ev(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &ev);
}

TEST(KeyRouting, StepKeysMouseButtonsWheelAndTouchesStepThePicture) {
    KeyWindow h;
    QPointingDevice* finger = QTest::createTouchDevice();
    ImageBox* view = h.parts().imgView;
    // The pictures are small: a swipe starts on one and runs on across the
    // picture area.
    const int area = h.parts().pnlMain->width();
    const QPoint across(area * 3 / 10, 0);
    auto touch = [&](QPoint from, QPoint to) {
        QTest::touchEvent(&h.w(), finger).press(0, from, view);
        QTest::touchEvent(&h.w(), finger).move(0, (from + to) / 2, view);
        QTest::touchEvent(&h.w(), finger).move(0, to, view);
        QTest::touchEvent(&h.w(), finger).release(0, to, view);
    };
    const struct {
        const char* what;
        std::function<void()> act;
        int step;
    } cases[] = {
        {"Space", [&] { h.type(QKeyCombination(Qt::Key_Space)); }, +1},
        {"Backspace", [&] { h.type(QKeyCombination(Qt::Key_Backspace)); }, -1},
        {"forward button", [&] { QTest::mouseClick(view, Qt::ForwardButton, {}, QPoint(10, 10)); }, +1},
        {"back button", [&] { QTest::mouseClick(view, Qt::BackButton, {}, QPoint(10, 10)); }, -1},
        {"back button over the album list",
         [&] { QTest::mouseClick(h.parts().lstBook->viewport(), Qt::BackButton, {}, QPoint(5, 5)); }, -1},
        {"wheel down", [&] { wheel(view, -120); }, +1},
        {"wheel up two notches", [&] { wheel(view, 240); }, -2},
        {"fine wheel, a notch in three",
         [&] {
             for (int i = 0; i < 3; ++i)
                 wheel(view, -40);
         },
         +1},
        {"swipe right to left", [&] { touch(onView(h, 0.7), onView(h, 0.7) - across); }, +1},
        {"swipe left to right", [&] { touch(onView(h, 0.4), onView(h, 0.4) + across); }, -1},
        {"tap on the left half", [&] { touch(onView(h, 0.3), onView(h, 0.3)); }, -1},
        {"tap on the right half", [&] { touch(onView(h, 0.7), onView(h, 0.7)); }, +1},
        {"short stroke", [&] { touch(onView(h, 0.5), onView(h, 0.5) + across / 5); }, 0},
        {"more down than across",
         [&] { touch(onView(h, 0.5), onView(h, 0.5) + across + QPoint(0, area * 4 / 10)); }, 0},
    };
    h.w().session().pick(10);
    for (const auto& c : cases) {
        const int before = h.w().session().album().index();
        c.act();
        EXPECT_EQ(h.w().session().album().index(), (before + c.step + kPictures) % kPictures) << c.what;
    }
}

TEST(KeyRouting, TheWheelOverTheSheetTurnsItsPage) {
    KeyWindow h;
    h.parts().action(Command::Sum)->trigger();
    ASSERT_FALSE(h.parts().sbScr->isHidden());
    const int index = h.w().session().album().index();
    wheel(h.parts().imgSum, -120);
    EXPECT_EQ(h.w().session().page(), 1);
    EXPECT_EQ(h.parts().sbScr->value(), 1);
    wheel(h.parts().imgSum, 120);
    EXPECT_EQ(h.w().session().page(), 0);
    EXPECT_EQ(h.w().session().album().index(), index);
}

// The mouse's work by keys alone: the album list (F6, Enter), the picture
// list (F7, Down, Enter), the sheet's pages (PageDown, End, Home) and a pick
// on the sheet (Enter).
TEST(KeyRouting, KeysAloneOpenAnAlbumPickAPictureAndTurnTheSheet) {
    KeyWindow h;
    const WindowParts ui = h.parts();
    h.type(QKeyCombination(Qt::Key_F6));
    EXPECT_TRUE(ui.lstBook->hasFocus());
    h.type(QKeyCombination(Qt::Key_Return)); // the root album, its only row
    EXPECT_EQ(h.w().session().album().index(), 0);
    EXPECT_FALSE(ui.lstBook->hasFocus());
    h.type(QKeyCombination(Qt::Key_F7));
    ASSERT_TRUE(ui.lstFile->hasFocus());
    h.type(QKeyCombination(Qt::Key_Down));
    h.type(QKeyCombination(Qt::Key_Down));
    h.type(QKeyCombination(Qt::Key_Return));
    EXPECT_EQ(h.w().session().album().index(), 2);
    h.type(QKeyCombination(Qt::Key_Escape)); // the list closes, the keys go back to the picture
    EXPECT_FALSE(ui.lstFile->hasFocus());
    ui.action(Command::Sum)->trigger(); // the main menu's 一覧
    ASSERT_TRUE(h.w().session().sheetShown());
    EXPECT_TRUE(ui.imgSum->hasFocus()); // the keyboard went with the picture to the sheet
    h.type(QKeyCombination(Qt::Key_End));
    const int last = h.w().session().page();
    EXPECT_GT(last, 0);
    h.type(QKeyCombination(Qt::Key_Home));
    EXPECT_EQ(h.w().session().page(), 0);
    h.type(QKeyCombination(Qt::Key_PageDown));
    ASSERT_EQ(h.w().session().page(), 1);
    // A page without the frame: Enter frames its first picture.
    h.type(QKeyCombination(Qt::Key_Return));
    const std::optional<PageRange> range = h.w().session().sheet().pageRange(1, h.w().session().album().count());
    ASSERT_TRUE(range);
    EXPECT_EQ(h.w().session().album().index(), range->first);
}

// The main menu by keys alone: the Menu key and Shift+F10 open it, arrows
// and Enter choose an item, and the keys are the picture's again once it
// closes. Tab visits every control that takes the focus and comes round.
TEST(KeyRouting, KeysAloneRunTheMainMenuAndTabGoesRoundEveryControl) {
    KeyWindow h;
    const WindowParts ui = h.parts();
    h.type(QKeyCombination(Qt::Key_F6));
    h.type(QKeyCombination(Qt::Key_Return));
    ASSERT_TRUE(ui.imgView->hasFocus());
    for (const QKeyCombination opener : {QKeyCombination(Qt::Key_Menu), Qt::SHIFT | Qt::Key_F10}) {
        h.type(opener);
        ASSERT_EQ(QApplication::activePopupWidget(), ui.pmMain) << QKeySequence(opener).toString().toStdString();
        // On the screen before the next key, as the user sees it.
        ASSERT_TRUE(QTest::qWaitForWindowExposed(ui.pmMain));
        QTest::keyClick(ui.pmMain, Qt::Key_Escape);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        QCoreApplication::processEvents(); // the events of the closing
        EXPECT_TRUE(ui.imgView->hasFocus()) << QKeySequence(opener).toString().toStdString();
    }
    // 前へ, 自動, 次へ, then 一覧.
    h.type(QKeyCombination(Qt::Key_Menu));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(ui.pmMain));
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(ui.pmMain, Qt::Key_Down);
    ASSERT_EQ(ui.pmMain->activeAction(), ui.action(Command::Sum));
    QTest::keyClick(ui.pmMain, Qt::Key_Return);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    ASSERT_TRUE(h.w().session().sheetShown());
    QCoreApplication::processEvents();
    EXPECT_TRUE(ui.imgSum->hasFocus()) << "the keyboard went with the picture to the sheet";
    h.type(QKeyCombination(Qt::Key_PageDown)); // the keys reach the sheet
    EXPECT_EQ(h.w().session().page(), 1);

    QWidget* const start = QApplication::focusWidget();
    QList<QWidget*> visited;
    for (int i = 0; i < 40 && (visited.isEmpty() || visited.last() != start); ++i) {
        h.type(QKeyCombination(Qt::Key_Tab));
        visited << QApplication::focusWidget();
    }
    ASSERT_EQ(visited.last(), start) << "Tab never came back to the sheet";
    QList<QWidget*> controls{ui.lstBook, ui.imgSum};
    for (ToolButton* b : {ui.tbsExit, ui.tbsBack, ui.tbsAuto, ui.tbsNext, ui.tbsSum, ui.tbsCopy, ui.tbsWall,
                          ui.tbsPlay, ui.tbsInfo, ui.tbsMin})
        if (b->isEnabled())
            controls << b;
    for (QWidget* control : controls)
        EXPECT_TRUE(visited.contains(control)) << control->objectName().toStdString();
    EXPECT_EQ(visited.size(), QSet<QWidget*>(visited.begin(), visited.end()).size()) << "a control came twice";
    EXPECT_EQ(h.w().session().page(), 1) << "Tab turned the page";
}

// Closes the next modal window with a key sent to what has the focus in it;
// the information window, which only its cross closes, with a click on it.
void closeNextModalWith(Qt::Key key, bool* seen) {
    QTimer::singleShot(0, [key, seen] {
        QWidget* modal = nullptr;
        if (!QTest::qWaitFor([&modal] { return (modal = QApplication::activeModalWidget()) != nullptr; }))
            return;
        modal->activateWindow();
        if (!QTest::qWaitFor([modal] { return QApplication::activeWindow() == modal; }))
            return;
        *seen = true;
        if (auto* info = qobject_cast<TQD_SORUInfo*>(modal))
            QTest::mouseClick(info->imgExit, Qt::LeftButton, {}, QPoint(5, 5));
        else
            QTest::keyClick(modal->focusWidget() ? modal->focusWidget() : modal, key);
    });
}

TEST(KeyRouting, TheNextKeyWorksWithoutAClickAfterEveryDialog) {
    const struct {
        const char* dialog;
        Qt::Key answer;
        bool errorBox;
        QKeyCombination opener;
    } cases[] = {
        {"wallpaper question, No", Qt::Key_Escape, false, Qt::CTRL | Qt::Key_W},
        {"wallpaper question, Yes", Qt::Key_Return, false, Qt::CTRL | Qt::Key_W},
        {"information window", Qt::Key_unknown, false, Qt::ALT | Qt::Key_I},
        {"error box", Qt::Key_Return, true, Qt::CTRL | Qt::Key_N},
    };
    for (const auto& c : cases) {
        KeyWindow h(true);
        if (c.errorBox) {
            // The next picture is damaged now: stepping to it raises the box.
            testlib::writeFile(h.lib.album("").filePath("a01.jpg"), "not a picture");
            setFailureSink(showFailureMessage);
        }
        h.parts().lstBook->setFocus();
        bool seen = false;
        closeNextModalWith(c.answer, &seen);
        h.type(c.opener);
        setFailureSink([&h](const QString& m) { h.failures.messages << m; });
        EXPECT_TRUE(seen) << c.dialog;
        // The next key comes once the events of the closing have run.
        EXPECT_TRUE(QTest::qWaitFor([&h] { return QApplication::activeWindow() == &h.w(); })) << c.dialog;
        const int index = h.w().session().album().index();
        h.type(QKeyCombination(Qt::Key_Left));
        EXPECT_NE(h.w().session().album().index(), index) << c.dialog;
        // The seen fault: Ctrl+C went to the album list and copied its entry.
        const qsizetype copies = h.clipboard.images.size();
        h.type(Qt::CTRL | Qt::Key_C);
        EXPECT_EQ(h.clipboard.images.size(), copies + 1) << c.dialog;
    }
}

TEST(KeyRouting, StretchQuestionLeavesTheKeyboardWithTheWindow) {
    for (Qt::Key answer : {Qt::Key_Return, Qt::Key_Escape}) {
        test::LibraryWindow h;
        h.realQuestions = true;
        h.lib.album("").jpeg("wide.jpg", 2000, 300);
        h.create();
        h.w().show();
        h.w().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&h.w()));
        test::menuItem(h.parts().pmWall, int(WallpaperStyle::Zoom))->trigger();
        h.parts().lstBook->setFocus();
        // First the wallpaper question (Yes), then the stretch question.
        bool first = false, second = false;
        closeNextModalWith(Qt::Key_Return, &first);
        QTimer::singleShot(300, [answer, &second] { closeNextModalWith(answer, &second); });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::ControlModifier);
        EXPECT_TRUE(first && second) << answer;
        EXPECT_EQ(h.wallpaper.calls.size(), answer == Qt::Key_Return ? 1 : 0);
        EXPECT_TRUE(QTest::qWaitFor([&h] { return QApplication::activeWindow() == &h.w(); }));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(h.clipboard.images.size(), 1) << answer;
    }
}

// Checks that text stands whole in the bar's panel, spare pixels to spare
// before its edge: its ink as wide as the same text drawn alone, unclipped.
void expectWholeInPanel(StatusPanels* bar, int panel, const QString& text, const char* name,
                        int spare = 1) {
    bar->setPanelText(panel, text);
    const QRect r = bar->panelRect(panel);
    const QImage shot = bar->grab().toImage();
    QImage alone(1000, r.height(), QImage::Format_RGB32);
    alone.fill(Qt::white);
    {
        QPainter p(&alone);
        p.setFont(bar->font());
        p.drawText(QRect(0, 0, 1000, r.height()), Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    auto inkColumns = [](const QImage& img, int from, int to, int top, int bottom) {
        int first = -1, last = -1;
        for (int x = from; x <= to; ++x)
            for (int y = top; y <= bottom; ++y)
                if (qGray(img.pixel(x, y)) < 128) {
                    if (first < 0)
                        first = x;
                    last = x;
                    break;
                }
        return std::pair{first, last};
    };
    const auto [aloneFirst, aloneLast] = inkColumns(alone, 0, 999, 0, r.height() - 1);
    const auto [first, last] = inkColumns(shot, r.left(), r.right(), r.top(), r.bottom());
    ASSERT_GE(first, 0) << name;
    EXPECT_EQ(last - first, aloneLast - aloneFirst) << name << " " << text.toStdString();
    EXPECT_LE(last, r.right() - spare) << name << " " << text.toStdString();
    // The panels after it moved along: none overlaps it.
    EXPECT_GT(bar->panelRect(panel + 1).left(), r.right()) << name << " " << text.toStdString();
}

// The date and time stand whole in their panel under every locale a user
// may run with, for every weekday.
TEST(DatePanel, WholeDateAndTimeReadableUnderEveryLocale) {
    const QLocale saved;
    for (const char* name : {"ja_JP", "C", "en_US", "de_DE", "fr_FR"}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(name)));
        test::MainWindowHarness h;
        for (int day = 0; day < 7; ++day)
            expectWholeInPanel(h.parts().sbInfo, panelIndex(StatusPanel::Date),
                               fileDateText(QDateTime(QDate(2026, 12, 7).addDays(day), QTime(23, 48)),
                                            QLocale()),
                               name);
    }
    QLocale::setDefault(saved);
}

// The size panel grows for a panorama's size and is back to its own width
// for an ordinary photo's.
TEST(SizePanel, PanoramaSizesStandWhole) {
    test::MainWindowHarness h;
    StatusPanels* bar = h.parts().sbInfo;
    const int size = panelIndex(StatusPanel::Size);
    const int width = bar->panelRect(size).width();
    for (const char* text :
         {"6000 x 4000", "11158 x 2156", "16384 x 4096", "99999 x 99999", "1 x 268435456"})
        expectWholeInPanel(bar, size, QString::fromLatin1(text), text, 0);
    bar->setPanelText(size, QStringLiteral("6000 x 4000"));
    EXPECT_EQ(bar->panelRect(size).width(), width);
}

// A damaged JPEG of 5 x 27,397 pixels: it fits the area at a width that
// rounds to 0, yet is decoded, so libjpeg's error about its Huffman table is
// reported, and a sound picture of that shape shows as a thin line.
QByteArray thinJpeg(bool damaged) {
    QByteArray bytes = testlib::encodeJpeg(testlib::makePicture(5, 27397, testlib::Scene::Plain, 3));
    if (damaged) {
        // Three codes of length 1 where two fit: the table is read without
        // complaint and refused when decoding starts.
        const qsizetype dht = bytes.indexOf(QByteArray("\xFF\xC4", 2));
        char* counts = bytes.data() + dht + 5;
        int moved = 0;
        for (int len = 15; len >= 0 && moved < 3; --len)
            while (counts[len] > 0 && moved < 3) {
                --counts[len];
                ++moved;
            }
        counts[0] = char(counts[0] + moved);
    }
    return bytes;
}

TEST(ThinPicture, IsDecodedAndItsErrorReported) {
    for (bool damaged : {true, false}) {
        test::LibraryWindow h;
        h.lib.album("").file("thin.jpg", thinJpeg(damaged));
        h.create();
        ImageBox* view = h.parts().imgView;
        if (damaged) {
            ASSERT_EQ(h.failures.messages.size(), 1);
            EXPECT_TRUE(h.failures.messages[0].startsWith(QStringLiteral("JPEG エラー #")))
                << h.failures.messages[0].toStdString();
        } else {
            EXPECT_TRUE(h.failures.messages.isEmpty());
            EXPECT_EQ(view->size(), QSize(1, h.parts().pnlMain->height()));
            const QColor shown = view->canvas().pixelColor(0, view->height() / 2);
            const QColor plain = QColor::fromRgb(testlib::plainColour(3));
            EXPECT_LE(std::abs(shown.red() - plain.red()) + std::abs(shown.green() - plain.green()) +
                          std::abs(shown.blue() - plain.blue()),
                      12);
        }
    }
}

} // namespace
} // namespace soru
