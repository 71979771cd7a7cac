#pragma once
// Small readers written for the tests, independent of the generator: they
// check its files against the formats, not against its own code.
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <cstdint>

namespace soru::test {

// libjpeg's view of a JPEG stream.
struct JpegProbe {
    bool ok = false;      // no libjpeg error
    int errorCode = 0;    // msg_code of the error, when !ok
    int warnings = 0;     // number of warnings
    int firstWarning = 0; // msg_code of the first warning
    int lastWarning = 0;  // msg_code of the last warning
    int width = 0, height = 0;
    int components = 0; // num_components of the frame
    int colorSpace = 0; // jpeg_color_space (J_COLOR_SPACE)
    bool progressive = false;
    QImage image; // decoded pixels (RGB888 or Grayscale8), when decoded
};
JpegProbe probeJpeg(const QByteArray& bytes, bool decode = true);

std::uint16_t le16(const QByteArray& b, int at);
std::uint32_t le32(const QByteArray& b, int at);

// The fields of a bitmap's file and info headers (core headers widened).
struct BmpHeader {
    QByteArray magic;
    std::uint32_t fileSize = 0, offBits = 0, headerSize = 0;
    std::int32_t width = 0, height = 0;
    std::uint16_t planes = 0, bitCount = 0;
    std::uint32_t compression = 0, sizeImage = 0, clrUsed = 0;
    std::uint32_t masks[4] = {0, 0, 0,
                              0}; // V4/V5 header masks, or the three after a 40-byte header
};
BmpHeader parseBmpHeader(const QByteArray& bytes);

// Decoded RLE stream: palette indices, rows top-down, unset pixels 0.
struct RleDecoded {
    bool ok = false;
    QString error;
    QList<QByteArray> rows;
    int encodedRuns = 0, absoluteRuns = 0, endOfLines = 0;
    bool sawAlternatingRun = false; // RLE4 run with two different nibbles
};
// Strict: any write outside the bitmap, a missing end-of-bitmap, bytes after
// it, or a row that does not end exactly at its width is an error.
RleDecoded decodeRle(const QByteArray& stream, int width, int height, int bitsPerPixel);

// Plain text of an RTF file: \par is "\n", \tab "\t", \'hh bytes in the
// file's code page (932 here), \uN with \ucN fallback skipping; groups
// that are destinations (font and colour tables, \*) are dropped.
QString rtfToText(const QByteArray& rtf);

} // namespace soru::test
