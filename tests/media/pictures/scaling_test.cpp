// Area-averaging resampling: no aliasing, nothing dropped, exact colours,
// every source format, drawing into a canvas.
#include "media/colour/colour_management.h"
#include "media/formats/bitmap_picture.h"
#include "media/formats/scaling.h"
#include "tests/media/pictures/picture_fixtures.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"

#include <gtest/gtest.h>

namespace soru {
namespace {

using namespace soru::test;

class ScalingFormats : public ::testing::TestWithParam<QImage::Format> {
protected:
    QImage in(const QImage& img) const {
        return img.convertToFormat(GetParam(), Qt::ThresholdDither);
    }
};

// A 1-pixel checkerboard is finer than any smaller picture can show: it must
// turn grey. Over an rx x ry box its mean differs from half-grey by at most
// 127.5 / (rx * ry); dropped rows and columns would leave black and white.
TEST_P(ScalingFormats, FineCheckerboardBecomesUniformGrey) {
    const QSize sizes[][2] = {{{400, 300}, {200, 150}},
                              {{400, 300}, {133, 100}},
                              {{401, 301}, {97, 61}},
                              {{1000, 10}, {7, 3}},
                              {{300, 300}, {299, 150}}};
    for (const auto& [from, to] : sizes) {
        const QImage scaled = smoothScaled(in(fineCheckerboard(from.width(), from.height())), to);
        ASSERT_EQ(scaled.size(), to);
        const double bound =
            127.5 * to.width() * to.height() / (from.width() * from.height()) + 1.0;
        for (int y = 0; y < to.height(); ++y)
            for (int x = 0; x < to.width(); ++x)
                ASSERT_LE(colourDistance(scaled.pixel(x, y), qRgb(127, 127, 127)), bound + 0.5)
                    << from.width() << "x" << from.height() << " -> " << to.width() << "x"
                    << to.height();
    }
}

// The weights of a pixel sum to one: a flat colour stays exactly itself,
// shrunk or enlarged, and red is never swapped with blue.
TEST_P(ScalingFormats, FlatColourStaysExact) {
    QImage flat(53, 31, QImage::Format_RGB32);
    flat.fill(qRgb(200, 100, 30));
    const QImage source = in(flat);
    for (const QSize to :
         {QSize(53, 31), QSize(17, 9), QSize(1, 1), QSize(52, 31), QSize(160, 40), QSize(3, 100)}) {
        const QImage scaled = smoothScaled(source, to);
        for (int y = 0; y < to.height(); ++y)
            for (int x = 0; x < to.width(); ++x)
                ASSERT_EQ(scaled.pixel(x, y), source.pixel(0, 0))
                    << to.width() << "x" << to.height();
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ScalingFormats,
                         ::testing::Values(QImage::Format_RGB32, QImage::Format_ARGB32,
                                           QImage::Format_RGB888, QImage::Format_BGR888,
                                           QImage::Format_Indexed8, QImage::Format_Grayscale8,
                                           QImage::Format_RGB16));

// Each destination pixel is the mean of the area it covers.
TEST(Scaling, AveragesTheCoveredArea) {
    const auto scaled = [](std::initializer_list<int> values, QSize to) {
        QImage img(int(values.size()), 1, QImage::Format_Grayscale8);
        std::copy(values.begin(), values.end(), img.scanLine(0));
        const QImage s = smoothScaled(img, to);
        std::vector<int> out;
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x)
                out.push_back(qRed(s.pixel(x, y)));
        return out;
    };
    EXPECT_EQ(scaled({0, 30, 60, 90, 120}, {2, 1}), (std::vector<int>{24, 96}));
    EXPECT_EQ(scaled({0, 255}, {4, 1}), (std::vector<int>{0, 0, 255, 255}));
    EXPECT_EQ(scaled({0, 90}, {3, 1}), (std::vector<int>{0, 45, 90}));
    EXPECT_EQ(scaled({77}, {3, 2}), (std::vector<int>{77, 77, 77, 77, 77, 77}));
    // A single bright column keeps its share of the light wherever it is.
    for (int at : {0, 1, 48, 95, 96}) {
        QImage img(97, 89, QImage::Format_RGB32);
        img.fill(Qt::black);
        for (int y = 0; y < 89; ++y)
            img.setPixel(at, y, qRgb(255, 255, 255));
        const QImage s = smoothScaled(img, {10, 9});
        double light = 0;
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 10; ++x)
                light += qRed(s.pixel(x, y));
        EXPECT_NEAR(light * 9.7 * 89 / 9 / 89, 255.0, 255.0 * 0.03) << "column " << at;
    }
}

TEST(Scaling, DrawsIntoTheTargetOnlyAndClipsAtTheCanvasEdge) {
    QImage source(40, 20, QImage::Format_RGB32);
    source.fill(qRgb(10, 200, 90));
    for (const auto format :
         {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB888})
        for (const QRect target :
             {QRect(3, 4, 20, 10), QRect(-5, -5, 20, 10), QRect(45, 25, 20, 10)}) {
            QImage canvas(50, 30, format);
            canvas.fill(kCanvasMark);
            drawSmoothScaled(canvas, target, source);
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 50; ++x)
                    ASSERT_EQ(canvas.pixel(x, y),
                              target.contains(x, y) ? qRgb(10, 200, 90) : kCanvasMark)
                        << format << " " << x << "," << y;
        }
}

// The bitmap object draws through the same resampling.
TEST(Scaling, BitmapDrawIsSmooth) {
    ColourTransformCache colours;
    const TempDir dir;
    testlib::writeBmp(dir.file("fine.bmp"), fineCheckerboard(300, 200), testlib::BmpKind::Rgb24);
    BitmapPicture picture(colours);
    picture.load(dir.file("fine.bmp"));
    const QImage canvas = drawnOnCanvas(picture, QRect(0, 0, 100, 66), QSize(100, 66));
    for (int y = 0; y < 66; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_NEAR(qRed(canvas.pixel(x, y)), 127.5, 127.5 / 9 + 1) << x << "," << y;
}

} // namespace
} // namespace soru
