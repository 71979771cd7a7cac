#pragma once
// libjpeg behind three calls. libjpeg reports errors by a jump out of its
// own frames; that jump is confined to jpeg_decoder.cpp and every error
// comes out of here as a Failure with the text "JPEG エラー #N", N being
// libjpeg's message code. Warnings (a file cut short, stray bytes) are
// ignored: libjpeg fills what is missing and the picture is shown.
#include <QByteArray>
#include <QImage>
#include <QSize>

#include "media/formats/jpeg_limits.h"

namespace soru {

class ColourTransformCache;

struct JpegHeader {
    int width = 0;
    int height = 0;
    bool grayscale = false; // one component: decoded to at most 236 greys
    bool cmyk = false;      // four components (CMYK or YCCK)
    // The embedded ICC profile when its colour space is the picture's
    // (grey, RGB or CMYK) and lcms can use it; empty otherwise.
    QByteArray iccProfile;
    // Bytes per decoded pixel: 1 for an indexed grey picture, else 4.
    int bytesPerPixel() const { return grayscale ? 1 : 4; }
};

// Parses the header. Throws "JPEG エラー #N" for a damaged header, and
// "JPEG エラー #41" (libjpeg's JERR_IMAGE_TOO_BIG) when the decoded picture
// would exceed kMaxDecodedPictureBytes.
JpegHeader readJpegHeader(const QByteArray& bytes);

// The largest reduction of 8, 4, 2 and 1 at which the picture, decoded with
// libjpeg's DCT scaling (sizes rounded up), still covers the target.
int jpegScaleDenominator(QSize picture, QSize target);


// What the decode does with the rows of a file whose data ends early (a
// file cut short, a small file claiming a huge picture). libjpeg decodes
// them from nothing; in a Huffman-coded file whose every scan ran out they
// repeat one row (or two in turn) down to the bottom.
enum class JpegDataEnd {
    CopyBlankRows, // stop after the first few blank rows and copy them down
    DecodeAll,     // let libjpeg decode every row (the same picture, slower)
};

// What a decode did, for tests and benchmarks.
struct JpegDecodeInfo {
    bool copiedBlankRows = false;
    int decodedRows = 0; // output rows libjpeg made; the rest were copied
};

// The picture decoded at 1/denominator of its size (1, 2, 4 or 8): RGB32
// for a colour picture (CMYK and YCCK converted), Indexed8 with a grey
// palette of at most 236 entries for a grey one. Accurate integer DCT.
// Throws "JPEG エラー #N" for damage found in the scans or after them up to
// the end of the image, and "JPEG エラー #16" (JERR_BAD_PROGRESSION) for a
// file of more than kMaxJpegScans scans, which would take far longer to
// decode than its picture is worth.
//
// A CMYK picture with colours and cmykProfile (a CMYK ICC profile) is
// converted through it to targetProfile (empty: sRGB) with that cache;
// without them, or with a profile that cannot be used, by the plain formula.
QImage decodeJpeg(const QByteArray& bytes, int denominator,
                  JpegDataEnd dataEnd = JpegDataEnd::CopyBlankRows,
                  JpegDecodeInfo* info = nullptr, ColourTransformCache* colours = nullptr,
                  const QByteArray& cmykProfile = {},
                  const QByteArray& targetProfile = {});

} // namespace soru
