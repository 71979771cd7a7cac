// More edge cases of the main window, driven through the shown window where
// they are about input: what the lists and the sheet draw, pixel by pixel,
// the view after the sheet closes, the exact hint, the cursor, and keys that
// must never reach the focused control.
#include "tests/ui/main_window_fixture.h"

#include "resources/artwork.h"
#include "tools/testlib/testlib.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/owner_draw_list.h"
#include "ui/widgets/status_panels.h"
#include "ui/widgets/tool_bar.h"

#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QTest>
#include <QTextEdit>
#include <QWindow>
#include <gtest/gtest.h>

namespace soru {
namespace {

using namespace soru::testlib;
using test::LibraryWindow;

// The pointer and keyboard of a user, entering through the platform window.
class User {
public:
    explicit User(QWidget& window) : w_(window) {}
    QPoint at(QWidget* target, QPoint local) const { return target->mapTo(&w_, local); }
    void moveTo(QWidget* target, QPoint local) {
        QCursor::setPos(w_.mapToGlobal(at(target, local)));
        QTest::mouseMove(w_.windowHandle(), at(target, local));
    }
    void click(QWidget* target, Qt::MouseButton button = Qt::LeftButton) {
        const QPoint local = target->rect().center();
        moveTo(target, local);
        QTest::mouseClick(w_.windowHandle(), button, {}, at(target, local));
    }
    void doubleClickRow(OwnerDrawList* list, int row) {
        const QPoint local = list->visualItemRect(list->item(row)).center();
        moveTo(list->viewport(), local);
        QTest::mouseDClick(w_.windowHandle(), Qt::LeftButton, {}, at(list->viewport(), local));
    }
    void key(Qt::Key k) { QTest::keyClick(w_.windowHandle(), k); }

private:
    QWidget& w_;
};

void showWindow(TfrmMain& w) {
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::mouseMove(w.windowHandle(), QPoint(w.width() / 2, 5)); // over the toolbar
}

QImage solid(QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QString positionShown(const WindowParts& ui) { return ui.sbInfo->panelText(0); }

// An unselected entry as an owner-drawn list shows it: the list's ground,
// the glyph at (8, 3) and the name at (28, 5) in the list's font and colour.
QImage expectedRow(OwnerDrawList* list, QSize size, Glyph g, const QString& name) {
    QImage row = solid(size, list->palette().color(QPalette::Button).rgb());
    QPainter p(&row);
    p.drawPixmap(8, 3, glyph(g));
    p.setPen(list->palette().color(QPalette::ButtonText));
    p.setFont(list->font());
    p.drawText(QRect(28, 5, size.width(), size.height()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, name);
    return row;
}

QImage rowShown(OwnerDrawList* list, int row) {
    const QRect r = list->visualItemRect(list->item(row));
    return list->viewport()->grab(r).toImage().convertToFormat(QImage::Format_RGB32);
}

// ------------------------------------------------------ drawn list entries

TEST(EdgeCasesUnchecked, ListEntriesDrawTheirGlyphAndNameOnly) {
    LibraryWindow h;
    h.lib.album("").jpeg("a.jpg", 64, 48).bmp("photo.bmp", 8, 8).jpeg("photo.jpg", 8, 8).bmp("SCAN.Bmp", 8, 8);
    h.lib.album("Autumn").jpeg("x.jpg", 8, 8);
    h.lib.album("Winter").jpeg("x.jpg", 8, 8).jpeg("y.jpg", 8, 8);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    showWindow(w);
    User user(w);
    user.click(ui.tbsNext, Qt::RightButton);
    ASSERT_TRUE(ui.pnlFile->isVisible());
    // Row 0 of each list is the selected one; the others are drawn plain.
    const struct {
        OwnerDrawList* list;
        int row;
        Glyph glyph;
        const char* name;
    } rows[] = {{ui.lstBook, 1, Glyph::Album, "Autumn"},       {ui.lstBook, 2, Glyph::Album, "Winter"},
                {ui.lstFile, 1, Glyph::BitmapFile, "photo"},   {ui.lstFile, 2, Glyph::JpegFile, "photo"},
                {ui.lstFile, 3, Glyph::BitmapFile, "SCAN"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.name << " " << r.row);
        const QImage shown = rowShown(r.list, r.row);
        ASSERT_EQ(shown.height(), 22);
        EXPECT_TRUE(shown == expectedRow(r.list, shown.size(), r.glyph, r.name));
    }
    // The same name under the two glyphs: only the glyph tells them apart.
    const QImage bmpRow = rowShown(ui.lstFile, 1), jpegRow = rowShown(ui.lstFile, 2);
    EXPECT_NE(bmpRow.copy(8, 3, 16, 16), jpegRow.copy(8, 3, 16, 16));
    EXPECT_EQ(bmpRow.copy(24, 0, bmpRow.width() - 24, 22), jpegRow.copy(24, 0, jpegRow.width() - 24, 22));
    EXPECT_NE(rowShown(ui.lstBook, 1), rowShown(ui.lstBook, 2));
}

// ------------------------------------------------- opening under the sheet

TEST(EdgeCasesUnchecked, OpeningAnAlbumUnderTheSheetDrawsItsFirstPageAtOnce) {
    const QRgb red = qRgb(220, 0, 0);
    const QRgb colours[] = {qRgb(0, 0, 230), qRgb(0, 200, 0), qRgb(240, 240, 0)};
    LibraryWindow h;
    AlbumBuilder root = h.lib.album("");
    for (int i = 0; i < 25; ++i) // two pages; the second holds one red cell
        root.bmp(QString("r%1.bmp").arg(i, 2, 10, QChar('0')), solid({60, 40}, red));
    AlbumBuilder colourAlbum = h.lib.album("Colours");
    for (int i = 0; i < 3; ++i)
        colourAlbum.bmp(QString("c%1.bmp").arg(i), solid({60, 40}, colours[i]));
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    showWindow(w);
    User user(w);
    user.click(ui.tbsSum);
    ASSERT_TRUE(ui.imgSum->isVisible());
    QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, user.at(ui.sbScr, {8, ui.sbScr->height() - 40}));
    ASSERT_EQ(ui.sbScr->value(), 1);

    user.moveTo(ui.pnlBook, QPoint(ui.pnlBook->width() - 2, 10)); // the strip
    user.doubleClickRow(ui.lstBook, 1);
    ASSERT_EQ(ui.lblDir->text(), "Colours");
    // No event has been let run since: the page is already on the sheet.
    const QImage sheet = ui.imgSum->grab().toImage();
    EXPECT_EQ(ui.sbScr->value(), 0);
    EXPECT_FALSE(ui.sbScr->isVisible());
    EXPECT_TRUE(ui.imgSum->isVisible());
    EXPECT_FALSE(ui.imgView->isVisible());
    // A 60 x 40 picture sits unscaled in the middle of its 157-pixel cell.
    for (int cell = 0; cell < 4; ++cell) {
        const QPoint middle(165 * cell + 14 + 78, 24 + 78);
        const QRgb seen = sheet.pixel(middle) | 0xFF000000;
        if (cell < 3) {
            EXPECT_EQ(seen, colours[cell]) << cell;
        } else {
            EXPECT_NE(seen, red);
            EXPECT_NE(seen, colours[0]);
        }
    }
    EXPECT_TRUE(ui.bvlCur->isVisible());
    EXPECT_EQ(ui.bvlCur->geometry(), QRect(13, 23, 159, 159));
    EXPECT_TRUE(h.failures.messages.isEmpty()) << h.failures.messages.join(';').toStdString();
}

// ------------------------------------------------------ after the sheet

TEST(EdgeCasesUnchecked, ClosingTheSheetShowsThePictureDrawnUnderIt) {
    const QRgb red = qRgb(220, 0, 0), green = qRgb(0, 200, 0);
    LibraryWindow h;
    h.lib.album("").bmp("a.bmp", solid({600, 400}, red)).bmp("b.bmp", solid({200, 100}, green));
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    showWindow(w);
    User user(w);
    user.click(ui.tbsSum);
    user.key(Qt::Key_Right);
    ASSERT_EQ(ui.sbInfo->panelText(5), "b.bmp");
    ASSERT_FALSE(ui.imgView->isVisible());
    user.click(ui.tbsSum);

    ASSERT_TRUE(ui.imgView->isVisible());
    // (1024 - 200) / 2 = 412; (721 - 100) / 2 = 310.5, to the even 310.
    EXPECT_EQ(ui.imgView->geometry(), QRect(412, 310, 200, 100));
    const QImage area = ui.pnlMain->grab().toImage();
    auto at = [&](int x, int y) { return area.pixel(x, y) | 0xFF000000; };
    for (QPoint p : {QPoint(412, 310), QPoint(611, 409), QPoint(512, 360)})
        EXPECT_EQ(at(p.x(), p.y()), green) << p.x() << "," << p.y();
    // Around it the background, nothing of the larger red picture before.
    for (QPoint p : {QPoint(411, 310), QPoint(412, 309), QPoint(612, 409), QPoint(611, 410), QPoint(300, 200)}) {
        EXPECT_NE(at(p.x(), p.y()), green) << p.x() << "," << p.y();
        EXPECT_NE(at(p.x(), p.y()), red) << p.x() << "," << p.y();
    }
}

// The hourglass is shown only while the user waits for a decode, so each
// failure is on a picture nobody decoded ahead: one the picture list picks
// away from the shown picture's neighbours, a cell of the sheet, and the
// first picture of an album opened by double-click.
TEST(EdgeCasesUnchecked, DecoderFailureRestoresTheDefaultCursor) {
    enum class Way { PictureList, Sheet, AlbumList };
    const struct {
        const char* what;
        Way way;
    } cases[] = {{"view", Way::PictureList}, {"sheet", Way::Sheet}, {"album opened", Way::AlbumList}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LibraryWindow h;
        // Shown a.jpg: b.jpg and d.jpg are its neighbours, c.jpg is not.
        h.lib.album("").jpeg("a.jpg", 64, 48).jpeg("b.jpg", 64, 48).broken("c.jpg", BrokenKind::JpegNotJpeg)
            .jpeg("d.jpg", 64, 48);
        h.lib.album("Broken").broken("x.jpg", BrokenKind::JpegNotJpeg).jpeg("y.jpg", 64, 48);
        h.create();
        TfrmMain& w = h.w();
        const WindowParts ui = h.parts();
        showWindow(w);
        User user(w);
        ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
        switch (c.way) {
        case Way::PictureList:
            user.click(ui.tbsNext, Qt::RightButton);
            ASSERT_TRUE(ui.pnlFile->isVisible());
            user.doubleClickRow(ui.lstFile, 2);
            EXPECT_EQ(positionShown(ui), "3 / 4");
            break;
        case Way::Sheet:
            user.click(ui.tbsSum);
            break;
        case Way::AlbumList:
            user.moveTo(ui.pnlBook, QPoint(ui.pnlBook->width() - 2, 10)); // the strip
            user.doubleClickRow(ui.lstBook, 1);
            EXPECT_EQ(ui.lblDir->text(), "Broken");
            EXPECT_EQ(positionShown(ui), "1 / 2");
            break;
        }
        EXPECT_EQ(h.failures.messages, QStringList{"JPEG エラー #53"});
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        while (QGuiApplication::overrideCursor()) // keeps a failure from spilling into later tests
            QGuiApplication::restoreOverrideCursor();
    }
}

// ------------------------------------------------------- memo and hint

TEST(EdgeCasesUnchecked, RtfMemoWinsOverTxtAndTheHintIsExact) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    LibraryWindow h;
    h.lib.album("").jpeg("a.jpg", 64, 48).memoRtf("a.rtf").memoText("a.txt", "the plain memo").wav("a.wav", 50)
        .jpeg("b.jpg", 64, 48);
    QFile picture(h.library.file("a.jpg"));
    ASSERT_TRUE(picture.open(QIODevice::ReadWrite));
    // A Saturday.
    ASSERT_TRUE(picture.setFileTime(QDateTime(QDate(2001, 2, 3), QTime(4, 5)), QFileDevice::FileModificationTime));
    picture.close();
    h.create();
    QLocale::setDefault(before);
    const WindowParts ui = h.parts();

    EXPECT_EQ(ui.reMemo->toPlainText().toStdString(), rtfPlainText(sampleMemo()).toStdString());
    EXPECT_EQ(ui.sbInfo->panelText(3), "RTF");
    // Panel 3 shows the rich-text memo's glyph on the bar's colour.
    auto glyphOnBar = [&](Glyph g) {
        QImage image = solid({16, 16}, ui.sbInfo->palette().color(QPalette::Button).rgb());
        QPainter(&image).drawPixmap(0, 0, glyph(g));
        return image;
    };
    const QImage panel3 = ui.sbInfo->grab(QRect(ui.sbInfo->panelRect(3).topLeft(), QSize(16, 16)))
                              .toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(panel3 == glyphOnBar(Glyph::RichTextMemo));
    EXPECT_FALSE(panel3 == glyphOnBar(Glyph::PlainTextMemo));
    EXPECT_EQ(ui.imgView->toolTip().toStdString(), "a.jpg\n64 x 48\n1 / 2\n2001/02/03(土) 04:05\nメモ付\nサウンド付");
}

// --------------------------------------------------------- slide show

TEST(EdgeCasesUnchecked, ToolbarKeepsTheBackCursorTheBackgroundResetsIt) {
    LibraryWindow h;
    // 400 x 721 fills the main area's height: Left 312, Top 0.
    h.lib.album("").jpeg("a.jpg", 400, 721).jpeg("b.jpg", 400, 721).jpeg("c.jpg", 400, 721);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    showWindow(w);
    User user(w);
    ASSERT_EQ(ui.imgView->geometry(), QRect(312, 0, 400, 721));
    user.moveTo(ui.imgView, QPoint(100, 300));
    test::menuItem(ui.pmAutoTime, 1)->trigger();
    ui.action(Command::Auto)->trigger();
    // Straight up from the left half onto the toolbar.
    user.moveTo(ui.imgView, QPoint(100, 0));
    const QPoint above = user.at(ui.imgView, QPoint(100, 0));
    user.moveTo(ui.tbMain, ui.tbMain->mapFrom(&w, QPoint(above.x(), 10)));
    EXPECT_EQ(w.session().pointerZone(), CursorSlot::Back);
    EXPECT_TRUE(ui.imgView->cursor().pixmap().toImage() == backCursor().pixmap().toImage());
    // The show's next step, whichever way it goes: with three pictures one
    // step back and one step on end on different pictures.
    auto nextStep = [&] {
        const QString before = positionShown(ui);
        EXPECT_TRUE(QTest::qWaitFor([&] { return positionShown(ui) != before; }, 3000)) << before.toStdString();
        return positionShown(ui);
    };
    // So the show goes backwards, wrapping from the first to the last.
    EXPECT_EQ(nextStep(), "3 / 3");
    // Beside the picture the default cursor comes back: forward again.
    user.moveTo(ui.pnlMain, QPoint(100, 300));
    EXPECT_EQ(w.session().pointerZone(), CursorSlot::Default);
    EXPECT_EQ(nextStep(), "1 / 3");
    ui.action(Command::Auto)->trigger();
}

// Records the keys that reach a control past the window's own filter.
struct KeySpy : QObject {
    QList<int> keys;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::KeyPress)
            keys << static_cast<QKeyEvent*>(e)->key();
        return false;
    }
    // The filter installed last runs first: the window's filter is put in
    // front again, so the spy sees only what the window lets through.
    void watch(QWidget* control, QObject* window) {
        control->installEventFilter(this);
        control->installEventFilter(window);
    }
};

TEST(EdgeCasesUnchecked, ArrowKeysNeverReachTheAlbumListOrTheMemo) {
    LibraryWindow h;
    h.lib.album("").jpeg("a.jpg", 64, 48).memoText("a.txt", "0123456789").jpeg("b.jpg", 64, 48)
        .memoText("b.txt", "0123456789").jpeg("c.jpg", 64, 48).memoText("c.txt", "0123456789");
    h.lib.album("Autumn").jpeg("x.jpg", 8, 8);
    h.lib.album("Winter").jpeg("x.jpg", 8, 8);
    h.create();
    TfrmMain& w = h.w();
    const WindowParts ui = h.parts();
    showWindow(w);
    User user(w);

    // The album list: Up and Down reach it and move its row, the arrows never.
    KeySpy listSpy;
    listSpy.watch(ui.lstBook, &w);
    ui.lstBook->setFocus();
    ui.lstBook->setCurrentRow(1);
    ASSERT_TRUE(ui.lstBook->hasFocus());
    user.key(Qt::Key_Down);
    EXPECT_EQ(ui.lstBook->currentRow(), 2);
    EXPECT_EQ(listSpy.keys, QList<int>{Qt::Key_Down});
    user.key(Qt::Key_Left);
    EXPECT_EQ(positionShown(ui), "3 / 3");
    user.key(Qt::Key_Right);
    EXPECT_EQ(positionShown(ui), "1 / 3");
    EXPECT_EQ(listSpy.keys, QList<int>{Qt::Key_Down});
    EXPECT_EQ(ui.lstBook->currentRow(), 2);

    // The memo, given a caret the keys move: End reaches it, the arrows never.
    ui.reMemo->setTextInteractionFlags(ui.reMemo->textInteractionFlags() | Qt::TextSelectableByKeyboard);
    KeySpy memoSpy;
    memoSpy.watch(ui.reMemo, &w);
    ui.reMemo->setFocus();
    ASSERT_TRUE(ui.reMemo->hasFocus());
    user.key(Qt::Key_End);
    EXPECT_EQ(ui.reMemo->textCursor().position(), 10);
    // Where presenting a picture leaves the caret, the arrow adds nothing to.
    ui.action(Command::Next)->trigger();
    const int presented = ui.reMemo->textCursor().position();
    for (Qt::Key k : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Right}) {
        user.key(k);
        EXPECT_EQ(ui.reMemo->textCursor().position(), presented) << k;
        EXPECT_EQ(ui.reMemo->toPlainText(), "0123456789");
    }
    EXPECT_EQ(positionShown(ui), "3 / 3");
    EXPECT_EQ(memoSpy.keys, QList<int>{Qt::Key_End});
    EXPECT_TRUE(ui.reMemo->hasFocus());
}

} // namespace
} // namespace soru
