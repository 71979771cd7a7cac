// Windows bitmap files written byte by byte, with the header fields Windows
// itself writes (bfSize, bfOffBits, biSizeImage, 96 dpi), for every common
// pixel layout, palette size, compression and header version.
#include "tools/testlib/internal.h"
#include "tools/testlib/testlib.h"

#include <QList>

#include <algorithm>
#include <stdexcept>

namespace soru::testlib {
namespace {

using detail::LeWriter;

enum Compression : std::uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };
constexpr int kFileHeaderSize = 14;
constexpr std::uint32_t kPixelsPerMetre = 3780; // 96 dpi
constexpr std::uint32_t kLcsSrgb = 0x73524742;  // 'sRGB'
constexpr std::uint32_t kLcsGmImages = 4;

const QList<QRgb>& vgaPalette() {
    static const QList<QRgb> p = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                  0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                  0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    return p;
}

// 6x6x6 colour cube (index r*36 + g*6 + b), then 40 greys between its greys.
const QList<QRgb>& cubePalette() {
    static const QList<QRgb> p = [] {
        QList<QRgb> c;
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    c.append(qRgb(r * 51, g * 51, b * 51));
        for (int i = 1; i <= 40; ++i) {
            const int v = (i * 255 + 20) / 41;
            c.append(qRgb(v, v, v));
        }
        return c;
    }();
    return p;
}

const QList<QRgb>& monoPalette() {
    static const QList<QRgb> p = {0x000000, 0xFFFFFF};
    return p;
}

int distance2(QRgb a, QRgb b) {
    const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    return dr * dr + dg * dg + db * db;
}

int nearest(const QList<QRgb>& palette, QRgb c) {
    int best = 0;
    for (int i = 1; i < palette.size(); ++i)
        if (distance2(palette[i], c) < distance2(palette[best], c))
            best = i;
    return best;
}

int cubeIndex(QRgb c) {
    auto level = [](int v) { return (v + 25) / 51; };
    const int cube = level(qRed(c)) * 36 + level(qGreen(c)) * 6 + level(qBlue(c));
    const int mean = (qRed(c) + qGreen(c) + qBlue(c)) / 3;
    const int grey = 216 + std::clamp((mean * 41 + 127) / 255 - 1, 0, 39);
    const auto& p = cubePalette();
    return distance2(p[grey], c) < distance2(p[cube], c) ? grey : cube;
}

enum class Quantizer { None, Cube, Vga, Mono };

const QList<QRgb>& paletteOf(Quantizer q) {
    return q == Quantizer::Cube  ? cubePalette()
           : q == Quantizer::Vga ? vgaPalette()
                                 : monoPalette();
}

// Rec. 601 luma, 0-255.
int luma(QRgb c) {
    return (299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c) + 500) / 1000;
}

// Palette indices, one byte per pixel, rows top-down: nearest colour, no
// dithering; 1 bpp splits at mid-grey luma.
QList<QByteArray> indices(const QImage& img, Quantizer q) {
    QList<QByteArray> rows;
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        QByteArray row(img.width(), '\0');
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = line[x];
            row[x] = char(q == Quantizer::Cube   ? cubeIndex(c)
                          : q == Quantizer::Mono ? (luma(c) >= 128 ? 1 : 0)
                                                 : nearest(vgaPalette(), c));
        }
        rows.append(row);
    }
    return rows;
}

int stride(int width, int bpp) {
    return ((width * bpp + 31) / 32) * 4;
}

QByteArray packIndices(const QByteArray& row, int bpp, int rowBytes) {
    QByteArray out(rowBytes, '\0');
    for (int x = 0; x < row.size(); ++x) {
        const unsigned v = uchar(row[x]);
        const int bit = x * bpp;
        out[bit / 8] = char(uchar(out[bit / 8]) | (v << (8 - bpp - bit % 8)));
    }
    return out;
}

unsigned scale(int v, int max) {
    return unsigned((v * max + 127) / 255);
}

// One row of direct-colour pixels, padded to 4 bytes.
QByteArray directRow(const QRgb* line, int width, int bpp, bool rgb565, bool alpha) {
    QByteArray out;
    LeWriter o(out);
    for (int x = 0; x < width; ++x) {
        const QRgb c = line[x];
        switch (bpp) {
        case 16:
            o.u16(
                rgb565
                    ? (scale(qRed(c), 31) << 11 | scale(qGreen(c), 63) << 5 | scale(qBlue(c), 31))
                    : (scale(qRed(c), 31) << 10 | scale(qGreen(c), 31) << 5 | scale(qBlue(c), 31)));
            break;
        case 24:
            o.u8(qBlue(c)), o.u8(qGreen(c)), o.u8(qRed(c));
            break;
        default:
            o.u8(qBlue(c)), o.u8(qGreen(c)), o.u8(qRed(c)), o.u8(alpha ? 0xFF : 0);
            break;
        }
    }
    o.zeros(stride(width, bpp) - int(out.size()));
    return out;
}

struct Layout {
    int headerSize = 40;
    int bpp = 24;
    Compression compression = BI_RGB;
    Quantizer quantizer = Quantizer::None;
    bool clrUsedWritten = false;
    bool topDown = false;
    bool rgb565 = false;
    bool extraMasks = false; // three masks after a 40-byte header
    std::uint32_t masks[4] = {0, 0, 0, 0};
};

Layout layoutFor(BmpKind kind) {
    Layout l;
    switch (kind) {
    case BmpKind::Rgb24:
        break;
    case BmpKind::Rgb24TopDown:
        l.topDown = true;
        break;
    case BmpKind::Rgb32:
        l.bpp = 32;
        break;
    case BmpKind::Rgb16:
        l.bpp = 16;
        break;
    case BmpKind::Bitfields16:
        l.bpp = 16, l.compression = BI_BITFIELDS, l.rgb565 = true, l.extraMasks = true;
        l.masks[0] = 0xF800, l.masks[1] = 0x07E0, l.masks[2] = 0x001F;
        break;
    case BmpKind::Bitfields32:
        l.bpp = 32, l.compression = BI_BITFIELDS, l.extraMasks = true;
        l.masks[0] = 0x00FF0000, l.masks[1] = 0x0000FF00, l.masks[2] = 0x000000FF;
        break;
    case BmpKind::Pal8:
        l.bpp = 8, l.quantizer = Quantizer::Cube;
        break;
    case BmpKind::Pal8Short:
        l.bpp = 8, l.quantizer = Quantizer::Vga, l.clrUsedWritten = true;
        break;
    case BmpKind::Pal4:
        l.bpp = 4, l.quantizer = Quantizer::Vga;
        break;
    case BmpKind::Pal1:
        l.bpp = 1, l.quantizer = Quantizer::Mono;
        break;
    case BmpKind::Rle8:
        l.bpp = 8, l.quantizer = Quantizer::Cube, l.compression = BI_RLE8;
        break;
    case BmpKind::Rle4:
        l.bpp = 4, l.quantizer = Quantizer::Vga, l.compression = BI_RLE4;
        break;
    case BmpKind::Core24:
        l.headerSize = 12;
        break;
    case BmpKind::Core8:
        l.headerSize = 12, l.bpp = 8, l.quantizer = Quantizer::Cube;
        break;
    case BmpKind::V4Header:
        l.headerSize = 108;
        break;
    case BmpKind::V5Header:
        l.headerSize = 124, l.bpp = 32, l.compression = BI_BITFIELDS;
        l.masks[0] = 0x00FF0000, l.masks[1] = 0x0000FF00, l.masks[2] = 0x000000FF,
        l.masks[3] = 0xFF000000;
        break;
    }
    return l;
}

QByteArray pixelData(const QImage& img, const Layout& l) {
    const int w = img.width(), h = img.height();
    QByteArray data;
    if (l.quantizer != Quantizer::None) {
        const QList<QByteArray> rows = indices(img, l.quantizer);
        if (l.compression == BI_RLE8)
            return encodeRle8(rows);
        if (l.compression == BI_RLE4)
            return encodeRle4(rows);
        for (int i = 0; i < h; ++i)
            data += packIndices(rows[l.topDown ? i : h - 1 - i], l.bpp, stride(w, l.bpp));
        return data;
    }
    for (int i = 0; i < h; ++i) {
        const int y = l.topDown ? i : h - 1 - i;
        data += directRow(reinterpret_cast<const QRgb*>(img.constScanLine(y)), w, l.bpp, l.rgb565,
                          l.masks[3] != 0);
    }
    return data;
}

} // namespace

const char* bmpKindName(BmpKind kind) {
    switch (kind) {
    case BmpKind::Rgb24:
        return "rgb24";
    case BmpKind::Rgb24TopDown:
        return "rgb24-top-down";
    case BmpKind::Rgb32:
        return "rgb32";
    case BmpKind::Rgb16:
        return "rgb16-555";
    case BmpKind::Bitfields16:
        return "bitfields16-565";
    case BmpKind::Bitfields32:
        return "bitfields32";
    case BmpKind::Pal8:
        return "pal8";
    case BmpKind::Pal8Short:
        return "pal8-16-colours";
    case BmpKind::Pal4:
        return "pal4";
    case BmpKind::Pal1:
        return "pal1";
    case BmpKind::Rle8:
        return "rle8";
    case BmpKind::Rle4:
        return "rle4";
    case BmpKind::Core24:
        return "core24";
    case BmpKind::Core8:
        return "core8";
    case BmpKind::V4Header:
        return "v4-header";
    case BmpKind::V5Header:
        return "v5-header";
    }
    return "?";
}

QByteArray encodeBmp(const QImage& image, BmpKind kind) {
    if (image.isNull())
        throw std::runtime_error("encodeBmp: empty image");
    const Layout l = layoutFor(kind);
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    const int w = img.width(), h = img.height();
    const bool core = l.headerSize == 12;
    if (core && (w > 0xFFFF || h > 0xFFFF))
        throw std::runtime_error("encodeBmp: too large for a core header");

    const QByteArray data = pixelData(img, l);
    const QList<QRgb> palette =
        l.quantizer == Quantizer::None ? QList<QRgb>() : paletteOf(l.quantizer);
    const int paletteBytes = int(palette.size()) * (core ? 3 : 4);
    const int offBits = kFileHeaderSize + l.headerSize + (l.extraMasks ? 12 : 0) + paletteBytes;

    QByteArray out;
    LeWriter o(out);
    o.bytes("BM", 2);
    o.u32(std::uint32_t(offBits + data.size())); // bfSize
    o.u16(0), o.u16(0);                          // bfReserved1, bfReserved2
    o.u32(std::uint32_t(offBits));               // bfOffBits
    o.u32(std::uint32_t(l.headerSize));
    if (core) {
        o.u16(unsigned(w)), o.u16(unsigned(h)), o.u16(1), o.u16(unsigned(l.bpp));
    } else {
        o.i32(w);
        o.i32(l.topDown ? -h : h);
        o.u16(1);
        o.u16(unsigned(l.bpp));
        o.u32(l.compression);
        o.u32(std::uint32_t(data.size())); // biSizeImage
        o.u32(kPixelsPerMetre), o.u32(kPixelsPerMetre);
        o.u32(l.clrUsedWritten ? std::uint32_t(palette.size()) : 0); // biClrUsed: 0 means 2^bpp
        o.u32(0);                                                    // biClrImportant
        if (l.headerSize >= 108) {
            for (std::uint32_t m : l.masks)
                o.u32(m);
            o.u32(kLcsSrgb);
            o.zeros(36 + 12); // endpoints, gamma: unused with sRGB
        }
        if (l.headerSize >= 124) {
            o.u32(kLcsGmImages);
            o.u32(0), o.u32(0), o.u32(0); // profile data, profile size, reserved
        }
        if (l.extraMasks)
            o.u32(l.masks[0]), o.u32(l.masks[1]), o.u32(l.masks[2]);
    }
    for (QRgb c : palette) {
        o.u8(qBlue(c)), o.u8(qGreen(c)), o.u8(qRed(c));
        if (!core)
            o.u8(0);
    }
    Q_ASSERT(out.size() == offBits);
    out += data;
    return out;
}

void writeBmp(const QString& path, const QImage& image, BmpKind kind) {
    writeFile(path, encodeBmp(image, kind));
}

} // namespace soru::testlib
