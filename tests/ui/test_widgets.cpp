#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/gradient_painter.h"
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
