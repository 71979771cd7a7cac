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

// ------------------------------------------------- encoder options, sizes

struct JpegOptions {
    JpegKind kind = JpegKind::Baseline;
    bool progressive = false; // progressive whatever the kind (grey included)
    int quality = 85;
    int restartInterval = 0; // a restart marker every n MCUs; 0: none
    bool fullChroma = false; // 4:4:4 instead of 4:2:0 (colour kinds)
    bool arithmetic = false; // arithmetic coding instead of Huffman
};
QByteArray encodeJpegWith(const QImage& image, const JpegOptions& options);

// The file with its frame header's size replaced: a small file that claims
// a large picture, whose data ends long before the picture does.
QByteArray withClaimedSize(const QByteArray& jpeg, int width, int height);

// The file cut inside the data of its first scan, after the given share
// (0 to 100) of that data.
QByteArray cutInFirstScan(const QByteArray& jpeg, int percent);

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

// ------------------------------------------------------- EXIF orientation

// A picture of 4 x 2 flat blocks of distinct colours, blockSize pixels
// each: no turn or mirror of it equals another. Block (col, row) has
// orientationBlockColour(col, row).
QImage orientationBlocks(int blockSize = 16);
QRgb orientationBlockColour(int col, int row);

// The stored picture as a viewer must show it for the EXIF orientation
// (1 to 8; anything else: unchanged), pixel by pixel from the tag's
// definition: 2 mirrored left to right, 3 turned half round, 4 mirrored top
// to bottom, 5 rows and columns exchanged, 6 turned a quarter clockwise,
// 7 exchanged across the other diagonal, 8 turned a quarter anticlockwise.
QImage uprightOf(const QImage& stored, int orientation);

// The payload of an APP1 segment ("Exif", two zero bytes, a TIFF header and
// IFD 0) holding an image description, the orientation tag with the value
// given (written as it is, 0 and 9 included) and a resolution, in Intel
// (little-endian) or Motorola (big-endian) byte order.
QByteArray exifOrientationBlock(int orientation, bool bigEndian = false);

// The JPEG file with an APP1 segment of that payload put after the JFIF
// segment (or after the start-of-image marker when there is none).
QByteArray withApp1Segment(const QByteArray& jpeg, const QByteArray& payload);

// encodeJpeg(image, kind) carrying exifOrientationBlock(orientation): the
// stored picture is the image as given, the tag says how to turn it.
QByteArray encodeJpegWithOrientation(const QImage& image, int orientation,
                                     JpegKind kind = JpegKind::Baseline, bool bigEndian = false);
void writeJpegWithOrientation(const QString& path, const QImage& image, int orientation,
                              JpegKind kind = JpegKind::Baseline);

} // namespace soru::testlib
