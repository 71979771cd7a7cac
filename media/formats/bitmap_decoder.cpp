#include "media/formats/bitmap_decoder.h"
#include "media/colour/colour_management.h"

#include "core/failure.h"
#include "core/limits.h"
#include "media/formats/picture_object.h"
#include "media/formats/scaling.h"

#include <QtEndian>

#include <array>
#include <bit>
#include <new>
#include <vector>

namespace soru {
namespace {

enum Compression : quint32 { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3 };
constexpr qint64 kFileHeader = 14;
constexpr QRgb kMissing = 0xFFFFFFFF; // rows a cut-short file lacks
constexpr QRgb kOutOfTable = 0xFF000000;

[[noreturn]] void invalid() {
    throw Failure(text::kBadBitmap);
}

// Bounds-checked little-endian reads of a stretch of the file held in
// memory: data holds the file's bytes [offset, offset + length).
class Bytes {
public:
    Bytes(std::span<const uchar> data, qint64 offset)
        : data_(data.data()), offset_(offset), end_(offset + qint64(data.size())) {}
    qint64 end() const { return end_; }
    const uchar* at(qint64 offset) const { return data_ + (offset - offset_); }
    bool holds(qint64 offset, qint64 length) const {
        return offset >= offset_ && length >= 0 && offset <= end_ && length <= end_ - offset;
    }
    quint16 u16(qint64 offset) const { return qFromLittleEndian<quint16>(checked(offset, 2)); }
    quint32 u32(qint64 offset) const { return qFromLittleEndian<quint32>(checked(offset, 4)); }
    qint32 i32(qint64 offset) const { return qFromLittleEndian<qint32>(checked(offset, 4)); }

private:
    const uchar* checked(qint64 offset, qint64 length) const {
        if (!holds(offset, length))
            invalid();
        return at(offset);
    }
    const uchar* data_;
    qint64 offset_, end_;
};

// Headers, bit-field masks and the largest colour table all lie within the
// file's first bytes.
constexpr qint64 kHeadersMaxSize = kFileHeader + 124 + 12 + 256 * 4;

class MemorySource final : public BitmapSource {
public:
    MemorySource(const uchar* data, qsizetype size) : data_(data), size_(size) {}
    qint64 size() const override { return size_; }
    std::span<const uchar> read(qint64 offset, qint64 length) override {
        if (offset < 0 || offset >= size_ || length <= 0)
            return {};
        return {data_ + offset, std::size_t(qMin(length, size_ - offset))};
    }

private:
    const uchar* data_;
    qint64 size_;
};

// One colour channel of a 16- or 32-bit pixel: where its bits are and how
// its values widen to 8 bits.
struct Channel {
    int shift = 0;
    quint32 mask = 0; // after the shift, at most 8 bits
    std::array<quint8, 256> widen{};
};

Channel channelFor(quint32 mask) {
    Channel c;
    int bits = std::popcount(mask);
    c.shift = std::countr_zero(mask);
    if (bits > 8) { // keep the top 8 bits
        c.shift += bits - 8;
        bits = 8;
    }
    c.mask = (1u << bits) - 1;
    for (quint32 v = 0; v <= c.mask; ++v)
        c.widen[v] = quint8((v * 255 + c.mask / 2) / c.mask);
    return c;
}

bool validMasks(const quint32 (&masks)[3], int bitCount) {
    const quint32 allowed = bitCount == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    for (int i = 0; i < 3; ++i) {
        const quint32 m = masks[i];
        if (m == 0 || (m & ~allowed))
            return false;
        const quint32 low = m >> std::countr_zero(m);
        if ((low & (low + 1)) != 0) // not one contiguous run of bits
            return false;
        for (int j = 0; j < i; ++j)
            if (m & masks[j])
                return false;
    }
    return true;
}

struct Header {
    qint64 width = 0, height = 0;
    bool topDown = false;
    int bitCount = 0;
    quint32 compression = kRgb;
    quint32 masks[3] = {0, 0, 0};
    std::array<QRgb, 256> palette{}; // padded with black
    qint64 offBits = 0;
    qint64 stride = 0;
};

Header readHeader(const Bytes& b, qint64 fileSize) {
    if (!b.holds(0, kFileHeader + 4) || b.at(0)[0] != 'B' || b.at(0)[1] != 'M')
        invalid();
    Header h;
    h.offBits = b.u32(10);
    const qint64 infoSize = b.u32(14);
    const bool core = infoSize == 12;
    if (!core && infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 108 &&
        infoSize != 124)
        invalid();
    if (!b.holds(kFileHeader, infoSize))
        invalid();

    int planes;
    quint32 colorsUsed = 0;
    if (core) {
        h.width = b.u16(18);
        h.height = b.u16(20);
        planes = b.u16(22);
        h.bitCount = b.u16(24);
    } else {
        h.width = b.i32(18);
        h.height = b.i32(22);
        planes = b.u16(26);
        h.bitCount = b.u16(28);
        h.compression = b.u32(30);
        colorsUsed = b.u32(46);
    }
    if (planes != 1 || h.width <= 0 || h.height == 0)
        invalid();
    if (h.height < 0) {
        h.topDown = true;
        h.height = -h.height;
    }

    bool allowed = false;
    switch (h.bitCount) {
    case 1:
    case 24:
        allowed = h.compression == kRgb;
        break;
    case 4:
        allowed = h.compression == kRgb || (h.compression == kRle4 && !core);
        break;
    case 8:
        allowed = h.compression == kRgb || (h.compression == kRle8 && !core);
        break;
    case 16:
    case 32:
        allowed = !core && (h.compression == kRgb || h.compression == kBitfields);
        break;
    default:
        break;
    }
    const bool rle = h.compression == kRle8 || h.compression == kRle4;
    if (!allowed || (rle && h.topDown))
        invalid();
    if (!pictureFitsMemoryLimit(h.width, h.height, 4))
        invalid();

    qint64 headersEnd = kFileHeader + infoSize;
    if (h.compression == kBitfields) {
        const qint64 at = kFileHeader + 40; // inside a longer header, else right after it
        if (infoSize == 40)
            headersEnd += 12;
        for (int i = 0; i < 3; ++i)
            h.masks[i] = b.u32(at + 4 * i);
        if (!validMasks(h.masks, h.bitCount))
            invalid();
    } else if (h.bitCount == 16) {
        h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F;
    } else if (h.bitCount == 32) {
        h.masks[0] = 0xFF0000, h.masks[1] = 0xFF00, h.masks[2] = 0xFF;
    }

    h.palette.fill(kOutOfTable);
    if (h.bitCount <= 8) {
        const quint32 full = 1u << h.bitCount;
        const quint32 entries = colorsUsed == 0 || colorsUsed > full ? full : colorsUsed;
        const int entrySize = core ? 3 : 4;
        if (!b.holds(headersEnd, qint64(entries) * entrySize))
            invalid();
        for (quint32 i = 0; i < entries; ++i) {
            const uchar* e = b.at(headersEnd + qint64(i) * entrySize);
            h.palette[i] = qRgb(e[2], e[1], e[0]);
        }
        headersEnd += qint64(entries) * entrySize;
    }
    if (h.offBits < headersEnd || h.offBits >= fileSize)
        invalid();
    h.stride = (h.width * h.bitCount + 31) / 32 * 4;
    return h;
}

// ------------------------------------------------------------ uncompressed

// Decodes the first `pixels` pixels of one file row into a picture row.
void decodeRow(const Header& h, const uchar* src, qint64 pixels, uchar* dst,
               const Channel (&ch)[3]) {
    auto* out = reinterpret_cast<QRgb*>(dst);
    switch (h.bitCount) {
    case 24:
        for (qint64 x = 0; x < pixels; ++x)
            out[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        return;
    case 32:
        if (h.masks[0] == 0xFF0000 && h.masks[1] == 0xFF00 && h.masks[2] == 0xFF) {
            for (qint64 x = 0; x < pixels; ++x)
                out[x] = qFromLittleEndian<quint32>(src + 4 * x) | 0xFF000000u;
            return;
        }
        for (qint64 x = 0; x < pixels; ++x) {
            const quint32 p = qFromLittleEndian<quint32>(src + 4 * x);
            out[x] = qRgb(ch[0].widen[(p >> ch[0].shift) & ch[0].mask],
                          ch[1].widen[(p >> ch[1].shift) & ch[1].mask],
                          ch[2].widen[(p >> ch[2].shift) & ch[2].mask]);
        }
        return;
    case 16:
        for (qint64 x = 0; x < pixels; ++x) {
            const quint32 p = qFromLittleEndian<quint16>(src + 2 * x);
            out[x] = qRgb(ch[0].widen[(p >> ch[0].shift) & ch[0].mask],
                          ch[1].widen[(p >> ch[1].shift) & ch[1].mask],
                          ch[2].widen[(p >> ch[2].shift) & ch[2].mask]);
        }
        return;
    case 8:
        for (qint64 x = 0; x < pixels; ++x)
            out[x] = h.palette[src[x]];
        return;
    case 4:
        for (qint64 x = 0; x < pixels; ++x)
            out[x] = h.palette[(src[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F];
        return;
    default: // 1
        for (qint64 x = 0; x < pixels; ++x)
            out[x] = h.palette[(src[x / 8] >> (7 - x % 8)) & 1];
        return;
    }
}

// Where decoded rows go. Rows come in the file's order (bottom-up unless
// the picture is stored top-down); each is written into the buffer the sink
// gives for it and then handed back, so a sink can keep the whole picture or
// only a row at a time.
class RowSink {
public:
    virtual ~RowSink() = default;
    // Space for picture row y, width pixels.
    virtual QRgb* rowBuffer(int y) = 0;
    // Row y is complete in the buffer rowBuffer(y) gave.
    virtual void rowDone(int y) = 0;
    // Rows y, y + step, ... (count of them) all hold one colour: rows the
    // file's data does not reach, or a run-length stream skips.
    virtual void uniformRows(int y, int count, int step, QRgb colour) = 0;
};

// The whole picture in an image.
class ImageSink final : public RowSink {
public:
    explicit ImageSink(QImage& img) : img_(img) {}
    QRgb* rowBuffer(int y) override { return reinterpret_cast<QRgb*>(img_.scanLine(y)); }
    void rowDone(int) override {}
    void uniformRows(int y, int count, int step, QRgb colour) override {
        for (int k = 0; k < count; ++k) {
            QRgb* row = rowBuffer(y + k * step);
            std::fill(row, row + img_.width(), colour);
        }
    }

private:
    QImage& img_;
};

// One row of scratch space: the rows are decoded and then dropped, as when
// a run-length stream is only checked.
class ScratchSink : public RowSink {
public:
    explicit ScratchSink(qint64 width) : row_(std::size_t(width)) {}
    QRgb* rowBuffer(int) override { return row_.data(); }
    void rowDone(int) override {}
    void uniformRows(int, int, int, QRgb) override {}

protected:
    std::vector<QRgb> row_;
};

// Each row resampled into the target as it comes.
class ScalingSink final : public ScratchSink {
public:
    ScalingSink(qint64 width, StreamScaler& scaler) : ScratchSink(width), scaler_(scaler) {}
    void rowDone(int y) override { scaler_.addRow(y, row_.data()); }
    void uniformRows(int y, int count, int step, QRgb colour) override {
        std::fill(row_.begin(), row_.end(), colour);
        scaler_.addRepeatedRow(y, count, step, row_.data());
    }

private:
    StreamScaler& scaler_;
};

void decodePixels(BitmapSource& src, const Header& h, RowSink& sink) {
    Channel ch[3];
    if (h.bitCount == 16 || h.bitCount == 32)
        for (int i = 0; i < 3; ++i)
            ch[i] = channelFor(h.masks[i]);
    const int height = int(h.height);
    const int step = h.topDown ? 1 : -1;
    for (int r = 0; r < height; ++r) {
        const int y = h.topDown ? r : height - 1 - r;
        const std::span<const uchar> row = src.read(h.offBits + qint64(r) * h.stride, h.stride);
        if (row.empty()) {
            // The data has ended: every row from here on is missing, and
            // none of them is read.
            sink.uniformRows(y, height - r, step, kMissing);
            return;
        }
        const qint64 pixels = qMin<qint64>(h.width, qint64(row.size()) * 8 / h.bitCount);
        QRgb* out = sink.rowBuffer(y);
        if (pixels > 0)
            decodeRow(h, row.data(), pixels, reinterpret_cast<uchar*>(out), ch);
        if (pixels < h.width)
            std::fill(out + pixels, out + h.width, kMissing);
        sink.rowDone(y);
    }
}

// ------------------------------------------------------------ run-length

// Reads the stream in pieces through the source, up to a fixed end.
class StreamBytes {
public:
    StreamBytes(BitmapSource& src, qint64 end) : src_(src), end_(end) {}
    qint64 end() const { return end_; }
    // Up to length bytes at offset, fewer where the stream ends.
    std::span<const uchar> at(qint64 offset, qint64 length) {
        return src_.read(offset, qMin(length, end_ - offset));
    }

private:
    BitmapSource& src_;
    qint64 end_;
};

void decodeRle(BitmapSource& src, const Header& h, RowSink& sink) {
    // No stream needs more than four bytes a pixel (a delta skipping one
    // pixel), an end of line a row and the end of the bitmap: what follows
    // in the file is not read.
    const qint64 longest = 4 * h.width * h.height + 2 * h.height + 2;
    StreamBytes b(src, h.offBits + qMin(qMin(longest, kMaxDecodedPictureBytes),
                                        qMax<qint64>(0, src.size() - h.offBits)));
    const bool four = h.compression == kRle4;
    const qint64 width = h.width, height = h.height;
    const QRgb background = h.palette[0];
    const qint64 end = b.end();
    qint64 at = h.offBits;
    qint64 x = 0, y = 0; // y counts rows from the bottom

    // The row being written (counted from the bottom) and its buffer. Rows
    // are entered in order; those passed over take entry 0.
    qint64 current = -1;
    QRgb* row = nullptr;
    const auto enter = [&](qint64 next) {
        if (next == current)
            return;
        if (current >= 0 && current < height)
            sink.rowDone(int(height - 1 - current));
        const qint64 from = current + 1, to = qMin(next, height);
        if (to > from)
            sink.uniformRows(int(height - 1 - from), int(to - from), -1, background);
        current = next;
        row = nullptr;
        if (next < height) {
            row = sink.rowBuffer(int(height - 1 - next));
            std::fill(row, row + width, background);
        }
    };
    const auto put = [&](qint64 px, int index) { row[px] = h.palette[index]; };

    enter(0);
    // A stream cut short ends the picture with what has been drawn.
    while (at + 2 <= end) {
        const std::span<const uchar> op = b.at(at, 2);
        const int count = op[0], value = op[1];
        at += 2;
        if (count > 0) { // a run of one index, or of two alternating ones
            if (y >= height || x + count > width)
                invalid();
            for (int i = 0; i < count; ++i)
                put(x + i, four ? (i % 2 ? value & 0x0F : value >> 4) : value);
            x += count;
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            if (++y > height)
                invalid();
            enter(y);
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            if (at + 2 > end)
                break;
            const std::span<const uchar> delta = b.at(at, 2);
            x += delta[0];
            y += delta[1];
            at += 2;
            if (x > width || y > height)
                invalid();
            enter(y);
        } else { // absolute run of `value` indices, padded to a 16-bit word
            if (y >= height || x + value > width)
                invalid();
            const qint64 bytes = four ? (value + 1) / 2 : value;
            const std::span<const uchar> src = b.at(at, bytes);
            const qint64 have = qint64(src.size());
            const qint64 pixels = qMin<qint64>(value, four ? have * 2 : have);
            for (qint64 i = 0; i < pixels; ++i)
                put(x + i, four ? (i % 2 ? src[i / 2] & 0x0F : src[i / 2] >> 4) : src[i]);
            x += value;
            at += bytes + (bytes & 1);
        }
    }
    enter(height);
}

bool runLength(const Header& h) { return h.compression == kRle8 || h.compression == kRle4; }

Header headerOf(BitmapSource& source) {
    return readHeader(Bytes(source.read(0, kHeadersMaxSize), 0), source.size());
}

void decodeInto(BitmapSource& source, const Header& h, RowSink& sink) {
    if (runLength(h))
        decodeRle(source, h, sink);
    else
        decodePixels(source, h, sink);
}

} // namespace

QImage decodeBitmap(BitmapSource& source) {
    const Header h = headerOf(source);
    QImage img(int(h.width), int(h.height), QImage::Format_RGB32);
    if (img.isNull())
        throw std::bad_alloc();
    ImageSink sink(img);
    decodeInto(source, h, sink);
    return img;
}

QImage decodeBitmap(const uchar* data, qsizetype size) {
    MemorySource source(data, size);
    return decodeBitmap(source);
}

QSize checkBitmap(BitmapSource& source) {
    const Header h = headerOf(source);
    if (runLength(h)) {
        ScratchSink sink(h.width);
        decodeRle(source, h, sink);
    }
    return QSize(int(h.width), int(h.height));
}

QByteArray bitmapColourProfile(BitmapSource& source) {
    // Colour-space types of the version 4 and 5 headers.
    constexpr quint32 kCalibratedRgb = 0;
    constexpr quint32 kEmbedded = 0x4D424544; // 'MBED'
    constexpr qint64 kMaxProfile = 8 * 1024 * 1024;
    const Bytes b(source.read(0, kFileHeader + 124), 0);
    if (!b.holds(kFileHeader, 4))
        return {};
    const qint64 infoSize = b.u32(kFileHeader);
    if ((infoSize != 108 && infoSize != 124) || !b.holds(kFileHeader, infoSize))
        return {};
    const qint64 info = kFileHeader;
    const quint32 type = b.u32(info + 56);
    if (type == kEmbedded && infoSize == 124) {
        const qint64 at = info + qint64(b.u32(info + 112));
        const qint64 size = b.u32(info + 116);
        if (size <= 0 || size > kMaxProfile || at + size > source.size())
            return {};
        const std::span<const uchar> data = source.read(at, size);
        if (qint64(data.size()) != size)
            return {};
        QByteArray profile(reinterpret_cast<const char*>(data.data()), qsizetype(size));
        return profileSpace(profile) == ProfileSpace::Rgb ? profile : QByteArray();
    }
    if (type != kCalibratedRgb)
        return {};
    // CIEXYZTRIPLE: red, green, blue, each x, y, z in 2.30 fixed point;
    // then the red, green and blue gammas in 16.16. Writers store the
    // primaries' chromaticities there, for a D65 white.
    double endpoints[3][3], gamma[3];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            endpoints[i][j] = double(b.i32(info + 60 + 12 * i + 4 * j)) / double(1 << 30);
        gamma[i] = double(b.u32(info + 96 + 4 * i)) / 65536.0;
    }
    return chromaticityRgbProfile(endpoints, gamma);
}

void decodeBitmapScaled(BitmapSource& source, QSize size, uchar* out, qsizetype stride) {
    if (size.isEmpty())
        return;
    const Header h = headerOf(source);
    StreamScaler scaler(QSize(int(h.width), int(h.height)), size, out, stride);
    ScalingSink sink(h.width, scaler);
    decodeInto(source, h, sink);
}

} // namespace soru
