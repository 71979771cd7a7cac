#include "media/heif_picture.h"

#include "core/failure.h"
#include "core/limits.h"
#include "media/colour_management.h"
#include "media/heif_av1_decoder.h"
#include "media/picture_rows.h"
#include "media/scaling.h"

#include <libheif/heif.h>

#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace soru {
namespace {

void initialiseLibheif() {
    static std::once_flag once;
    std::call_once(once, [] {
        heif_init(nullptr);
        registerAv1Decoder();
    });
}

struct HandleDeleter {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
using Handle = std::unique_ptr<heif_image_handle, HandleDeleter>;
using Image = std::unique_ptr<heif_image, ImageDeleter>;

[[noreturn]] void invalid() {
    throw InvalidPicture();
}

bool fitsLimit(const heif_image_handle* h) {
    return pictureFitsMemoryLimit(heif_image_handle_get_width(h), heif_image_handle_get_height(h),
                                  4);
}

// The handle's image decoded to 8-bit RGB, transforms applied, composed
// over the ground: RGB32.
QImage decodeHandle(heif_image_handle* handle) {
    if (!fitsLimit(handle))
        invalid();
    const bool alpha = heif_image_handle_has_alpha_channel(handle);
    // Samples stored already multiplied by their alpha need only the ground
    // added.
    const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(handle);
    heif_decoding_options* options = heif_decoding_options_alloc();
    if (!options)
        throw std::bad_alloc();
    heif_image* decoded = nullptr;
    const heif_error err = heif_decode_image(
        handle, &decoded, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options);
    heif_decoding_options_free(options);
    const Image image{decoded};
    if (err.code != heif_error_Ok || !image)
        invalid();
    const int w = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int h = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t* plane =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!plane || w <= 0 || h <= 0 ||
        heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8)
        invalid();
    QImage out(w, h, QImage::Format_RGB32);
    if (out.isNull())
        throw std::bad_alloc();
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = plane + qsizetype(stride) * y;
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        if (premultiplied) {
            for (int x = 0; x < w; ++x, src += 4) {
                const int ground = (255 * (255 - src[3]) + 127) / 255;
                dst[x] = qRgb(qMin(255, src[0] + ground), qMin(255, src[1] + ground),
                              qMin(255, src[2] + ground));
            }
        } else if (alpha) {
            for (int x = 0; x < w; ++x, src += 4)
                dst[x] = qRgba(src[0], src[1], src[2], src[3]);
            composeOverGround(dst, w);
        } else {
            for (int x = 0; x < w; ++x, src += 3)
                dst[x] = qRgb(src[0], src[1], src[2]);
        }
    }
    return out;
}

// Three 8-bit planes woven into n opaque QRgb pixels.
void weave(const uint8_t* r, const uint8_t* g, const uint8_t* b, QRgb* out, int n) {
    int x = 0;
#ifdef __SSE2__
    const __m128i opaque = _mm_set1_epi8(char(0xFF));
    for (; x + 16 <= n; x += 16) {
        const __m128i rv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r + x));
        const __m128i gv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g + x));
        const __m128i bv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
        // Memory order B, G, R, A: QRgb on a little-endian machine.
        const __m128i bgLo = _mm_unpacklo_epi8(bv, gv), bgHi = _mm_unpackhi_epi8(bv, gv);
        const __m128i raLo = _mm_unpacklo_epi8(rv, opaque), raHi = _mm_unpackhi_epi8(rv, opaque);
        auto* dst = reinterpret_cast<__m128i*>(out + x);
        _mm_storeu_si128(dst, _mm_unpacklo_epi16(bgLo, raLo));
        _mm_storeu_si128(dst + 1, _mm_unpackhi_epi16(bgLo, raLo));
        _mm_storeu_si128(dst + 2, _mm_unpacklo_epi16(bgHi, raHi));
        _mm_storeu_si128(dst + 3, _mm_unpackhi_epi16(bgHi, raHi));
    }
#endif
    for (; x < n; ++x)
        out[x] = qRgb(r[x], g[x], b[x]);
}

// The handle's image, when it is stored with 8 bits a sample, drawn into
// the target straight from the planar RGB that libheif's conversion makes
// (it converts to that whatever is asked for): each row woven into pixels
// and reduced as it comes, so no full-size picture is ever held beyond
// libheif's own. False, with nothing decoded, for deeper pictures.
bool drawPlanar(heif_image_handle* handle, QImage& canvas, const QRect& target, QSize& decodedSize) {
    if (heif_image_handle_get_luma_bits_per_pixel(handle) != 8 ||
        heif_image_handle_get_chroma_bits_per_pixel(handle) != 8)
        return false;
    const bool alpha = heif_image_handle_has_alpha_channel(handle);
    const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(handle);
    heif_image* decoded = nullptr;
    const heif_error err =
        heif_decode_image(handle, &decoded, heif_colorspace_RGB, heif_chroma_444, nullptr);
    const Image image{decoded};
    if (err.code != heif_error_Ok || !image)
        invalid();
    const heif_channel channels[] = {heif_channel_R, heif_channel_G, heif_channel_B,
                                     heif_channel_Alpha};
    const int w = heif_image_get_width(image.get(), heif_channel_R);
    const int h = heif_image_get_height(image.get(), heif_channel_R);
    const uint8_t* planes[4] = {};
    int strides[4] = {};
    for (int c = 0; c < (alpha ? 4 : 3); ++c) {
        planes[c] = heif_image_get_plane_readonly(image.get(), channels[c], &strides[c]);
        if (!planes[c] || heif_image_get_bits_per_pixel_range(image.get(), channels[c]) != 8 ||
            heif_image_get_width(image.get(), channels[c]) != w ||
            heif_image_get_height(image.get(), channels[c]) != h)
            invalid();
    }
    if (w <= 0 || h <= 0)
        invalid();
    ScaledRowTarget out(canvas, target, QSize(w, h), 1);
    std::vector<QRgb> row(static_cast<std::size_t>(w));
    for (int y = 0; y < h; ++y) {
        const auto line = [&](int c) { return planes[c] + qsizetype(strides[c]) * y; };
        weave(line(0), line(1), line(2), row.data(), w);
        if (alpha) {
            const uint8_t* a = line(3);
            if (premultiplied) {
                for (int x = 0; x < w; ++x) {
                    const int ground = (255 * (255 - a[x]) + 127) / 255;
                    const QRgb p = row[std::size_t(x)];
                    row[std::size_t(x)] = qRgb(qMin(255, qRed(p) + ground),
                                               qMin(255, qGreen(p) + ground),
                                               qMin(255, qBlue(p) + ground));
                }
            } else {
                for (int x = 0; x < w; ++x)
                    row[std::size_t(x)] = (row[std::size_t(x)] & 0xFFFFFFu) | QRgb(a[x]) << 24;
                composeOverGround(row.data(), w);
            }
        }
        out.addRow(y, row.data());
    }
    out.finish();
    decodedSize = QSize(w, h);
    return true;
}

// Draws the handle's image into the target; returns the size decoded.
QSize drawHandle(heif_image_handle* handle, QImage& canvas, const QRect& target) {
    if (!fitsLimit(handle))
        invalid();
    QSize size;
    if (drawPlanar(handle, canvas, target, size))
        return size;
    const QImage image = decodeHandle(handle);
    drawSmoothScaled(canvas, target, image);
    return image.size();
}

} // namespace

struct HeifPicture::File {
    QByteArray bytes; // libheif reads from them without a copy
    heif_context* context = nullptr;
    Handle primary;

    ~File() {
        primary.reset();
        if (context)
            heif_context_free(context);
    }
};

HeifPicture::HeifPicture() : FormatPicture(text::kBadHeif) {}
HeifPicture::~HeifPicture() = default;

void HeifPicture::loadFile(const QString& path) {
    file_.reset();
    size_ = QSize(0, 0);
    profile_.clear();
    lastDecoded_ = QSize();
    bitDepth_ = 0;
    initialiseLibheif();

    auto file = std::make_unique<File>();
    file->bytes = readPictureFile(path, kMaxDecodedPictureBytes);
    file->context = heif_context_alloc();
    if (!file->context)
        throw std::bad_alloc();
    // A side longer than the one memory limit allows for a picture one
    // pixel thin is refused by libheif before it is decoded.
    heif_context_set_maximum_image_size_limit(file->context, 1 << 16);
    if (heif_context_read_from_memory_without_copy(file->context, file->bytes.constData(),
                                                   std::size_t(file->bytes.size()), nullptr)
            .code != heif_error_Ok)
        invalid();
    heif_image_handle* primary = nullptr;
    if (heif_context_get_primary_image_handle(file->context, &primary).code != heif_error_Ok ||
        !primary)
        invalid();
    file->primary.reset(primary);
    if (!fitsLimit(primary))
        invalid();

    QByteArray profile;
    switch (heif_image_handle_get_color_profile_type(primary)) {
    case heif_color_profile_type_prof:
    case heif_color_profile_type_rICC: {
        profile.resize(qsizetype(heif_image_handle_get_raw_color_profile_size(primary)));
        if (profile.isEmpty() ||
            heif_image_handle_get_raw_color_profile(primary, profile.data()).code !=
                heif_error_Ok ||
            profileSpace(profile) != ProfileSpace::Rgb)
            profile.clear();
        break;
    }
    case heif_color_profile_type_nclx: {
        heif_color_profile_nclx* nclx = nullptr;
        if (heif_image_handle_get_nclx_color_profile(primary, &nclx).code == heif_error_Ok &&
            nclx) {
            const float xy[4][2] = {{nclx->color_primary_red_x, nclx->color_primary_red_y},
                                    {nclx->color_primary_green_x, nclx->color_primary_green_y},
                                    {nclx->color_primary_blue_x, nclx->color_primary_blue_y},
                                    {nclx->color_primary_white_x, nclx->color_primary_white_y}};
            profile = nclxProfile(nclx->color_primaries, nclx->transfer_characteristics, xy);
        }
        heif_nclx_color_profile_free(nclx);
        break;
    }
    default:
        break;
    }
    size_ = QSize(heif_image_handle_get_width(primary), heif_image_handle_get_height(primary));
    profile_ = std::move(profile);
    bitDepth_ = heif_image_handle_get_luma_bits_per_pixel(primary);
    file_ = std::move(file);
}

void HeifPicture::drawPicture(QImage& canvas, const QRect& target) {
    if (target.isEmpty() || !file_ || canvas.isNull())
        return;
    heif_image_handle* primary = file_->primary.get();
    // The smallest stored thumbnail that still covers the target.
    Handle chosen;
    const int count = heif_image_handle_get_number_of_thumbnails(primary);
    if (count > 0) {
        std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
        heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
        for (const heif_item_id id : ids) {
            heif_image_handle* thumb = nullptr;
            if (heif_image_handle_get_thumbnail(primary, id, &thumb).code != heif_error_Ok ||
                !thumb)
                continue;
            Handle t{thumb};
            const int w = heif_image_handle_get_width(thumb),
                      h = heif_image_handle_get_height(thumb);
            if (w >= target.width() && h >= target.height() &&
                (!chosen || qint64(w) * h < qint64(heif_image_handle_get_width(chosen.get())) *
                                                heif_image_handle_get_height(chosen.get())))
                chosen = std::move(t);
        }
    }
    if (chosen) {
        try {
            lastDecoded_ = drawHandle(chosen.get(), canvas, target);
            return;
        } catch (const Failure&) {
            // a broken thumbnail: the picture itself still serves
        }
    }
    lastDecoded_ = drawHandle(primary, canvas, target);
}

QImage HeifPicture::wholeImage() {
    if (!file_)
        return {};
    QImage image = decodeHandle(file_->primary.get());
    if (image.size() != size_)
        invalid();
    ColourTransformCache::instance().apply(image, profile_);
    return image;
}

QByteArray nclxProfile(int primaries, int transfer, const float (&xy)[4][2]) {
    // 1: BT.709 (sRGB's primaries), 2: unspecified.
    if (primaries == 1 || primaries == 2)
        return {};
    for (const auto& p : xy)
        if (!(p[0] > 0 && p[1] > 0 && p[0] + p[1] <= 1))
            return {};
    // XYZ of each primary at full intensity, scaled so that their sum is
    // the white point with Y = 1.
    const auto col = [&](int i, double(&v)[3]) {
        v[0] = xy[i][0] / xy[i][1];
        v[1] = 1;
        v[2] = (1 - xy[i][0] - xy[i][1]) / xy[i][1];
    };
    double r[3], g[3], b[3], w[3];
    col(0, r);
    col(1, g);
    col(2, b);
    col(3, w);
    // Solve [r g b] * s = w for the scales s (Cramer's rule).
    const auto det = [](const double(&a)[3], const double(&b)[3], const double(&c)[3]) {
        return a[0] * (b[1] * c[2] - b[2] * c[1]) - b[0] * (a[1] * c[2] - a[2] * c[1]) +
               c[0] * (a[1] * b[2] - a[2] * b[1]);
    };
    const double d = det(r, g, b);
    if (d == 0)
        return {};
    const double sr = det(w, g, b) / d, sg = det(r, w, b) / d, sb = det(r, g, w) / d;
    if (!(sr > 0 && sg > 0 && sb > 0))
        return {};
    const double xyz[3][3] = {{r[0] * sr, r[1] * sr, r[2] * sr},
                              {g[0] * sg, g[1] * sg, g[2] * sg},
                              {b[0] * sb, b[1] * sb, b[2] * sb}};
    // 8: linear; 13 (sRGB) and the BT.709 family are near 2.2; the
    // high-dynamic-range curves (16, 18) have no gamma and are shown as 2.2
    // too, as their standard-range part looks.
    const double gamma = transfer == 8 ? 1.0 : 2.2;
    return calibratedRgbProfile(xyz, {gamma, gamma, gamma});
}

} // namespace soru
