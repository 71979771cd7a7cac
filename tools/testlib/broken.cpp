// Damaged and mislabelled files. Most start from a valid file and break it
// in exactly one place, so a reader that fails on them fails for that one
// reason.
#include "tools/testlib/internal.h"
#include "tools/testlib/testlib.h"

#include <QBuffer>
#include <QtEndian>

#include <stdexcept>

namespace soru::testlib {
namespace {

using detail::LeWriter;
using detail::putU16;
using detail::putU32;

constexpr BrokenInfo kBroken[] = {
    {BrokenKind::JpegNotJpeg, "jpeg-not-jpeg", "jpeg-not-jpeg.jpg", Reader::Jpeg},
    {BrokenKind::JpegGarbageAfterSoi, "jpeg-garbage-after-soi", "jpeg-garbage-after-soi.jpg",
     Reader::Jpeg},
    {BrokenKind::JpegBogusMarkerLength, "jpeg-bogus-marker-length", "jpeg-bogus-marker-length.jpg",
     Reader::Jpeg},
    {BrokenKind::JpegZeroWidth, "jpeg-zero-width", "jpeg-zero-width.jpg", Reader::Jpeg},
    {BrokenKind::JpegTruncated, "jpeg-truncated", "jpeg-truncated.jpg", Reader::Jpeg},
    {BrokenKind::JpegEmpty, "jpeg-empty", "jpeg-empty.jpg", Reader::Jpeg},
    {BrokenKind::PngNamedJpg, "png-named-jpg", "png-named-jpg.jpg", Reader::Jpeg},
    {BrokenKind::BmpNamedJpg, "bmp-named-jpg", "bmp-named-jpg.jpg", Reader::Jpeg},
    {BrokenKind::BmpEmpty, "bmp-empty", "bmp-empty.bmp", Reader::Bitmap},
    {BrokenKind::BmpBadSignature, "bmp-bad-signature", "bmp-bad-signature.bmp", Reader::Bitmap},
    {BrokenKind::BmpPlanesNotOne, "bmp-planes-not-one", "bmp-planes-not-one.bmp", Reader::Bitmap},
    {BrokenKind::BmpUnknownHeaderSize, "bmp-unknown-header-size", "bmp-unknown-header-size.bmp",
     Reader::Bitmap},
    {BrokenKind::BmpBadBitCount, "bmp-bad-bit-count", "bmp-bad-bit-count.bmp", Reader::Bitmap},
    {BrokenKind::BmpTruncatedPixels, "bmp-truncated-pixels", "bmp-truncated-pixels.bmp",
     Reader::Bitmap},
    {BrokenKind::BmpHugeDimensions, "bmp-huge-dimensions", "bmp-huge-dimensions.bmp",
     Reader::Bitmap},
    {BrokenKind::BmpRleOverrun, "bmp-rle-overrun", "bmp-rle-overrun.bmp", Reader::Bitmap},
    {BrokenKind::JpegNamedBmp, "jpeg-named-bmp", "jpeg-named-bmp.bmp", Reader::Bitmap},
    {BrokenKind::WavNotRiff, "wav-not-riff", "wav-not-riff.wav", Reader::Sound},
    {BrokenKind::WavTruncated, "wav-truncated", "wav-truncated.wav", Reader::Sound},
};

// Offsets in a bitmap with a 40-byte header.
constexpr int kBiSize = 14, kBiPlanes = 26, kBiBitCount = 28;

QImage sample() {
    return makePicture(64, 48, Scene::Tiles, 7);
}

// Position of the first marker FF xx at or after the SOI, or -1.
int findMarker(const QByteArray& jpeg, uchar code) {
    for (int i = 2; i + 1 < jpeg.size(); ++i)
        if (uchar(jpeg[i]) == 0xFF && uchar(jpeg[i + 1]) == code)
            return i;
    return -1;
}

int requireMarker(const QByteArray& jpeg, uchar code) {
    const int at = findMarker(jpeg, code);
    if (at < 0)
        throw std::logic_error("generated JPEG lacks an expected marker");
    return at;
}

QByteArray hugeBmp() {
    QByteArray out;
    LeWriter o(out);
    o.bytes("BM", 2);
    o.u32(14 + 40 + 16), o.u32(0), o.u32(14 + 40);
    o.u32(40), o.i32(100000), o.i32(100000), o.u16(1), o.u16(24);
    o.u32(0), o.u32(0); // BI_RGB, biSizeImage 0 (allowed for BI_RGB; the real size needs 35 bits)
    o.u32(3780), o.u32(3780), o.u32(0), o.u32(0);
    o.zeros(16); // a few pixels, nowhere near a row
    return out;
}

// 8 x 4, 8 bpp RLE: a run of 200 on an 8-pixel row, then a delta far above
// the top row and another run there.
QByteArray rleOverrunBmp() {
    QByteArray bmp = encodeBmp(makePicture(8, 4, Scene::Plain, 3), BmpKind::Rle8);
    const int offBits = int(qFromLittleEndian<quint32>(bmp.constData() + 10));
    bmp.truncate(offBits);
    QByteArray stream;
    LeWriter o(stream);
    o.u8(200), o.u8(5);                  // overruns the bottom row
    o.u8(0), o.u8(0);                    // end of line
    o.u8(0), o.u8(2), o.u8(3), o.u8(10); // delta: 3 right, 10 up
    o.u8(50), o.u8(9);
    o.u8(0), o.u8(1); // end of bitmap
    bmp += stream;
    putU32(bmp, 2, std::uint32_t(bmp.size()));
    putU32(bmp, 34, std::uint32_t(stream.size()));
    return bmp;
}

} // namespace

std::span<const BrokenInfo> brokenKinds() {
    return kBroken;
}

const BrokenInfo& brokenInfo(BrokenKind kind) {
    for (const BrokenInfo& info : kBroken)
        if (info.kind == kind)
            return info;
    throw std::invalid_argument("unknown BrokenKind");
}

QByteArray brokenBytes(BrokenKind kind) {
    switch (kind) {
    case BrokenKind::JpegNotJpeg:
        return QByteArrayLiteral("This is a text file, not a picture.\r\n");
    case BrokenKind::JpegGarbageAfterSoi: {
        QByteArray b("\xFF\xD8", 2);
        for (int i = 0; i < 64; ++i)
            b.append(char(0x20 + (i * 37) % 90)); // never 0xFF, so never a marker
        return b;
    }
    case BrokenKind::JpegBogusMarkerLength: {
        QByteArray b = encodeJpeg(sample());
        // The first DQT segment's big-endian length becomes 1, less than
        // the two bytes of the length field itself.
        const int dqt = requireMarker(b, 0xDB);
        b[dqt + 2] = 0;
        b[dqt + 3] = 1;
        return b;
    }
    case BrokenKind::JpegZeroWidth: {
        QByteArray b = encodeJpeg(sample());
        // SOF0: FF C0, length(2), precision(1), height(2), width(2).
        const int sof = requireMarker(b, 0xC0);
        b[sof + 7] = 0;
        b[sof + 8] = 0;
        return b;
    }
    case BrokenKind::JpegTruncated: {
        const QByteArray b = encodeJpeg(makePicture(320, 240, Scene::Landscape, 5));
        const int sos = requireMarker(b, 0xDA);
        return b.left(sos + (b.size() - sos) / 2);
    }
    case BrokenKind::JpegEmpty:
    case BrokenKind::BmpEmpty:
        return {};
    case BrokenKind::PngNamedJpg: {
        QByteArray b;
        QBuffer buffer(&b);
        buffer.open(QIODevice::WriteOnly);
        if (!sample().save(&buffer, "PNG"))
            throw std::runtime_error("PNG encoding failed");
        return b;
    }
    case BrokenKind::BmpNamedJpg:
        return encodeBmp(sample());
    case BrokenKind::BmpBadSignature: {
        QByteArray b = encodeBmp(sample());
        b[1] = 'X';
        return b;
    }
    case BrokenKind::BmpPlanesNotOne: {
        QByteArray b = encodeBmp(sample());
        putU16(b, kBiPlanes, 2);
        return b;
    }
    case BrokenKind::BmpUnknownHeaderSize: {
        QByteArray b = encodeBmp(sample());
        putU32(b, kBiSize, 44);
        return b;
    }
    case BrokenKind::BmpBadBitCount: {
        QByteArray b = encodeBmp(sample());
        putU16(b, kBiBitCount, 7);
        return b;
    }
    case BrokenKind::BmpTruncatedPixels: {
        const QByteArray b = encodeBmp(sample());
        const int offBits = 14 + 40;
        return b.left(offBits + (b.size() - offBits) / 2);
    }
    case BrokenKind::BmpHugeDimensions:
        return hugeBmp();
    case BrokenKind::BmpRleOverrun:
        return rleOverrunBmp();
    case BrokenKind::JpegNamedBmp:
        return encodeJpeg(sample());
    case BrokenKind::WavNotRiff:
        return QByteArrayLiteral("This is not a sound.\r\n");
    case BrokenKind::WavTruncated: {
        const QByteArray b = wavBytes(500, 660.0);
        return b.left(44 + (b.size() - 44) / 3);
    }
    }
    throw std::invalid_argument("unknown BrokenKind");
}

void writeBroken(const QString& path, BrokenKind kind) {
    writeFile(path, brokenBytes(kind));
}

} // namespace soru::testlib
