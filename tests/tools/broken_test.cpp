// Damaged and mislabelled files: each is broken in exactly the intended way.
#include "tests/tools/readers.h"
#include "tools/testlib/testlib.h"

#include <gtest/gtest.h>

#include <jerror.h>
#include <jpeglib.h>

#include <set>

namespace soru::testlib {
namespace {

using test::le16;
using test::le32;
using test::parseBmpHeader;
using test::probeJpeg;

TEST(BrokenKinds, NamesAreUniqueAndTheExtensionPicksTheReader) {
    std::set<std::string> names, files;
    for (const BrokenInfo& info : brokenKinds()) {
        SCOPED_TRACE(info.name);
        EXPECT_TRUE(names.insert(info.name).second);
        EXPECT_TRUE(files.insert(info.fileName).second);
        EXPECT_EQ(&brokenInfo(info.kind), &info);
        const QString file = QString::fromLatin1(info.fileName).toLower();
        const Reader byExtension = file.endsWith(".bmp")   ? Reader::Bitmap
                                   : file.endsWith(".wav") ? Reader::Sound
                                                           : Reader::Jpeg;
        EXPECT_EQ(info.reader, byExtension);
        EXPECT_EQ(brokenBytes(info.kind), brokenBytes(info.kind)); // deterministic
    }
    EXPECT_EQ(brokenKinds().size(), 19u);
}

struct JpegFailure {
    BrokenKind kind;
    int code; // libjpeg's message code
};

class BrokenJpeg : public ::testing::TestWithParam<JpegFailure> {};

TEST_P(BrokenJpeg, LibjpegFailsWithTheExpectedMessage) {
    const auto probe = probeJpeg(brokenBytes(GetParam().kind));
    EXPECT_FALSE(probe.ok);
    EXPECT_EQ(probe.errorCode, GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BrokenJpeg,
    ::testing::Values(JpegFailure{BrokenKind::JpegNotJpeg, JERR_NO_SOI},
                      JpegFailure{BrokenKind::JpegGarbageAfterSoi, JERR_NO_IMAGE},
                      JpegFailure{BrokenKind::JpegBogusMarkerLength, JERR_BAD_LENGTH},
                      JpegFailure{BrokenKind::JpegZeroWidth, JERR_EMPTY_IMAGE},
                      JpegFailure{BrokenKind::JpegEmpty, JERR_INPUT_EMPTY},
                      JpegFailure{BrokenKind::PngNamedJpg, JERR_NO_SOI},
                      JpegFailure{BrokenKind::BmpNamedJpg, JERR_NO_SOI}),
    [](const auto& info) {
        std::string name = brokenInfo(info.param.kind).name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

TEST(BrokenJpeg, TruncatedScanDecodesWithAPrematureEndWarning) {
    const auto probe = probeJpeg(brokenBytes(BrokenKind::JpegTruncated));
    ASSERT_TRUE(probe.ok) << "error " << probe.errorCode;
    EXPECT_EQ(probe.width, 320);
    EXPECT_EQ(probe.height, 240);
    EXPECT_GE(probe.warnings, 1);
    EXPECT_EQ(probe.firstWarning, JWRN_JPEG_EOF);
}

TEST(BrokenJpeg, JpegNamedBmpIsAValidJpeg) {
    const auto probe = probeJpeg(brokenBytes(BrokenKind::JpegNamedBmp));
    EXPECT_TRUE(probe.ok);
    EXPECT_EQ(probe.warnings, 0);
    EXPECT_EQ(QByteArray(brokenInfo(BrokenKind::JpegNamedBmp).fileName).right(4), ".bmp");
}

// Each damaged bitmap is a valid one with one field changed: the field holds
// the bad value, and putting the good value back makes Qt read it again.
struct BmpDefect {
    BrokenKind kind;
    int offset, size; // of the damaged field
    std::uint32_t bad, good;
};

class BrokenBmp : public ::testing::TestWithParam<BmpDefect> {};

TEST_P(BrokenBmp, OneFieldAwayFromAValidBitmap) {
    const BmpDefect d = GetParam();
    QByteArray b = brokenBytes(d.kind);
    const std::uint32_t field = d.size == 2 ? le16(b, d.offset) : le32(b, d.offset);
    EXPECT_EQ(field, d.bad);
    for (int i = 0; i < d.size; ++i)
        b[d.offset + i] = char((d.good >> (8 * i)) & 0xFF);
    QImage img;
    EXPECT_TRUE(img.loadFromData(b, "BMP"));
    EXPECT_EQ(img.size(), QSize(64, 48));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BrokenBmp,
    ::testing::Values(BmpDefect{BrokenKind::BmpBadSignature, 0, 2, 0x5842, 0x4D42},
                      BmpDefect{BrokenKind::BmpPlanesNotOne, 26, 2, 2, 1},
                      BmpDefect{BrokenKind::BmpUnknownHeaderSize, 14, 4, 44, 40},
                      BmpDefect{BrokenKind::BmpBadBitCount, 28, 2, 7, 24}));

TEST(BrokenBmp, TruncatedPixelsKeepTheHeaderButLackHalfTheRows) {
    const QByteArray b = brokenBytes(BrokenKind::BmpTruncatedPixels);
    const auto h = parseBmpHeader(b);
    EXPECT_EQ(h.magic, "BM");
    const std::uint32_t full = h.offBits + std::uint32_t(((h.width * 3 + 3) / 4) * 4 * h.height);
    EXPECT_EQ(h.fileSize, full);
    EXPECT_GT(std::uint32_t(b.size()), h.offBits);
    EXPECT_LE(std::uint32_t(b.size()), h.offBits + (full - h.offBits) / 2 + 1);
}

TEST(BrokenBmp, HugeDimensionsComeWithNoPixels) {
    const QByteArray b = brokenBytes(BrokenKind::BmpHugeDimensions);
    const auto h = parseBmpHeader(b);
    EXPECT_EQ(h.width, 100000);
    EXPECT_EQ(h.height, 100000);
    EXPECT_EQ(h.bitCount, 24);
    EXPECT_EQ(h.fileSize, std::uint32_t(b.size()));
    EXPECT_LT(b.size(), 100);
}

TEST(BrokenBmp, RleOverrunIsCaughtByAStrictDecoder) {
    const QByteArray b = brokenBytes(BrokenKind::BmpRleOverrun);
    const auto h = parseBmpHeader(b);
    EXPECT_EQ(h.compression, 1u);
    EXPECT_EQ(h.fileSize, std::uint32_t(b.size()));
    EXPECT_EQ(h.sizeImage, b.size() - h.offBits);
    const auto d = test::decodeRle(b.mid(int(h.offBits)), h.width, h.height, 8);
    EXPECT_FALSE(d.ok);
    EXPECT_TRUE(d.error.contains("overruns")) << d.error.toStdString();
}

TEST(BrokenWav, NotRiffAndTruncatedData) {
    EXPECT_FALSE(brokenBytes(BrokenKind::WavNotRiff).startsWith("RIFF"));
    const QByteArray t = brokenBytes(BrokenKind::WavTruncated);
    ASSERT_TRUE(t.startsWith("RIFF"));
    EXPECT_EQ(t.mid(36, 4), "data");
    EXPECT_GT(le32(t, 40), std::uint32_t(t.size() - 44)); // claims more than is there
    EXPECT_GT(t.size(), 44);
}

TEST(BrokenFiles, EmptyKindsAreEmptyAndPngIsAPng) {
    EXPECT_TRUE(brokenBytes(BrokenKind::JpegEmpty).isEmpty());
    EXPECT_TRUE(brokenBytes(BrokenKind::BmpEmpty).isEmpty());
    QImage png;
    EXPECT_TRUE(png.loadFromData(brokenBytes(BrokenKind::PngNamedJpg), "PNG"));
    QImage bmp;
    EXPECT_TRUE(bmp.loadFromData(brokenBytes(BrokenKind::BmpNamedJpg), "BMP"));
}

} // namespace
} // namespace soru::testlib
