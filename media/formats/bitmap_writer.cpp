#include "media/formats/bitmap_writer.h"

#include "core/failure.h"

#include <QByteArray>
#include <QSaveFile>

#include <algorithm>
#include <cstring>
#include <limits>

namespace soru {
namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr qint64 kMaxFieldValue = std::numeric_limits<quint32>::max();
constexpr qint64 kChunkBytes = 1 << 20; // rows are written in pieces of about this size

qint64 rowStride(qint64 width, int bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

void putLe16(QByteArray& out, quint16 v) {
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

void putLe32(QByteArray& out, quint32 v) {
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

// The palette of an Indexed8 image, long enough for every index its pixels
// use (Qt does not forbid an index past the colour table; such pixels come
// out black).
QList<QRgb> paletteFor(const QImage& image) {
    QList<QRgb> palette = image.colorTable();
    int highest = -1;
    for (int y = 0; y < image.height() && highest < 255; ++y) {
        const uchar* row = image.constScanLine(y);
        highest = std::max<int>(highest, *std::max_element(row, row + image.width()));
    }
    if (palette.size() < highest + 1)
        palette.resize(highest + 1, qRgb(0, 0, 0));
    if (palette.size() > 256)
        palette.resize(256);
    return palette;
}

QByteArray headers(const QImage& image, int bitsPerPixel, const QList<QRgb>& palette,
                   qint64 fileSize) {
    const qint64 offBits = kFileHeaderSize + kInfoHeaderSize + 4 * qint64(palette.size());
    QByteArray out;
    out.reserve(int(offBits));
    out.append("BM", 2);
    putLe32(out, quint32(fileSize));
    putLe32(out, 0); // reserved
    putLe32(out, quint32(offBits));

    putLe32(out, kInfoHeaderSize);
    putLe32(out, quint32(image.width()));
    putLe32(out, quint32(image.height())); // positive: rows bottom-up
    putLe16(out, 1);                       // planes
    putLe16(out, quint16(bitsPerPixel));
    putLe32(out, 0); // BI_RGB
    putLe32(out, quint32(fileSize - offBits));
    putLe32(out, 0); // pixels per metre, x and y: unspecified
    putLe32(out, 0);
    putLe32(out, quint32(palette.size())); // colours used
    putLe32(out, 0);                       // all of them important
    for (QRgb c : palette) {
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append('\0');
    }
    return out;
}

// One row in file layout (B, G, R per pixel, or palette indices), padding
// left as it is (zero) in `out`.
void packRow(const QImage& image, int y, uchar* out) {
    const int w = image.width();
    const uchar* src = image.constScanLine(y);
    switch (image.format()) {
    case QImage::Format_Indexed8:
    case QImage::Format_BGR888: // already B, G, R in memory
        std::memcpy(out, src, std::size_t(image.format() == QImage::Format_Indexed8 ? w : 3 * w));
        return;
    case QImage::Format_RGB888:
        for (int x = 0; x < w; ++x, src += 3, out += 3) {
            out[0] = src[2];
            out[1] = src[1];
            out[2] = src[0];
        }
        return;
    default: { // RGB32 or ARGB32
        const QRgb* px = reinterpret_cast<const QRgb*>(src);
        for (int x = 0; x < w; ++x, out += 3) {
            out[0] = uchar(qBlue(px[x]));
            out[1] = uchar(qGreen(px[x]));
            out[2] = uchar(qRed(px[x]));
        }
        return;
    }
    }
}

// The image in one of the formats packRow reads directly.
QImage inWritableFormat(const QImage& image) {
    switch (image.format()) {
    case QImage::Format_Indexed8:
    case QImage::Format_BGR888:
    case QImage::Format_RGB888:
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return image;
    default:
        return image.convertToFormat(QImage::Format_RGB32);
    }
}

} // namespace

qint64 windowsBitmapFileSize(qint64 width, qint64 height, int bitsPerPixel, int paletteEntries) {
    if (width <= 0 || height <= 0 || paletteEntries < 0 || paletteEntries > 256 ||
        (bitsPerPixel != 8 && bitsPerPixel != 24))
        return -1;
    // Width and height are signed 32-bit fields; the sizes unsigned 32-bit.
    if (width > std::numeric_limits<qint32>::max() || height > std::numeric_limits<qint32>::max())
        return -1;
    const qint64 stride = rowStride(width, bitsPerPixel);
    const qint64 headerBytes = kFileHeaderSize + kInfoHeaderSize + 4LL * paletteEntries;
    if (stride > (kMaxFieldValue - headerBytes) / height)
        return -1;
    return headerBytes + stride * height;
}

void writeWindowsBitmap(const QImage& original, const QString& path) {
    const auto fail = [&path] { return Failure(text::kCannotCreateFile.arg(path)); };
    if (original.isNull())
        throw fail();
    const QImage image = inWritableFormat(original);
    const bool indexed = image.format() == QImage::Format_Indexed8;
    const int bitsPerPixel = indexed ? 8 : 24;
    const QList<QRgb> palette = indexed ? paletteFor(image) : QList<QRgb>{};
    const qint64 fileSize =
        windowsBitmapFileSize(image.width(), image.height(), bitsPerPixel, int(palette.size()));
    if (fileSize < 0)
        throw fail();

    // The temporary file is removed unless commit() renames it over `path`.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw fail();
    const QByteArray head = headers(image, bitsPerPixel, palette, fileSize);
    if (file.write(head) != head.size())
        throw fail();

    const qint64 stride = rowStride(image.width(), bitsPerPixel);
    const int rowsPerChunk = int(std::clamp<qint64>(kChunkBytes / stride, 1, image.height()));
    QByteArray chunk(qsizetype(stride * rowsPerChunk), '\0');
    for (int y = image.height() - 1; y >= 0;) {
        const int rows = std::min(rowsPerChunk, y + 1);
        for (int i = 0; i < rows; ++i, --y)
            packRow(image, y, reinterpret_cast<uchar*>(chunk.data()) + i * stride);
        const qint64 bytes = stride * rows;
        if (file.write(chunk.constData(), bytes) != bytes)
            throw fail();
    }
    if (!file.commit())
        throw fail();
}

} // namespace soru
