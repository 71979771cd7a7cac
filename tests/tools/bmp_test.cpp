// Bitmap files: header fields byte by byte, pixels read back by Qt, and the
// RLE streams decoded by the test's own decoder.
#include "tests/tools/readers.h"
#include "tools/testlib/testlib.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace soru::testlib {
namespace {

using test::decodeRle;
using test::le32;
using test::parseBmpHeader;

constexpr int kW = 97, kH = 61; // odd width: every row needs padding

struct BmpCase {
    BmpKind kind;
    int headerSize, bpp, compression;
    int paletteEntries, paletteEntrySize, clrUsed;
    bool topDown;
    int masksAfterHeader; // bytes
    std::array<std::uint32_t, 4> masks;
    int rampTolerance; // largest error on the grey ramp; -1: too few colours to check
    int barTolerance() const { return bpp == 16 ? 8 : 0; } // readers may widen 5 bits by a shift
};

const BmpCase kBmpCases[] = {
    {BmpKind::Rgb24, 40, 24, 0, 0, 4, 0, false, 0, {}, 0},
    {BmpKind::Rgb24TopDown, 40, 24, 0, 0, 4, 0, true, 0, {}, 0},
    {BmpKind::Rgb32, 40, 32, 0, 0, 4, 0, false, 0, {}, 0},
    {BmpKind::Rgb16, 40, 16, 0, 0, 4, 0, false, 0, {}, 10},
    {BmpKind::Bitfields16, 40, 16, 3, 0, 4, 0, false, 12, {0xF800, 0x07E0, 0x001F, 0}, 10},
    {BmpKind::Bitfields32, 40, 32, 3, 0, 4, 0, false, 12, {0xFF0000, 0xFF00, 0xFF, 0}, 0},
    {BmpKind::Pal8, 40, 8, 0, 256, 4, 0, false, 0, {}, 5},
    {BmpKind::Pal8Short, 40, 8, 0, 16, 4, 16, false, 0, {}, -1},
    {BmpKind::Pal4, 40, 4, 0, 16, 4, 0, false, 0, {}, -1},
    {BmpKind::Pal1, 40, 1, 0, 2, 4, 0, false, 0, {}, -1},
    {BmpKind::Rle8, 40, 8, 1, 256, 4, 0, false, 0, {}, 5},
    {BmpKind::Rle4, 40, 4, 2, 16, 4, 0, false, 0, {}, -1},
    {BmpKind::Core24, 12, 24, 0, 0, 3, 0, false, 0, {}, 0},
    {BmpKind::Core8, 12, 8, 0, 256, 3, 0, false, 0, {}, 5},
    {BmpKind::V4Header, 108, 24, 0, 0, 4, 0, false, 0, {}, 0},
    {BmpKind::V5Header, 124, 32, 3, 0, 4, 0, false, 0, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 0},
};

class BmpFile : public ::testing::TestWithParam<BmpCase> {
protected:
    const QImage source = makePicture(kW, kH, Scene::TestPattern);
    const QByteArray bytes = encodeBmp(source, GetParam().kind);
};

TEST_P(BmpFile, HeaderFieldsAreThoseWindowsWrites) {
    const BmpCase c = GetParam();
    const auto h = parseBmpHeader(bytes);
    EXPECT_EQ(h.magic, "BM");
    EXPECT_EQ(h.fileSize, std::uint32_t(bytes.size()));
    EXPECT_EQ(h.offBits, std::uint32_t(14 + c.headerSize + c.masksAfterHeader +
                                       c.paletteEntries * c.paletteEntrySize));
    EXPECT_EQ(h.headerSize, std::uint32_t(c.headerSize));
    EXPECT_EQ(h.width, kW);
    EXPECT_EQ(h.height, c.topDown ? -kH : kH);
    EXPECT_EQ(h.planes, 1);
    EXPECT_EQ(h.bitCount, c.bpp);
    if (c.headerSize == 12)
        return;
    EXPECT_EQ(h.compression, std::uint32_t(c.compression));
    EXPECT_EQ(h.sizeImage, bytes.size() - h.offBits);
    if (c.compression == 0 || c.compression == 3) {
        EXPECT_EQ(h.sizeImage, std::uint32_t(((kW * c.bpp + 31) / 32) * 4 * kH));
    }
    EXPECT_EQ(h.clrUsed, std::uint32_t(c.clrUsed));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(h.masks[i], c.masks[i]) << "mask " << i;
}

// Colour bars must come back exactly (every palette holds the eight pure
// colours; 1 bpp keeps the light ones white), the grey ramp within the
// precision of the format.
TEST_P(BmpFile, QtReadsBackTheSourcePixels) {
    const BmpCase c = GetParam();
    QImage img;
    ASSERT_TRUE(img.loadFromData(bytes, "BMP"));
    ASSERT_EQ(img.size(), QSize(kW, kH));
    const QRgb bars[] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00,
                         0xFF00FF, 0xFF0000, 0x0000FF, 0x000000};
    const QRgb mono[] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                         0x000000, 0x000000, 0x000000, 0x000000};
    auto near = [&](QRgb got, QRgb want, int tolerance) {
        return std::abs(qRed(got) - qRed(want)) <= tolerance &&
               std::abs(qGreen(got) - qGreen(want)) <= tolerance &&
               std::abs(qBlue(got) - qBlue(want)) <= tolerance;
    };
    for (int i = 0; i < 8; ++i) {
        const int x = (i * kW + kW / 2) / 8;
        const QRgb want = (c.kind == BmpKind::Pal1 ? mono : bars)[i];
        for (int y : {0, kH / 4, kH / 2 - 2})
            EXPECT_PRED3(near, img.pixel(x, y), want, c.barTolerance())
                << "bar " << i << " row " << y;
    }
    EXPECT_PRED3(near, img.pixel(0, kH - 1), 0xFFFFFF,
                 c.barTolerance()); // 1-pixel lines in the bottom band
    EXPECT_PRED3(near, img.pixel(1, kH - 1), 0x000000, c.barTolerance());
    if (c.rampTolerance < 0)
        return;
    const int rampY = kH * 5 / 8 - 1;
    for (int x = 0; x < kW; x += 8)
        EXPECT_PRED3(near, img.pixel(x, rampY), source.pixel(x, rampY), c.rampTolerance)
            << "x " << x;
}

INSTANTIATE_TEST_SUITE_P(AllKinds, BmpFile, ::testing::ValuesIn(kBmpCases), [](const auto& info) {
    std::string name = bmpKindName(info.param.kind);
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
});

TEST(BmpFile, EveryKindIsCoveredByTheTable) {
    EXPECT_EQ(std::size(kBmpCases), std::size(kAllBmpKinds));
    for (size_t i = 0; i < std::size(kAllBmpKinds); ++i)
        EXPECT_EQ(kBmpCases[i].kind, kAllBmpKinds[i]);
}

// The first stored row is the bottom row unless the height is negative;
// rows are padded with zeros to four bytes.
TEST(BmpFile, RowOrderAndPaddingOfTheStoredPixels) {
    const QImage img =
        makePicture(kW, kH, Scene::TestPattern); // bottom row: white, black, ...; top: white bar
    for (BmpKind kind :
         {BmpKind::Rgb24, BmpKind::Rgb24TopDown, BmpKind::Core24, BmpKind::V4Header}) {
        SCOPED_TRACE(bmpKindName(kind));
        const QByteArray b = encodeBmp(img, kind);
        const int off = int(le32(b, 10));
        const char want = kind == BmpKind::Rgb24TopDown ? char(0xFF) : char(0x00);
        EXPECT_EQ(b.mid(off + 3, 3), QByteArray(3, want)); // second pixel of the first stored row
        EXPECT_EQ(b[off + kW * 3], '\0');                  // the row's padding byte
    }
}

// ---------------------------------------------------------------- RLE

struct RleCase {
    const char* name;
    int bpp;
    std::function<QList<QByteArray>()> rows;
    int minEncodedPerRow, minAbsolutePerRow;
    int alternating; // 1: a run of two alternating indices must appear, 0: must not, -1: either
};

QList<QByteArray> repeatRow(const QByteArray& row, int times) {
    return QList<QByteArray>(times, row);
}

QByteArray noise(int n, int colours, quint32 seed) {
    QByteArray row(n, '\0');
    quint32 s = seed * 2654435761u + 1;
    for (int i = 0; i < n; ++i) {
        int v;
        do {
            s = s * 1103515245u + 12345u;
            v = int((s >> 16) % quint32(colours));
        } while (i > 0 && v == uchar(row[i - 1])); // no two equal neighbours: absolute mode
        row[i] = char(v);
    }
    return row;
}

QByteArray fromList(std::initializer_list<int> v) {
    QByteArray b;
    for (int x : v)
        b.append(char(x));
    return b;
}

const RleCase kRleCases[] = {
    {"uniform-600-rle8", 8, [] { return repeatRow(QByteArray(600, char(7)), 3); }, 3, 0, 0},
    {"uniform-600-rle4", 4, [] { return repeatRow(QByteArray(600, char(7)), 3); }, 3, 0, 0},
    {"noise-300-rle8", 8,
     [] {
         return QList<QByteArray>{noise(300, 256, 1), noise(300, 256, 2)};
     },
     0, 2, 0},
    {"noise-300-rle4", 4,
     [] {
         return QList<QByteArray>{noise(300, 16, 1), noise(300, 16, 2)};
     },
     0, 2, -1},
    {"odd-literals-rle8", 8,
     [] {
         return QList<QByteArray>{noise(3, 9, 3), noise(3, 9, 4)};
     },
     0, 1, 0},
    {"odd-literals-rle4", 4,
     [] {
         return QList<QByteArray>{noise(5, 9, 3), noise(5, 9, 4)};
     },
     0, 1, -1},
    {"width-1", 8,
     [] {
         return QList<QByteArray>{fromList({4}), fromList({5})};
     },
     1, 0, 0},
    {"width-2-rle4", 4,
     [] {
         return QList<QByteArray>{fromList({4, 5}), fromList({5, 5})};
     },
     1, 0, -1},
    {"mixed-rle8", 8,
     [] {
         return repeatRow(fromList({1, 1, 1, 1, 1, 2, 3, 4, 5, 5, 5, 5, 6, 7, 8, 8}), 4);
     },
     2, 1, 0},
    {"mixed-rle4", 4,
     [] {
         return repeatRow(fromList({1, 1, 1, 1, 1, 2, 3, 4, 5, 5, 5, 5, 6, 7, 8, 8}), 4);
     },
     2, 1, 0},
    {"alternating-40-rle4", 4, [] { return repeatRow(QByteArray("\x03\x0C").repeated(20), 2); }, 1,
     0, 1},
};

class RleStream : public ::testing::TestWithParam<RleCase> {};

TEST_P(RleStream, DecodesToTheIndicesWithTheExpectedRunKinds) {
    const RleCase c = GetParam();
    const QList<QByteArray> rows = c.rows();
    const QByteArray stream = c.bpp == 8 ? encodeRle8(rows) : encodeRle4(rows);
    const int w = int(rows[0].size()), h = int(rows.size());
    const auto d = decodeRle(stream, w, h, c.bpp);
    ASSERT_TRUE(d.ok) << d.error.toStdString();
    EXPECT_EQ(d.rows, rows);
    EXPECT_EQ(d.endOfLines, h - 1);
    EXPECT_GE(d.encodedRuns, c.minEncodedPerRow * h);
    EXPECT_GE(d.absoluteRuns, c.minAbsolutePerRow * h);
    if (c.alternating >= 0) {
        EXPECT_EQ(d.sawAlternatingRun, c.alternating == 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RleStream, ::testing::ValuesIn(kRleCases), [](const auto& info) {
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
});

// A whole RLE file, decoded by the test's decoder through its palette,
// matches Qt's reading of the uncompressed file of the same palette.
TEST(RleFile, SamePixelsAsTheUncompressedPaletteFile) {
    const QImage photo = makePicture(123, 45, Scene::Tiles, 8);
    for (auto [rle, plain] :
         {std::pair{BmpKind::Rle8, BmpKind::Pal8}, std::pair{BmpKind::Rle4, BmpKind::Pal4}}) {
        SCOPED_TRACE(bmpKindName(rle));
        const QByteArray file = encodeBmp(photo, rle);
        const auto h = parseBmpHeader(file);
        const int bpp = h.bitCount;
        const auto d = decodeRle(file.mid(int(h.offBits)), h.width, h.height, bpp);
        ASSERT_TRUE(d.ok) << d.error.toStdString();
        QImage reference;
        ASSERT_TRUE(reference.loadFromData(encodeBmp(photo, plain), "BMP"));
        for (int y = 0; y < h.height; ++y)
            for (int x = 0; x < h.width; ++x) {
                const int at = 54 + 4 * uchar(d.rows[y][x]);
                const QRgb c = qRgb(uchar(file[at + 2]), uchar(file[at + 1]), uchar(file[at]));
                ASSERT_EQ(c, reference.pixel(x, y)) << "pixel " << x << "," << y;
            }
    }
}

} // namespace
} // namespace soru::testlib
