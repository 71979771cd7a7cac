#include "media/formats/png_picture.h"

#include "core/failure.h"
#include "core/limits.h"
#include "media/colour/colour_management.h"
#include "media/formats/exif_orientation.h"
#include "media/formats/picture_rows.h"

#include <QFile>
#include <QtEndian>

#include <png.h>

#include <cstring>
#include <new>
#include <vector>

namespace soru {
namespace {

// Ancillary chunks are small; a compressed one that inflates past this
// (a text bomb) is dropped rather than held.
constexpr png_alloc_size_t kChunkMemory = 16 << 20;

// One libpng decoder over bytes in memory. libpng reports errors with
// longjmp: the functions that call it (marked below) hold no object with a
// destructor, and the caller owns every buffer.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const png_byte* data = nullptr;
    std::size_t size = 0, pos = 0;
    // Rows of an interlaced picture the first pass reached, block by block,
    // before the data failed (kept here: a longjmp loses locals).
    int reached = 0;

    explicit PngReader(const QByteArray& bytes)
        : data(reinterpret_cast<const png_byte*>(bytes.constData())),
          size(std::size_t(bytes.size())) {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, onError, onWarning);
        if (!png || !(info = png_create_info_struct(png))) {
            png_destroy_read_struct(&png, &info, nullptr);
            throw std::bad_alloc();
        }
        png_set_read_fn(png, this, onRead);
        // The size is checked against the one memory limit, not libpng's
        // default of a million pixels a side.
        png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
        png_set_chunk_malloc_max(png, kChunkMemory);
        // The compressed pixels are read 1 KiB at a time (8 KiB by default),
        // so that a file cut short gives the rows of all but its last
        // kilobyte.
        png_set_compression_buffer_size(png, 1024);
        png_set_chunk_cache_max(png, 1000);
        // Text is never shown: skipped unread, compressed or not.
        static const png_byte kText[] = "tEXt\0zTXt\0iTXt";
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kText, 3);
    }
    ~PngReader() { png_destroy_read_struct(&png, &info, nullptr); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    static void onRead(png_structp png, png_bytep out, std::size_t n) {
        auto* r = static_cast<PngReader*>(png_get_io_ptr(png));
        if (n > r->size - r->pos)
            png_error(png, "cut short");
        std::memcpy(out, r->data + r->pos, n);
        r->pos += n;
    }
    static void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
    static void onWarning(png_structp, png_const_charp) {}
};

struct PngHeader {
    png_uint_32 width = 0, height = 0;
    int colourType = 0, interlace = 0;
    png_bytep icc = nullptr;
    png_uint_32 iccLength = 0;
    png_bytep exif = nullptr;
    png_uint_32 exifLength = 0;
};

// Reads the chunks up to the pixels. Uses longjmp.
bool readHeader(PngReader& r, PngHeader& h) {
    if (setjmp(png_jmpbuf(r.png)))
        return false;
    png_read_info(r.png, r.info);
    int depth = 0;
    png_get_IHDR(r.png, r.info, &h.width, &h.height, &depth, &h.colourType, &h.interlace, nullptr,
                 nullptr);
    png_charp name = nullptr;
    int compression = 0;
    if (png_get_valid(r.png, r.info, PNG_INFO_iCCP))
        png_get_iCCP(r.png, r.info, &name, &compression, &h.icc, &h.iccLength);
    if (png_get_valid(r.png, r.info, PNG_INFO_eXIf))
        png_get_eXIf_1(r.png, r.info, &h.exifLength, &h.exif);
    return true;
}

// Asks for 8-bit BGRA rows, the byte order of QRgb, whatever is stored.
// Uses longjmp.
bool startRows(PngReader& r, bool& ok, int& passes) {
    if (setjmp(png_jmpbuf(r.png)))
        return false;
    png_set_expand(r.png); // palette to RGB, small greys to 8 bits, tRNS to alpha
    png_set_scale_16(r.png);
    png_set_gray_to_rgb(r.png);
    png_set_bgr(r.png);
    png_set_filler(r.png, 0xFF, PNG_FILLER_AFTER); // no effect when alpha is there
    passes = png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    ok = png_get_rowbytes(r.png, r.info) == png_get_image_width(r.png, r.info) * 4;
    return true;
}

using RowSink = void (*)(void* context, int y, QRgb* row);

// Every row top-down, each given to sink; when the data fails, the rows
// before the failure have been given. Uses longjmp: row and rows come from
// the caller. The sink may throw; no libpng frame lies between.
bool readRows(PngReader& r, int width, int height, int passes, QRgb* row, QRgb* whole, RowSink sink,
              void* context) {
    if (setjmp(png_jmpbuf(r.png)))
        return false;
    if (whole) {
        // Interlaced: all passes over the whole picture first, each drawn
        // as libpng displays a pass, every pixel repeated over the block
        // that later passes fill in, so a picture cut short still has every
        // row its first pass reached.
        const std::size_t stride = std::size_t(width);
        for (int pass = 0; pass < passes; ++pass)
            for (int y = 0; y < height; ++y) {
                png_read_row(r.png, nullptr, reinterpret_cast<png_bytep>(whole + stride * y));
                if (pass == 0)
                    r.reached = y + 1;
            }
        return true;
    }
    for (int y = 0; y < height; ++y) {
        png_read_row(r.png, reinterpret_cast<png_bytep>(row), nullptr);
        sink(context, y, row);
    }
    return true;
}

bool isPng(const QByteArray& bytes) {
    return bytes.size() >= 8 &&
           png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.constData()), 0, 8) == 0;
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
    if (appendPictureBytes(file, path, bytes, 8) < 8 || !isPng(bytes))
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
void decodeRows(const QByteArray& bytes, RowSink sink, void* context) {
    PngReader r(bytes);
    PngHeader h;
    bool ok = false;
    int passes = 1;
    if (!isPng(bytes) || !readHeader(r, h) || !startRows(r, ok, passes) || !ok)
        throw InvalidPicture();
    const int width = int(h.width), height = int(h.height);
    std::vector<QRgb> row;
    std::vector<QRgb> whole;
    if (h.interlace != PNG_INTERLACE_NONE)
        whole.resize(std::size_t(width) * std::size_t(height));
    else
        row.resize(std::size_t(width));
    struct Composed {
        RowSink sink;
        void* context;
        int width;
    } composed{sink, context, width};
    const RowSink compose = [](void* c, int y, QRgb* pixels) {
        auto* k = static_cast<Composed*>(c);
        composeOverGround(pixels, k->width);
        k->sink(k->context, y, pixels);
    };
    const bool complete = readRows(r, width, height, passes, row.data(),
                                   whole.empty() ? nullptr : whole.data(), compose, &composed);
    // An interlaced picture is given whole, or as far as its first pass
    // came.
    for (int y = 0; !whole.empty() && y < (complete ? height : r.reached); ++y)
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
    PngReader r(bytes);
    PngHeader h;
    if (!readHeader(r, h))
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
    ColourTransformCache::instance().apply(image, profile_);
    return image;
}

} // namespace soru
