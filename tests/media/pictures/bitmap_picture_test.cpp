// The bitmap reader: every layout the generator writes, every rule broken
// on its own, run-length streams, and files cut short.
#include "core/failure.h"
#include "media/bitmap_decoder.h"
#include "media/bitmap_picture.h"
#include "tests/media/pictures/picture_fixtures.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace soru {
namespace {

using test::BmpSpec;
using test::bmpBytes;
using test::decodeBitmapExactly;
using test::greyPalette;
using testlib::BmpKind;

const QString kBad = QStringLiteral("ビットマップイメージが不正です");

QString failureOf(const QByteArray& bytes) {
    try {
        decodeBitmapExactly(bytes);
    } catch (const Failure& f) {
        return f.message();
    }
    return QStringLiteral("(no failure)");
}

// The eight pure colours are in every palette the generator uses; 1 bpp
// holds black and white only.
QImage pureColours(BmpKind kind, int w, int h) {
    if (kind == BmpKind::Pal1)
        return test::colourBars(w, h, {0xFF000000, 0xFFFFFFFF, 0xFF000000});
    return test::colourBars(w, h, {0xFFFFFFFF, 0xFFFFFF00, 0xFF00FFFF, 0xFF00FF00, 0xFFFF00FF, 0xFFFF0000,
                                   0xFF0000FF, 0xFF000000});
}

class BmpKinds : public ::testing::TestWithParam<BmpKind> {};

TEST_P(BmpKinds, FileDecodesToTheSourcePixels) {
    const BmpKind kind = GetParam();
    // Odd sizes: every row is padded, and 1- and 4-bit rows end mid-byte.
    const QImage source = pureColours(kind, 37, 23);
    test::TempDir dir;
    const QString path = dir.file("p.bmp");
    testlib::writeBmp(path, source, kind);
    const auto picture = loadPictureObject(path);
    EXPECT_EQ(picture->width(), 37);
    EXPECT_EQ(picture->height(), 23);
    const QImage decoded = picture->fullImage();
    ASSERT_EQ(decoded.size(), source.size());
    const test::ImageDifference d = test::compareImages(decoded, source);
    EXPECT_EQ(d.distance, 0) << "at " << d.at.x() << ", " << d.at.y();
}

std::string kindName(const ::testing::TestParamInfo<BmpKind>& info) {
    std::string name = testlib::bmpKindName(info.param);
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Kinds, BmpKinds, ::testing::ValuesIn(testlib::kAllBmpKinds), kindName);

class DirectColourBmpKinds : public ::testing::TestWithParam<BmpKind> {};

TEST_P(DirectColourBmpKinds, KeepEveryShadeWithinTheirBitDepth) {
    const BmpKind kind = GetParam();
    const QImage source = testlib::makePicture(61, 41, testlib::Scene::Landscape, 3);
    const QImage decoded = decodeBitmapExactly(testlib::encodeBmp(source, kind));
    // Five bits a channel: each value is within half a step of 255 / 31.
    const int tolerance = (kind == BmpKind::Rgb16 || kind == BmpKind::Bitfields16) ? 4 : 0;
    const test::ImageDifference d = test::compareImages(decoded, source);
    EXPECT_LE(d.distance, tolerance) << "at " << d.at.x() << ", " << d.at.y();
}

INSTANTIATE_TEST_SUITE_P(Kinds, DirectColourBmpKinds,
                         ::testing::Values(BmpKind::Rgb24, BmpKind::Rgb24TopDown, BmpKind::Rgb32, BmpKind::Rgb16,
                                           BmpKind::Bitfields16, BmpKind::Bitfields32, BmpKind::Core24,
                                           BmpKind::V4Header, BmpKind::V5Header),
                         kindName);

// ------------------------------------------------------------ broken rules

struct RuleCase {
    const char* name;
    BmpSpec spec;
    QString failure;
};

BmpSpec pal8(int w, int h) {
    BmpSpec s;
    s.width = w, s.height = h, s.bitCount = 8;
    s.palette = greyPalette(256);
    s.pixels = QByteArray(((w + 3) / 4) * 4 * h, '\x07');
    return s;
}

BmpSpec direct(int bpp, quint32 compression, QList<quint32> masks) {
    BmpSpec s;
    s.bitCount = quint16(bpp), s.compression = compression, s.masksAfter = masks;
    s.pixels = QByteArray(((4 * bpp + 31) / 32) * 4 * 2, '\x55');
    return s;
}

template <class F> BmpSpec changed(BmpSpec s, F f) {
    f(s);
    return s;
}

// A short valid RLE8 stream for a 4 x 2 picture.
const QByteArray kRle8Stream("\x04\x01\x00\x00\x04\x02\x00\x01", 8);

std::vector<RuleCase> ruleCases() {
    const QString ok = QStringLiteral("(no failure)");
    return {
        {"valid 8-bit", pal8(4, 2), ok},
        {"valid top-down", changed(pal8(4, 2), [](BmpSpec& s) { s.height = -2; }), ok},
        {"valid 16-bit 5-6-5", direct(16, 3, {0xF800, 0x07E0, 0x001F}), ok},
        {"valid 32-bit other order", direct(32, 3, {0xFF, 0xFF00, 0xFF0000}), ok},
        {"valid core header", changed(pal8(4, 2), [](BmpSpec& s) { s.infoSize = 12; }), ok},
        {"planes 0", changed(pal8(4, 2), [](BmpSpec& s) { s.planes = 0; }), kBad},
        {"header size 64", changed(pal8(4, 2), [](BmpSpec& s) { s.infoSize = 64; }), kBad},
        {"width 0", changed(pal8(4, 2), [](BmpSpec& s) { s.width = 0; }), kBad},
        {"width negative", changed(pal8(4, 2), [](BmpSpec& s) { s.width = -4; }), kBad},
        {"height 0", changed(pal8(4, 2), [](BmpSpec& s) { s.height = 0; }), kBad},
        {"height most negative", changed(pal8(4, 2), [](BmpSpec& s) { s.height = INT32_MIN; }), kBad},
        {"over the memory limit", changed(pal8(4, 2), [](BmpSpec& s) { s.width = 40000, s.height = 30000; }), kBad},
        {"bit count 0", changed(pal8(4, 2), [](BmpSpec& s) { s.bitCount = 0; }), kBad},
        {"bit count 2", changed(pal8(4, 2), [](BmpSpec& s) { s.bitCount = 2; }), kBad},
        {"bit count 64", changed(pal8(4, 2), [](BmpSpec& s) { s.bitCount = 64; }), kBad},
        {"24-bit with bit fields", direct(24, 3, {0xFF0000, 0xFF00, 0xFF}), kBad},
        {"8-bit with bit fields", changed(pal8(4, 2), [](BmpSpec& s) { s.compression = 3; }), kBad},
        {"8-bit with RLE4", changed(pal8(4, 2), [](BmpSpec& s) { s.compression = 2; }), kBad},
        {"16-bit with RLE8", direct(16, 1, {}), kBad},
        {"embedded JPEG", changed(pal8(4, 2), [](BmpSpec& s) { s.compression = 4; }), kBad},
        {"embedded PNG", changed(pal8(4, 2), [](BmpSpec& s) { s.compression = 5; }), kBad},
        {"core header with 16 bits", changed(direct(16, 0, {}), [](BmpSpec& s) { s.infoSize = 12; }), kBad},
        {"top-down RLE8", changed(pal8(4, 2), [](BmpSpec& s) { s.height = -2, s.compression = 1, s.pixels = kRle8Stream; }), kBad},
        {"zero mask", direct(16, 3, {0xF800, 0, 0x001F}), kBad},
        {"overlapping masks", direct(32, 3, {0xFF0000, 0x01FF00, 0xFF}), kBad},
        {"mask with a gap", direct(32, 3, {0xFF0000, 0xF0F0, 0x0F}), kBad},
        {"16-bit mask above 16 bits", direct(16, 3, {0x1F0000, 0x07E0, 0x001F}), kBad},
        {"masks cut off", changed(direct(16, 3, {0xF800}), [](BmpSpec& s) { s.pixels.clear(); }), kBad},
        {"pixels start inside the colour table",
         changed(pal8(4, 2), [](BmpSpec& s) { s.offBitsDelta = -4; }), kBad},
        {"no pixel bytes at all", changed(pal8(4, 2), [](BmpSpec& s) { s.pixels.clear(); }), kBad},
        {"colour table cut off",
         changed(pal8(4, 2), [](BmpSpec& s) { s.palette = greyPalette(100), s.pixels.clear(); }), kBad},
    };
}

TEST(BmpRules, EachBrokenRuleFailsWithTheBitmapText) {
    for (const RuleCase& c : ruleCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(failureOf(bmpBytes(c.spec)), c.failure);
    }
}

// A header of 52 bytes or more holds the masks itself, right after the
// first 40 bytes.
TEST(BmpRules, MasksInsideALongerHeaderAreRead) {
    for (const int infoSize : {52, 56, 108, 124}) {
        SCOPED_TRACE(infoSize);
        BmpSpec s = direct(16, 3, {});
        s.infoSize = infoSize;
        s.width = 1, s.height = 1;
        s.pixels = QByteArray("\x1F\x00\x00\x00", 4); // the low five bits
        QByteArray b = bmpBytes(s);
        EXPECT_EQ(failureOf(b), kBad) << "all masks zero";
        qToLittleEndian<quint32>(0x001F, b.data() + 54); // red in the low bits
        qToLittleEndian<quint32>(0x07E0, b.data() + 58);
        qToLittleEndian<quint32>(0xF800, b.data() + 62);
        ASSERT_EQ(failureOf(b), QStringLiteral("(no failure)"));
        EXPECT_EQ(decodeBitmapExactly(b).pixel(0, 0), qRgb(255, 0, 0));
    }
}

TEST(BmpRules, PixelOffsetOutsideTheFileFails) {
    for (const quint32 offBits : {0u, 13u, 1078u + 8u, 1078u + 1000u, 0xFFFFFFFFu}) {
        QByteArray b = bmpBytes(pal8(4, 2));
        qToLittleEndian<quint32>(offBits, b.data() + 10);
        EXPECT_EQ(failureOf(b), kBad) << offBits;
    }
}

TEST(BmpColours, IndexBeyondTheTableIsBlackAndShortTablesAreRead) {
    BmpSpec s = pal8(4, 1);
    s.colorsUsed = 3;
    s.palette = {qRgb(10, 20, 30), qRgb(40, 50, 60), qRgb(70, 80, 90)};
    s.pixels = QByteArray("\x00\x02\x03\xFF", 4);
    const QImage img = decodeBitmapExactly(bmpBytes(s));
    EXPECT_EQ(img.pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(img.pixel(1, 0), qRgb(70, 80, 90));
    EXPECT_EQ(img.pixel(2, 0), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(3, 0), qRgb(0, 0, 0));

    // More entries than 4 bits can index: the first 16 are the table.
    BmpSpec four;
    four.width = 2, four.height = 1, four.bitCount = 4, four.colorsUsed = 20;
    four.palette = greyPalette(20);
    four.pixels = QByteArray("\xF3\x00\x00\x00", 4);
    const QImage img4 = decodeBitmapExactly(bmpBytes(four));
    EXPECT_EQ(img4.pixel(0, 0), qRgb(15, 15, 15));
    EXPECT_EQ(img4.pixel(1, 0), qRgb(3, 3, 3));
}

// ------------------------------------------------------------ run-length

struct RleCase {
    const char* name;
    int bpp, w, h;
    QByteArray stream;
    QList<QByteArray> rows; // indices, top-down; empty: must fail
};

QByteArray bytes(std::initializer_list<int> v) {
    QByteArray b;
    for (int x : v)
        b.append(char(x));
    return b;
}

QByteArray row(std::initializer_list<int> v) { return bytes(v); }

std::vector<RleCase> rleCases() {
    return {
        {"runs and end of line", 8, 4, 2, bytes({4, 9, 0, 0, 2, 5, 2, 6, 0, 1}), {row({5, 5, 6, 6}), row({9, 9, 9, 9})}},
        {"early end of line leaves entry 0", 8, 4, 2, bytes({1, 9, 0, 0, 4, 7, 0, 1}), {row({7, 7, 7, 7}), row({9, 0, 0, 0})}},
        {"delta skips right and up", 8, 4, 3, bytes({0, 2, 1, 1, 2, 8, 0, 1}), {row({0, 0, 0, 0}), row({0, 8, 8, 0}), row({0, 0, 0, 0})}},
        {"absolute run of 3 padded to a word", 8, 4, 1, bytes({0, 3, 1, 2, 3, 0, 1, 4, 0, 1}), {row({1, 2, 3, 4})}},
        {"absolute run of 4, no pad", 8, 5, 1, bytes({0, 4, 1, 2, 3, 4, 1, 5, 0, 1}), {row({1, 2, 3, 4, 5})}},
        {"early end of bitmap", 8, 3, 2, bytes({3, 4, 0, 1, 3, 5}), {row({0, 0, 0}), row({4, 4, 4})}},
        {"stream cut in an absolute run", 8, 4, 1, bytes({0, 4, 6, 7}), {row({6, 7, 0, 0})}},
        {"stream cut in a delta", 8, 2, 1, bytes({1, 3, 0, 2, 1}), {row({3, 0})}},
        {"bytes after end of bitmap are ignored", 8, 2, 1, bytes({2, 3, 0, 1, 9, 9}), {row({3, 3})}},
        {"4-bit run alternates nibbles", 4, 5, 1, bytes({5, 0x1A, 0, 1}), {row({1, 10, 1, 10, 1})}},
        {"4-bit absolute run of 3 padded", 4, 4, 1, bytes({0, 3, 0x12, 0x30, 1, 0xF0, 0, 1}), {row({1, 2, 3, 15})}},
        {"4-bit absolute run of 5 padded", 4, 5, 1, bytes({0, 5, 0x12, 0x34, 0x50, 0, 0, 1}), {row({1, 2, 3, 4, 5})}},
        {"run past the row end", 8, 4, 1, bytes({5, 1, 0, 1}), {}},
        {"run after the last row", 8, 2, 1, bytes({2, 1, 0, 0, 1, 1, 0, 1}), {}},
        {"absolute run past the row end", 8, 4, 1, bytes({1, 1, 0, 4, 1, 2, 3, 4, 0, 1}), {}},
        {"delta past the right edge", 8, 4, 2, bytes({0, 2, 5, 0, 0, 1}), {}},
        {"delta above the top row", 8, 4, 2, bytes({0, 2, 0, 3, 0, 1}), {}},
        {"end of line past the top row", 8, 1, 1, bytes({0, 0, 0, 0, 0, 1}), {}},
        {"4-bit run past the row end", 4, 3, 1, bytes({4, 0x11, 0, 1}), {}},
    };
}

TEST(BmpRle, StreamsDecodeStrictlyWithinThePicture) {
    for (const RleCase& c : rleCases()) {
        SCOPED_TRACE(c.name);
        BmpSpec s;
        s.width = c.w, s.height = c.h, s.bitCount = quint16(c.bpp), s.compression = c.bpp == 8 ? 1 : 2;
        s.palette = greyPalette(1 << c.bpp);
        s.pixels = c.stream;
        if (c.rows.isEmpty()) {
            EXPECT_EQ(failureOf(bmpBytes(s)), kBad);
            continue;
        }
        const QImage img = decodeBitmapExactly(bmpBytes(s));
        ASSERT_EQ(img.size(), QSize(c.w, c.h));
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x)
                EXPECT_EQ(qRed(img.pixel(x, y)), uchar(c.rows[y][x])) << x << ", " << y;
    }
}

// ------------------------------------------------------------ cut short

class BmpCut : public ::testing::TestWithParam<BmpKind> {};

// Cut anywhere in the pixels, a file shows its complete rows and leaves the
// rows it lacks white, and nothing is read past its end.
TEST_P(BmpCut, ShowsTheRowsThatArePresent) {
    const BmpKind kind = GetParam();
    const QImage source = testlib::makePicture(29, 13, testlib::Scene::TestPattern);
    const QByteArray whole = testlib::encodeBmp(source, kind);
    const QImage full = decodeBitmapExactly(whole);
    const qint64 offBits = qFromLittleEndian<quint32>(whole.constData() + 10);
    const int bpp = qFromLittleEndian<quint16>(whole.constData() + (kind == BmpKind::Core24 || kind == BmpKind::Core8 ? 24 : 28));
    const bool rle = kind == BmpKind::Rle8 || kind == BmpKind::Rle4;
    const bool topDown = kind == BmpKind::Rgb24TopDown;
    const qint64 stride = ((29 * bpp + 31) / 32) * 4;
    for (qint64 cut = offBits + 1; cut < whole.size(); cut += 7) {
        SCOPED_TRACE(testing::Message() << "cut at " << cut << " of " << whole.size());
        QImage img;
        ASSERT_NO_THROW(img = decodeBitmapExactly(whole.left(cut)));
        ASSERT_EQ(img.size(), full.size());
        if (rle)
            continue; // the strict run-length checks say the rest
        const int complete = int((cut - offBits) / stride);
        for (int r = 0; r < 13; ++r) {
            const int y = topDown ? r : 12 - r;
            if (r < complete) {
                EXPECT_EQ(test::compareImages(img.copy(0, y, 29, 1), full.copy(0, y, 29, 1)).distance, 0) << "row " << y;
            } else if (r > complete) {
                EXPECT_EQ(img.pixel(0, y), 0xFFFFFFFFu) << "row " << y;
                EXPECT_EQ(img.pixel(28, y), 0xFFFFFFFFu) << "row " << y;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, BmpCut, ::testing::ValuesIn(testlib::kAllBmpKinds), kindName);

TEST(BmpCut, GeneratedTruncatedFileShowsItsBottomHalfOverWhite) {
    test::TempDir dir;
    const QString path = dir.file("cut.bmp");
    testlib::writeBroken(path, testlib::BrokenKind::BmpTruncatedPixels);
    BitmapPicture picture;
    picture.load(path);
    const QImage img = picture.fullImage();
    ASSERT_EQ(img.size(), QSize(64, 48));
    const QImage source = testlib::makePicture(64, 48, testlib::Scene::Tiles, 7);
    EXPECT_EQ(test::compareImages(img.copy(0, 24, 64, 24), source.copy(0, 24, 64, 24)).distance, 0);
    QImage white(64, 24, QImage::Format_RGB32);
    white.fill(Qt::white);
    EXPECT_EQ(test::compareImages(img.copy(0, 0, 64, 24), white).distance, 0);
}

} // namespace
} // namespace soru
