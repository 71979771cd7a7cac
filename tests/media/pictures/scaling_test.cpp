// Area-averaging resampling: no aliasing, nothing dropped, exact colours,
// every source format, and drawing into a canvas.
#include "media/bitmap_picture.h"
#include "media/scaling.h"
#include "tests/media/pictures/picture_fixtures.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"

#include <gtest/gtest.h>

#include <cmath>

namespace soru {
namespace {

using test::kCanvasMark;

struct FormatCase {
    QImage::Format format;
    const char* name;
};

const FormatCase kFormats[] = {{QImage::Format_RGB32, "RGB32"},       {QImage::Format_ARGB32, "ARGB32"},
                               {QImage::Format_RGB888, "RGB888"},     {QImage::Format_BGR888, "BGR888"},
                               {QImage::Format_Indexed8, "Indexed8"}, {QImage::Format_Grayscale8, "Grayscale8"},
                               {QImage::Format_RGB16, "RGB16"}};

QImage inFormat(const QImage& img, QImage::Format f) {
    return f == QImage::Format_Indexed8 ? img.convertToFormat(f, Qt::ThresholdDither | Qt::AvoidDither)
                                        : img.convertToFormat(f);
}

class ScalingFormats : public ::testing::TestWithParam<FormatCase> {};

// A 1-pixel checkerboard is above every smaller picture's resolution: it
// must become flat grey. The box mean of a checkerboard over an rx x ry
// area differs from half-grey by at most 127.5 / (rx * ry); dropping rows
// and columns would give black and white instead.
TEST_P(ScalingFormats, FineCheckerboardBecomesUniformGrey) {
    const QSize sizes[][2] = {{{400, 300}, {200, 150}}, {{400, 300}, {133, 100}}, {{401, 301}, {97, 61}},
                              {{1000, 10}, {7, 3}},     {{300, 300}, {299, 150}}};
    for (const auto& s : sizes) {
        const QSize from = s[0], to = s[1];
        SCOPED_TRACE(testing::Message() << from.width() << "x" << from.height() << " -> " << to.width() << "x"
                                        << to.height());
        const QImage scaled = smoothScaled(inFormat(test::fineCheckerboard(from.width(), from.height()),
                                                    GetParam().format),
                                           to);
        ASSERT_EQ(scaled.size(), to);
        const double rx = double(from.width()) / to.width(), ry = double(from.height()) / to.height();
        const double bound = 127.5 / (std::max(rx, 1.0) * std::max(ry, 1.0)) + 1.0;
        double worst = 0;
        for (int y = 0; y < to.height(); ++y)
            for (int x = 0; x < to.width(); ++x)
                for (int v : {qRed(scaled.pixel(x, y)), qGreen(scaled.pixel(x, y)), qBlue(scaled.pixel(x, y))})
                    worst = std::max(worst, std::abs(v - 127.5));
        EXPECT_LE(worst, bound);
    }
}

// Weights sum to one: a flat colour stays exactly that colour, shrunk or
// enlarged, and red is never swapped with blue.
TEST_P(ScalingFormats, FlatColourStaysExact) {
    const QImage::Format f = GetParam().format;
    const bool grey = f == QImage::Format_Grayscale8;
    const QRgb colour = grey ? qRgb(77, 77, 77) : f == QImage::Format_RGB16 ? qRgb(198, 101, 33) : qRgb(200, 100, 30);
    QImage flat(53, 31, QImage::Format_RGB32);
    flat.fill(colour);
    const QImage source = inFormat(flat, f);
    const QRgb expected = source.pixel(0, 0);
    for (const QSize to : {QSize(53, 31), QSize(17, 9), QSize(1, 1), QSize(52, 31), QSize(160, 40), QSize(3, 100)}) {
        const QImage scaled = smoothScaled(source, to);
        ASSERT_EQ(scaled.size(), to);
        for (int y = 0; y < to.height(); ++y)
            for (int x = 0; x < to.width(); ++x)
                ASSERT_EQ(scaled.pixel(x, y), expected) << to.width() << "x" << to.height() << " at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ScalingFormats, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

// Each destination pixel is the mean of the area it covers.
TEST(Scaling, AveragesTheCoveredAreaExactly) {
    const auto line = [](std::initializer_list<int> values) {
        QImage img(int(values.size()), 1, QImage::Format_Grayscale8);
        int x = 0;
        for (int v : values)
            img.scanLine(0)[x++] = uchar(v);
        return img;
    };
    const auto reds = [](const QImage& img) {
        std::vector<int> v;
        for (int x = 0; x < img.width(); ++x)
            v.push_back(qRed(img.pixel(x, 0)));
        return v;
    };
    EXPECT_EQ(reds(smoothScaled(line({0, 0, 255, 255}), {2, 1})), (std::vector<int>{0, 255}));
    EXPECT_EQ(reds(smoothScaled(line({0, 90, 180}), {1, 1})), (std::vector<int>{90}));
    EXPECT_EQ(reds(smoothScaled(line({0, 30, 60, 90, 120}), {2, 1})), (std::vector<int>{24, 96}));
    EXPECT_EQ(reds(smoothScaled(line({0, 255}), {4, 1})), (std::vector<int>{0, 0, 255, 255}));
    EXPECT_EQ(reds(smoothScaled(line({0, 90}), {3, 1})), (std::vector<int>{0, 45, 90}));
}

// A single bright line anywhere keeps its share of the light: nothing is
// dropped, whatever the ratio.
TEST(Scaling, ThinLinesAreNeverDropped) {
    for (int at : {0, 1, 48, 95, 96}) {
        QImage img(97, 89, QImage::Format_RGB32);
        img.fill(Qt::black);
        for (int y = 0; y < 89; ++y)
            img.setPixel(at, y, qRgb(255, 255, 255));
        const QImage scaled = smoothScaled(img, {10, 9});
        double light = 0;
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 10; ++x)
                light += qRed(scaled.pixel(x, y));
        // Each destination pixel stands for 9.7 x 9.89 source pixels.
        EXPECT_NEAR(light * (97.0 / 10) * (89.0 / 9) / 89, 255.0, 255.0 * 0.03) << "column " << at;
    }
}

TEST(Scaling, DrawsIntoTheTargetOnlyAndClipsAtTheCanvasEdge) {
    QImage source(40, 20, QImage::Format_RGB32);
    source.fill(qRgb(10, 200, 90));
    for (const QImage::Format canvasFormat : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied,
                                              QImage::Format_RGB888}) {
        for (const QRect target : {QRect(3, 4, 20, 10), QRect(-5, -5, 20, 10), QRect(45, 25, 20, 10)}) {
            SCOPED_TRACE(testing::Message() << canvasFormat << " " << target.x() << "," << target.y());
            QImage canvas(50, 30, canvasFormat);
            canvas.fill(kCanvasMark);
            drawSmoothScaled(canvas, target, source);
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 50; ++x)
                    ASSERT_EQ(canvas.pixel(x, y), target.contains(x, y) ? qRgb(10, 200, 90) : kCanvasMark)
                        << x << "," << y;
        }
    }
}

// The bitmap object draws through the same resampling: a checkerboard
// file shown at a third of its size is grey.
TEST(Scaling, BitmapDrawIsSmooth) {
    test::TempDir dir;
    const QString path = dir.file("fine.bmp");
    testlib::writeBmp(path, test::fineCheckerboard(300, 200), testlib::BmpKind::Rgb24);
    BitmapPicture picture;
    picture.load(path);
    const QImage canvas = test::drawnOnCanvas(picture, QRect(0, 0, 100, 66), QSize(100, 66));
    for (int y = 0; y < 66; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_NEAR(qRed(canvas.pixel(x, y)), 127.5, 127.5 / 9 + 1) << x << "," << y;
}

} // namespace
} // namespace soru
