#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/gradient_painter.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/owner_draw_list.h"
#include "ui/widgets/status_panels.h"

#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

namespace soru {
namespace {

TEST(PaintGradient, PaintsTheWholeImageAndStaysInside) {
    QImage sub(40, 320, QImage::Format_RGB32);
    sub.fill(Qt::red);
    paintGradient(sub, 0xFFFFFF);
    EXPECT_EQ(sub.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(sub.pixel(0, 2), qRgb(254, 254, 254));
    EXPECT_EQ(sub.pixel(39, 319), qRgb(96, 96, 96));
    // Very small images: each band's first row is painted over by the next.
    QImage tiny(4, 50, QImage::Format_RGB32);
    tiny.fill(Qt::red);
    paintGradient(tiny, 0xFFFFFF);
    for (int y = 0; y < 50; ++y)
        EXPECT_NE(tiny.pixel(0, y), qRgb(255, 0, 0)) << y;
    // 0x00BBGGRR: a pure red start colour darkens only the red channel.
    QImage red(10, 160, QImage::Format_RGB32);
    paintGradient(red, 0x0000FF);
    EXPECT_EQ(red.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(red.pixel(0, 159), qRgb(96, 0, 0));
}

// A presented picture is shown, and later found on the canvas, exactly as
// if it had been copied there: a smaller one over a larger one leaves the
// larger one's edge, and one a pixel short repeats its last column.
TEST(ImageBoxPresent, ShowsAndKeepsPicturesAsIfCopied) {
    ImageBox box;
    box.resize(8, 6);
    box.canvas(); // white
    QImage big(6, 5, QImage::Format_RGB32), small(3, 2, QImage::Format_RGB32);
    big.fill(Qt::red);
    small.fill(Qt::blue);
    for (int y = 0; y < 2; ++y)
        small.setPixel(2, y, qRgb(0, 255, 0)); // the last column
    box.present(big, big.size());
    box.present(small, QSize(4, 2));
    const QImage shown = box.grab().toImage();
    const struct {
        QPoint at;
        QRgb colour;
    } expected[] = {
        {{0, 0}, qRgb(0, 0, 255)}, {{2, 1}, qRgb(0, 255, 0)}, {{3, 0}, qRgb(0, 255, 0)}, // repeated edge
        {{4, 0}, qRgb(255, 0, 0)}, {{0, 2}, qRgb(255, 0, 0)}, {{5, 4}, qRgb(255, 0, 0)},   // the big one
        {{6, 0}, qRgb(255, 255, 255)}, {{7, 5}, qRgb(255, 255, 255)},                     // the canvas
    };
    for (const auto& e : expected) {
        EXPECT_EQ(shown.pixel(e.at), e.colour) << "shown at " << e.at.x() << "," << e.at.y();
        EXPECT_EQ(box.bitmap().pixel(e.at), e.colour) << "canvas at " << e.at.x() << "," << e.at.y();
    }
}

TEST(StatusPanels, OwnerDrawsOnlyItsPanels) {
    StatusPanels sb;
    sb.resize(600, 21);
    sb.setPanels({{100, true, {}}, {80, false, "640x480"}, {130, false, {}}, {20, true, {}}});
    QList<int> drawn;
    sb.onDrawPanel = [&](QPainter&, int panel, const QRect& r) {
        drawn << panel;
        EXPECT_GT(r.width(), 0);
    };
    (void)sb.grab();
    EXPECT_EQ(drawn, (QList<int>{0, 3}));
    EXPECT_EQ(sb.panelText(1), "640x480");
    EXPECT_EQ(sb.panelRect(1).left(), 101);
}

TEST(OwnerDrawList, DrawsEveryVisibleEntryAtTheFixedHeight) {
    OwnerDrawList list;
    list.resize(200, 100);
    list.setItemHeight(22);
    list.addItems({"a", "b", "c"});
    QList<QRect> rects;
    list.onDrawItem = [&](QPainter&, int, const QRect& r, ItemDrawState) { rects << r; };
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    (void)list.grab();
    ASSERT_GE(rects.size(), 3);
    for (const QRect& r : rects)
        EXPECT_EQ(r.height(), 22);
}

TEST(BevelPanel, RaisedAndLoweredEdges) {
    BevelPanel p;
    p.resize(20, 20);
    p.setColour(Qt::black);
    p.setBevels(BevelCut::Raised, BevelCut::None);
    QImage raised = p.grab().toImage();
    const QRgb light = p.palette().color(QPalette::Light).rgb();
    const QRgb dark = p.palette().color(QPalette::Dark).rgb();
    EXPECT_EQ(raised.pixel(0, 10), light);
    EXPECT_EQ(raised.pixel(19, 10), dark);
    EXPECT_EQ(raised.pixel(10, 10), qRgb(0, 0, 0));
    p.setBevels(BevelCut::Lowered, BevelCut::Raised);
    QImage both = p.grab().toImage();
    EXPECT_EQ(both.pixel(0, 10), dark);
    EXPECT_EQ(both.pixel(1, 10), light);
    EXPECT_EQ(p.bevelWidth(), 2);
}

} // namespace
} // namespace soru
