// The bitmap reader: every layout the generator writes, each rule broken on
// its own, run-length streams, and files cut short.
#include "media/formats/bitmap_picture.h"
#include "media/colour/colour_management.h"
#include "media/formats/picture_factory.h"
#include "tests/media/pictures/picture_fixtures.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace soru {
namespace {

using namespace soru::test;
using testlib::BmpKind;

const QString kBad = QStringLiteral("ビットマップイメージが不正です");

QString decodeFailure(const QByteArray& bytes) {
    return failureOf([&] { decodeBitmapExactly(bytes); });
}

bool paletted(BmpKind k) {
    return k == BmpKind::Pal8 || k == BmpKind::Pal8Short || k == BmpKind::Pal4 ||
           k == BmpKind::Pal1 || k == BmpKind::Rle8 || k == BmpKind::Rle4 || k == BmpKind::Core8;
}

// Palette kinds get colours their palettes hold exactly (1 bpp: black and
// white); direct-colour kinds a painted scene, within their bit depth.
QImage sourceFor(BmpKind kind) {
    const QList<QRgb> colours = kind == BmpKind::Pal1
                                    ? QList<QRgb>{0xFF000000, 0xFFFFFFFF, 0xFF000000}
                                    : QList<QRgb>{0xFFFFFFFF, 0xFFFFFF00, 0xFF00FFFF, 0xFF00FF00,
                                                  0xFFFF00FF, 0xFFFF0000, 0xFF0000FF, 0xFF000000};
    if (!paletted(kind))
        return testlib::makePicture(37, 23, testlib::Scene::Landscape, 3);
    QImage img(37, 23,
               QImage::Format_RGB32); // odd sizes: rows padded, 1- and 4-bit rows end mid-byte
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            img.setPixel(x, y, colours[(x + y) * colours.size() / 60]);
    return img;
}

class BmpKinds : public ::testing::TestWithParam<BmpKind> {};

TEST_P(BmpKinds, DecodeToTheSourcePixels) {
    ColourTransformCache colours;
    const BmpKind kind = GetParam();
    const QImage source = sourceFor(kind);
    const TempDir dir;
    testlib::writeBmp(dir.file("p.bmp"), source, kind);
    const auto picture = loadPictureObject(dir.file("p.bmp"), colours);
    EXPECT_EQ(QSize(picture->width(), picture->height()), source.size());
    // Five bits a channel: within half a step of 255 / 31.
    const bool sixteen = kind == BmpKind::Rgb16 || kind == BmpKind::Bitfields16;
    EXPECT_LE(imageDistance(picture->fullImage(), source), sixteen ? 4 : 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, BmpKinds, ::testing::ValuesIn(testlib::kAllBmpKinds),
                         [](const auto& info) {
                             std::string name = testlib::bmpKindName(info.param);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

BmpFields pal8(int w, int h) {
    BmpFields f;
    f.width = w, f.height = h, f.palette = greyPalette(256);
    f.pixels = QByteArray((w + 3) / 4 * 4 * h, '\x07');
    return f;
}

BmpFields direct(int bpp, quint32 compression, QList<quint32> masks) {
    BmpFields f;
    f.bitCount = quint16(bpp), f.compression = compression, f.masksAfter = masks;
    f.pixels = QByteArray((4 * bpp + 31) / 32 * 4 * 2, '\x55');
    return f;
}

template <class F> BmpFields with(BmpFields f, F change) {
    change(f);
    return f;
}

TEST(BmpRules, EachBrokenRuleFailsWithTheBitmapText) {
    const std::tuple<const char*, BmpFields, QString> cases[] = {
        {"valid 8-bit", pal8(4, 2), kNoFailure},
        {"valid top-down", with(pal8(4, 2), [](auto& f) { f.height = -2; }), kNoFailure},
        {"valid core header", with(pal8(4, 2), [](auto& f) { f.infoSize = 12; }), kNoFailure},
        {"valid 5-6-5", direct(16, 3, {0xF800, 0x07E0, 0x001F}), kNoFailure},
        {"valid masks in another order", direct(32, 3, {0xFF, 0xFF00, 0xFF0000}), kNoFailure},
        {"planes 0", with(pal8(4, 2), [](auto& f) { f.planes = 0; }), kBad},
        {"header size 64", with(pal8(4, 2), [](auto& f) { f.infoSize = 64; }), kBad},
        {"width 0", with(pal8(4, 2), [](auto& f) { f.width = 0; }), kBad},
        {"width negative", with(pal8(4, 2), [](auto& f) { f.width = -4; }), kBad},
        {"height 0", with(pal8(4, 2), [](auto& f) { f.height = 0; }), kBad},
        {"height most negative", with(pal8(4, 2), [](auto& f) { f.height = INT32_MIN; }), kBad},
        {"over the memory limit",
         with(pal8(4, 2), [](auto& f) { f.width = 40000, f.height = 30000; }), kBad},
        {"bit count 2", with(pal8(4, 2), [](auto& f) { f.bitCount = 2; }), kBad},
        {"24-bit with bit fields", direct(24, 3, {0xFF0000, 0xFF00, 0xFF}), kBad},
        {"8-bit with bit fields", with(pal8(4, 2), [](auto& f) { f.compression = 3; }), kBad},
        {"8-bit with RLE4", with(pal8(4, 2), [](auto& f) { f.compression = 2; }), kBad},
        {"16-bit with RLE8", direct(16, 1, {}), kBad},
        {"embedded PNG", with(pal8(4, 2), [](auto& f) { f.compression = 5; }), kBad},
        {"core header with 16 bits", with(direct(16, 0, {}), [](auto& f) { f.infoSize = 12; }),
         kBad},
        {"top-down RLE8", with(pal8(4, 2), [](auto& f) { f.height = -2, f.compression = 1; }),
         kBad},
        {"zero mask", direct(16, 3, {0xF800, 0, 0x001F}), kBad},
        {"overlapping masks", direct(32, 3, {0xFF0000, 0x01FF00, 0xFF}), kBad},
        {"mask with a gap", direct(32, 3, {0xFF0000, 0xF0F0, 0x0F}), kBad},
        {"16-bit mask above 16 bits", direct(16, 3, {0x1F0000, 0x07E0, 0x001F}), kBad},
        {"masks cut off", with(direct(16, 3, {0xF800}), [](auto& f) { f.pixels.clear(); }), kBad},
        {"colour table cut off",
         with(pal8(4, 2), [](auto& f) { f.palette = greyPalette(9), f.pixels.clear(); }), kBad},
        {"pixels inside the colour table", with(pal8(4, 2), [](auto& f) { f.offBits = 1070; }),
         kBad},
        {"pixels at the file's end", with(pal8(4, 2), [](auto& f) { f.offBits = 1078 + 8; }), kBad},
        {"pixels past the file's end", with(pal8(4, 2), [](auto& f) { f.offBits = 0xFFFFFFFF; }),
         kBad},
    };
    for (const auto& [name, fields, failure] : cases)
        EXPECT_EQ(decodeFailure(bmpBytes(fields)), failure) << name;
}

TEST(BmpRules, IndexBeyondTheColourTableIsBlack) {
    BmpFields f = pal8(4, 1);
    f.colorsUsed = 3;
    f.palette = {qRgb(10, 20, 30), qRgb(40, 50, 60), qRgb(70, 80, 90)};
    f.pixels = QByteArray("\x00\x02\x03\xFF", 4);
    const QImage img = decodeBitmapExactly(bmpBytes(f));
    EXPECT_EQ(img.pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(img.pixel(1, 0), qRgb(70, 80, 90));
    EXPECT_EQ(img.pixel(2, 0), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(3, 0), qRgb(0, 0, 0));
}

QByteArray bytes(std::initializer_list<int> v) {
    QByteArray b;
    for (int x : v)
        b.append(char(x));
    return b;
}

// Indices expected per row, top-down; pixels a stream skips take entry 0.
// No rows: the stream writes outside the picture and must fail.
TEST(BmpRle, StreamsDecodeStrictlyWithinThePicture) {
    const std::tuple<const char*, int, int, QByteArray, QList<QByteArray>> cases[] = {
        {"runs, end of line",
         8,
         4,
         bytes({4, 9, 0, 0, 2, 5, 2, 6, 0, 1}),
         {bytes({5, 5, 6, 6}), bytes({9, 9, 9, 9})}},
        {"early end of line",
         8,
         4,
         bytes({1, 9, 0, 0, 4, 7, 0, 1}),
         {bytes({7, 7, 7, 7}), bytes({9, 0, 0, 0})}},
        {"delta right and up",
         8,
         3,
         bytes({0, 2, 1, 1, 2, 8, 0, 1}),
         {bytes({0, 8, 8}), bytes({0, 0, 0})}},
        {"absolute run of 3, padded",
         8,
         4,
         bytes({0, 3, 1, 2, 3, 0, 1, 4, 0, 1}),
         {bytes({1, 2, 3, 4})}},
        {"absolute run of 4",
         8,
         5,
         bytes({0, 4, 1, 2, 3, 4, 1, 5, 0, 1}),
         {bytes({1, 2, 3, 4, 5})}},
        {"early end of bitmap",
         8,
         3,
         bytes({3, 4, 0, 1, 3, 5}),
         {bytes({0, 0, 0}), bytes({4, 4, 4})}},
        {"cut in an absolute run", 8, 4, bytes({0, 4, 6, 7}), {bytes({6, 7, 0, 0})}},
        {"cut in a delta", 8, 2, bytes({1, 3, 0, 2, 1}), {bytes({3, 0})}},
        {"4-bit run alternates", 4, 5, bytes({5, 0x1A, 0, 1}), {bytes({1, 10, 1, 10, 1})}},
        {"4-bit absolute run of 3",
         4,
         4,
         bytes({0, 3, 0x12, 0x30, 1, 0xF0, 0, 1}),
         {bytes({1, 2, 3, 15})}},
        {"4-bit absolute run of 5",
         4,
         5,
         bytes({0, 5, 0x12, 0x34, 0x50, 0, 0, 1}),
         {bytes({1, 2, 3, 4, 5})}},
        {"run past the row end", 8, 4, bytes({5, 1, 0, 1}), {}},
        {"run after the last row", 8, 2, bytes({2, 1, 0, 0, 1, 1, 0, 1}), {}},
        {"absolute run past the row end", 8, 4, bytes({1, 1, 0, 4, 1, 2, 3, 4, 0, 1}), {}},
        {"delta past the right edge", 8, 4, bytes({0, 2, 5, 0, 0, 1}), {}},
        {"delta above the top row", 8, 4, bytes({0, 2, 0, 3, 0, 1}), {}},
        {"end of line above the top row", 8, 1, bytes({0, 0, 0, 0, 0, 1}), {}},
        {"4-bit run past the row end", 4, 3, bytes({4, 0x11, 0, 1}), {}},
    };
    for (const auto& [name, bpp, w, stream, rows] : cases) {
        SCOPED_TRACE(name);
        BmpFields f;
        f.width = w, f.height = rows.isEmpty() ? 1 : int(rows.size());
        f.bitCount = quint16(bpp), f.compression = bpp == 8 ? 1 : 2;
        f.palette = greyPalette(1 << bpp), f.pixels = stream;
        if (rows.isEmpty()) {
            EXPECT_EQ(decodeFailure(bmpBytes(f)), kBad);
            continue;
        }
        const QImage img = decodeBitmapExactly(bmpBytes(f));
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < w; ++x)
                EXPECT_EQ(qRed(img.pixel(x, y)), uchar(rows[y][x])) << x << ", " << y;
    }
}

// Cut anywhere after its headers, a file shows its complete rows, leaves
// the rows it lacks white, and is never read past its end.
TEST_P(BmpKinds, CutShortShowsTheRowsThatArePresent) {
    const BmpKind kind = GetParam();
    const QByteArray whole =
        testlib::encodeBmp(testlib::makePicture(29, 13, testlib::Scene::TestPattern), kind);
    const QImage full = decodeBitmapExactly(whole);
    const qint64 offBits = qFromLittleEndian<quint32>(whole.constData() + 10);
    const qint64 stride =
        (whole.size() - offBits) / 13; // meaningless for RLE, which is not checked row by row
    const bool rle = kind == BmpKind::Rle8 || kind == BmpKind::Rle4;
    for (qint64 cut = offBits + 1; cut < whole.size(); cut += 7) {
        SCOPED_TRACE(testing::Message() << "cut at " << cut);
        QImage img;
        ASSERT_EQ(failureOf([&] { img = decodeBitmapExactly(whole.left(cut)); }), kNoFailure);
        ASSERT_EQ(img.size(), full.size());
        for (int r = 0; r < 13 && !rle; ++r) {
            const int y = kind == BmpKind::Rgb24TopDown ? r : 12 - r;
            if (r < (cut - offBits) / stride) {
                EXPECT_EQ(imageDistance(img.copy(0, y, 29, 1), full.copy(0, y, 29, 1)), 0)
                    << "row " << y;
            } else if (r > (cut - offBits) / stride) {
                EXPECT_EQ(img.pixel(28, y), 0xFFFFFFFFu) << "row " << y;
            }
        }
    }
}

TEST(BmpRules, GeneratedTruncatedFileShowsItsBottomHalfOverWhite) {
    ColourTransformCache colours;
    const TempDir dir;
    testlib::writeBroken(dir.file("cut.bmp"), testlib::BrokenKind::BmpTruncatedPixels);
    BitmapPicture picture(colours);
    picture.load(dir.file("cut.bmp"));
    const QImage img = picture.fullImage();
    ASSERT_EQ(img.size(), QSize(64, 48));
    const QImage source = testlib::makePicture(64, 48, testlib::Scene::Tiles, 7);
    EXPECT_EQ(imageDistance(img.copy(0, 24, 64, 24), source.copy(0, 24, 64, 24)), 0);
    QImage white(64, 24, QImage::Format_RGB32);
    white.fill(Qt::white);
    EXPECT_EQ(imageDistance(img.copy(0, 0, 64, 24), white), 0);
}

} // namespace
} // namespace soru
