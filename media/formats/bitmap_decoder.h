#pragma once
// Our reader of Windows bitmap files. It takes the file's bytes and never
// reads outside them.
//
// Accepted: the 14-byte file header beginning with "BM"; a 12-byte core
// header or a 40-, 52-, 56-, 108- or 124-byte info header (read as 40 bytes
// plus the masks it holds); one plane; 1, 4 and 8 bits per pixel with a
// colour table (biClrUsed entries, or 2^n when 0 or larger), 16 and 32 bits
// as BI_RGB (5-5-5, 8-8-8) or BI_BITFIELDS (contiguous, non-overlapping,
// non-zero masks after a 40-byte header or inside a longer one), 24 bits;
// BI_RLE8 at 8 bits and BI_RLE4 at 4 bits; rows bottom-up, or top-down with
// a negative height when not run-length encoded.
//
// Everything else throws Failure("ビットマップイメージが不正です"), as does
// a bfOffBits before the end of the headers and colour table or at or past
// the end of the file, a picture whose decoded pixels would exceed
// kMaxDecodedPictureBytes (checked before allocating), and a run-length
// stream that writes outside the picture.
//
// Damaged but readable content is shown rather than refused:
// - Rows missing from a cut-short file are white (a partly received row
//   keeps its complete pixels).
// - A colour index beyond the colour table is black.
// - Pixels a run-length stream skips (delta, early end of line or of
//   bitmap, a stream cut short) take colour table entry 0.
#include <QImage>

#include <span>

namespace soru {

// Where the decoder finds the file's bytes. It asks for the headers first,
// then for the pixel rows in file order, so a file can be read piece by
// piece instead of whole.
class BitmapSource {
public:
    virtual ~BitmapSource() = default;
    virtual qint64 size() const = 0;
    // The bytes [offset, offset + length) of the file, fewer where the file
    // ends (none past it). Valid until the next call.
    virtual std::span<const uchar> read(qint64 offset, qint64 length) = 0;
};

// The decoded picture, as Format_RGB32.
QImage decodeBitmap(BitmapSource& source);
QImage decodeBitmap(const uchar* data, qsizetype size);

// The picture's size, after checking everything decodeBitmap refuses: the
// headers and, for a run-length picture, its whole stream. Throws the same
// failures decodeBitmap throws, but allocates nothing for the pixels.
QSize checkBitmap(BitmapSource& source);

// The picture resampled by area averaging into a size.width() x
// size.height() block of opaque 32-bit pixels at out (rows stride bytes
// apart), decoded row by row: memory follows the target, not the picture.
// Rows past the end of the file's data are not read but taken as one row,
// so a small file claiming a huge picture costs little. Matches
// smoothScaled(decodeBitmap(source), size) to within one per channel.
void decodeBitmapScaled(BitmapSource& source, QSize size, uchar* out, qsizetype stride);

// The RGB ICC profile that describes the picture's colours: the one
// embedded in a version 5 header, or one made from a version 4 or 5
// header's calibrated endpoints (the primaries' chromaticities, under a D65
// white) and gammas. Empty for sRGB and the system's
// colour space, for a linked profile, and whenever the numbers or the
// profile are not usable: the picture is then shown as sRGB. Never throws
// for the colour fields; the headers must have passed checkBitmap.
QByteArray bitmapColourProfile(BitmapSource& source);

} // namespace soru
