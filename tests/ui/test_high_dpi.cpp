// The view on a high-density screen: run at the device pixel ratio given by
// QT_SCALE_FACTOR (1, 1.5, 2). The layout stays in logical pixels; a picture
// of one-pixel stripes exactly the area's device size shows one picture pixel
// on each device pixel.
#include "core/fitting.h"
#include "core/thumbnail_grid.h"
#include "tests/ui/main_window_fixture.h"
#include "core/layout.h"
#include "ui/widgets/image_box.h"
#include "ui/widgets/status_panels.h"
#include "ui/widgets/tool_bar.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <gtest/gtest.h>

namespace soru {
namespace {

QImage stripes(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return img;
}

TEST(HighDpi, StripesKeepEveryDevicePixelAtTheLogicalPlace) {
    const qreal dpr = qApp->devicePixelRatio();
    // The area is 1024 x 721 logical pixels on a 1024 x 768 logical screen.
    const QSize picture = dpr == 2.0 ? QSize(2048, 1442) : dpr == 1.5 ? QSize(1536, 1080) : QSize(1024, 721);
    test::LibraryWindow h;
    h.lib.album("").bmp("stripes.bmp", stripes(picture));
    h.create();
    ASSERT_TRUE(h.failures.messages.isEmpty());
    ImageBox* view = h.parts().imgView;
    // The same logical place and size as at a ratio of 1.
    const Fit fit = fitPicture(picture.width(), picture.height(), 1024, 721);
    EXPECT_EQ(view->geometry(), QRect(fit.left, fit.top, fit.width, fit.height)) << "ratio " << dpr;
    h.w().show();
    const QImage shot = view->grab().toImage();
    ASSERT_EQ(shot.size(), QSize(qRound(fit.width * dpr), qRound(fit.height * dpr))) << "ratio " << dpr;
    int sharp = 0, pairs = 0;
    for (int y : {10, shot.height() / 2, shot.height() - 10})
        for (int x = 1; x < shot.width(); ++x, ++pairs)
            sharp += std::abs(qGray(shot.pixel(x, y)) - qGray(shot.pixel(x - 1, y))) > 200;
    EXPECT_EQ(sharp, pairs) << "ratio " << dpr << ": neighbouring device pixels must differ by more than 200";
}

TEST(HighDpi, ThumbnailCellsUseEveryDevicePixel) {
    const qreal dpr = qApp->devicePixelRatio();
    // At 1.5 the cells start between device pixels; only whole ratios can
    // put one picture pixel on one device pixel there.
    if (dpr != std::floor(dpr))
        GTEST_SKIP() << "cells do not start on whole device pixels at ratio " << dpr;
    test::LibraryWindow h;
    // Cells are 157 x 157 logical pixels on a 1024 x 768 screen.
    const int side = qRound(157 * dpr);
    h.lib.album("").bmp("a.bmp", stripes(QSize(side, side))).bmp("b.bmp", stripes(QSize(side, side)));
    h.create();
    h.w().show();
    h.parts().action(Command::Sum)->trigger();
    ASSERT_TRUE(h.failures.messages.isEmpty());
    const QRect cell = thumbnailRect(h.w().session().sheet().grid(), 0, 0, side, side);
    ASSERT_EQ(cell.size(), QSize(157, 157));
    const QImage shot = h.parts().imgSum->grab(cell).toImage();
    ASSERT_EQ(shot.width(), side);
    int sharp = 0;
    const int y = shot.height() / 2;
    for (int x = 1; x < shot.width(); ++x)
        sharp += std::abs(qGray(shot.pixel(x, y)) - qGray(shot.pixel(x - 1, y))) > 200;
    EXPECT_EQ(sharp, shot.width() - 1) << "ratio " << dpr;
}

// A picture one device pixel narrower than the area: its logical fitted
// width, times the ratio, may round a pixel away from the decoded width. The
// picture must still land pixel for pixel, not be resampled by that pixel.
TEST(HighDpi, APixelOfRoundingDoesNotResampleThePicture) {
    const qreal dpr = qApp->devicePixelRatio();
    if (dpr != std::floor(dpr))
        GTEST_SKIP() << "the view does not start on a whole device pixel at ratio " << dpr;
    const QSize picture(qRound(1024 * dpr) - 1, qRound(721 * dpr));
    test::LibraryWindow h;
    h.lib.album("").bmp("stripes.bmp", stripes(picture));
    h.create();
    ASSERT_TRUE(h.failures.messages.isEmpty());
    h.w().show();
    const QImage shot = h.parts().imgView->grab().toImage();
    const int y = shot.height() / 2;
    int sharp = 0;
    const int columns = std::min(shot.width(), picture.width());
    for (int x = 1; x < columns; ++x)
        sharp += std::abs(qGray(shot.pixel(x, y)) - qGray(shot.pixel(x - 1, y))) > 200;
    EXPECT_EQ(sharp, columns - 1) << "ratio " << dpr << ", view " << shot.width() << " device pixels wide";
}

// Every toolbar caption and status text fits the place it is drawn in, in
// the original texts and in English (whose captions are longer), at each
// ratio this binary runs at.
TEST(MainWindow, CaptionsAndStatusTextsFitInEveryLanguage) {
    for (const bool english : {false, true}) {
        SCOPED_TRACE(english ? "English" : "Japanese");
        const test::EnglishTexts texts(english);
        ASSERT_EQ(texts.active(), english);
        test::LibraryWindow h;
        h.lib.album("").jpeg("a.jpg", 64, 48).wav("a.wav", 50);
        h.create();
        const WindowParts ui = h.parts();
        for (ToolButton* b : {ui.tbsExit, ui.tbsBack, ui.tbsAuto, ui.tbsNext, ui.tbsSum, ui.tbsCopy, ui.tbsWall,
                              ui.tbsPlay, ui.tbsInfo, ui.tbsMin}) {
            const QString caption = b->text().remove(QLatin1Char('&'));
            const int room = b->width() - (b->menu() ? kDropDownArrowWidth : 0);
            EXPECT_LE(b->iconSize().width() + 4 + b->fontMetrics().horizontalAdvance(caption), room)
                << caption.toStdString();
        }
        for (int i = 0; i < ui.sbInfo->panelCount(); ++i) {
            if (ui.sbInfo->panel(i).ownerDrawn)
                continue; // a glyph, its text is for the hint
            const QString shown = ui.sbInfo->panelText(i);
            EXPECT_LE(ui.sbInfo->fontMetrics().horizontalAdvance(shown), ui.sbInfo->panelRect(i).width() - 4)
                << shown.toStdString();
        }
        if (english)
            EXPECT_EQ(ui.tbsSum->text(), QStringLiteral("Thumbn&ails"));
    }
}

} // namespace
} // namespace soru
