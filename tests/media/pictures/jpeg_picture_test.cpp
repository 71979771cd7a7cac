// The JPEG object: size and colours at every DCT reduction, libjpeg's
// failures as the user sees them, cut-short files, over-large headers.
#include "media/colour/colour_management.h"
#include "media/formats/jpeg_decoder.h" // jpegScaleDenominator
#include "media/formats/jpeg_picture.h"
#include "media/formats/picture_factory.h"
#include "tests/media/pictures/picture_fixtures.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"

#include <QDir>

#include <gtest/gtest.h>

#include <map>

namespace soru {
namespace {

using namespace soru::test;
using testlib::BrokenKind;
using testlib::JpegKind;

// Four flat quadrants: wide enough to survive 4:2:0 and a 1/8 decode.
const QRgb kQuadrants[4] = {qRgb(220, 30, 30), qRgb(30, 200, 40), qRgb(40, 50, 210),
                            qRgb(240, 240, 240)};

QImage quadrants(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, kQuadrants[(y >= h / 2) * 2 + (x >= w / 2)]);
    return img;
}

QRgb expectedColour(JpegKind kind, int q) {
    const QRgb c = kQuadrants[q];
    const int luma = (299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c) + 500) / 1000;
    return kind == JpegKind::Grayscale ? qRgb(luma, luma, luma) : c;
}

class JpegKinds : public ::testing::TestWithParam<JpegKind> {};

TEST_P(JpegKinds, DrawItsColoursDecodedAtTheLargestReductionThatCoversTheTarget) {
    ColourTransformCache colours;
    const TempDir dir;
    const QString path = dir.file("q.jpg");
    testlib::writeJpeg(path, quadrants(160, 120), GetParam(), 92);
    const std::pair<QSize, int> cases[] = {{{160, 120}, 1}, {{80, 60}, 2}, {{40, 30}, 4},
                                           {{20, 15}, 8},   {{57, 43}, 2}, {{21, 15}, 4},
                                           {{300, 200}, 1}};
    for (const auto& [size, denominator] : cases) {
        SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height());
        JpegPicture picture(colours);
        picture.load(path);
        EXPECT_EQ(QSize(picture.width(), picture.height()), QSize(160, 120));
        EXPECT_EQ(picture.decodedDenominator(), 0) << "decoded at load";
        const QRect target(QPoint(7, 5), size);
        const QImage canvas = drawnOnCanvas(picture, target, QSize(320, 220));
        EXPECT_EQ(picture.decodedDenominator(), denominator);
        for (int q = 0; q < 4; ++q) {
            const QPoint centre(target.left() + size.width() * (1 + 2 * (q % 2)) / 4,
                                target.top() + size.height() * (1 + 2 * (q / 2)) / 4);
            EXPECT_LE(colourDistance(canvas.pixel(centre), expectedColour(GetParam(), q)), 8)
                << "quadrant " << q;
        }
        // Exactly the target is painted.
        EXPECT_NE(canvas.pixel(target.bottomRight()), kCanvasMark);
        EXPECT_EQ(canvas.pixel(target.bottomRight() + QPoint(1, 1)), kCanvasMark);
        EXPECT_EQ(canvas.pixel(target.topLeft() - QPoint(1, 1)), kCanvasMark);
    }
    JpegPicture picture(colours);
    picture.load(path);
    const QImage full = picture.fullImage();
    EXPECT_EQ(full.size(), QSize(160, 120));
    EXPECT_EQ(full.format(),
              GetParam() == JpegKind::Grayscale ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    if (GetParam() == JpegKind::Grayscale) {
        EXPECT_LE(full.colorCount(), 236);
        EXPECT_GT(full.colorCount(), 200);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, JpegKinds, ::testing::ValuesIn(testlib::kAllJpegKinds),
                         [](const auto& info) {
                             return std::string(testlib::jpegKindName(info.param));
                         });

// Every damaged or mislabelled picture of the generator, loaded by the
// object its name selects.
TEST(BrokenPictures, FailAtLoadWithTheirTextOrShowWhatIsThere) {
    ColourTransformCache colours;
    const QString bad = QStringLiteral("ビットマップイメージが不正です");
    const std::map<BrokenKind, QString> expected = {
        {BrokenKind::JpegNotJpeg, "JPEG エラー #53"},
        {BrokenKind::JpegGarbageAfterSoi, "JPEG エラー #51"},
        {BrokenKind::JpegBogusMarkerLength, "JPEG エラー #11"},
        {BrokenKind::JpegZeroWidth, "JPEG エラー #32"},
        {BrokenKind::JpegEmpty, "JPEG エラー #42"},
        {BrokenKind::PngNamedJpg, "JPEG エラー #53"},
        {BrokenKind::BmpNamedJpg, "JPEG エラー #53"},
        {BrokenKind::JpegNamedBmp, bad},
        {BrokenKind::BmpEmpty, bad},
        {BrokenKind::BmpBadSignature, bad},
        {BrokenKind::BmpPlanesNotOne, bad},
        {BrokenKind::BmpUnknownHeaderSize, bad},
        {BrokenKind::BmpBadBitCount, bad},
        {BrokenKind::BmpHugeDimensions, bad},
        {BrokenKind::BmpRleOverrun, bad},
        {BrokenKind::JpegTruncated, kNoFailure},
        {BrokenKind::BmpTruncatedPixels, kNoFailure}};
    const TempDir dir;
    for (const testlib::BrokenInfo& info : testlib::brokenKinds()) {
        if (info.reader == testlib::Reader::Sound)
            continue;
        SCOPED_TRACE(info.name);
        ASSERT_TRUE(expected.count(info.kind)) << "a broken picture without an expectation";
        const QString path = dir.file(QString::fromUtf8(info.fileName));
        testlib::writeBroken(path, info.kind);
        EXPECT_EQ(failureOf([&] { loadPictureObject(path, colours); }), expected.at(info.kind));
    }
}

TEST(BrokenPictures, TruncatedJpegDrawsTheRowsBeforeTheCut) {
    ColourTransformCache colours;
    const TempDir dir;
    const QString path = dir.file("cut.jpg");
    testlib::writeBroken(path, BrokenKind::JpegTruncated);
    JpegPicture picture(colours);
    picture.load(path);
    QImage canvas;
    EXPECT_EQ(
        failureOf([&] { canvas = drawnOnCanvas(picture, QRect(0, 0, 320, 240), QSize(320, 240)); }),
        kNoFailure);
    const QImage source = testlib::makePicture(320, 240, testlib::Scene::Landscape, 5);
    EXPECT_LE(imageDistance(canvas.copy(0, 0, 320, 24), source.copy(0, 0, 320, 24)), 40);
}

// Rewrites the frame header's size.
QByteArray withFrameSize(QByteArray jpeg, int w, int h) {
    for (int i = 2; i + 8 < jpeg.size(); ++i)
        if (uchar(jpeg[i]) == 0xFF && (uchar(jpeg[i + 1]) == 0xC0 || uchar(jpeg[i + 1]) == 0xC2)) {
            jpeg[i + 5] = char(h >> 8), jpeg[i + 6] = char(h), jpeg[i + 7] = char(w >> 8),
                     jpeg[i + 8] = char(w);
            break;
        }
    return jpeg;
}

TEST(BrokenPictures, OverLargeJpegHeaderIsRefusedAtLoad) {
    ColourTransformCache colours;
    // Colour pictures take 4 bytes a pixel, grey ones 1; libjpeg's code for
    // a picture too big is 41.
    const std::tuple<JpegKind, int, int, const char*> cases[] = {
        {JpegKind::Baseline, 16384, 16384, "(no failure)"},
        {JpegKind::Baseline, 16385, 16384, "JPEG エラー #41"},
        {JpegKind::Progressive, 60000, 60000, "JPEG エラー #41"},
        {JpegKind::Grayscale, 32768, 32768, "(no failure)"},
        {JpegKind::Grayscale, 32768, 32769, "JPEG エラー #41"}};
    const TempDir dir;
    for (const auto& [kind, w, h, failure] : cases) {
        const QString path = dir.file("huge.jpg");
        testlib::writeFile(path, withFrameSize(testlib::encodeJpeg(quadrants(32, 32), kind), w, h));
        JpegPicture picture(colours);
        EXPECT_EQ(failureOf([&] { picture.load(path); }), QString::fromUtf8(failure))
            << w << " x " << h;
    }
}

TEST(BrokenPictures, PixelsAreDecodedAtTheFirstDrawAndNotForAnEmptyTarget) {
    ColourTransformCache colours;
    // The frame names quantization table 3, which the file lacks: the header
    // parses, the decode fails.
    QByteArray jpeg = testlib::encodeJpeg(quadrants(64, 48));
    jpeg[jpeg.indexOf(QByteArray("\xFF\xC0", 2)) + 12] = 3;
    const TempDir dir;
    testlib::writeFile(dir.file("t.jpg"), jpeg);
    JpegPicture picture(colours);
    ASSERT_EQ(failureOf([&] { picture.load(dir.file("t.jpg")); }), kNoFailure);
    QImage canvas(100, 100, QImage::Format_RGB32);
    for (const QRect empty : {QRect(0, 0, 0, 40), QRect(0, 0, 40, 0)})
        EXPECT_EQ(failureOf([&] { picture.draw(canvas, empty); }), kNoFailure);
    EXPECT_EQ(failureOf([&] { picture.draw(canvas, QRect(0, 0, 64, 48)); }),
              QStringLiteral("JPEG エラー #52"));
    EXPECT_EQ(failureOf([&] { picture.fullImage(); }), QStringLiteral("JPEG エラー #52"));
}

TEST(PictureFiles, MissingFileAndFolderCannotBeOpened) {
    ColourTransformCache colours;
    const TempDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("album.jpg"));
    QDir(dir.path()).mkdir(QStringLiteral("album.bmp"));
    for (const char* name : {"gone.jpg", "gone.bmp", "album.jpg", "album.bmp"}) {
        const QString path = dir.file(QString::fromUtf8(name));
        EXPECT_EQ(failureOf([&] { loadPictureObject(path, colours); }),
                  QStringLiteral("ファイル %1 は開けません").arg(path));
    }
}

struct ScaleCase {
    QSize picture, target;
    int denominator;
};

class JpegScale : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(JpegScale, LargestReductionThatStillCoversTheTarget) {
    EXPECT_EQ(jpegScaleDenominator(GetParam().picture, GetParam().target), GetParam().denominator);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, JpegScale,
    ::testing::Values(ScaleCase{{6000, 4000}, {1024, 683}, 4},
                      ScaleCase{{3000, 2000}, {1024, 683}, 2},
                      ScaleCase{{1600, 1200}, {961, 721}, 1},
                      ScaleCase{{8192, 5464}, {1024, 683}, 8},
                      ScaleCase{{8191, 5464}, {1024, 683}, 8}, // 1023.875 rounds up to 1024
                      ScaleCase{{8184, 5464}, {1024, 683}, 4}, // 1023 at 1/8
                      ScaleCase{{8192, 5456}, {1024, 683}, 4}, // 682 at 1/8
                      ScaleCase{{640, 480}, {640, 480}, 1}, ScaleCase{{640, 480}, {1024, 768}, 1},
                      ScaleCase{{4000, 1}, {1000, 1}, 4}, ScaleCase{{100, 100}, {13, 13}, 8},
                      ScaleCase{{100, 100}, {14, 13}, 4}));

} // namespace
} // namespace soru
