// The information window: its components as defined, the fortune and the
// scroll set up at creation, the frames it draws, its links, and how it is
// opened and freed.
#include "ui/info/info_window.h"

#include "core/failure.h"
#include "tests/support/fake_services.h"
#include "ui/widgets/app_style.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/image_box.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace soru {
namespace {

const QColor kText(80, 80, 112), kAccent(136, 0, 68);

InfoWindowSetup withFortune(int k) {
    InfoWindowSetup setup;
    setup.pickFortune = [k] { return k; };
    return setup;
}

// Pixels of exactly colour in rows y0..y1 of image.
int pixelsOf(const QImage& image, const QColor& colour, int y0, int y1) {
    int n = 0;
    for (int y = std::max(0, y0); y <= std::min(image.height() - 1, y1); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == colour ? 1 : 0;
    return n;
}

class InfoWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { installFontSubstitutions(); }
    RecordingUrls urls;
};

TEST_F(InfoWindow, ComponentsAsDefined) {
    TQD_SORUInfo w(&urls);
    EXPECT_EQ(w.geometry(), QRect((1024 - 343) / 2, (768 - 187) / 2, 343, 187));
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w.isModal());
    EXPECT_EQ(w.windowTitle(), "SORU for win32 Information");
    EXPECT_EQ(w.font().family(), QString::fromUtf8("ＭＳ Ｐゴシック"));
    EXPECT_EQ(w.font().pixelSize(), 12);
    EXPECT_TRUE(w.imgTmp->isHidden());
    EXPECT_EQ(w.tmrScroll->interval(), 100);

    const struct {
        const char* name;
        QWidget* widget;
        QWidget* parent;
        QRect geometry;
        QSize picture; // of an image; empty for none
        const char* hint;
    } parts[] = {
        {"pnlMain", w.pnlMain, &w, {0, 0, 343, 187}, {}, ""},
        {"pnlVer", w.pnlVer, w.pnlMain, {2, 2, 339, 40}, {}, ""},
        {"imgIcon", w.imgIcon, w.pnlVer, {5, 4, 32, 32}, {}, ""},
        {"lblTitle", w.lblTitle, w.pnlVer, {45, 3, 102, 18}, {}, ""},
        {"ProductName", w.ProductName, w.pnlVer, {156, 8, 56, 12}, {}, ""},
        {"UserSys", w.UserSys, w.pnlVer, {46, 22, 267, 12}, {}, ""},
        {"pnlExit", w.pnlExit, w.pnlVer, {326, 2, 11, 11}, {}, ""},
        {"imgExit", w.imgExit, w.pnlExit, {0, 0, 11, 11}, {11, 11}, "クリックで閉じます"},
        {"pnlMsg", w.pnlMsg, w.pnlMain, {2, 42, 339, 119}, {}, ""},
        {"imgMsg", w.imgMsg, w.pnlMsg, {2, 2, 243, 115}, {243, 115}, ""},
        {"btnNew", w.btnNew, w.pnlMsg, {248, 86, 88, 31}, {88, 31}, "https://soru.example.org/"},
        {"imgClick", w.imgClick, w.pnlMsg, {260, 36, 64, 50}, {64, 50}, ""},
        {"pnlCopyright", w.pnlCopyright, w.pnlMain, {2, 161, 339, 23}, {}, ""},
        {"Copyright", w.Copyright, w.pnlCopyright, {35, 5, 294, 12}, {}, ""},
        {"imgMail", w.imgMail, w.pnlCopyright, {155, 6, 14, 10}, {14, 10}, "soru@example.org"},
    };
    for (const auto& part : parts) {
        SCOPED_TRACE(part.name);
        ASSERT_NE(part.widget, nullptr);
        EXPECT_EQ(part.widget->parentWidget(), part.parent);
        EXPECT_EQ(part.widget->geometry(), part.geometry);
        EXPECT_EQ(part.widget->toolTip(), QString::fromUtf8(part.hint));
        if (auto* image = qobject_cast<ImageBox*>(part.widget)) {
            EXPECT_EQ(image->bitmap().size(), part.picture);
        }
    }
    EXPECT_EQ(w.imgIcon->pixmap().size(), QSize(32, 32));

    const struct {
        QLabel* label;
        const char* family;
        int pixels;
        QColor colour;
    } labels[] = {
        {w.lblTitle, "Century", 15, Qt::white},
        {w.ProductName, "ＭＳ Ｐ明朝", 12, Qt::white},
        {w.UserSys, "ＭＳ Ｐゴシック", 12, QColor(160, 160, 192)},
        {w.Copyright, "ＭＳ Ｐゴシック", 12, QColor(192, 192, 192)},
    };
    for (const auto& l : labels) {
        SCOPED_TRACE(l.label->text().toStdString());
        EXPECT_EQ(l.label->font().family(), QString::fromUtf8(l.family));
        EXPECT_EQ(l.label->font().pixelSize(), l.pixels);
        EXPECT_EQ(l.label->palette().color(QPalette::WindowText), l.colour);
        // Condensed to fit where a stand-in font runs wider, never cut off.
        EXPECT_LE(QFontMetrics(l.label->font()).horizontalAdvance(l.label->text()),
                  l.label->width());
    }
    EXPECT_EQ(w.lblTitle->text(), "SORU for win32");
    EXPECT_EQ(w.ProductName->text(), "ver 1.6.0.0");
    EXPECT_EQ(w.UserSys->text(),
              QString::fromUtf8("Windows 95, 98, NT4.0 (Comctl32.dll 4.72以降) ready"));
}

TEST_F(InfoWindow, CreationAppendsTheFortuneAndSetsUpTheScroll) {
    for (int k = 0; k < kFortuneCount; ++k) {
        TQD_SORUInfo w(&urls, nullptr, withFortune(k));
        EXPECT_EQ(w.lstTxt, usageLines() << fortuneLine(k)) << k;
    }
    TQD_SORUInfo w(&urls);
    // 9 points at 96 dpi: a 12-pixel font, lines 13 apart, 8 whole lines.
    EXPECT_EQ(w.scroll.lineHeight, 13);
    EXPECT_EQ(w.scroll.visibleHeight, 115);
    EXPECT_EQ(w.scroll.lastIndex, 40);
    EXPECT_EQ(w.fillRect, QRect(0, 0, 243, 115));
    EXPECT_EQ(w.imgTmp->bitmap().size(), QSize(243, 115));
    // The first frame is drawn (only empty lines) and the text has moved on once.
    EXPECT_EQ(pixelsOf(w.imgMsg->bitmap(), Qt::white, 0, 114), 243 * 115);
    EXPECT_EQ(w.scroll.topIndex, 0);
    EXPECT_EQ(w.scroll.yOffset, -2);
    EXPECT_TRUE(w.tmrScroll->isActive());
}

TEST_F(InfoWindow, FramesDrawEachLineInItsColourWhereTheScrollPutsIt) {
    TQD_SORUInfo w(&urls, nullptr, withFortune(2));
    w.tmrScroll->stop();
    const struct {
        const char* name;
        int topIndex;
        int accentRow; // the row (in line heights) that must be in the accent
        int textRow;   // a row in the normal colour; -1: all else is empty
    } cases[] = {
        {"heading 使用方法 in row 2, text in row 4", 7, 2, 4},
        // Lines 38 and 39 are blanks; after the fortune come the empty lines.
        {"fortune in row 2, then the empty lines from the start", 38, 2, -1},
    };
    const int lh = w.scroll.lineHeight;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        w.scroll.topIndex = c.topIndex;
        w.scroll.yOffset = 0;
        w.tmrScrollTimer();
        const QImage shown = w.imgMsg->bitmap();
        // SORU_SAVE_SHOTS=DIR keeps the frames for a look by eye.
        if (const QString dir = qEnvironmentVariable("SORU_SAVE_SHOTS"); !dir.isEmpty())
            shown.save(QString("%1/info_frame_%2.png").arg(dir).arg(c.topIndex));
        EXPECT_EQ(shown, w.imgTmp->bitmap());
        const int a0 = c.accentRow * lh, t0 = c.textRow * lh;
        EXPECT_GT(pixelsOf(shown, kAccent, a0, a0 + lh - 1), 10);
        EXPECT_EQ(pixelsOf(shown, kText, a0, a0 + lh - 1), 0);
        if (c.textRow >= 0) {
            EXPECT_GT(pixelsOf(shown, kText, t0, t0 + lh - 1), 10);
            EXPECT_EQ(pixelsOf(shown, kAccent, t0, t0 + lh - 1), 0);
        } else {
            EXPECT_EQ(pixelsOf(shown, Qt::white, 0, a0 - 1), 243 * a0);
            EXPECT_EQ(pixelsOf(shown, Qt::white, a0 + lh, 114), 243 * (115 - a0 - lh));
        }
        EXPECT_EQ(w.scroll.yOffset, -2);
    }
}

TEST_F(InfoWindow, TimerRunsOnlyForATextLongerThanTheArea) {
    const int whole = wholeLinesThatFit(115, 13);
    // With the fortune line appended, the last index is the usage lines' count.
    const struct {
        int usageLines;
        bool scrolls;
    } cases[] = {{0, false}, {whole - 1, false}, {whole, true}, {40, true}};
    for (const auto& c : cases) {
        InfoWindowSetup setup = withFortune(0);
        setup.usageText = usageLines().mid(0, c.usageLines);
        TQD_SORUInfo w(&urls, nullptr, setup);
        EXPECT_EQ(w.scroll.lastIndex, c.usageLines);
        EXPECT_EQ(w.tmrScroll->isActive(), c.scrolls) << c.usageLines;
    }
}

TEST_F(InfoWindow, LinksOpenThroughTheOpenerAndOnlyTheCrossCloses) {
    TQD_SORUInfo w(&urls);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    for (QWidget* other : std::initializer_list<QWidget*>{w.imgMsg, w.imgClick, w.pnlVer,
                                                          w.lblTitle, w.Copyright, w.imgIcon})
        QTest::mouseClick(other, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::keyClick(&w, Qt::Key_Escape);
    QTest::mouseClick(w.btnNew, Qt::RightButton, {}, QPoint(44, 15));
    EXPECT_TRUE(urls.urls.isEmpty());
    EXPECT_TRUE(w.isVisible());

    QTest::mouseClick(w.btnNew, Qt::LeftButton, {}, QPoint(44, 15));
    QTest::mouseClick(w.imgMail, Qt::LeftButton, {}, QPoint(7, 5));
    EXPECT_EQ(urls.urls, (QList<QUrl>{QUrl("https://soru.example.org/"),
                                      QUrl("mailto:soru@example.org")}));
    EXPECT_TRUE(w.isVisible());

    QTest::mouseClick(w.imgExit, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(w.isVisible());
}

// Opens the window through runInformationWindow; once it is up and ticks has
// grown by 3, inspect looks at it and a click on the cross closes it.
void runAndClose(QWidget* owner, UrlOpener* urls, const InfoWindowSetup& setup, const int& ticks,
                 const std::function<void(TQD_SORUInfo*)>& inspect) {
    QTimer poll;
    int ticksAtOpen = -1;
    const QDeadlineTimer deadline(10000);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* w = qobject_cast<TQD_SORUInfo*>(QApplication::activeModalWidget());
        if (!w)
            return;
        if (ticksAtOpen < 0)
            ticksAtOpen = ticks;
        if (ticks - ticksAtOpen < 3 && !deadline.hasExpired())
            return;
        poll.stop();
        inspect(w);
        QTest::mouseClick(w->imgExit, Qt::LeftButton, {}, QPoint(5, 5));
    });
    poll.start(5);
    runInformationWindow(owner, urls, setup);
}

TEST_F(InfoWindow, EachOpeningIsANewModalWindowWhileOtherTimersTick) {
    QWidget owner;
    QTimer slideShow; // stands for the main window's slide show
    int ticks = 0;
    QObject::connect(&slideShow, &QTimer::timeout, [&] { ++ticks; });
    slideShow.start(5);

    const int drawn[] = {1, 5, 3};
    int draws = 0;
    InfoWindowSetup setup;
    setup.pickFortune = [&] { return drawn[draws++ % 3]; };
    QList<QPointer<TQD_SORUInfo>> opened;
    QStringList fortunes;
    for (int opening = 0; opening < 3; ++opening) {
        const int before = ticks;
        runAndClose(&owner, &urls, setup, ticks, [&](TQD_SORUInfo* w) {
            EXPECT_EQ(w->parentWidget(), &owner);
            opened.append(w);
            fortunes.append(w->lstTxt.last());
        });
        EXPECT_GE(ticks - before, 3) << "the slide show ticks while the window is open";
    }
    EXPECT_EQ(fortunes, (QStringList{fortuneLine(1), fortuneLine(5), fortuneLine(3)}));
    ASSERT_EQ(opened.size(), 3);
    for (const auto& w : opened)
        EXPECT_TRUE(w.isNull()) << "freed when closed";
}

TEST_F(InfoWindow, FailureWhileMakingTheWindowPassesWithNothingLeft) {
    QWidget owner;
    InfoWindowSetup setup;
    setup.pickFortune = []() -> int { throw Failure(QStringLiteral("壊れました")); };
    EXPECT_THROW(runInformationWindow(&owner, &urls, setup), Failure);
    EXPECT_TRUE(owner.findChildren<TQD_SORUInfo*>().isEmpty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
} // namespace soru
