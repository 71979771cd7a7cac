// EXIF orientation: the JPEG object reports, draws and hands out its
// picture upright; a missing, damaged or out-of-range tag leaves the
// picture as stored.
#include "media/colour/colour_management.h"
#include "media/formats/jpeg_picture.h"
#include "tests/media/pictures/picture_fixtures.h"
#include "tests/support/test_support.h"
#include "tools/testlib/jpeg_variants.h"

#include <gtest/gtest.h>

#include <functional>

namespace soru {
namespace {

using namespace soru::test;
using testlib::JpegKind;

constexpr int kBlock = 16; // stored picture: 4 x 2 blocks, 64 x 32 pixels

struct Corners {
    int orientation;
    QSize upright;
    QPoint topLeft, topRight; // the stored blocks (column, row) seen there
};

// From the tag's definition: 6 means the camera was turned a quarter
// clockwise, so the stored bottom-left block is seen at the top left.
const Corners kCorners[] = {
    {1, {64, 32}, {0, 0}, {3, 0}}, {2, {64, 32}, {3, 0}, {0, 0}},
    {3, {64, 32}, {3, 1}, {0, 1}}, {4, {64, 32}, {0, 1}, {3, 1}},
    {5, {32, 64}, {0, 0}, {0, 1}}, {6, {32, 64}, {0, 1}, {0, 0}},
    {7, {32, 64}, {3, 1}, {3, 0}}, {8, {32, 64}, {3, 0}, {3, 1}},
};

QRgb blockColour(QPoint block) {
    return testlib::orientationBlockColour(block.x(), block.y());
}

class Orientations : public ::testing::TestWithParam<Corners> {};

TEST_P(Orientations, SizeDrawingAndFullImageAreUpright) {
    ColourTransformCache colours;
    const Corners c = GetParam();
    const TempDir dir;
    const QString path = dir.file("o.jpg");
    const QImage stored = testlib::orientationBlocks(kBlock);
    testlib::writeJpegWithOrientation(path, stored, c.orientation);

    JpegPicture picture(colours);
    picture.load(path);
    EXPECT_EQ(picture.orientation(), c.orientation);
    EXPECT_EQ(QSize(picture.width(), picture.height()), c.upright);

    // Drawn at its size and at half of it: the corners hold the blocks the
    // tag asks for, and every block sits where the reference turn puts it.
    for (int scale : {1, 2}) {
        SCOPED_TRACE(scale);
        JpegPicture p(colours);
        p.load(path);
        const QRect target(QPoint(2, 3), c.upright / scale);
        const QImage canvas = drawnOnCanvas(p, target, QSize(80, 80));
        EXPECT_EQ(p.decodedDenominator(), scale);
        const int b = kBlock / scale;
        EXPECT_LE(colourDistance(canvas.pixel(target.topLeft() + QPoint(b / 2, b / 2)),
                                 blockColour(c.topLeft)),
                  10);
        EXPECT_LE(colourDistance(canvas.pixel(target.topRight() + QPoint(-b / 2, b / 2)),
                                 blockColour(c.topRight)),
                  10);
        const QImage expected = testlib::uprightOf(stored, c.orientation);
        for (int y = b / 2; y < target.height(); y += b)
            for (int x = b / 2; x < target.width(); x += b)
                EXPECT_LE(colourDistance(canvas.pixel(target.topLeft() + QPoint(x, y)),
                                         expected.pixel(x * scale, y * scale)),
                          10)
                    << "block at " << x << ", " << y;
        EXPECT_EQ(canvas.pixel(target.bottomRight() + QPoint(1, 1)), kCanvasMark);
    }

    // The whole picture is the as-stored decode turned, pixel for pixel.
    const QString plain = dir.file("plain.jpg");
    testlib::writeJpegWithOrientation(plain, stored, 1);
    JpegPicture asStored(colours);
    asStored.load(plain);
    const QImage full = picture.fullImage();
    EXPECT_EQ(full.format(), QImage::Format_RGB32);
    EXPECT_EQ(full, testlib::uprightOf(asStored.fullImage(), c.orientation));
}

INSTANTIATE_TEST_SUITE_P(Exif, Orientations, ::testing::ValuesIn(kCorners),
                         [](const auto& info) {
                             return "orientation_" + std::to_string(info.param.orientation);
                         });

// Grey and progressive files turn the same way; a grey picture stays
// indexed with its palette.
TEST(OrientationKinds, GreyAndProgressivePicturesAreTurnedExactly) {
    ColourTransformCache colours;
    const TempDir dir;
    const QImage stored = testlib::orientationBlocks(kBlock);
    for (JpegKind kind : {JpegKind::Grayscale, JpegKind::Progressive}) {
        SCOPED_TRACE(testlib::jpegKindName(kind));
        const QString plain = dir.file("plain.jpg");
        testlib::writeJpegWithOrientation(plain, stored, 1, kind);
        JpegPicture asStored(colours);
        asStored.load(plain);
        const QImage reference = asStored.fullImage();
        for (int o = 2; o <= 8; ++o) {
            SCOPED_TRACE(o);
            const QString path = dir.file("o.jpg");
            testlib::writeJpegWithOrientation(path, stored, o, kind);
            JpegPicture picture(colours);
            picture.load(path);
            const QImage full = picture.fullImage();
            EXPECT_EQ(full.format(), reference.format());
            EXPECT_EQ(full.colorTable(), reference.colorTable());
            EXPECT_EQ(full.convertToFormat(QImage::Format_RGB32),
                      testlib::uprightOf(reference.convertToFormat(QImage::Format_RGB32), o));
        }
    }
}

// The DCT reduction is chosen for the upright size: a picture turned on its
// side that is to be drawn half as wide as it is seen upright is decoded at
// half size, not at full size.
TEST(OrientationKinds, ReductionIsChosenForTheUprightSize) {
    ColourTransformCache colours;
    const TempDir dir;
    const QString path = dir.file("o.jpg");
    testlib::writeJpegWithOrientation(path, testlib::orientationBlocks(kBlock), 6);
    const std::pair<QSize, int> cases[] = {{{32, 64}, 1}, {{16, 32}, 2}, {{8, 16}, 4}, {{4, 8}, 8}};
    for (const auto& [size, denominator] : cases) {
        JpegPicture picture(colours);
        picture.load(path);
        drawnOnCanvas(picture, QRect(QPoint(0, 0), size), QSize(64, 64));
        EXPECT_EQ(picture.decodedDenominator(), denominator) << size.width() << " x " << size.height();
    }
}

// EXIF blocks that cannot be read, or whose tag says nothing we know: the
// picture is shown as stored, and loading never fails because of them.
// Intact cases are among them to show the damage is what makes the
// difference.
TEST(OrientationTags, BrokenBlocksAndValuesOutOfRangeMeanAsStored) {
    ColourTransformCache colours;
    const QByteArray good = testlib::exifOrientationBlock(6);
    const auto edited = [&](const std::function<void(QByteArray&)>& edit) {
        QByteArray b = good;
        edit(b);
        return b;
    };
    // Offsets in the little-endian block: TIFF header at 6, IFD 0 at 14,
    // the orientation entry at 28 (tag, type, count, value).
    const std::tuple<const char*, QByteArray, int> cases[] = {
        {"intact, Intel order", good, 6},
        {"intact, Motorola order", testlib::exifOrientationBlock(3, true), 3},
        {"value 0", testlib::exifOrientationBlock(0), 1},
        {"value 9", testlib::exifOrientationBlock(9), 1},
        {"value 255", testlib::exifOrientationBlock(255), 1},
        {"value 65535", testlib::exifOrientationBlock(65535), 1},
        {"cut after the TIFF header", good.left(14), 1},
        {"cut inside IFD 0", good.left(24), 1},
        {"unknown byte order", edited([](QByteArray& b) { b[6] = 'X', b[7] = 'X'; }), 1},
        {"IFD 0 far outside the block",
         edited([](QByteArray& b) { b[10] = char(0xF0), b[13] = char(0x7F); }), 1},
        // The entries inside the block are read, those past its end dropped.
        {"65535 entries announced",
         edited([](QByteArray& b) { b[14] = char(0xFF), b[15] = char(0xFF); }), 6},
        {"orientation entry cut off",
         edited([](QByteArray& b) { b.truncate(30); }), 1},
        {"orientation typed LONG", edited([](QByteArray& b) { b[30] = 4; }), 1},
        {"orientation of no values", edited([](QByteArray& b) { b[32] = 0; }), 1},
        {"no zero bytes after Exif", QByteArray("Exif") + good.mid(6), 1},
        {"empty block", QByteArray("Exif\0\0", 6), 1},
    };
    const TempDir dir;
    const QImage stored = testlib::orientationBlocks(kBlock);
    const QByteArray plain = testlib::encodeJpeg(stored, JpegKind::Baseline, 95);
    for (const auto& [what, block, orientation] : cases) {
        SCOPED_TRACE(what);
        const QString path = dir.file("t.jpg");
        testlib::writeFile(path, testlib::withApp1Segment(plain, block));
        JpegPicture picture(colours);
        ASSERT_EQ(failureOf([&] { picture.load(path); }), kNoFailure);
        EXPECT_EQ(picture.orientation(), orientation);
        const QSize size(picture.width(), picture.height());
        EXPECT_EQ(size, orientation == 6 ? QSize(32, 64) : QSize(64, 32));
        QImage full;
        ASSERT_EQ(failureOf([&] { full = picture.fullImage(); }), kNoFailure);
        EXPECT_EQ(full.size(), size);
    }
}

TEST(OrientationTags, OnlyTheExifBlockBeforeTheScanCounts) {
    ColourTransformCache colours;
    const QImage stored = testlib::orientationBlocks(kBlock);
    const QByteArray plain = testlib::encodeJpeg(stored, JpegKind::Baseline, 95);
    const QByteArray xmp = QByteArray("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 41);
    const qsizetype eoi = plain.size() - 2;
    const std::tuple<const char*, QByteArray, int> cases[] = {
        {"after another APP1 segment",
         testlib::withApp1Segment(testlib::withApp1Segment(plain, testlib::exifOrientationBlock(8)),
                                  xmp),
         8},
        {"the first of two counts",
         testlib::withApp1Segment(testlib::withApp1Segment(plain, testlib::exifOrientationBlock(5)),
                                  testlib::exifOrientationBlock(2)),
         2},
        {"after the picture data",
         plain.left(eoi) + QByteArray("\xFF\xE1", 2) +
             QByteArray(1, char((testlib::exifOrientationBlock(6).size() + 2) >> 8)) +
             QByteArray(1, char((testlib::exifOrientationBlock(6).size() + 2) & 0xFF)) +
             testlib::exifOrientationBlock(6) + plain.mid(eoi),
         1},
    };
    const TempDir dir;
    for (const auto& [what, bytes, orientation] : cases) {
        SCOPED_TRACE(what);
        const QString path = dir.file("t.jpg");
        testlib::writeFile(path, bytes);
        JpegPicture picture(colours);
        ASSERT_EQ(failureOf([&] { picture.load(path); }), kNoFailure);
        EXPECT_EQ(picture.orientation(), orientation);
        EXPECT_EQ(failureOf([&] { picture.fullImage(); }), kNoFailure);
    }
}

} // namespace
} // namespace soru
