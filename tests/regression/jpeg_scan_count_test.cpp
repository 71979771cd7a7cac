// A progressive JPEG whose scans hold no data: libjpeg reads every scan
// over every block before the first row comes out, so 1,500 empty scans
// over a 16384 x 16384 picture (a 15 KB file) kept the decoder busy for
// over a minute. Files of more than kMaxJpegScans scans are now refused
// with libjpeg's JERR_BAD_PROGRESSION, as soon as the scan past the limit
// starts.
#include "core/failure.h"
#include "media/formats/jpeg_decoder.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <ostream>

namespace soru {
namespace {

// A Huffman table (class and id in one byte) with one code of one bit,
// for the symbol 0.
QByteArray huffmanTable(char classAndId) {
    QByteArray b("\xFF\xC4\x00\x14", 4);
    b += classAndId;
    b += '\x01';
    b += QByteArray(15, '\x00');
    b += '\x00';
    return b;
}

// SOI, a quantisation table of ones, the frame header (SOF2, 8 bits, three
// components: Y 2x2, Cb and Cr 1x1) and DC and AC Huffman tables.
QByteArray header(int width, int height) {
    QByteArray b("\xFF\xD8\xFF\xDB\x00\x43\x00", 7);
    b += QByteArray(64, '\x01');
    b += QByteArray("\xFF\xC2\x00\x11\x08", 5);
    b += char(height >> 8);
    b += char(height & 0xFF);
    b += char(width >> 8);
    b += char(width & 0xFF);
    b += QByteArray("\x03\x01\x22\x00\x02\x11\x00\x03\x11\x00", 10);
    return b + huffmanTable('\x00') + huffmanTable('\x10');
}

// One DC scan over all three components, then AC scans of Y, all without
// entropy-coded data, then EOI.
QByteArray progressiveJpeg(int width, int height, int scans) {
    QByteArray b = header(width, height);
    b += QByteArray("\xFF\xDA\x00\x0C\x03\x01\x00\x02\x00\x03\x00\x00\x00\x00", 14);
    for (int i = 1; i < scans; ++i)
        b += QByteArray("\xFF\xDA\x00\x08\x01\x01\x00\x01\x3F\x00", 10);
    return b + QByteArray("\xFF\xD9", 2);
}

struct ScanCase {
    const char* name;
    int width, height, scans, denominator;
    bool refused;
};

void PrintTo(const ScanCase& c, std::ostream* os) {
    *os << c.name;
}

class JpegScanCount : public ::testing::TestWithParam<ScanCase> {};

TEST_P(JpegScanCount, DecodesUpToTheLimitAndRefusesBeyond) {
    const ScanCase& c = GetParam();
    const QByteArray bytes = progressiveJpeg(c.width, c.height, c.scans);
    const JpegHeader h = readJpegHeader(bytes); // the header alone is fine
    EXPECT_EQ(h.width, c.width);
    EXPECT_EQ(h.height, c.height);
    if (c.refused) {
        try {
            decodeJpeg(bytes, c.denominator);
            FAIL() << "decoded a file of " << c.scans << " scans";
        } catch (const Failure& f) {
            EXPECT_EQ(f.message(), QStringLiteral("JPEG エラー #16"));
        }
    } else {
        const QImage image = decodeJpeg(bytes, c.denominator);
        EXPECT_EQ(image.size(), QSize((c.width + c.denominator - 1) / c.denominator,
                                      (c.height + c.denominator - 1) / c.denominator));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Regression, JpegScanCount,
    ::testing::Values(
        ScanCase{"OneScan", 16, 16, 1, 1, false},
        ScanCase{"AtTheLimit", 16, 16, kMaxJpegScans, 1, false},
        ScanCase{"AtTheLimitScaled", 33, 17, kMaxJpegScans, 8, false},
        ScanCase{"OnePastTheLimit", 16, 16, kMaxJpegScans + 1, 1, true},
        ScanCase{"OnePastTheLimitScaled", 33, 17, kMaxJpegScans + 1, 8, true},
        // The shape of the file that hung: many empty scans over a large
        // picture (smaller here, so the test stays quick).
        ScanCase{"FifteenHundredScans", 1024, 1024, 1500, 8, true}),
    [](const ::testing::TestParamInfo<ScanCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace soru
