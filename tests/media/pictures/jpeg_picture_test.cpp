// The JPEG picture object: sizes, colours at every DCT reduction, libjpeg's
// failures as the user sees them, cut-short files and over-large headers.
#include "core/failure.h"
#include "media/jpeg_decoder.h"
#include "media/jpeg_picture.h"
#include "tests/media/pictures/picture_fixtures.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"

#include <QDir>

#include <gtest/gtest.h>

#include <map>

namespace soru {
namespace {

using test::colourDistance;
using test::kCanvasMark;
using testlib::JpegKind;

QString failureOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const Failure& f) {
        return f.message();
    }
    return QStringLiteral("(no failure)");
}

// Quadrants of four colours: wide flat areas that survive 4:2:0 and 1/8.
const QRgb kQuadrants[4] = {qRgb(220, 30, 30), qRgb(30, 200, 40), qRgb(40, 50, 210), qRgb(240, 240, 240)};

QImage quadrants(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, kQuadrants[(y >= h / 2) * 2 + (x >= w / 2)]);
    return img;
}

QRgb asGrey(QRgb c) {
    const int v = (299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c) + 500) / 1000;
    return qRgb(v, v, v);
}

struct DrawCase {
    QSize target;
    int denominator; // the reduction the decode must use for a 160 x 120 picture
};

class JpegKinds : public ::testing::TestWithParam<JpegKind> {
protected:
    test::TempDir dir;
};

TEST_P(JpegKinds, LoadsItsSizeAndDrawsItsColoursAtEveryReduction) {
    const JpegKind kind = GetParam();
    const QString path = dir.file("q.jpg");
    testlib::writeJpeg(path, quadrants(160, 120), kind, 92);

    const DrawCase cases[] = {{{160, 120}, 1}, {{80, 60}, 2},  {{40, 30}, 4},  {{20, 15}, 8},
                              {{57, 43}, 2},   {{21, 15}, 4},  {{300, 200}, 1}};
    for (const DrawCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.target.width() << " x " << c.target.height());
        JpegPicture picture;
        picture.load(path);
        EXPECT_EQ(picture.width(), 160);
        EXPECT_EQ(picture.height(), 120);
        EXPECT_EQ(picture.decodedDenominator(), 0) << "decoded at load";

        const QRect target(QPoint(7, 5), c.target);
        const QImage canvas = test::drawnOnCanvas(picture, target, QSize(320, 220));
        EXPECT_EQ(picture.decodedDenominator(), c.denominator);
        for (int q = 0; q < 4; ++q) {
            const QPoint centre(target.left() + target.width() * (1 + 2 * (q % 2)) / 4,
                                target.top() + target.height() * (1 + 2 * (q / 2)) / 4);
            const QRgb expected = kind == JpegKind::Grayscale ? asGrey(kQuadrants[q]) : kQuadrants[q];
            EXPECT_LE(colourDistance(canvas.pixel(centre), expected), 8) << "quadrant " << q;
        }
        // Exactly the target is painted.
        for (const QPoint p : {target.topLeft(), target.bottomRight()})
            EXPECT_NE(canvas.pixel(p), kCanvasMark);
        for (const QPoint p : {target.topLeft() - QPoint(1, 0), target.topLeft() - QPoint(0, 1),
                               target.bottomRight() + QPoint(1, 0), target.bottomRight() + QPoint(0, 1)})
            EXPECT_EQ(canvas.pixel(p), kCanvasMark);
    }
}

TEST_P(JpegKinds, FullImageIsTheWholePictureAndGreyIsAPaletteOfAtMost236) {
    const JpegKind kind = GetParam();
    const QString path = dir.file("q.jpg");
    testlib::writeJpeg(path, quadrants(90, 70), kind, 92);
    JpegPicture picture;
    picture.load(path);
    const QImage full = picture.fullImage();
    ASSERT_EQ(full.size(), QSize(90, 70));
    EXPECT_EQ(picture.decodedDenominator(), 1);
    if (kind == JpegKind::Grayscale) {
        EXPECT_EQ(full.format(), QImage::Format_Indexed8);
        EXPECT_LE(full.colorCount(), 236);
        EXPECT_GT(full.colorCount(), 200);
    } else {
        EXPECT_EQ(full.format(), QImage::Format_RGB32);
    }
    EXPECT_LE(colourDistance(full.pixel(20, 15),
                             kind == JpegKind::Grayscale ? asGrey(kQuadrants[0]) : kQuadrants[0]),
              8);
}

INSTANTIATE_TEST_SUITE_P(Kinds, JpegKinds, ::testing::ValuesIn(testlib::kAllJpegKinds),
                         [](const auto& info) { return std::string(testlib::jpegKindName(info.param)); });

// Every damaged or mislabelled picture file of the generator, loaded by the
// object its name selects.
TEST(BrokenPictures, EachFailsAtLoadWithItsTextOrShowsWhatIsThere) {
    const std::map<testlib::BrokenKind, QString> expected = {
        {testlib::BrokenKind::JpegNotJpeg, QStringLiteral("JPEG エラー #53")},
        {testlib::BrokenKind::JpegGarbageAfterSoi, QStringLiteral("JPEG エラー #51")},
        {testlib::BrokenKind::JpegBogusMarkerLength, QStringLiteral("JPEG エラー #11")},
        {testlib::BrokenKind::JpegZeroWidth, QStringLiteral("JPEG エラー #32")},
        {testlib::BrokenKind::JpegEmpty, QStringLiteral("JPEG エラー #42")},
        {testlib::BrokenKind::PngNamedJpg, QStringLiteral("JPEG エラー #53")},
        {testlib::BrokenKind::BmpNamedJpg, QStringLiteral("JPEG エラー #53")},
        {testlib::BrokenKind::JpegNamedBmp, QStringLiteral("ビットマップイメージが不正です")},
        {testlib::BrokenKind::BmpEmpty, QStringLiteral("ビットマップイメージが不正です")},
        {testlib::BrokenKind::BmpBadSignature, QStringLiteral("ビットマップイメージが不正です")},
        {testlib::BrokenKind::BmpPlanesNotOne, QStringLiteral("ビットマップイメージが不正です")},
        {testlib::BrokenKind::BmpUnknownHeaderSize, QStringLiteral("ビットマップイメージが不正です")},
        {testlib::BrokenKind::BmpBadBitCount, QStringLiteral("ビットマップイメージが不正です")},
        {testlib::BrokenKind::BmpHugeDimensions, QStringLiteral("ビットマップイメージが不正です")},
        {testlib::BrokenKind::BmpRleOverrun, QStringLiteral("ビットマップイメージが不正です")},
        // Damaged data, not a damaged header: these show what is there.
        {testlib::BrokenKind::JpegTruncated, QStringLiteral("(no failure)")},
        {testlib::BrokenKind::BmpTruncatedPixels, QStringLiteral("(no failure)")},
    };
    test::TempDir dir;
    for (const testlib::BrokenInfo& info : testlib::brokenKinds()) {
        if (info.reader == testlib::Reader::Sound)
            continue;
        SCOPED_TRACE(info.name);
        const auto it = expected.find(info.kind);
        ASSERT_NE(it, expected.end()) << "a broken picture kind without an expectation";
        const QString path = dir.file(QString::fromUtf8(info.fileName));
        testlib::writeBroken(path, info.kind);
        EXPECT_EQ(failureOf([&] { loadPictureObject(path); }), it->second);
    }
}

TEST(JpegFailures, TruncatedFileDrawsWhatWasDecoded) {
    test::TempDir dir;
    const QString path = dir.file("cut.jpg");
    testlib::writeBroken(path, testlib::BrokenKind::JpegTruncated);
    JpegPicture picture;
    picture.load(path);
    ASSERT_EQ(picture.width(), 320);
    ASSERT_EQ(picture.height(), 240);
    QImage canvas;
    EXPECT_EQ(failureOf([&] { canvas = test::drawnOnCanvas(picture, QRect(0, 0, 320, 240), QSize(320, 240)); }),
              QStringLiteral("(no failure)"));
    // The rows before the cut are the picture's.
    const QImage source = testlib::makePicture(320, 240, testlib::Scene::Landscape, 5);
    const test::ImageDifference top = test::compareImages(canvas.copy(0, 0, 320, 24), source.copy(0, 0, 320, 24));
    EXPECT_LE(top.distance, 40) << "at " << top.at.x() << ", " << top.at.y();
}

// Rewrites the frame header's size.
QByteArray withFrameSize(QByteArray jpeg, int w, int h) {
    for (int i = 2; i + 8 < jpeg.size(); ++i)
        if (uchar(jpeg[i]) == 0xFF && (uchar(jpeg[i + 1]) == 0xC0 || uchar(jpeg[i + 1]) == 0xC2)) {
            jpeg[i + 5] = char(h >> 8), jpeg[i + 6] = char(h & 0xFF);
            jpeg[i + 7] = char(w >> 8), jpeg[i + 8] = char(w & 0xFF);
            return jpeg;
        }
    ADD_FAILURE() << "no frame header";
    return jpeg;
}

struct HugeCase {
    JpegKind kind;
    int w, h;
    const char* failure;
};

TEST(JpegFailures, OverLargeHeaderIsRefusedAtLoadBeforeAnyDecode) {
    // Colour pictures decode to 4 bytes a pixel, grey ones to 1.
    const HugeCase cases[] = {
        {JpegKind::Baseline, 16384, 16384, "(no failure)"},     // exactly 1 GiB
        {JpegKind::Baseline, 16385, 16384, "JPEG エラー #41"},
        {JpegKind::Progressive, 60000, 60000, "JPEG エラー #41"},
        {JpegKind::Grayscale, 32768, 32768, "(no failure)"},
        {JpegKind::Grayscale, 32768, 32769, "JPEG エラー #41"},
    };
    test::TempDir dir;
    for (const HugeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << testlib::jpegKindName(c.kind) << " " << c.w << " x " << c.h);
        const QString path = dir.file("huge.jpg");
        testlib::writeFile(path, withFrameSize(testlib::encodeJpeg(quadrants(32, 32), c.kind), c.w, c.h));
        JpegPicture picture;
        EXPECT_EQ(failureOf([&] { picture.load(path); }), QString::fromUtf8(c.failure));
        EXPECT_EQ(picture.decodedDenominator(), 0);
    }
}

// The frame names quantization table 3, which the file does not define:
// the header parses, the decode fails.
QByteArray withUndefinedQuantTable(QByteArray jpeg) {
    const int sof = int(jpeg.indexOf(QByteArray("\xFF\xC0", 2)));
    jpeg[sof + 12] = 3; // the first component's table selector
    return jpeg;
}

TEST(JpegFailures, PixelsAreDecodedAtTheFirstDrawAndNotForAnEmptyTarget) {
    test::TempDir dir;
    const QString path = dir.file("bad-table.jpg");
    testlib::writeFile(path, withUndefinedQuantTable(testlib::encodeJpeg(quadrants(64, 48))));
    JpegPicture picture;
    ASSERT_EQ(failureOf([&] { picture.load(path); }), QStringLiteral("(no failure)"));
    EXPECT_EQ(picture.width(), 64);
    QImage canvas(100, 100, QImage::Format_RGB32);
    canvas.fill(kCanvasMark);
    for (const QRect empty : {QRect(0, 0, 0, 40), QRect(0, 0, 40, 0), QRect()})
        EXPECT_EQ(failureOf([&] { picture.draw(canvas, empty); }), QStringLiteral("(no failure)"));
    EXPECT_EQ(canvas.pixel(0, 0), kCanvasMark);
    EXPECT_EQ(failureOf([&] { picture.draw(canvas, QRect(0, 0, 64, 48)); }), QStringLiteral("JPEG エラー #52"));
    EXPECT_EQ(failureOf([&] { picture.fullImage(); }), QStringLiteral("JPEG エラー #52"));
}

TEST(PictureFiles, MissingFileAndFolderCannotBeOpened) {
    test::TempDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("album.jpg"));
    QDir(dir.path()).mkdir(QStringLiteral("album.bmp"));
    for (const QString& name : {QStringLiteral("gone.jpg"), QStringLiteral("gone.bmp"), QStringLiteral("album.jpg"),
                               QStringLiteral("album.bmp")}) {
        const QString path = dir.file(name);
        EXPECT_EQ(failureOf([&] { loadPictureObject(path); }), QStringLiteral("ファイル %1 は開けません").arg(path));
    }
}

struct ScaleCase {
    QSize picture, target;
    int denominator;
};

class JpegScale : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(JpegScale, LargestReductionThatStillCoversTheTarget) {
    const ScaleCase& c = GetParam();
    EXPECT_EQ(jpegScaleDenominator(c.picture, c.target), c.denominator);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, JpegScale,
    ::testing::Values(ScaleCase{{6000, 4000}, {1024, 683}, 4},   // 1500 x 1000; 750 is too narrow
                      ScaleCase{{3000, 2000}, {1024, 683}, 2},   // 1500 x 1000
                      ScaleCase{{1600, 1200}, {961, 721}, 1},    // 800 x 600 is too small
                      ScaleCase{{8192, 5464}, {1024, 683}, 8},   // exactly 1024 x 683
                      ScaleCase{{8191, 5464}, {1024, 683}, 8},   // rounded up: still 1024
                      ScaleCase{{8184, 5464}, {1024, 683}, 4},   // 1023 wide at 1/8
                      ScaleCase{{8192, 5456}, {1024, 683}, 4},   // 682 high at 1/8
                      ScaleCase{{640, 480}, {640, 480}, 1},      // shown at its own size
                      ScaleCase{{640, 480}, {1024, 768}, 1},     // never more than full size
                      ScaleCase{{4000, 1}, {1000, 1}, 4},        // 500 at 1/8, 1000 at 1/4
                      ScaleCase{{100, 100}, {13, 13}, 8},        // 12.5 rounds up to 13
                      ScaleCase{{100, 100}, {14, 13}, 4}));

TEST(JpegScale, LibjpegRoundsReducedSizesUpAsTheSelectionAssumes) {
    const QByteArray jpeg = testlib::encodeJpeg(quadrants(161, 121));
    for (int d : {1, 2, 4, 8})
        EXPECT_EQ(decodeJpeg(jpeg, d).size(), QSize((161 + d - 1) / d, (121 + d - 1) / d)) << "1/" << d;
}

} // namespace
} // namespace soru
