#include "media/webp_picture.h"

#include "core/failure.h"
#include "core/limits.h"
#include "media/colour_management.h"
#include "media/exif_orientation.h"
#include "media/picture_rows.h"
#include "media/scaling.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <memory>
#include <new>

namespace soru {
namespace {

struct DemuxDeleter {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct AnimDeleter {
    void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
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

    QByteArray bytes = readPictureFile(path, kMaxDecodedPictureBytes);
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
    const auto* data = reinterpret_cast<const uint8_t*>(bytes_.constData());
    const std::size_t length = std::size_t(bytes_.size());
    if (animated_) {
        // The first frame as the animation shows it: on its canvas, blended
        // over the background. The canvas is the picture's own size.
        WebPAnimDecoderOptions options;
        if (!WebPAnimDecoderOptionsInit(&options))
            throw InvalidPicture();
        options.color_mode = MODE_BGRA;
        options.use_threads = 0;
        const WebPData whole{data, length};
        const std::unique_ptr<WebPAnimDecoder, AnimDeleter> anim{
            WebPAnimDecoderNew(&whole, &options)};
        uint8_t* pixels = nullptr;
        int timestamp = 0;
        if (!anim || !WebPAnimDecoderGetNext(anim.get(), &pixels, &timestamp) || !pixels)
            throw InvalidPicture();
        QImage frame(pixels, stored_.width(), stored_.height(), stored_.width() * 4,
                     QImage::Format_ARGB32);
        QImage image = composed(frame.copy());
        if (image.isNull())
            throw std::bad_alloc();
        return size == stored_ ? image : smoothScaled(image, size);
    }
    QImage image(size, QImage::Format_ARGB32);
    if (image.isNull())
        throw std::bad_alloc();
    if (decodeInto(image.bits(), image.bytesPerLine(), size) < size.height())
        throw InvalidPicture();
    return composed(std::move(image));
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
    ColourTransformCache::instance().apply(image, profile_);
    return image;
}

} // namespace soru
