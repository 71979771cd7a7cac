#include "media/formats/heif_av1_decoder.h"

#include "core/limits.h"

#include <libheif/heif.h>
#include <libheif/heif_plugin.h>

#include <dav1d/dav1d.h>

#include <QThread>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace soru {

bool YcbcrToRgb::setUp(int matrix, bool fullRange) {
    double kr = 0.299, kb = 0.114; // BT.601, also for an unspecified matrix
    identity_ = false;
    fullRange_ = fullRange;
    switch (matrix) {
    case 0: // identity: G, B, R stored as Y, Cb, Cr
        identity_ = true;
        return fullRange;
    case 1: // BT.709
        kr = 0.2126, kb = 0.0722;
        break;
    case 2:
    case 5:
    case 6:
        break;
    case 4: // FCC
        kr = 0.30, kb = 0.11;
        break;
    case 7: // SMPTE 240M
        kr = 0.212, kb = 0.087;
        break;
    case 9: // BT.2020, non-constant luminance
        kr = 0.2627, kb = 0.0593;
        break;
    default:
        return false;
    }
    const double kg = 1 - kr - kb;
    const double ys = fullRange ? 1.0 : 255.0 / 219.0, cs = fullRange ? 1.0 : 255.0 / 224.0;
    const int offset = fullRange ? 0 : 16;
    const auto fixed = [](double v) { return int(std::lround(v * 65536)); };
    // The same factors in 13-bit fixed point for the vector loop; the
    // largest, 1.772 * 255 / 224, still fits a signed 16-bit lane.
    const auto q13 = [](double v) { return int16_t(std::lround(v * 8192)); };
    offset_ = int16_t(offset);
    kY_ = q13(ys);
    kRCr_ = q13(2 * (1 - kr) * cs);
    kBCb_ = q13(2 * (1 - kb) * cs);
    kGCb_ = q13(-2 * kb * (1 - kb) / kg * cs);
    kGCr_ = q13(-2 * kr * (1 - kr) / kg * cs);
    for (int v = 0; v < 256; ++v) {
        const double c = (v - 128) * cs;
        y_[v] = fixed((v - offset) * ys) + 32768; // the half that rounds every sum
        rCr_[v] = fixed(2 * (1 - kr) * c);
        bCb_[v] = fixed(2 * (1 - kb) * c);
        gCb_[v] = fixed(-2 * kb * (1 - kb) / kg * c);
        gCr_[v] = fixed(-2 * kr * (1 - kr) / kg * c);
    }
    return true;
}

void YcbcrToRgb::row(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int chromaShift,
                     int n, uint8_t* r, uint8_t* g, uint8_t* b) const {
    if (identity_) {
        for (int x = 0; x < n; ++x) {
            r[x] = cr[x >> chromaShift];
            g[x] = y[x];
            b[x] = cb[x >> chromaShift];
        }
        return;
    }
    int x = 0;
#ifdef __SSE2__
    // Eight pixels a step in 32-bit sums of 16-bit products: Y with Cr for
    // red, Y with Cb for blue, Y with Cb plus Cr alone for green.
    const __m128i zero = _mm_setzero_si128();
    const __m128i offset = _mm_set1_epi16(offset_), half = _mm_set1_epi16(128);
    const __m128i round = _mm_set1_epi32(1 << 12);
    const auto pair = [](int16_t a, int16_t b) {
        return _mm_set1_epi32(int((uint32_t(uint16_t(b)) << 16) | uint16_t(a)));
    };
    const __m128i kR = pair(kY_, kRCr_), kB = pair(kY_, kBCb_), kG = pair(kY_, kGCb_),
                  kGv = pair(kGCr_, 0);
    struct Sums {
        __m128i first, second;
    };
    const auto sums = [&](__m128i a, __m128i b, __m128i k) {
        const __m128i lo = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(a, b), k), round);
        const __m128i hi = _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(a, b), k), round);
        return Sums{lo, hi};
    };
    const auto narrow = [](Sums v) {
        return _mm_packs_epi32(_mm_srai_epi32(v.first, 13), _mm_srai_epi32(v.second, 13));
    };
    for (; x + 8 <= n; x += 8) {
        const __m128i yv = _mm_sub_epi16(
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(y + x)), zero),
            offset);
        __m128i u, v;
        if (chromaShift) {
            int32_t cb4, cr4;
            std::memcpy(&cb4, cb + (x >> 1), 4);
            std::memcpy(&cr4, cr + (x >> 1), 4);
            const __m128i cbv = _mm_cvtsi32_si128(cb4), crv = _mm_cvtsi32_si128(cr4);
            u = _mm_unpacklo_epi8(_mm_unpacklo_epi8(cbv, cbv), zero);
            v = _mm_unpacklo_epi8(_mm_unpacklo_epi8(crv, crv), zero);
        } else {
            u = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cb + x)), zero);
            v = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cr + x)), zero);
        }
        u = _mm_sub_epi16(u, half);
        v = _mm_sub_epi16(v, half);
        const __m128i rv = narrow(sums(yv, v, kR));
        const __m128i bv = narrow(sums(yv, u, kB));
        auto gs = sums(yv, u, kG);
        gs.first = _mm_add_epi32(gs.first, _mm_madd_epi16(_mm_unpacklo_epi16(v, zero), kGv));
        gs.second = _mm_add_epi32(gs.second, _mm_madd_epi16(_mm_unpackhi_epi16(v, zero), kGv));
        const __m128i gv = narrow(gs);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(r + x), _mm_packus_epi16(rv, rv));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(g + x), _mm_packus_epi16(gv, gv));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(b + x), _mm_packus_epi16(bv, bv));
    }
#endif
    const auto clamp = [](int v) { return uint8_t(v < 0 ? 0 : v > 0xFFFFFF ? 255 : v >> 16); };
    for (; x < n; ++x) {
        const int l = y_[y[x]], u = cb[x >> chromaShift], v = cr[x >> chromaShift];
        r[x] = clamp(l + rCr_[v]);
        g[x] = clamp(l + gCb_[u] + gCr_[v]);
        b[x] = clamp(l + bCb_[u]);
    }
}

namespace {

thread_local const ContainerColour* tContainerColour = nullptr;
std::atomic<std::uint64_t> gDecodersOpened{0};

// A picture of at most this many pixels is decoded on one thread by a
// decoder kept for the next: starting dav1d's threads would cost more than
// they save, thousands of times over for a grid of small tiles.
constexpr std::size_t kSmallPicturePixels = 256 * 256;
constexpr std::size_t kMaxIdleDecoders = 8;

Dav1dContext* openDecoder(int threads) {
    Dav1dSettings settings;
    dav1d_default_settings(&settings);
    settings.n_threads = threads;
    settings.max_frame_delay = 1;
    settings.all_layers = 0;
    // A stream claiming more than the one memory limit is refused by dav1d.
    settings.frame_size_limit = unsigned(kMaxDecodedPictureBytes / 4);
    Dav1dContext* context = nullptr;
    if (dav1d_open(&context, &settings) != 0)
        return nullptr;
    ++gDecodersOpened;
    return context;
}

// The idle single-threaded decoders, flushed, for small pictures.
class DecoderPool {
public:
    ~DecoderPool() {
        for (Dav1dContext* c : idle_)
            dav1d_close(&c);
    }
    Dav1dContext* take() {
        {
            const std::lock_guard lock(mutex_);
            if (!idle_.empty()) {
                Dav1dContext* c = idle_.back();
                idle_.pop_back();
                return c;
            }
        }
        return openDecoder(1);
    }
    void give(Dav1dContext* c) {
        dav1d_flush(c);
        {
            const std::lock_guard lock(mutex_);
            if (idle_.size() < kMaxIdleDecoders) {
                idle_.push_back(c);
                return;
            }
        }
        dav1d_close(&c);
    }

private:
    std::mutex mutex_;
    std::vector<Dav1dContext*> idle_;
};

DecoderPool& pool() {
    static DecoderPool p;
    return p;
}

// A decoder for one picture: a pooled single-threaded one for a small
// picture, its own with threads for a large one.
class DecoderLease {
public:
    explicit DecoderLease(std::size_t pixels) : pooled_(pixels <= kSmallPicturePixels) {
        context_ = pooled_ ? pool().take()
                           : openDecoder(std::clamp(QThread::idealThreadCount(), 1, 8));
    }
    ~DecoderLease() {
        if (!context_)
            return;
        if (pooled_ && healthy_)
            pool().give(context_);
        else
            dav1d_close(&context_);
    }
    DecoderLease(const DecoderLease&) = delete;
    DecoderLease& operator=(const DecoderLease&) = delete;
    Dav1dContext* get() const { return context_; }
    // A decode that failed leaves the decoder to be closed, not reused.
    void failed() { healthy_ = false; }

private:
    Dav1dContext* context_ = nullptr;
    bool pooled_;
    bool healthy_ = true;
};

struct Decoder {
    std::vector<uint8_t> data; // the coded picture: the one copy the plugin keeps
};

heif_error ok() {
    return {heif_error_Ok, heif_suberror_Unspecified, ""};
}
heif_error failed(const char* what) {
    return {heif_error_Decoder_plugin_error, heif_suberror_Unspecified, what};
}

struct PictureGuard {
    Dav1dPicture picture{};
    ~PictureGuard() { dav1d_picture_unref(&picture); }
};

// The colour description the picture is converted with: the container's
// where it gives one, else the sequence header's.
ContainerColour colourOf(const Dav1dPicture& p) {
    if (tContainerColour)
        return *tContainerColour;
    ContainerColour c;
    if (p.seq_hdr) {
        c.primaries = p.seq_hdr->pri;
        c.transfer = p.seq_hdr->trc;
        c.matrix = p.seq_hdr->mtrx;
        c.fullRange = p.seq_hdr->color_range != 0;
    }
    return c;
}

// The decoded picture as libheif's own decoders hand it over: YCbCr (or
// monochrome) planes of the stored depth, with the colour description.
heif_error asYcbcr(const Dav1dPicture& p, heif_image** out) {
    const bool mono = p.p.layout == DAV1D_PIXEL_LAYOUT_I400;
    const heif_chroma chroma = mono ? heif_chroma_monochrome
                               : p.p.layout == DAV1D_PIXEL_LAYOUT_I420 ? heif_chroma_420
                               : p.p.layout == DAV1D_PIXEL_LAYOUT_I422 ? heif_chroma_422
                                                                       : heif_chroma_444;
    heif_image* image = nullptr;
    heif_error err = heif_image_create(p.p.w, p.p.h,
                                       mono ? heif_colorspace_monochrome : heif_colorspace_YCbCr,
                                       chroma, &image);
    if (err.code != heif_error_Ok)
        return err;
    const int sx = p.p.layout == DAV1D_PIXEL_LAYOUT_I444 ? 0 : 1;
    const int sy = p.p.layout == DAV1D_PIXEL_LAYOUT_I420 ? 1 : 0;
    const int bytes = p.p.bpc > 8 ? 2 : 1;
    const heif_channel channels[] = {heif_channel_Y, heif_channel_Cb, heif_channel_Cr};
    for (int c = 0; c < (mono ? 1 : 3); ++c) {
        const int w = c ? (p.p.w + sx) >> sx : p.p.w, h = c ? (p.p.h + sy) >> sy : p.p.h;
        err = heif_image_add_plane(image, channels[c], w, h, p.p.bpc);
        int stride = 0;
        uint8_t* dst = err.code == heif_error_Ok ? heif_image_get_plane(image, channels[c], &stride)
                                                 : nullptr;
        if (!dst) {
            heif_image_release(image);
            return err.code != heif_error_Ok ? err : failed("no plane");
        }
        const auto* src = static_cast<const uint8_t*>(p.data[c]);
        const ptrdiff_t srcStride = p.stride[c ? 1 : 0];
        for (int y = 0; y < h; ++y)
            std::memcpy(dst + ptrdiff_t(stride) * y, src + srcStride * y, std::size_t(w) * bytes);
    }
    if (p.seq_hdr || tContainerColour) {
        if (heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc()) {
            const ContainerColour colour = colourOf(p);
            nclx->color_primaries = heif_color_primaries(colour.primaries);
            nclx->transfer_characteristics = heif_transfer_characteristics(colour.transfer);
            nclx->matrix_coefficients = heif_matrix_coefficients(colour.matrix);
            nclx->full_range_flag = uint8_t(colour.fullRange);
            heif_image_set_nclx_color_profile(image, nclx);
            heif_nclx_color_profile_free(nclx);
        }
    }
    *out = image;
    return ok();
}

// An 8-bit colour picture converted to planar RGB, the form libheif turns
// every picture into.
heif_error asRgb(const Dav1dPicture& p, const YcbcrToRgb& convert, heif_image** out) {
    heif_image* image = nullptr;
    heif_error err = heif_image_create(p.p.w, p.p.h, heif_colorspace_RGB, heif_chroma_444, &image);
    if (err.code != heif_error_Ok)
        return err;
    uint8_t* planes[3] = {};
    int strides[3] = {};
    const heif_channel channels[] = {heif_channel_R, heif_channel_G, heif_channel_B};
    for (int c = 0; c < 3; ++c) {
        err = heif_image_add_plane(image, channels[c], p.p.w, p.p.h, 8);
        planes[c] = err.code == heif_error_Ok ? heif_image_get_plane(image, channels[c], &strides[c])
                                              : nullptr;
        if (!planes[c]) {
            heif_image_release(image);
            return err.code != heif_error_Ok ? err : failed("no plane");
        }
    }
    const int sx = p.p.layout == DAV1D_PIXEL_LAYOUT_I444 ? 0 : 1;
    const int sy = p.p.layout == DAV1D_PIXEL_LAYOUT_I420 ? 1 : 0;
    const auto* y = static_cast<const uint8_t*>(p.data[0]);
    const auto* cb = static_cast<const uint8_t*>(p.data[1]);
    const auto* cr = static_cast<const uint8_t*>(p.data[2]);
    for (int row = 0; row < p.p.h; ++row) {
        const ptrdiff_t c = p.stride[1] * (row >> sy);
        convert.row(y + p.stride[0] * row, cb + c, cr + c, sx, p.p.w,
                    planes[0] + ptrdiff_t(strides[0]) * row, planes[1] + ptrdiff_t(strides[1]) * row,
                    planes[2] + ptrdiff_t(strides[2]) * row);
    }
    *out = image;
    return ok();
}

heif_error decode(void* decoder, heif_image** out) {
    auto* d = static_cast<Decoder*>(decoder);
    // The picture's size from its sequence header picks the decoder; one
    // that has none is left to fail in a decoder of its own.
    Dav1dSequenceHeader header{};
    const std::size_t pixels =
        dav1d_parse_sequence_header(&header, d->data.data(), d->data.size()) == 0
            ? std::size_t(header.max_width) * std::size_t(header.max_height)
            : std::numeric_limits<std::size_t>::max();
    DecoderLease decoderLease(pixels);
    Dav1dContext* context = decoderLease.get();
    if (!context)
        return failed("dav1d_open");
    // dav1d reads the coded picture where it lies; the buffer is handed
    // over and freed when dav1d lets go of it.
    auto* coded = new std::vector<uint8_t>(std::move(d->data));
    Dav1dData data{};
    if (dav1d_data_wrap(
            &data, coded->data(), coded->size(),
            [](const uint8_t*, void* cookie) { delete static_cast<std::vector<uint8_t>*>(cookie); },
            coded) != 0) {
        delete coded;
        return failed("out of memory");
    }
    // Only the first picture is shown: data left over once it is out is
    // dropped. With a frame delay of 1, dav1d decodes in the calls
    // themselves, its threads sharing each frame's work.
    PictureGuard picture;
    bool got = false;
    do {
        const int res = dav1d_send_data(context, &data);
        if (res < 0 && res != DAV1D_ERR(EAGAIN))
            break;
        if (res == DAV1D_ERR(EAGAIN)) {
            got = dav1d_get_picture(context, &picture.picture) == 0;
            if (!got)
                break;
        }
    } while (data.sz > 0 && !got);
    dav1d_data_unref(&data);
    if (!got && dav1d_get_picture(context, &picture.picture) != 0) {
        decoderLease.failed();
        return failed("no picture");
    }
    const Dav1dPicture& p = picture.picture;
    if (p.p.w <= 0 || p.p.h <= 0)
        return failed("empty picture");
    const ContainerColour colour = colourOf(p);
    YcbcrToRgb convert;
    if (p.p.bpc == 8 && p.p.layout != DAV1D_PIXEL_LAYOUT_I400 &&
        convert.setUp(colour.matrix, colour.fullRange))
        return asRgb(p, convert, out);
    return asYcbcr(p, out);
}

const heif_decoder_plugin kPlugin = {
    3,
    [] { return "SORU dav1d AV1 decoder"; },
    nullptr,
    nullptr,
    // Far above the priorities libheif's own AV1 decoders give themselves.
    [](heif_compression_format format) { return format == heif_compression_AV1 ? 1000 : 0; },
    [](void** decoder) {
        *decoder = new Decoder;
        return ok();
    },
    [](void* decoder) { delete static_cast<Decoder*>(decoder); },
    [](void* decoder, const void* data, size_t size) {
        auto* d = static_cast<Decoder*>(decoder);
        const auto* bytes = static_cast<const uint8_t*>(data);
        if (d->data.empty())
            d->data.reserve(size); // libheif pushes a picture at once: no regrowth
        d->data.insert(d->data.end(), bytes, bytes + size);
        return ok();
    },
    decode,
    [](void*, int) {},
    "soru-dav1d",
};

} // namespace

void registerAv1Decoder() {
    heif_register_decoder_plugin(&kPlugin);
}

ContainerColourScope::ContainerColourScope(const ContainerColour* colour)
    : previous_(tContainerColour) {
    tContainerColour = colour;
}

ContainerColourScope::~ContainerColourScope() {
    tContainerColour = previous_;
}

std::uint64_t av1DecodersOpened() {
    return gDecodersOpened.load();
}

} // namespace soru
