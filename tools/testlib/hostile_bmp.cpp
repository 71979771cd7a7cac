// Bitmaps of every header size and compression value, and bitmaps damaged
// in one field each, built field by field.
#include "tools/testlib/hostile_internal.h"
#include "tools/testlib/internal.h"
#include "tools/testlib/testlib.h"

#include <QBuffer>

#include <optional>

namespace soru::testlib::hostile {
namespace {

using detail::LeWriter;
using detail::putU32;

constexpr int kW = 6, kH = 4; // not square, so swapped sides show

// What goes into one bitmap file.
struct Bmp {
    quint32 headerSize = 40;
    qint64 width = kW, height = kH;
    quint16 planes = 1, bitCount = 24;
    quint32 compression = 0;
    quint32 colorsUsed = 0;
    QByteArray masks;   // inside a header of 52 bytes or more, else after it
    QByteArray palette; // after the header and masks
    QByteArray pixels;
    std::optional<quint32> offBits; // default: right after the palette
};

QByteArray build(const Bmp& m) {
    QByteArray info;
    LeWriter o(info);
    o.u32(m.headerSize);
    if (m.headerSize == 12) {
        o.u16(quint16(m.width)), o.u16(quint16(m.height)), o.u16(m.planes), o.u16(m.bitCount);
    } else {
        o.i32(qint32(m.width)), o.i32(qint32(m.height)), o.u16(m.planes), o.u16(m.bitCount);
        if (m.headerSize >= 40) {
            o.u32(m.compression), o.u32(quint32(m.pixels.size())), o.u32(3780), o.u32(3780);
            o.u32(m.colorsUsed), o.u32(0);
        }
    }
    QByteArray after;
    if (m.headerSize >= 52) {
        QByteArray masks = m.masks.leftJustified(16, '\0', true);
        info += masks.left(m.headerSize >= 56 ? 16 : 12);
    } else {
        after = m.masks;
    }
    if (m.headerSize >= 108 && m.headerSize <= 124)
        info += QByteArray("BGRs", 4); // LCS_sRGB, little-endian
    // An absurd size field still comes with a 40-byte header.
    const qsizetype body = m.headerSize >= 12 && m.headerSize <= 256 ? qsizetype(m.headerSize) : 40;
    if (info.size() < body)
        info += QByteArray(body - info.size(), '\0');
    info.truncate(body);

    const quint32 off = m.offBits.value_or(quint32(14 + info.size() + after.size() + m.palette.size()));
    QByteArray file;
    LeWriter f(file);
    f.bytes("BM", 2);
    f.u32(quint32(14 + info.size() + after.size() + m.palette.size() + m.pixels.size()));
    f.u32(0);
    f.u32(off);
    return file + info + after + m.palette + m.pixels;
}

QImage picture() {
    return makePicture(kW, kH, Scene::TestPattern, 9);
}

QByteArray rows24(const QImage& img) {
    QByteArray out;
    for (int y = img.height() - 1; y >= 0; --y) {
        QByteArray row;
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            row.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
        }
        while (row.size() % 4)
            row.append('\0');
        out += row;
    }
    return out;
}

QByteArray rows32(const QImage& img) {
    QByteArray out;
    LeWriter o(out);
    for (int y = img.height() - 1; y >= 0; --y)
        for (int x = 0; x < img.width(); ++x)
            o.u32(img.pixel(x, y) & 0xFFFFFF);
    return out;
}

QByteArray greyPalette(int n, int entrySize = 4) {
    QByteArray p;
    for (int i = 0; i < n; ++i) {
        const char v = char(i * 255 / qMax(1, n - 1));
        p.append(v).append(v).append(v);
        if (entrySize == 4)
            p.append('\0');
    }
    return p;
}

QByteArray masks(quint32 r, quint32 g, quint32 b, std::optional<quint32> a = {}) {
    QByteArray out;
    LeWriter o(out);
    o.u32(r), o.u32(g), o.u32(b);
    if (a)
        o.u32(*a);
    return out;
}

QList<QByteArray> indexRows(int levels) {
    QList<QByteArray> rows;
    for (int y = 0; y < kH; ++y) {
        QByteArray r;
        for (int x = 0; x < kW; ++x)
            r.append(char((x + y * kW) % levels));
        rows << r;
    }
    return rows;
}

Bmp rgb24() {
    Bmp m;
    m.pixels = rows24(picture());
    return m;
}

Bmp rle8() {
    Bmp m;
    m.bitCount = 8;
    m.compression = 1;
    m.palette = greyPalette(256);
    m.pixels = encodeRle8(indexRows(256));
    return m;
}

Bmp rle4() {
    Bmp m;
    m.bitCount = 4;
    m.compression = 2;
    m.palette = greyPalette(16);
    m.pixels = encodeRle4(indexRows(16));
    return m;
}

Bmp bitfields32() {
    Bmp m;
    m.bitCount = 32;
    m.compression = 3;
    m.masks = masks(0xFF0000, 0xFF00, 0xFF);
    m.pixels = rows32(picture());
    return m;
}

QByteArray embedded(const char* format) {
    QByteArray b;
    QBuffer buffer(&b);
    buffer.open(QIODevice::WriteOnly);
    picture().save(&buffer, format);
    return b;
}

QString size() {
    return QStringLiteral("%1 x %2").arg(kW).arg(kH);
}

} // namespace

QList<HostileEntry> bitmapHeaderRows(const QByteArray& a) {
    using O = HostileOutcome;
    QList<HostileEntry> rows;
    // Header sizes with 24-bit pixels; 16 and 64 are the two-field and full
    // OS/2 2.x headers, which the reader does not take.
    const struct {
        quint32 size;
        bool read;
    } sizes[] = {{12, true}, {16, false}, {40, true}, {52, true}, {56, true}, {64, false},
                 {108, true}, {124, true}, {200, false}, {0, false}, {0xFFFFFFFF, false}};
    for (const auto& s : sizes) {
        Bmp m = rgb24();
        m.headerSize = s.size;
        const QByteArray name = QStringLiteral("header-%1-rgb24.bmp").arg(s.size).toUtf8();
        rows << fileRow(a, name, "24-bit pixels after an info header of this size",
                        s.read ? O::Shown : O::Refused, s.read ? size() : badBitmap(), build(m));
    }
    // 32-bit bit fields: masks after a 40-byte header, inside longer ones.
    for (quint32 s : {40u, 52u, 56u, 108u, 124u}) {
        Bmp m = bitfields32();
        m.headerSize = s;
        const QByteArray name = QStringLiteral("header-%1-bitfields32.bmp").arg(s).toUtf8();
        rows << fileRow(a, name, "32-bit bit fields with masks after or inside the header",
                        O::Shown, size(), build(m));
    }
    {
        Bmp m;
        m.headerSize = 12;
        m.bitCount = 8;
        m.palette = greyPalette(256, 3);
        QByteArray px;
        for (const QByteArray& r : indexRows(256)) {
            px.prepend(r + QByteArray(2, '\0')); // rows bottom-up, padded to 8 bytes
        }
        m.pixels = px;
        rows << fileRow(a, "header-12-pal8.bmp", "core header, 8 bits, 3-byte palette entries",
                        O::Shown, size(), build(m));
    }
    return rows;
}

QList<HostileEntry> bitmapCompressionRows(const QByteArray& a) {
    using O = HostileOutcome;
    QList<HostileEntry> rows;
    auto add = [&](quint32 value, const char* what, const Bmp& m, bool read) {
        const QByteArray name = QStringLiteral("compression-%1.bmp").arg(value).toUtf8();
        rows << fileRow(a, name, what, read ? O::Shown : O::Refused, read ? size() : badBitmap(),
                        build(m));
    };
    add(0, "BI_RGB, 24 bits", rgb24(), true);
    add(1, "BI_RLE8, 8 bits", rle8(), true);
    add(2, "BI_RLE4, 4 bits", rle4(), true);
    add(3, "BI_BITFIELDS, 32 bits", bitfields32(), true);
    {
        Bmp m;
        m.bitCount = 0;
        m.compression = 4;
        m.pixels = embedded("JPEG");
        add(4, "BI_JPEG, a JPEG inside", m, false);
        m.compression = 5;
        m.pixels = embedded("PNG");
        add(5, "BI_PNG, a PNG inside", m, false);
    }
    {
        Bmp m = bitfields32();
        m.compression = 6;
        m.masks = masks(0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
        add(6, "BI_ALPHABITFIELDS, 32 bits", m, false);
    }
    for (quint32 v : {7u, 8u, 9u, 10u}) {
        Bmp m = rgb24();
        m.compression = v;
        add(v, "an undefined compression value, 24 bits", m, false);
    }
    {
        Bmp m = bitfields32();
        m.masks.clear();
        m.compression = 11;
        add(11, "BI_CMYK, 32 bits", m, false);
        Bmp r8 = rle8();
        r8.compression = 12;
        add(12, "BI_CMYKRLE8", r8, false);
        Bmp r4 = rle4();
        r4.compression = 13;
        add(13, "BI_CMYKRLE4", r4, false);
    }
    for (quint32 v : {14u, 255u, 0x10000u, 0x80000000u, 0xFFFFFFFFu}) {
        Bmp m = rgb24();
        m.compression = v;
        add(v, "an absurd compression value, 24 bits", m, false);
    }
    // Compressions at bit counts they do not belong to.
    auto mismatch = [&](const char* name, const char* what, Bmp m) {
        rows << fileRow(a, name, what, O::Refused, badBitmap(), build(m));
    };
    {
        Bmp m = rgb24();
        m.compression = 1;
        mismatch("rle8-at-24-bits.bmp", "BI_RLE8 with 24 bits", m);
        m.compression = 3;
        mismatch("bitfields-at-24-bits.bmp", "BI_BITFIELDS with 24 bits", m);
        Bmp r = rle8();
        r.compression = 2;
        mismatch("rle4-at-8-bits.bmp", "BI_RLE4 with 8 bits", r);
        Bmp t = rle8();
        t.height = -kH;
        mismatch("rle8-top-down.bmp", "BI_RLE8 with a negative height", t);
    }
    return rows;
}

QList<HostileEntry> bitmapDamageRows(const QByteArray& a) {
    using O = HostileOutcome;
    QList<HostileEntry> rows;
    auto refused = [&](const char* name, const char* what, const QByteArray& bytes) {
        rows << fileRow(a, name, what, O::Refused, badBitmap(), bytes);
    };
    auto shown = [&](const char* name, const char* what, const QString& sz, const QByteArray& bytes) {
        rows << fileRow(a, name, what, O::Shown, sz, bytes);
    };
    const QByteArray good = build(rgb24());
    refused("cut-in-file-header.bmp", "ten bytes", good.left(10));
    refused("cut-in-info-header.bmp", "cut inside the info header", good.left(30));
    refused("cut-at-pixels.bmp", "headers only, no pixels", good.left(54));
    shown("cut-in-pixels.bmp", "half the pixel rows", size(), good.left(54 + (good.size() - 54) / 2));
    shown("cut-in-row.bmp", "cut in the middle of a row", size(), good.left(54 + 12 + 5));
    {
        QByteArray b = good;
        putU32(b, 10, 0);
        refused("offbits-zero.bmp", "pixels said to start at byte 0", b);
        putU32(b, 10, 0xFFFFFFF0u);
        refused("offbits-past-end.bmp", "pixels said to start 4 GB on", b);
    }
    auto field = [&](const char* name, const char* what, auto change, bool read, const QString& sz = {}) {
        Bmp m = rgb24();
        change(m);
        rows << fileRow(a, name, what, read ? O::Shown : O::Refused, read ? sz : badBitmap(), build(m));
    };
    field("width-zero.bmp", "width 0", [](Bmp& m) { m.width = 0; }, false);
    field("width-negative.bmp", "width -6", [](Bmp& m) { m.width = -kW; }, false);
    field("height-zero.bmp", "height 0", [](Bmp& m) { m.height = 0; }, false);
    field("height-negative.bmp", "height -4: rows top-down", [](Bmp& m) { m.height = -kH; }, true, size());
    field("height-int-min.bmp", "height -2147483648", [](Bmp& m) { m.height = qint64(INT32_MIN); }, false);
    field("width-int-max.bmp", "width 2147483647", [](Bmp& m) { m.width = INT32_MAX; }, false);
    field("planes-zero.bmp", "0 planes", [](Bmp& m) { m.planes = 0; }, false);
    for (quint16 bits : {0, 2, 64, 0xFFFF}) {
        const QByteArray name = QStringLiteral("bit-count-%1.bmp").arg(bits).toUtf8();
        Bmp m = rgb24();
        m.bitCount = bits;
        rows << fileRow(a, name, "a bit count no bitmap has", O::Refused, badBitmap(), build(m));
    }
    {
        Bmp m;
        m.bitCount = 8;
        m.colorsUsed = 0xFFFFFFFF;
        m.palette = greyPalette(256);
        for (const QByteArray& r : indexRows(256))
            m.pixels.prepend(r + QByteArray(2, '\0'));
        rows << fileRow(a, "colors-used-huge.bmp", "8 bits, biClrUsed 4294967295", O::Shown, size(),
                        build(m));
        Bmp cut = m;
        cut.colorsUsed = 0;
        const QByteArray whole = build(cut);
        rows << fileRow(a, "cut-in-palette.bmp", "8 bits, file ends inside the palette", O::Refused,
                        badBitmap(), whole.left(14 + 40 + 100));
        Bmp few = m;
        few.colorsUsed = 2;
        few.palette = greyPalette(2);
        rows << fileRow(a, "palette-of-two.bmp", "8 bits, two palette entries, indices up to 23",
                        O::Shown, size(), build(few));
    }
    auto maskRow = [&](const char* name, const char* what, const QByteArray& mk) {
        Bmp m = bitfields32();
        m.masks = mk;
        rows << fileRow(a, name, what, O::Refused, badBitmap(), build(m));
    };
    maskRow("masks-zero.bmp", "bit-field masks all zero", masks(0, 0, 0));
    maskRow("masks-overlapping.bmp", "bit-field masks overlapping", masks(0xFFFF00, 0xFF00, 0xFF));
    maskRow("masks-split.bmp", "a bit-field mask in two pieces", masks(0xF0F000, 0xF00, 0xFF));
    {
        Bmp m = bitfields32();
        m.bitCount = 16;
        m.masks = masks(0xFF0000, 0xFF00, 0xFF);
        m.pixels = QByteArray(kW * 2 * kH, '\x55');
        rows << fileRow(a, "masks-beyond-16-bits.bmp", "16 bits with 32-bit masks", O::Refused,
                        badBitmap(), build(m));
    }
    auto rleRow = [&](const char* name, const char* what, HostileOutcome outcome,
                      const QByteArray& stream, bool four = false) {
        Bmp m = four ? rle4() : rle8();
        m.pixels = stream;
        rows << fileRow(a, name, what, outcome, outcome == O::Shown ? size() : badBitmap(), build(m));
    };
    rleRow("rle-delta-past-top.bmp", "a delta 200 rows up", O::Refused,
           QByteArray("\x00\x02\x00\xC8\x01\x05\x00\x01", 8));
    rleRow("rle-absolute-past-row.bmp", "an absolute run of 40 on a 6-pixel row", O::Refused,
           QByteArray("\x00\x28", 2) + QByteArray(40, '\x01') + QByteArray("\x00\x01", 2));
    rleRow("rle-no-end.bmp", "a stream without end of bitmap", O::Shown,
           QByteArray("\x06\x01\x00\x00\x06\x02", 6));
    rleRow("rle-empty.bmp", "an empty stream (one padding byte)", O::Shown, QByteArray(1, '\0'));
    rleRow("rle-too-many-lines.bmp", "six ends of line in a 4-row picture", O::Refused,
           QByteArray("\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x01\x01", 14));
    rleRow("rle4-odd-absolute.bmp", "RLE4 absolute run of 5 cut short", O::Shown,
           QByteArray("\x00\x05\x12", 3), true);
    {
        // 16384 x 16384 at 24 bits is exactly the memory limit; the file
        // holds a few bytes of it.
        Bmp m = rgb24();
        m.width = 16384;
        m.height = 16384;
        m.pixels = QByteArray(64, '\x80');
        rows << fileRow(a, "16384x16384-claimed.bmp", "header says 16384 x 16384, 64 bytes of pixels",
                        O::Shown, QStringLiteral("16384 x 16384"), build(m));
        m.width = 16385;
        rows << fileRow(a, "16385x16384-claimed.bmp", "just over the memory limit", O::Refused,
                        badBitmap(), build(m));
    }
    rows << fileRow(a, "jpeg.bmp", "a valid JPEG named .bmp", O::Refused, badBitmap(), smallJpeg(16, 12));
    return rows;
}

} // namespace soru::testlib::hostile
