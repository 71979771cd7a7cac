// Generated pictures and JPEG files, read back with libjpeg's decompressor.
#include "tests/tools/readers.h"
#include "tools/testlib/testlib.h"

#include <gtest/gtest.h>

#include <jpeglib.h>

#include <set>
#include <stdexcept>

namespace soru::testlib {
namespace {

using test::probeJpeg;

TEST(Pictures, SameArgumentsSamePixelsAndSeedsMatter) {
    for (Scene scene : kAllScenes) {
        SCOPED_TRACE(sceneName(scene));
        const QImage a = makePicture(120, 90, scene, 1);
        EXPECT_EQ(a.size(), QSize(120, 90));
        EXPECT_EQ(a, makePicture(120, 90, scene, 1));
        const bool seedless = scene == Scene::TestPattern || scene == Scene::Checkerboard;
        EXPECT_EQ(a == makePicture(120, 90, scene, 2), seedless);
    }
}

// The painted scenes cover the whole picture (which starts black) with
// more than a flat fill.
TEST(Pictures, PaintedScenesCoverThePictureWithSeveralColours) {
    for (Scene scene : {Scene::Landscape, Scene::SeaSun, Scene::Flowers, Scene::Tiles}) {
        for (QSize size : {QSize(200, 150), QSize(90, 160), QSize(3, 2)}) {
            SCOPED_TRACE(std::string(sceneName(scene)) + " " + std::to_string(size.width()));
            const QImage img = makePicture(size.width(), size.height(), scene, 3);
            std::set<QRgb> colours;
            int black = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) {
                    colours.insert(img.pixel(x, y));
                    black += (img.pixel(x, y) & 0xFFFFFF) == 0;
                }
            EXPECT_EQ(black, 0);
            if (size.width() > 10) {
                EXPECT_GT(colours.size(), 4u);
            }
        }
    }
}

TEST(Pictures, ExactPatternsHaveTheirPromisedPixels) {
    const QImage bars = makePicture(80, 80, Scene::TestPattern);
    const QRgb expected[] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00,
                             0xFF00FF, 0xFF0000, 0x0000FF, 0x000000};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(bars.pixel(i * 10 + 5, 5) & 0xFFFFFF, expected[i]) << "bar " << i;
    EXPECT_EQ(qGray(bars.pixel(0, 45)), 0);          // grey ramp, left end
    EXPECT_EQ(qGray(bars.pixel(79, 45)), 255);       // right end
    EXPECT_NE(bars.pixel(0, 79), bars.pixel(1, 79)); // 1-pixel lines

    const QImage board = makePicture(64, 40, Scene::Checkerboard); // squares of 40 / 8 = 5
    EXPECT_EQ(board.pixel(4, 4), 0xFFFFFFFFu);
    EXPECT_EQ(board.pixel(5, 4), 0xFF000000u);
    EXPECT_EQ(board.pixel(5, 5), 0xFFFFFFFFu);
    EXPECT_EQ(makePicture(3, 3, Scene::Plain, 9).pixel(2, 2), plainColour(9) | 0xFF000000u);
    EXPECT_THROW(makePicture(0, 10, Scene::Plain), std::invalid_argument);
}

struct JpegCase {
    JpegKind kind;
    int width, height;
};

class JpegFile : public ::testing::TestWithParam<JpegCase> {};

TEST_P(JpegFile, DecodesWithItsSizeComponentsAndScanStructure) {
    const JpegCase c = GetParam();
    const QByteArray bytes =
        encodeJpeg(makePicture(c.width, c.height, Scene::Landscape, 4), c.kind);
    const auto probe = probeJpeg(bytes);
    ASSERT_TRUE(probe.ok) << "libjpeg error " << probe.errorCode;
    EXPECT_EQ(probe.warnings, 0);
    EXPECT_EQ(probe.width, c.width);
    EXPECT_EQ(probe.height, c.height);
    const bool gray = c.kind == JpegKind::Grayscale;
    EXPECT_EQ(probe.components, gray ? 1 : 3);
    EXPECT_EQ(probe.colorSpace, gray ? JCS_GRAYSCALE : JCS_YCbCr);
    EXPECT_EQ(probe.progressive, c.kind == JpegKind::Progressive);
    EXPECT_EQ(uchar(bytes[bytes.size() - 2]), 0xFF); // ends with EOI
    EXPECT_EQ(uchar(bytes[bytes.size() - 1]), 0xD9);
}

INSTANTIATE_TEST_SUITE_P(KindsAndSizes, JpegFile,
                         ::testing::Values(JpegCase{JpegKind::Baseline, 320, 240},
                                           JpegCase{JpegKind::Progressive, 320, 240},
                                           JpegCase{JpegKind::Grayscale, 320, 240},
                                           JpegCase{JpegKind::Baseline, 1, 1},
                                           JpegCase{JpegKind::Progressive, 17, 13},
                                           JpegCase{JpegKind::Grayscale, 17, 13},
                                           JpegCase{JpegKind::Baseline, 1000, 20},
                                           JpegCase{JpegKind::Progressive, 9, 700}));

class JpegColour : public ::testing::TestWithParam<JpegKind> {};

// A flat colour survives compression closely; a swapped channel order or a
// wrong grey conversion would not.
TEST_P(JpegColour, PlainPictureKeepsItsColour) {
    const JpegKind kind = GetParam();
    for (quint32 seed : {1u, 2u, 3u}) {
        const QRgb want = plainColour(seed);
        const auto probe = probeJpeg(encodeJpeg(makePicture(48, 32, Scene::Plain, seed), kind, 95));
        ASSERT_TRUE(probe.ok);
        const QRgb got = probe.image.pixel(24, 16);
        if (kind == JpegKind::Grayscale) {
            const double luma = 0.299 * qRed(want) + 0.587 * qGreen(want) + 0.114 * qBlue(want);
            EXPECT_NEAR(qRed(got), luma, 3) << "seed " << seed;
        } else {
            EXPECT_NEAR(qRed(got), qRed(want), 4) << "seed " << seed;
            EXPECT_NEAR(qGreen(got), qGreen(want), 4) << "seed " << seed;
            EXPECT_NEAR(qBlue(got), qBlue(want), 4) << "seed " << seed;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllKinds, JpegColour, ::testing::ValuesIn(kAllJpegKinds),
                         [](const auto& info) { return std::string(jpegKindName(info.param)); });

TEST(JpegFile, QualityChangesTheSizeAndEmptyImagesAreRefused) {
    const QImage img = makePicture(200, 150, Scene::Flowers, 5);
    EXPECT_LT(encodeJpeg(img, JpegKind::Baseline, 30).size(),
              encodeJpeg(img, JpegKind::Baseline, 95).size());
    EXPECT_THROW(encodeJpeg(QImage()), std::runtime_error);
}

} // namespace
} // namespace soru::testlib
