#pragma once
// JPEG files of the kinds a viewer meets beyond the plain colour photo:
// damage that follows the picture data, made by walking the segments of a
// valid file from encodeJpeg().
#include "tools/testlib/testlib.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace soru::testlib {

// --------------------------------------------- damage after the picture data

// A complete file with something wrong after its picture data. libjpeg sees
// it only when it reads on past the last row; the rows themselves decode.
enum class JpegTrailer {
    SecondFrameHeader,  // a copy of the frame header (libjpeg: JERR_SOF_DUPLICATE)
    ZeroLengthQuantTable, // a quantisation-table segment of length 0 (JERR_BAD_LENGTH)
    ShortHuffmanTable,  // a Huffman-table segment of length 1 (JERR_BAD_LENGTH)
    QuantTableIndex5,   // a quantisation table numbered 5 (JERR_DQT_INDEX)
    SecondStartOfImage, // another start-of-image marker (JERR_SOI_DUPLICATE)
    UnknownMarker,      // a segment of marker FF F7 (JERR_UNKNOWN_MARKER)
    SecondScan,         // one-scan files only: another scan (JERR_EOI_EXPECTED)
    // Harmless: libjpeg at most warns.
    StrayBytes,         // bytes that are no marker
    Comment,            // a comment segment
    RestartMarker,      // a lone restart marker
};
inline constexpr JpegTrailer kAllJpegTrailers[] = {
    JpegTrailer::SecondFrameHeader,  JpegTrailer::ZeroLengthQuantTable,
    JpegTrailer::ShortHuffmanTable,  JpegTrailer::QuantTableIndex5,
    JpegTrailer::SecondStartOfImage, JpegTrailer::UnknownMarker,
    JpegTrailer::SecondScan,         JpegTrailer::StrayBytes,
    JpegTrailer::Comment,            JpegTrailer::RestartMarker};
const char* jpegTrailerName(JpegTrailer trailer);

// Where the damage goes: just before the end-of-image marker, or (files of
// several scans) between the last two scans.
enum class TrailerPlace { BeforeEnd, BeforeLastScan };

// encodeJpeg(image, kind) with the damage put in place. Throws
// std::logic_error for a SecondScan in a file of several scans or a
// BeforeLastScan place in a file of one.
QByteArray jpegWithTrailer(const QImage& image, JpegKind kind, JpegTrailer trailer,
                           TrailerPlace place = TrailerPlace::BeforeEnd);

// ------------------------------------------------------------ CMYK and YCCK

enum class CmykKind {
    Cmyk,         // four components stored as given, Adobe marker (transform 0)
    Ycck,         // converted to YCCK by libjpeg, Adobe marker (transform 2)
    CmykNoAdobe,  // four components stored as given, no Adobe marker
};

// A w x h JPEG of four components from packed C, M, Y, K bytes (4 per
// pixel, rows top-down) exactly as they are to be stored: with an Adobe
// marker, 255 means no ink (the inverted form Adobe writes). Throws
// std::runtime_error when the bytes do not match the size.
QByteArray encodeCmykJpeg(const QByteArray& cmyk, int w, int h, CmykKind kind = CmykKind::Cmyk,
                          int quality = 95);

} // namespace soru::testlib
