#include "media/formats/heif_av1_decoder.h"

#include "core/limits.h"
#include "core/two_threads.h"

#include <libheif/heif.h>
#include <libheif/heif_plugin.h>

#include <dav1d/dav1d.h>

#include <QThread>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace soru {

bool YcbcrToRgb::setUp(int matrix, bool fullRange, int bitDepth) {
    double kr = 0.299, kb = 0.114; // BT.601, also for an unspecified matrix
    if (bitDepth < 8 || bitDepth > 12)
        return false;
    identity_ = false;
    depth_ = bitDepth;
    const int extra = bitDepth - 8;
    shift_ = 13 + extra;
    half_ = 128 << extra;
    max_ = (1 << bitDepth) - 1;
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
    // Full range maps the largest code to 255, limited range 16 to 235 (and
    // 16 to 240 for chroma) at 8 bits, scaled up by the extra bits.
    const double scale = fullRange ? 255.0 * (1 << extra) / max_ : 1.0;
    const double ys = (fullRange ? 1.0 : 255.0 / 219.0) * scale,
                 cs = (fullRange ? 1.0 : 255.0 / 224.0) * scale;
    offset_ = fullRange ? 0 : 16 << extra;
    // 13-bit fixed point; the largest factor, 1.772 * 255 / 224, still fits
    // a signed 16-bit lane, and a 12-bit sample times it a 32-bit sum.
    const auto q13 = [](double v) { return int16_t(std::lround(v * 8192)); };
    kY_ = q13(ys);
    kRCr_ = q13(2 * (1 - kr) * cs);
    kBCb_ = q13(2 * (1 - kb) * cs);
    kGCb_ = q13(-2 * kb * (1 - kb) / kg * cs);
    kGCr_ = q13(-2 * kr * (1 - kr) / kg * cs);
    return true;
}

void YcbcrToRgb::row(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int chromaShift,
                     int n, uint8_t* r, uint8_t* g, uint8_t* b) const {
    convert(y, cb, cr, chromaShift, n, r, g, b);
}

void YcbcrToRgb::row(const uint16_t* y, const uint16_t* cb, const uint16_t* cr, int chromaShift,
                     int n, uint8_t* r, uint8_t* g, uint8_t* b) const {
    convert(y, cb, cr, chromaShift, n, r, g, b);
}

template <typename Sample>
void YcbcrToRgb::convert(const Sample* y, const Sample* cb, const Sample* cr, int chromaShift,
                         int n, uint8_t* r, uint8_t* g, uint8_t* b) const {
    if (identity_) {
        const auto narrow = [this](int v) {
            return uint8_t((std::min(v, max_) * 255 + (max_ >> 1)) / max_);
        };
        for (int x = 0; x < n; ++x) {
            r[x] = narrow(cr[x >> chromaShift]);
            g[x] = narrow(y[x]);
            b[x] = narrow(cb[x >> chromaShift]);
        }
        return;
    }
    int x = 0;
#ifdef __SSE2__
    // Eight pixels a step in 32-bit sums of 16-bit products: Y with Cr for
    // red, Y with Cb for blue, Y with Cb plus Cr alone for green. Samples
    // beyond the depth (only in damaged streams) are clamped first.
    const __m128i zero = _mm_setzero_si128();
    const __m128i offset = _mm_set1_epi16(int16_t(offset_)), half = _mm_set1_epi16(int16_t(half_));
    const __m128i top = _mm_set1_epi16(int16_t(max_));
    const __m128i round = _mm_set1_epi32(1 << (shift_ - 1));
    const __m128i shift = _mm_cvtsi32_si128(shift_);
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
    const auto narrow = [&](Sums v) {
        return _mm_packs_epi32(_mm_sra_epi32(v.first, shift), _mm_sra_epi32(v.second, shift));
    };
    // Eight samples as 16-bit lanes, and four repeated to eight.
    const auto load8 = [&](const Sample* p) {
        if constexpr (sizeof(Sample) == 1)
            return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
        else // signed minimum: no sample above the depth's largest
            return _mm_min_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), top);
    };
    const auto load4Twice = [&](const Sample* p) {
        if constexpr (sizeof(Sample) == 1) {
            int32_t four;
            std::memcpy(&four, p, 4);
            const __m128i v = _mm_cvtsi32_si128(four);
            return _mm_unpacklo_epi8(_mm_unpacklo_epi8(v, v), zero);
        } else {
            const __m128i v =
                _mm_min_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), top);
            return _mm_unpacklo_epi16(v, v);
        }
    };
    for (; x + 8 <= n; x += 8) {
        const __m128i yv = _mm_sub_epi16(load8(y + x), offset);
        __m128i u, v;
        if (chromaShift) {
            u = load4Twice(cb + (x >> 1));
            v = load4Twice(cr + (x >> 1));
        } else {
            u = load8(cb + x);
            v = load8(cr + x);
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
    // The same sums one pixel at a time.
    const int round1 = 1 << (shift_ - 1);
    const auto clamp = [this](int v) {
        v >>= shift_;
        return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
    };
    for (; x < n; ++x) {
        const int l = kY_ * (std::min<int>(y[x], max_) - offset_) + round1;
        const int u = std::min<int>(cb[x >> chromaShift], max_) - half_;
        const int v = std::min<int>(cr[x >> chromaShift], max_) - half_;
        r[x] = clamp(l + kRCr_ * v);
        g[x] = clamp(l + kGCb_ * u + kGCr_ * v);
        b[x] = clamp(l + kBCb_ * u);
    }
}

namespace {

thread_local const ContainerColour* tContainerColour = nullptr;
thread_local bool tConvertHevc = false;
std::atomic<std::uint64_t> gDecodersOpened{0};
std::atomic<std::uint64_t> gHevcConverted{0};

// A picture of at most this many pixels is decoded on one thread by a
// decoder kept for the next: starting dav1d's threads would cost more than
// they save, thousands of times over for a grid of small tiles.
constexpr std::size_t kSmallPicturePixels = 256 * 256;
constexpr std::size_t kMaxIdleDecoders = 8;
// From this many pixels up, the colour conversion and whatever the sink
// does with the rows (reducing them, mostly) run on two threads: after the
// decode, that is all the work left, and the decoder's threads are idle.
constexpr std::size_t kTwoThreadPixels = 1024 * 1024;

// dav1d's picture memory, kept when a picture is let go for the next of
// the same size: a fresh buffer of a large picture costs a page fault for
// every 4 KiB the decoder writes, more than converting its colour. At
// most two buffers (the largest pictures) are kept.
class PictureMemory {
public:
    static PictureMemory& instance() {
        static PictureMemory memory;
        return memory;
    }
    ~PictureMemory() {
        for (const Block& b : idle_)
            std::free(b.data);
    }
    void* take(std::size_t bytes) {
        {
            const std::lock_guard lock(mutex_);
            for (auto it = idle_.begin(); it != idle_.end(); ++it)
                if (it->bytes == bytes) {
                    void* data = it->data;
                    idle_.erase(it);
                    return data;
                }
        }
        return std::aligned_alloc(DAV1D_PICTURE_ALIGNMENT, bytes);
    }
    void give(void* data, std::size_t bytes) {
        const std::lock_guard lock(mutex_);
        idle_.insert(idle_.begin(), Block{data, bytes});
        while (idle_.size() > 2) {
            std::free(idle_.back().data);
            idle_.pop_back();
        }
    }

private:
    struct Block {
        void* data;
        std::size_t bytes;
    };
    std::mutex mutex_;
    std::vector<Block> idle_;
};

// Planes laid out as dav1d's own allocator lays them out, in memory from
// PictureMemory; the block's size travels in allocator_data.
int allocatePicture(Dav1dPicture* p, void*) {
    const int hbd = p->p.bpc > 8 ? 1 : 0;
    const std::size_t w = (std::size_t(p->p.w) + 127) & ~std::size_t(127);
    const std::size_t h = (std::size_t(p->p.h) + 127) & ~std::size_t(127);
    const bool chroma = p->p.layout != DAV1D_PIXEL_LAYOUT_I400;
    const int sx = p->p.layout != DAV1D_PIXEL_LAYOUT_I444 ? 1 : 0;
    const int sy = p->p.layout == DAV1D_PIXEL_LAYOUT_I420 ? 1 : 0;
    std::size_t yStride = w << hbd, uvStride = chroma ? yStride >> sx : 0;
    // Strides of a multiple of 1024 bytes alias in the caches.
    if (yStride % 1024 == 0)
        yStride += DAV1D_PICTURE_ALIGNMENT;
    if (uvStride % 1024 == 0)
        uvStride += DAV1D_PICTURE_ALIGNMENT;
    const std::size_t ySize = yStride * h, uvSize = uvStride * (h >> sy);
    const std::size_t bytes = ySize + 2 * uvSize + DAV1D_PICTURE_ALIGNMENT;
    auto* data = static_cast<uint8_t*>(PictureMemory::instance().take(bytes));
    if (!data)
        return DAV1D_ERR(ENOMEM);
    p->data[0] = data;
    p->data[1] = chroma ? data + ySize : nullptr;
    p->data[2] = chroma ? data + ySize + uvSize : nullptr;
    p->stride[0] = ptrdiff_t(yStride);
    p->stride[1] = ptrdiff_t(uvStride);
    p->allocator_data = reinterpret_cast<void*>(bytes);
    return 0;
}

void releasePicture(Dav1dPicture* p, void*) {
    PictureMemory::instance().give(p->data[0], reinterpret_cast<std::size_t>(p->allocator_data));
}

Dav1dContext* openDecoder(int threads) {
    Dav1dSettings settings;
    dav1d_default_settings(&settings);
    settings.n_threads = threads;
    settings.max_frame_delay = 1;
    settings.all_layers = 0;
    // A stream claiming more than the one memory limit is refused by dav1d.
    settings.frame_size_limit = unsigned(kMaxDecodedPictureBytes / 4);
    settings.allocator.cookie = nullptr;
    settings.allocator.alloc_picture_callback = allocatePicture;
    settings.allocator.release_picture_callback = releasePicture;
    Dav1dContext* context = nullptr;
    if (dav1d_open(&context, &settings) != 0)
        return nullptr;
    ++gDecodersOpened;
    return context;
}

int largeDecoderThreads() {
    return std::clamp(QThread::idealThreadCount(), 1, 8);
}

// The idle decoders, flushed: single-threaded ones for small pictures and
// one with threads for large ones, whose threads and frame memory would
// otherwise be made anew for every picture.
class DecoderPool {
public:
    ~DecoderPool() {
        for (auto* list : {&small_, &large_})
            for (Dav1dContext* c : *list)
                dav1d_close(&c);
    }
    Dav1dContext* take(bool small) {
        {
            const std::lock_guard lock(mutex_);
            auto& idle = small ? small_ : large_;
            if (!idle.empty()) {
                Dav1dContext* c = idle.back();
                idle.pop_back();
                return c;
            }
        }
        return openDecoder(small ? 1 : largeDecoderThreads());
    }
    void give(Dav1dContext* c, bool small) {
        dav1d_flush(c);
        {
            const std::lock_guard lock(mutex_);
            auto& idle = small ? small_ : large_;
            if (idle.size() < (small ? kMaxIdleDecoders : 1)) {
                idle.push_back(c);
                return;
            }
        }
        dav1d_close(&c);
    }

private:
    std::mutex mutex_;
    std::vector<Dav1dContext*> small_, large_;
};

DecoderPool& pool() {
    static DecoderPool p;
    return p;
}

// A decoder for one picture from the pool: a single-threaded one for a
// small picture, one with threads for a large one.
class DecoderLease {
public:
    explicit DecoderLease(std::size_t pixels) : small_(pixels <= kSmallPicturePixels) {
        context_ = pool().take(small_);
    }
    ~DecoderLease() {
        if (!context_)
            return;
        if (healthy_)
            pool().give(context_, small_);
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
    bool small_;
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
ContainerColour colourOf(const Dav1dPicture& p, const ContainerColour* container) {
    if (container)
        return *container;
    ContainerColour c;
    if (p.seq_hdr) {
        c.primaries = p.seq_hdr->pri;
        c.transfer = p.seq_hdr->trc;
        c.matrix = p.seq_hdr->mtrx;
        c.fullRange = p.seq_hdr->color_range != 0;
    }
    return c;
}

// The first picture of coded data, decoded by a pooled decoder into
// `picture`. False when none comes out.
bool decodePicture(const uint8_t* bytes, std::size_t size, void (*free)(const uint8_t*, void*),
                   void* cookie, Dav1dPicture& picture) {
    // The picture's size from its sequence header picks the decoder; one
    // that has none is left to fail in a decoder of its own.
    Dav1dSequenceHeader header{};
    const std::size_t pixels = dav1d_parse_sequence_header(&header, bytes, size) == 0
                                   ? std::size_t(header.max_width) * std::size_t(header.max_height)
                                   : std::numeric_limits<std::size_t>::max();
    DecoderLease decoderLease(pixels);
    Dav1dContext* context = decoderLease.get();
    Dav1dData data{};
    // dav1d reads the coded picture where it lies; free lets it go.
    if (!context || dav1d_data_wrap(&data, bytes, size, free, cookie) != 0) {
        free(bytes, cookie);
        return false;
    }
    // Only the first picture is shown: data left over once it is out is
    // dropped. With a frame delay of 1, dav1d decodes in the calls
    // themselves, its threads sharing each frame's work.
    bool got = false;
    do {
        const int res = dav1d_send_data(context, &data);
        if (res < 0 && res != DAV1D_ERR(EAGAIN))
            break;
        if (res == DAV1D_ERR(EAGAIN)) {
            got = dav1d_get_picture(context, &picture) == 0;
            if (!got)
                break;
        }
    } while (data.sz > 0 && !got);
    dav1d_data_unref(&data);
    if (!got && dav1d_get_picture(context, &picture) != 0) {
        decoderLease.failed();
        return false;
    }
    return picture.p.w > 0 && picture.p.h > 0;
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
            const ContainerColour colour = colourOf(p, tContainerColour);
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

using Planes = YcbcrPlanes;

// Converts rows [first, last) of the planes to 8-bit RGB and hands each
// to emit(y, r, g, b). Monochrome pictures take a neutral chroma row.
template <typename Emit>
void convertPlanes(const Planes& p, const YcbcrToRgb& convert, int first, int last, Emit&& emit) {
    const std::size_t w = std::size_t(p.width);
    std::vector<uint8_t> rgb(3 * w);
    uint8_t *r = rgb.data(), *g = r + w, *b = g + w;
    const auto rows = [&](auto sample) {
        using Sample = decltype(sample);
        std::vector<Sample> neutral(p.mono ? w : 0, Sample(convert.neutralChroma()));
        for (int y = first; y < last; ++y) {
            const auto line = [&](int c, int row) {
                return reinterpret_cast<const Sample*>(p.data[c] + p.stride[c] * row);
            };
            const Sample* cb = p.mono ? neutral.data() : line(1, y >> p.sy);
            const Sample* cr = p.mono ? neutral.data() : line(2, y >> p.sy);
            convert.row(line(0, y), cb, cr, p.mono ? 0 : p.sx, p.width, r, g, b);
            emit(y, r, g, b);
        }
    };
    if (p.depth > 8)
        rows(uint16_t{});
    else
        rows(uint8_t{});
}

// Every row.
template <typename Emit>
void convertPlanes(const Planes& p, const YcbcrToRgb& convert, Emit&& emit) {
    convertPlanes(p, convert, 0, p.height, emit);
}

Planes planesOf(const Dav1dPicture& p) {
    Planes planes;
    planes.width = p.p.w;
    planes.height = p.p.h;
    planes.depth = p.p.bpc;
    planes.mono = p.p.layout == DAV1D_PIXEL_LAYOUT_I400;
    planes.sx = p.p.layout == DAV1D_PIXEL_LAYOUT_I444 ? 0 : 1;
    planes.sy = p.p.layout == DAV1D_PIXEL_LAYOUT_I420 ? 1 : 0;
    for (int c = 0; c < (planes.mono ? 1 : 3); ++c) {
        planes.data[c] = static_cast<const uint8_t*>(p.data[c]);
        planes.stride[c] = p.stride[c ? 1 : 0];
    }
    return planes;
}

// Planes converted to 8-bit planar RGB, the form libheif turns every
// picture into; given it, libheif has nothing left to convert.
heif_error asRgb(const Planes& p, const YcbcrToRgb& convert, heif_image** out) {
    heif_image* image = nullptr;
    heif_error err = heif_image_create(p.width, p.height, heif_colorspace_RGB, heif_chroma_444,
                                       &image);
    if (err.code != heif_error_Ok)
        return err;
    uint8_t* planes[3] = {};
    int strides[3] = {};
    const heif_channel channels[] = {heif_channel_R, heif_channel_G, heif_channel_B};
    for (int c = 0; c < 3; ++c) {
        err = heif_image_add_plane(image, channels[c], p.width, p.height, 8);
        planes[c] = err.code == heif_error_Ok ? heif_image_get_plane(image, channels[c], &strides[c])
                                              : nullptr;
        if (!planes[c]) {
            heif_image_release(image);
            return err.code != heif_error_Ok ? err : failed("no plane");
        }
    }
    convertPlanes(p, convert, [&](int y, const uint8_t* r, const uint8_t* g, const uint8_t* b) {
        const std::size_t w = std::size_t(p.width);
        std::memcpy(planes[0] + ptrdiff_t(strides[0]) * y, r, w);
        std::memcpy(planes[1] + ptrdiff_t(strides[1]) * y, g, w);
        std::memcpy(planes[2] + ptrdiff_t(strides[2]) * y, b, w);
    });
    *out = image;
    return ok();
}

heif_error decode(void* decoder, heif_image** out) {
    auto* d = static_cast<Decoder*>(decoder);
    auto* coded = new std::vector<uint8_t>(std::move(d->data));
    PictureGuard picture;
    if (!decodePicture(
            coded->data(), coded->size(),
            [](const uint8_t*, void* cookie) { delete static_cast<std::vector<uint8_t>*>(cookie); },
            coded, picture.picture))
        return failed("no picture");
    const Dav1dPicture& p = picture.picture;
    const ContainerColour colour = colourOf(p, tContainerColour);
    YcbcrToRgb convert;
    // Monochrome pictures (alpha planes among them) stay as they are, and
    // deep ones: libheif holds an AV1 picture to the depth its
    // configuration states (deep pictures are drawn by decodeAv1Rows).
    if (p.p.layout != DAV1D_PIXEL_LAYOUT_I400 && p.p.bpc == 8 &&
        convert.setUp(colour.matrix, colour.fullRange, p.p.bpc))
        return asRgb(planesOf(p), convert, out);
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

// ------------------------------------------------------------------ HEVC
//
// libheif's HEVC decoder, wrapped: what it decodes is converted here, on
// threads with an open ContainerColourScope, instead of by libheif's own
// conversion (floating point, at full size, and in 16 bits a sample for
// deep pictures).

const heif_decoder_plugin* gHevcInner = nullptr;

// The colour the wrapped decoder's picture is converted with: the
// container's, else what the stream says, else libheif's default.
ContainerColour hevcColour(const heif_image* image, const ContainerColour* container) {
    if (container)
        return *container;
    ContainerColour c;
    heif_color_profile_nclx* nclx = nullptr;
    if (heif_image_get_color_profile_type(image) == heif_color_profile_type_nclx &&
        heif_image_get_nclx_color_profile(image, &nclx).code == heif_error_Ok && nclx) {
        c = {int(nclx->color_primaries), int(nclx->transfer_characteristics),
             int(nclx->matrix_coefficients), nclx->full_range_flag != 0};
    }
    heif_nclx_color_profile_free(nclx);
    return c;
}

// The YCbCr planes of a picture the wrapped decoder made; false when it is
// not YCbCr of one depth in 4:2:0, 4:2:2 or 4:4:4 without alpha.
bool ycbcrPlanesOf(const heif_image* inner, Planes& p) {
    if (heif_image_get_colorspace(inner) != heif_colorspace_YCbCr)
        return false;
    const heif_chroma chroma = heif_image_get_chroma_format(inner);
    p.width = heif_image_get_width(inner, heif_channel_Y);
    p.height = heif_image_get_height(inner, heif_channel_Y);
    p.depth = heif_image_get_bits_per_pixel_range(inner, heif_channel_Y);
    p.sx = chroma == heif_chroma_444 ? 0 : 1;
    p.sy = chroma == heif_chroma_420 ? 1 : 0;
    bool usable = (chroma == heif_chroma_420 || chroma == heif_chroma_422 ||
                   chroma == heif_chroma_444) &&
                  p.width > 0 && p.height > 0 && !heif_image_has_channel(inner, heif_channel_Alpha);
    const heif_channel channels[] = {heif_channel_Y, heif_channel_Cb, heif_channel_Cr};
    for (int c = 0; c < 3 && usable; ++c) {
        int stride = 0;
        p.data[c] = heif_image_get_plane_readonly(inner, channels[c], &stride);
        p.stride[c] = stride;
        const int w = c ? (p.width + p.sx) >> p.sx : p.width;
        const int h = c ? (p.height + p.sy) >> p.sy : p.height;
        usable = p.data[c] && heif_image_get_bits_per_pixel_range(inner, channels[c]) == p.depth &&
                 heif_image_get_bits_per_pixel(inner, channels[c]) == (p.depth > 8 ? 16 : 8) &&
                 heif_image_get_width(inner, channels[c]) >= w &&
                 heif_image_get_height(inner, channels[c]) >= h &&
                 stride >= w * (p.depth > 8 ? 2 : 1);
    }
    return usable;
}

heif_error decodeHevc(void* decoder, heif_image** out) {
    heif_image* inner = nullptr;
    const heif_error err = gHevcInner->decode_image(decoder, &inner);
    if (err.code != heif_error_Ok || !inner || !tConvertHevc) {
        *out = inner;
        return err;
    }
    Planes p;
    // libheif holds a decoded picture to the depth its configuration
    // states: deep ones are left to its conversion (decodeHevcRows draws
    // them).
    const bool usable = ycbcrPlanesOf(inner, p) && p.depth == 8;
    const ContainerColour colour = usable ? hevcColour(inner, tContainerColour) : ContainerColour{};
    YcbcrToRgb convert;
    if (!usable || !convert.setUp(colour.matrix, colour.fullRange, p.depth)) {
        *out = inner;
        return err;
    }
    const heif_error converted = asRgb(p, convert, out);
    heif_image_release(inner);
    return converted;
}

heif_decoder_plugin gHevcPlugin{};

} // namespace

bool convertYcbcrRows(const YcbcrPlanes& planes, int matrix, bool fullRange, RgbRowSink& sink) {
    YcbcrToRgb convert;
    if (planes.width <= 0 || planes.height <= 0 || !convert.setUp(matrix, fullRange, planes.depth))
        return false;
    sink.begin(planes.width, planes.height);
    const auto first = [&](int y, const uint8_t* r, const uint8_t* g, const uint8_t* b) {
        sink.row(y, r, g, b);
    };
    RgbRowSink::TwoParts parts;
    if (std::size_t(planes.width) * std::size_t(planes.height) < kTwoThreadPixels ||
        QThread::idealThreadCount() < 2 || !sink.splitInTwo(parts)) {
        convertPlanes(planes, convert, first);
        return true;
    }
    runOnTwoThreads(
        [&] { convertPlanes(planes, convert, 0, std::clamp(parts.firstEnd, 0, planes.height), first); },
        [&] {
            convertPlanes(planes, convert, std::clamp(parts.secondBegin, 0, planes.height),
                          planes.height,
                          [&](int y, const uint8_t* r, const uint8_t* g, const uint8_t* b) {
                              sink.secondRow(y, r, g, b);
                          });
        });
    return true;
}

bool decodeHevcRows(const uint8_t* data, std::size_t size, const ContainerColour* colour,
                    RgbRowSink& sink) {
    void* decoder = nullptr;
    if (!gHevcInner || gHevcInner->new_decoder(&decoder).code != heif_error_Ok || !decoder)
        return false;
    heif_image* image = nullptr;
    bool decoded = gHevcInner->push_data(decoder, data, size).code == heif_error_Ok;
    if (decoded && gHevcInner->decode_image(decoder, &image).code != heif_error_Ok) {
        // A failing decode may leave behind a picture it has released
        // already (libheif's own callers never touch it): not ours to free.
        image = nullptr;
        decoded = false;
    }
    gHevcInner->free_decoder(decoder);
    Planes p;
    bool ok = decoded && image && ycbcrPlanesOf(image, p);
    if (ok) {
        const ContainerColour c = hevcColour(image, colour);
        ok = convertYcbcrRows(p, c.matrix, c.fullRange, sink);
    }
    if (ok)
        ++gHevcConverted;
    if (image)
        heif_image_release(image);
    return ok;
}

bool decodeAv1Rows(const uint8_t* data, std::size_t size, const ContainerColour* colour,
                   RgbRowSink& sink) {
    PictureGuard picture;
    if (!decodePicture(data, size, [](const uint8_t*, void*) {}, nullptr, picture.picture))
        return false;
    const Dav1dPicture& p = picture.picture;
    const ContainerColour c = colourOf(p, colour);
    return convertYcbcrRows(planesOf(p), c.matrix, c.fullRange, sink);
}

void registerAv1Decoder() {
    heif_register_decoder_plugin(&kPlugin);
}

void registerHevcDecoder() {
    const heif_decoder_descriptor* descriptors[1] = {};
    // libheif hands its decoders out as descriptors, which are the plugins.
    if (gHevcInner ||
        heif_get_decoder_descriptors(heif_compression_HEVC, descriptors, 1) != 1)
        return;
    const auto* inner = reinterpret_cast<const heif_decoder_plugin*>(descriptors[0]);
    if (inner->plugin_api_version < 1 || !inner->decode_image || !inner->new_decoder)
        return;
    gHevcInner = inner;
    gHevcPlugin = *inner;
    gHevcPlugin.plugin_api_version = std::min(inner->plugin_api_version, 3);
    gHevcPlugin.get_plugin_name = [] { return "SORU HEVC decoder (wrapping libheif's)"; };
    gHevcPlugin.init_plugin = nullptr;
    gHevcPlugin.deinit_plugin = nullptr;
    gHevcPlugin.does_support_format = [](heif_compression_format format) {
        return format == heif_compression_HEVC ? 1000 : 0;
    };
    gHevcPlugin.decode_image = decodeHevc;
    gHevcPlugin.id_name = "soru-hevc";
    heif_register_decoder_plugin(&gHevcPlugin);
}

ContainerColourScope::ContainerColourScope(const ContainerColour* colour, bool convertHevc)
    : previous_(tContainerColour), previousHevc_(tConvertHevc) {
    tContainerColour = colour;
    tConvertHevc = convertHevc;
}

ContainerColourScope::~ContainerColourScope() {
    tContainerColour = previous_;
    tConvertHevc = previousHevc_;
}

std::uint64_t av1DecodersOpened() {
    return gDecodersOpened.load();
}

std::uint64_t hevcPicturesConverted() {
    return gHevcConverted.load();
}

} // namespace soru
