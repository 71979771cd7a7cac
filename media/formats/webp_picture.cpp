#include "media/formats/webp_picture.h"

#include "core/failure.h"
#include "core/limits.h"
#include "media/colour/colour_management.h"
#include "media/formats/exif_orientation.h"
#include "media/formats/picture_rows.h"

#include <QFile>
#include <QtEndian>

#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <memory>
#include <new>

namespace soru {
namespace {

struct DemuxDeleter {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct IDecoderDeleter {
    void operator()(WebPIDecoder* d) const { WebPIDelete(d); }
};

// The payload of the container's first chunk of that name; empty when
// there is none.
QByteArray chunk(WebPDemuxer* demux, const char* name) {
    WebPChunkIterator it;
    QByteArray payload;
    if (WebPDemuxGetChunk(demux, name, 1, &it))
        payload =
            QByteArray(reinterpret_cast<const char*>(it.chunk.bytes), qsizetype(it.chunk.size));
    WebPDemuxReleaseChunkIterator(&it);
    return payload;
}

// The bytes of a WebP file: its RIFF header, then as many bytes as the
// header's size field gives the container (within the memory limit);
// nothing after it is read. Throws InvalidPicture when the file does not
// start as a WebP container.
// The most a chunk of the kind may need for a canvas of w x h; -1: any
// length (small chunks of their own kind).
qint64 chunkNeed(const QByteArray& fourcc, qint64 w, qint64 h) {
    const qint64 pixels = w * h;
    // Compressed pictures are smaller than their pixels; twice the pixels at
    // four bytes leaves room for the worst coding and the frame headers.
    if (fourcc == "VP8 " || fourcc == "VP8L" || fourcc == "ANMF")
        return 2 * pixels * 4 + (64 << 10);
    if (fourcc == "ALPH")
        return 2 * pixels + (64 << 10);
    return 16 << 20; // a profile, metadata or an unknown chunk
}

// The canvas a chunk's first bytes state: VP8X (the canvas), VP8 and VP8L
// (their frame); nothing for other chunks.
std::optional<std::pair<qint64, qint64>> chunkCanvas(const QByteArray& fourcc,
                                                      const char* payload, qint64 length) {
    const auto* b = reinterpret_cast<const uchar*>(payload);
    if (fourcc == "VP8X" && length >= 10)
        return std::pair{1 + qint64(b[4] | b[5] << 8 | b[6] << 16),
                         1 + qint64(b[7] | b[8] << 8 | b[9] << 16)};
    if (fourcc == "VP8 " && length >= 10)
        return std::pair{qint64((b[6] | b[7] << 8) & 0x3FFF), qint64((b[8] | b[9] << 8) & 0x3FFF)};
    if (fourcc == "VP8L" && length >= 5) {
        const quint32 bits = quint32(b[1]) | quint32(b[2]) << 8 | quint32(b[3]) << 16 |
                             quint32(b[4]) << 24;
        return std::pair{qint64(bits & 0x3FFF) + 1, qint64((bits >> 14) & 0x3FFF) + 1};
    }
    return std::nullopt;
}

// The file's bytes as far as its chunks go: the 12-byte RIFF head checked
// first, then chunk by chunk within the RIFF size. Reading stops at what
// cannot be a chunk (a hole's zeros) and at a chunk longer than its canvas can
// need, so a file whose sizes claim gigabytes costs what its pictures need.
QByteArray readWebpFile(const QString& path) {
    QFile file;
    openPictureFile(file, path);
    QByteArray bytes;
    constexpr qint64 kHeader = 12, kChunkHeader = 8;
    if (appendPictureBytes(file, path, bytes, kHeader) < kHeader || !bytes.startsWith("RIFF") ||
        bytes.mid(8, 4) != "WEBP")
        throw InvalidPicture();
    const qint64 end = qMin(8 + qint64(qFromLittleEndian<quint32>(bytes.constData() + 4)),
                            kMaxDecodedPictureBytes);
    // The largest canvas libwebp accepts, until a chunk states its own.
    qint64 w = 16384, h = 16384;
    while (bytes.size() + kChunkHeader <= end) {
        const qint64 at = bytes.size();
        if (appendPictureBytes(file, path, bytes, kChunkHeader) < kChunkHeader)
            break;
        const QByteArray fourcc = bytes.mid(at, 4);
        const bool named = std::all_of(fourcc.begin(), fourcc.end(),
                                       [](char c) { return c >= 0x20 && c <= 0x7E; });
        if (!named) {
            bytes.truncate(at);
            break;
        }
        const qint64 size = qFromLittleEndian<quint32>(bytes.constData() + at + 4);
        const qint64 padded = qMin(size + (size & 1), end - at - kChunkHeader);
        // The chunk's own header first: a picture chunk states its size.
        qint64 got = appendPictureBytes(file, path, bytes, qMin<qint64>(padded, 16));
        if (const auto canvas = chunkCanvas(fourcc, bytes.constData() + at + kChunkHeader, got)) {
            w = canvas->first;
            h = canvas->second;
        }
        const qint64 want = qMin(padded, chunkNeed(fourcc, w, h));
        if (got < want)
            got += appendPictureBytes(file, path, bytes, want - got);
        // Cut short, or claiming more than it can need: nothing after it is
        // read (the decoder sees the file as cut there).
        if (got < want || want < padded)
            break;
    }
    return bytes;
}

// Pixels BGRA as libwebp writes them (QImage's ARGB32 byte order), made
// opaque over the ground.
QImage composed(QImage image) {
    for (int y = 0; y < image.height(); ++y)
        composeOverGround(reinterpret_cast<QRgb*>(image.scanLine(y)), image.width());
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

} // namespace

int WebpPicture::width() const {
    return uprightSize(stored_, orientation_).width();
}
int WebpPicture::height() const {
    return uprightSize(stored_, orientation_).height();
}

void WebpPicture::loadFile(const QString& path) {
    bytes_.clear();
    stored_ = QSize(0, 0);
    orientation_ = 1;
    animated_ = false;
    alpha_ = false;
    profile_.clear();

    QByteArray bytes = readWebpFile(path);
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(data, std::size_t(bytes.size()), &features) != VP8_STATUS_OK)
        throw InvalidPicture();
    // The canvas size (an animation's), checked before anything is decoded.
    if (!pictureFitsMemoryLimit(features.width, features.height, 4))
        throw InvalidPicture();
    QByteArray profile;
    int orientation = 1;
    const WebPData whole{data, std::size_t(bytes.size())};
    if (const std::unique_ptr<WebPDemuxer, DemuxDeleter> demux{WebPDemux(&whole)}) {
        const uint32_t flags = WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS);
        if (flags & ICCP_FLAG) {
            profile = chunk(demux.get(), "ICCP");
            if (profileSpace(profile) != ProfileSpace::Rgb)
                profile.clear();
        }
        if (flags & EXIF_FLAG)
            orientation = exifBlockOrientation(chunk(demux.get(), "EXIF"));
    } else if (features.has_animation) {
        throw InvalidPicture(); // an animation cut short: no frame can be read
    }
    bytes_ = std::move(bytes);
    stored_ = QSize(features.width, features.height);
    orientation_ = orientation;
    animated_ = features.has_animation;
    alpha_ = features.has_alpha;
    profile_ = std::move(profile);
}

QImage WebpPicture::decode(QSize size) const {
    if (animated_)
        return decodeFirstFrame(size);
    QImage image(size, QImage::Format_ARGB32);
    if (image.isNull())
        throw std::bad_alloc();
    if (decodeInto(image.bits(), image.bytesPerLine(), size) < size.height())
        throw InvalidPicture();
    return composed(std::move(image));
}

QImage WebpPicture::decodeFirstFrame(QSize size) const {
    // The first frame as the animation shows it: on its canvas, cleared to
    // transparent, so over the ground. Composed here at the drawn size: the
    // frame alone is decoded, scaled by the canvas's reduction, and placed
    // where it lands, so a small frame on a huge canvas costs the drawn
    // size, not the canvas.
    const WebPData whole{reinterpret_cast<const uint8_t*>(bytes_.constData()),
                         std::size_t(bytes_.size())};
    const std::unique_ptr<WebPDemuxer, DemuxDeleter> demux{WebPDemux(&whole)};
    WebPIterator frame;
    if (!demux || !WebPDemuxGetFrame(demux.get(), 1, &frame))
        throw InvalidPicture();
    const struct Release {
        WebPIterator* it;
        ~Release() { WebPDemuxReleaseIterator(it); }
    } release{&frame};
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        throw std::bad_alloc();
    image.fill(kTransparencyGround);
    // The frame's edges on the canvas, mapped to the drawn size.
    const auto along = [](int at, int drawn, int canvas) {
        return int((qint64(at) * drawn + canvas / 2) / canvas);
    };
    const int left = along(frame.x_offset, size.width(), stored_.width());
    const int top = along(frame.y_offset, size.height(), stored_.height());
    const QSize placed(along(frame.x_offset + frame.width, size.width(), stored_.width()) - left,
                       along(frame.y_offset + frame.height, size.height(), stored_.height()) - top);
    if (placed.isEmpty())
        return image; // too small to cover a drawn pixel
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        throw InvalidPicture();
    if (placed != QSize(frame.width, frame.height)) {
        config.options.use_scaling = 1;
        config.options.scaled_width = placed.width();
        config.options.scaled_height = placed.height();
    }
    QImage pixels(placed, QImage::Format_ARGB32);
    if (pixels.isNull())
        throw std::bad_alloc();
    config.output.colorspace = MODE_BGRA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = pixels.bits();
    config.output.u.RGBA.stride = int(pixels.bytesPerLine());
    config.output.u.RGBA.size = std::size_t(pixels.sizeInBytes());
    if (WebPDecode(frame.fragment.bytes, frame.fragment.size, &config) != VP8_STATUS_OK)
        throw InvalidPicture();
    for (int y = 0; y < placed.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(pixels.scanLine(y));
        composeOverGround(row, placed.width());
        std::copy_n(row, placed.width(),
                    reinterpret_cast<QRgb*>(image.scanLine(top + y)) + left);
    }
    return image;
}

int WebpPicture::decodeInto(uchar* out, qsizetype stride, QSize size) const {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes_.constData());
    const std::size_t length = std::size_t(bytes_.size());
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        throw InvalidPicture();
    if (size != stored_) {
        config.options.use_scaling = 1;
        config.options.scaled_width = size.width();
        config.options.scaled_height = size.height();
    }
    // The filtering of one row runs beside the decoding of the next.
    config.options.use_threads = 1;
    config.output.colorspace = MODE_BGRA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = out;
    config.output.u.RGBA.stride = int(stride);
    config.output.u.RGBA.size = std::size_t(stride) * std::size_t(size.height() - 1) +
                                std::size_t(size.width()) * 4;
    // Incremental, so that a file cut short or damaged part way still
    // gives the rows decoded before it.
    const std::unique_ptr<WebPIDecoder, IDecoderDeleter> idec{WebPIDecode(nullptr, 0, &config)};
    if (!idec)
        throw std::bad_alloc();
    const VP8StatusCode status = WebPIUpdate(idec.get(), data, length);
    if (status == VP8_STATUS_OK)
        return size.height();
    int rows = 0;
    if (!WebPIDecGetRGB(idec.get(), &rows, nullptr, nullptr, nullptr))
        rows = 0;
    return std::clamp(rows, 0, size.height() - 1);
}

void WebpPicture::drawPicture(QImage& canvas, const QRect& target) {
    if (target.isEmpty() || bytes_.isEmpty() || canvas.isNull())
        return;
    // libwebp scales by area when it shrinks, so the reduced decode is the
    // drawn picture; it is never asked to enlarge.
    QSize size = orientationSwapsSides(orientation_) ? target.size().transposed() : target.size();
    size = size.boundedTo(stored_);
    const QImage::Format f = canvas.format();
    if (!animated_ && orientation_ == 1 && size == target.size() &&
        (f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
         f == QImage::Format_ARGB32_Premultiplied) &&
        canvas.rect().contains(target)) {
        // Decoded straight into the canvas: nothing to turn or scale.
        const qsizetype stride = canvas.bytesPerLine();
        uchar* at = canvas.scanLine(target.top()) + qsizetype(target.left()) * 4;
        const int rows = decodeInto(at, stride, size);
        if (alpha_)
            for (int y = 0; y < rows; ++y)
                composeOverGround(reinterpret_cast<QRgb*>(at + stride * y), target.width());
        // Cut short or damaged: the rows decoded stay drawn, the rest as it
        // was, and the failure stands.
        if (rows < target.height())
            throw InvalidPicture();
        return;
    }
    drawUprightScaled(canvas, target, decode(size), orientation_);
}

QImage WebpPicture::wholeImage() {
    if (bytes_.isEmpty())
        return {};
    QImage image = turnedUpright(decode(stored_), orientation_);
    colours().apply(image, profile_);
    return image;
}

} // namespace soru
