// Files whose data ends long before their picture does (cut short, or a
// small file claiming a large picture): the decode that stops at the end of
// the data gives exactly the picture libjpeg makes when it decodes every
// row, at every reduction.
#include "media/formats/jpeg_decoder.h"
#include "tests/media/pictures/picture_fixtures.h"
#include "tools/testlib/jpeg_variants.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>

namespace soru {
namespace {

using namespace soru::test;
using testlib::JpegKind;
using testlib::JpegOptions;

enum class Stop { Always, Never, Either };

struct DataEndCase {
    const char* name;
    std::function<QByteArray()> bytes;
    Stop stop; // whether the decode stops early, at every reduction
};

void PrintTo(const DataEndCase& c, std::ostream* os) {
    *os << c.name;
}

QImage scene(int w, int h) {
    return testlib::makePicture(w, h, testlib::Scene::Landscape, 7);
}

// 16 x 16 pixels of data under a header claiming 2048 x 2048.
QByteArray claimed(const JpegOptions& options) {
    return testlib::withClaimedSize(testlib::encodeJpegWith(scene(16, 16), options), 2048, 2048);
}

QByteArray cut(const QImage& image, const JpegOptions& options, int percent) {
    return testlib::cutInFirstScan(testlib::encodeJpegWith(image, options), percent);
}

const DataEndCase kCases[] = {
    {"claimed_baseline", [] { return claimed({}); }, Stop::Always},
    {"claimed_progressive", [] { return claimed({.kind = JpegKind::Progressive}); }, Stop::Always},
    {"claimed_grey", [] { return claimed({.kind = JpegKind::Grayscale}); }, Stop::Always},
    {"claimed_grey_progressive",
     [] { return claimed({.kind = JpegKind::Grayscale, .progressive = true}); }, Stop::Always},
    {"claimed_full_chroma", [] { return claimed({.fullChroma = true}); }, Stop::Always},
    {"claimed_restart_every_mcu", [] { return claimed({.restartInterval = 1}); }, Stop::Always},
    {"claimed_progressive_restarts",
     [] { return claimed({.kind = JpegKind::Progressive, .restartInterval = 2}); }, Stop::Always},
    {"claimed_cmyk",
     [] {
         QByteArray cmyk(16 * 16 * 4, Qt::Uninitialized);
         for (int i = 0; i < cmyk.size(); ++i)
             cmyk[i] = char(i * 7);
         return testlib::withClaimedSize(testlib::encodeCmykJpeg(cmyk, 16, 16), 1024, 2048);
     },
     Stop::Always},
    {"claimed_ycck",
     [] {
         QByteArray cmyk(16 * 16 * 4, Qt::Uninitialized);
         for (int i = 0; i < cmyk.size(); ++i)
             cmyk[i] = char(i * 11);
         return testlib::withClaimedSize(
             testlib::encodeCmykJpeg(cmyk, 16, 16, testlib::CmykKind::Ycck), 2048, 1024);
     },
     Stop::Always},
    // Arithmetic decoding goes on making coefficients from nothing: no stop.
    {"claimed_arithmetic", [] { return claimed({.arithmetic = true}); }, Stop::Never},
    {"cut_baseline_10", [] { return cut(scene(320, 480), {}, 10); }, Stop::Always},
    {"cut_baseline_60", [] { return cut(scene(320, 480), {}, 60); }, Stop::Either},
    {"cut_grey_15", [] { return cut(scene(320, 480), {.kind = JpegKind::Grayscale}, 15); }, Stop::Always},
    // A file of several scans is decoded in part only when it is too small
    // to hold a bit for every block; this one is not.
    {"cut_progressive_first_scan_20",
     [] { return cut(scene(320, 480), {.kind = JpegKind::Progressive}, 20); }, Stop::Either},
    // One MCU a row: the data that may still be buffered spans many rows.
    {"cut_narrow_5", [] { return cut(scene(8, 4000), {}, 5); }, Stop::Always},
    {"cut_narrow_grey_5", [] { return cut(scene(8, 4000), {.kind = JpegKind::Grayscale}, 5); },
     Stop::Always},
    // Complete files and files cut in a later scan decode everything.
    {"complete", [] { return testlib::encodeJpegWith(scene(64, 48), {}); }, Stop::Never},
    {"progressive_cut_in_third_scan",
     [] {
         const QByteArray b = testlib::encodeJpegWith(scene(320, 240), {.kind = JpegKind::Progressive});
         int sos = -1;
         for (int n = 0; n < 3; ++n)
             sos = b.indexOf(QByteArray("\xFF\xDA", 2), sos + 1);
         return b.left(sos + (b.size() - sos) / 2);
     },
     Stop::Never},
};

class DataEnd : public ::testing::TestWithParam<DataEndCase> {};

TEST_P(DataEnd, StoppingAtTheEndOfTheDataGivesLibjpegsPicture) {
    const QByteArray bytes = GetParam().bytes();
    for (int d : {1, 2, 4, 8}) {
        SCOPED_TRACE(d);
        JpegDecodeInfo fastInfo, fullInfo;
        const QImage fast = decodeJpeg(bytes, d, JpegDataEnd::CopyBlankRows, &fastInfo);
        const QImage full = decodeJpeg(bytes, d, JpegDataEnd::DecodeAll, &fullInfo);
        ASSERT_FALSE(full.isNull());
        EXPECT_FALSE(fullInfo.copiedBlankRows);
        EXPECT_EQ(fullInfo.decodedRows, full.height());
        EXPECT_EQ(fast.format(), full.format());
        EXPECT_EQ(fast.colorTable(), full.colorTable());
        EXPECT_TRUE(fast == full) << "first differing row: " << [&] {
            for (int y = 0; y < fast.height(); ++y)
                if (std::memcmp(fast.constScanLine(y), full.constScanLine(y),
                                std::size_t(fast.bytesPerLine())) != 0)
                    return y;
            return -1;
        }();
        if (GetParam().stop == Stop::Always) {
            EXPECT_TRUE(fastInfo.copiedBlankRows);
            EXPECT_LT(fastInfo.decodedRows, full.height() / 2);
        } else if (GetParam().stop == Stop::Never) {
            EXPECT_FALSE(fastInfo.copiedBlankRows);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, DataEnd, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Damage after the data is still read and reported when the rows stop
// early, as when every row is decoded.
TEST(DataEndTrailer, DamageAfterTheDataFailsBothWays) {
    using testlib::JpegTrailer;
    for (JpegKind kind : {JpegKind::Baseline, JpegKind::Grayscale, JpegKind::Progressive})
        for (JpegTrailer trailer : {JpegTrailer::SecondFrameHeader, JpegTrailer::ZeroLengthQuantTable,
                                    JpegTrailer::UnknownMarker, JpegTrailer::Comment}) {
            SCOPED_TRACE(testing::Message() << testlib::jpegKindName(kind) << " "
                                            << testlib::jpegTrailerName(trailer));
            const QByteArray bytes = testlib::withClaimedSize(
                testlib::jpegWithTrailer(scene(16, 16), kind, trailer), 2048, 2048);
            for (int d : {1, 8}) {
                JpegDecodeInfo info;
                const QString fast =
                    failureOf([&] { decodeJpeg(bytes, d, JpegDataEnd::CopyBlankRows, &info); });
                const QString full = failureOf([&] { decodeJpeg(bytes, d, JpegDataEnd::DecodeAll); });
                EXPECT_EQ(fast, full) << "at 1/" << d;
                EXPECT_EQ(full == kNoFailure, trailer == JpegTrailer::Comment);
                if (fast == kNoFailure) {
                    EXPECT_TRUE(info.copiedBlankRows);
                }
            }
        }
}

} // namespace
} // namespace soru
