// Four-component JPEGs: CMYK and YCCK with Adobe's inverted samples, CMYK
// without the marker, against the conversion formula on flat blocks and
// against ImageMagick's conversion of the same files.
#include "media/colour/colour_management.h"
#include "media/formats/jpeg_picture.h"
#include "tests/media/pictures/picture_fixtures.h"
#include "tests/support/test_support.h"
#include "tools/testlib/jpeg_variants.h"

#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace soru {
namespace {

using namespace soru::test;
using testlib::CmykKind;

constexpr int kBlock = 16, kCols = 4, kRows = 2;

// Stored C, M, Y, K of each block, as the file holds them.
const uchar kStored[kCols * kRows][4] = {
    {255, 255, 255, 255}, {0, 0, 0, 0},       {255, 40, 200, 255}, {30, 220, 250, 200},
    {128, 128, 128, 128}, {250, 250, 10, 90}, {200, 60, 60, 230},  {255, 255, 255, 0}};

QByteArray storedBlocks() {
    QByteArray b(kCols * kBlock * kRows * kBlock * 4, '\0');
    uchar* p = reinterpret_cast<uchar*>(b.data());
    for (int y = 0; y < kRows * kBlock; ++y)
        for (int x = 0; x < kCols * kBlock; ++x, p += 4)
            std::copy(kStored[(y / kBlock) * kCols + x / kBlock],
                      kStored[(y / kBlock) * kCols + x / kBlock] + 4, p);
    return b;
}

QRgb expectedColour(const uchar* s, bool inverted) {
    const auto ink = [&](int i) { return inverted ? s[i] : 255 - s[i]; };
    const auto mul = [&](int i) { return (ink(i) * ink(3) + 127) / 255; };
    return qRgb(mul(0), mul(1), mul(2));
}

class CmykKinds : public ::testing::TestWithParam<CmykKind> {};

TEST_P(CmykKinds, FlatBlocksComeOutAsTheFormulaGivesAtEveryReduction) {
    ColourTransformCache colours;
    const TempDir dir;
    const QString path = dir.file("cmyk.jpg");
    testlib::writeFile(path, testlib::encodeCmykJpeg(storedBlocks(), kCols * kBlock,
                                                     kRows * kBlock, GetParam(), 100));
    const bool inverted = GetParam() != CmykKind::CmykNoAdobe;
    for (int scale : {1, 2, 8}) {
        SCOPED_TRACE(scale);
        JpegPicture picture(colours);
        ASSERT_EQ(failureOf([&] { picture.load(path); }), kNoFailure);
        EXPECT_EQ(QSize(picture.width(), picture.height()), QSize(64, 32));
        const QRect target(0, 0, 64 / scale, 32 / scale);
        QImage canvas;
        ASSERT_EQ(failureOf([&] { canvas = drawnOnCanvas(picture, target, QSize(64, 32)); }),
                  kNoFailure);
        EXPECT_EQ(picture.decodedDenominator(), scale);
        for (int i = 0; i < kCols * kRows; ++i) {
            const QPoint centre(((i % kCols) * kBlock + kBlock / 2) / scale,
                                ((i / kCols) * kBlock + kBlock / 2) / scale);
            EXPECT_LE(colourDistance(canvas.pixel(centre), expectedColour(kStored[i], inverted)), 3)
                << "block " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, CmykKinds,
                         ::testing::Values(CmykKind::Cmyk, CmykKind::Ycck, CmykKind::CmykNoAdobe),
                         [](const auto& info) {
                             switch (info.param) {
                             case CmykKind::Cmyk:
                                 return "cmyk";
                             case CmykKind::Ycck:
                                 return "ycck";
                             case CmykKind::CmykNoAdobe:
                                 return "cmyk_no_adobe";
                             }
                             return "?";
                         });

// A photo-like picture in CMYK: every pixel against ImageMagick's reading
// of the same file.
TEST(CmykReference, EveryPixelMatchesImageMagick) {
    ColourTransformCache colours;
    const QString convert = QStringLiteral("/usr/bin/convert");
    if (!QFileInfo(convert).isExecutable())
        GTEST_SKIP() << "ImageMagick is not installed";
    const QImage rgb = testlib::makePicture(96, 64, testlib::Scene::Landscape, 3);
    QByteArray stored(96 * 64 * 4, '\0');
    uchar* p = reinterpret_cast<uchar*>(stored.data());
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 96; ++x, p += 4) {
            // Inverted samples with some black taken out: every channel varies.
            const QRgb c = rgb.pixel(x, y);
            const int k = 255 - (255 - qMax(qRed(c), qMax(qGreen(c), qBlue(c)))) / 2;
            p[0] = uchar(qRed(c) * 255 / k), p[1] = uchar(qGreen(c) * 255 / k);
            p[2] = uchar(qBlue(c) * 255 / k), p[3] = uchar(k);
        }
    const TempDir dir;
    for (CmykKind kind : {CmykKind::Cmyk, CmykKind::Ycck}) {
        SCOPED_TRACE(kind == CmykKind::Cmyk ? "cmyk" : "ycck");
        const QString path = dir.file("photo.jpg");
        testlib::writeFile(path, testlib::encodeCmykJpeg(stored, 96, 64, kind, 90));
        QProcess im;
        im.start(convert, {path, QStringLiteral("-colorspace"), QStringLiteral("sRGB"),
                           QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("ppm:-")});
        ASSERT_TRUE(im.waitForFinished(30000));
        ASSERT_EQ(im.exitCode(), 0) << im.readAllStandardError().toStdString();
        const QImage reference = QImage::fromData(im.readAllStandardOutput(), "PPM");
        ASSERT_EQ(reference.size(), QSize(96, 64));
        JpegPicture picture(colours);
        picture.load(path);
        const QImage full = picture.fullImage();
        ASSERT_EQ(full.size(), QSize(96, 64));
        EXPECT_EQ(full.format(), QImage::Format_RGB32);
        EXPECT_LE(imageDistance(full, reference), 2);
    }
}

} // namespace
} // namespace soru
