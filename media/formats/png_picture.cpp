#include "media/formats/png_picture.h"

#include "core/failure.h"
#include "core/limits.h"
#include "media/colour/colour_management.h"
#include "media/formats/exif_orientation.h"
#include "media/formats/picture_rows.h"
#include "media/formats/png_reader.h"

#include <QFile>
#include <QtEndian>

#include <cstring>
#include <new>
#include <vector>

namespace soru {
namespace {

// Ancillary chunks are small; a compressed one that inflates past this
// (a text bomb) is dropped rather than held.
constexpr png_alloc_size_t kChunkMemory = 16 << 20;

PngReader::Limits pictureLimits() {
    PngReader::Limits limits;
    // The size is checked against the one memory limit, not libpng's
    // default of a million pixels a side.
    limits.maxSide = PNG_UINT_31_MAX;
    limits.chunkMemory = kChunkMemory;
    limits.chunkCount = 1000;
    // Text is never shown: skipped unread, compressed or not.
    limits.keepText = false;
    // The compressed pixels are read 1 KiB at a time (8 KiB by default), so
    // that a file cut short gives the rows of all but its last kilobyte.
    limits.compressionBuffer = 1024;
    return limits;
}

bool isChunkType(const char* type) {
    for (int i = 0; i < 4; ++i) {
        const char c = char(type[i] | 0x20);
        if (c < 'a' || c > 'z')
            return false;
    }
    return true;
}

// The most image data a PNG with this header can need: its rows with their
// filter bytes (each Adam7 pass adds its own, and rounds its rows up),
// twice over for deflate's longest codes, and a margin. 0 for a picture
// beyond the memory limit, which is refused at its header anyway.
qint64 imageDataBound(const char* ihdr) {
    const quint32 width = qFromBigEndian<quint32>(ihdr), height = qFromBigEndian<quint32>(ihdr + 4);
    const int depth = qMax(1, int(uchar(ihdr[8])));
    const int colourType = uchar(ihdr[9]);
    const int channels = colourType == PNG_COLOR_TYPE_RGB         ? 3
                         : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                         : colourType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                                                                   : 1;
    if (!pictureFitsMemoryLimit(width, height, 4))
        return 0;
    const qint64 rowBytes = (qint64(width) * channels * depth + 7) / 8;
    return 2 * (qint64(height) * (rowBytes + 5) + 64) + (64 << 10);
}

// The bytes of a PNG file as far as its rows need them: the signature, then
// chunk by chunk, walked by their lengths, up to the end of the image data
// (or IEND). Nothing after the image data is read, nor past a chunk header
// that cannot be one (damage, or the zeros of a hole): libpng reports what
// it finds there. An ancillary chunk longer than libpng would hold is
// skipped unread; image data beyond what the header's rows can need is
// left unread. Throws InvalidPicture when the file does not start as a PNG.
QByteArray readPngFile(const QString& path) {
    QFile file;
    openPictureFile(file, path);
    QByteArray bytes;
    if (appendPictureBytes(file, path, bytes, 8) < 8 || !isPngSignature(bytes))
        throw InvalidPicture();
    qint64 imageRoom = 0; // the image data still wanted: none before IHDR
    bool inImage = false;
    while (bytes.size() < kMaxDecodedPictureBytes) {
        QByteArray head;
        if (appendPictureBytes(file, path, head, 8) < 8) {
            bytes += head;
            break;
        }
        const quint32 length = qFromBigEndian<quint32>(head.constData());
        const char* type = head.constData() + 4;
        const bool image = std::memcmp(type, "IDAT", 4) == 0;
        if (inImage && !image)
            break;
        const bool known = length <= PNG_UINT_31_MAX && isChunkType(type);
        if (known && (type[0] & 0x20) && length > kChunkMemory) {
            if (!file.seek(file.pos() + qint64(length) + 4))
                break;
            continue;
        }
        bytes += head;
        if (!known)
            break;
        inImage = image;
        const qint64 payload = image ? qMin(qint64(length), imageRoom) : qint64(length);
        // With the CRC, unless the image data stops inside the chunk.
        const qint64 wanted =
            qMin(payload + (payload == length ? 4 : 0), kMaxDecodedPictureBytes - bytes.size());
        if (appendPictureBytes(file, path, bytes, wanted) < wanted)
            break;
        if (std::memcmp(type, "IHDR", 4) == 0 && length == 13)
            imageRoom = imageDataBound(bytes.constData() + bytes.size() - 4 - 13);
        if (image && (imageRoom -= payload) <= 0)
            break;
        if (std::memcmp(type, "IEND", 4) == 0)
            break;
    }
    return bytes;
}

// The file's rows, composed over the ground, given top-down to sink.
void decodeRows(const QByteArray& bytes, PngReader::RowSink sink, void* context) {
    PngReader r(bytes, pictureLimits());
    PngReader::Header h;
    int passes = 1;
    if (!isPngSignature(bytes) || !r.readHeader(h) || !r.startRows(false, passes))
        throw InvalidPicture();
    const int width = int(h.width), height = int(h.height);
    std::vector<QRgb> row;
    std::vector<QRgb> whole;
    if (h.interlace != PNG_INTERLACE_NONE)
        whole.resize(std::size_t(width) * std::size_t(height));
    else
        row.resize(std::size_t(width));
    struct Composed {
        PngReader::RowSink sink;
        void* context;
        int width;
    } composed{sink, context, width};
    const PngReader::RowSink compose = [](void* c, int y, QRgb* pixels) {
        auto* k = static_cast<Composed*>(c);
        composeOverGround(pixels, k->width);
        k->sink(k->context, y, pixels);
    };
    const bool complete = r.readRows(width, height, passes, row.data(),
                                     whole.empty() ? nullptr : whole.data(), compose, &composed);
    // An interlaced picture is given whole, or as far as its first pass
    // came.
    for (int y = 0; !whole.empty() && y < (complete ? height : r.reached()); ++y)
        compose(&composed, y, whole.data() + std::size_t(width) * std::size_t(y));
    if (!complete)
        throw InvalidPicture();
}

} // namespace

int PngPicture::width() const {
    return uprightSize(stored_, orientation_).width();
}
int PngPicture::height() const {
    return uprightSize(stored_, orientation_).height();
}

void PngPicture::loadFile(const QString& path) {
    bytes_.clear();
    stored_ = QSize(0, 0);
    orientation_ = 1;
    interlaced_ = false;
    profile_.clear();

    QByteArray bytes = readPngFile(path);
    PngReader r(bytes, pictureLimits());
    PngReader::Header h;
    if (!r.readHeader(h))
        throw InvalidPicture();
    // Checked before a single pixel is allocated: a small file claiming an
    // enormous picture is refused here.
    if (!pictureFitsMemoryLimit(h.width, h.height, 4))
        throw InvalidPicture();
    QByteArray profile;
    if (h.icc && h.iccLength > 0) {
        profile = QByteArray(reinterpret_cast<const char*>(h.icc), qsizetype(h.iccLength));
        // A profile of the other kind than the pixels describes nothing.
        const bool grey = !(h.colourType & PNG_COLOR_MASK_COLOR);
        if (profileSpace(profile) != (grey ? ProfileSpace::Grey : ProfileSpace::Rgb))
            profile.clear();
    }
    const int orientation =
        h.exif ? exifBlockOrientation(
                     QByteArray(reinterpret_cast<const char*>(h.exif), qsizetype(h.exifLength)))
               : 1;
    bytes_ = std::move(bytes);
    stored_ = QSize(int(h.width), int(h.height));
    orientation_ = orientation;
    interlaced_ = h.interlace != PNG_INTERLACE_NONE;
    profile_ = std::move(profile);
}

void PngPicture::drawPicture(QImage& canvas, const QRect& target) {
    if (target.isEmpty() || bytes_.isEmpty() || canvas.isNull())
        return;
    ScaledRowTarget out(canvas, target, stored_, orientation_);
    try {
        decodeRows(
            bytes_,
            [](void* c, int y, QRgb* row) { static_cast<ScaledRowTarget*>(c)->addRow(y, row); },
            &out);
    } catch (const InvalidPicture&) {
        // Cut short: the rows decoded are drawn, the failure stands.
        out.finishPartial();
        throw;
    }
    out.finish();
}

QImage PngPicture::wholeImage() {
    if (bytes_.isEmpty())
        return {};
    QImage image(stored_, QImage::Format_RGB32);
    if (image.isNull())
        throw std::bad_alloc();
    decodeRows(
        bytes_,
        [](void* c, int y, QRgb* row) {
            auto* img = static_cast<QImage*>(c);
            std::memcpy(img->scanLine(y), row, std::size_t(img->width()) * 4);
        },
        &image);
    image = turnedUpright(std::move(image), orientation_);
    colours().apply(image, profile_);
    return image;
}

} // namespace soru
