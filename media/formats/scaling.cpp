#include "media/formats/scaling.h"

#include "core/two_threads.h"

#include <QPainter>
#include <QThread>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define SORU_SCALING_SSE2 1
#include <emmintrin.h>
#endif

// Two passes. Horizontally, each source row is reduced to the destination
// width in integers: the taps of a destination pixel come in pairs whose
// 14-bit weights multiply two pixels' channels in one step. Vertically, the
// reduced rows are summed with floating-point weights. Every weight is the
// share of a source pixel's area inside the destination pixel, so the taps
// of one destination pixel sum to exactly one.

namespace soru {
namespace {

constexpr int kWeightBits = 14;
constexpr int kWeightOne = 1 << kWeightBits; // fits the signed 16-bit multiply

// Horizontal taps: for destination pixel i, pairs [pairStart[i],
// pairStart[i + 1]) of neighbouring source pixels (left, left + 1) and
// their two weights. Rows are at least two pixels wide (see RowSource).
struct PairTaps {
    std::vector<int> pairStart;
    std::vector<std::int32_t> left;
    std::vector<std::uint32_t> weights; // low 16 bits: left pixel, high: right
};

// Vertical taps: for destination row i, source rows first[i] ... with
// weights[offset[i] ...].
struct RowTaps {
    std::vector<int> first, count, offset;
    std::vector<float> weights;
};

// Destination pixel i spans [i*src, (i+1)*src) and source pixel j spans
// [j*dst, (j+1)*dst) in units of 1 / (src * dst); their overlaps are exact.
// fn(i, j, coveredBefore, coveredAfter) sees each overlapping pair in order.
template <class F> void forEachOverlap(int src, int dst, F fn) {
    const qint64 S = src, D = dst;
    for (qint64 i = 0; i < D; ++i) {
        const qint64 lo = i * S, hi = (i + 1) * S;
        qint64 covered = 0;
        for (qint64 j = lo / D; j <= (hi - 1) / D; ++j) {
            const qint64 before = covered;
            covered += std::min((j + 1) * D, hi) - std::max(j * D, lo);
            fn(int(i), int(j), before, covered);
        }
    }
}

PairTaps makePairTaps(int src, int dst) {
    // Integer weights from rounding the running sum, so that they add up to
    // exactly kWeightOne and no tap takes all the rounding error.
    const qint64 S = src;
    const int rowWidth = std::max(src, 2);
    std::vector<std::vector<std::uint32_t>> taps(static_cast<std::size_t>(dst));
    std::vector<int> first(static_cast<std::size_t>(dst), -1);
    forEachOverlap(src, dst, [&](int i, int j, qint64 before, qint64 after) {
        if (first[i] < 0)
            first[i] = j;
        taps[std::size_t(i)].push_back(
            std::uint32_t((after * kWeightOne + S / 2) / S - (before * kWeightOne + S / 2) / S));
    });
    PairTaps t;
    t.pairStart.reserve(std::size_t(dst) + 1);
    const auto pair = [&](int left, std::uint32_t wl, std::uint32_t wr) {
        t.left.push_back(left);
        t.weights.push_back(wl | wr << 16);
    };
    for (int i = 0; i < dst; ++i) {
        t.pairStart.push_back(int(t.weights.size()));
        const std::vector<std::uint32_t>& w = taps[std::size_t(i)];
        const int j = first[i], c = int(w.size());
        int k = 0;
        for (; k + 1 < c; k += 2)
            pair(j + k, w[k], w[k + 1]);
        if (k < c) { // one tap left: pair it with a neighbour of weight 0
            const int m = j + k;
            if (c > 1 || m + 1 >= rowWidth)
                pair(m - 1, 0, w[k]);
            else
                pair(m, w[k], 0);
        }
    }
    t.pairStart.push_back(int(t.weights.size()));
    return t;
}

RowTaps makeRowTaps(int src, int dst) {
    RowTaps t;
    t.first.assign(std::size_t(dst), -1);
    t.count.assign(std::size_t(dst), 0);
    t.offset.assign(std::size_t(dst), 0);
    forEachOverlap(src, dst, [&](int i, int j, qint64 before, qint64 after) {
        if (t.first[i] < 0) {
            t.first[i] = j;
            t.offset[i] = int(t.weights.size());
        }
        ++t.count[i];
        t.weights.push_back(float(double(after - before) / double(src)));
    });
    return t;
}

// One row of 32-bit pixels (B, G, R, X in memory) reduced horizontally to
// four floats a destination pixel.
void reduceRow(const std::uint32_t* row, const PairTaps& t, float* out) {
    const int n = int(t.pairStart.size()) - 1;
    const std::int32_t* left = t.left.data();
    const std::uint32_t* weights = t.weights.data();
    constexpr float kScale = 1.0f / kWeightOne;
#ifdef SORU_SCALING_SSE2
    const __m128i zero = _mm_setzero_si128();
    const __m128 scale = _mm_set1_ps(kScale);
    for (int i = 0; i < n; ++i) {
        __m128i acc = zero;
        for (int p = t.pairStart[i]; p < t.pairStart[i + 1]; ++p) {
            const __m128i two = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + left[p]));
            // B0 B1 G0 G1 R0 R1 X0 X1 as 16-bit lanes, times w0 w1 w0 w1 ...
            const __m128i ab =
                _mm_unpacklo_epi8(_mm_unpacklo_epi8(two, _mm_srli_si128(two, 4)), zero);
            acc = _mm_add_epi32(acc, _mm_madd_epi16(ab, _mm_set1_epi32(int(weights[p]))));
        }
        _mm_storeu_ps(out + 4 * i, _mm_mul_ps(_mm_cvtepi32_ps(acc), scale));
    }
#else
    for (int i = 0; i < n; ++i) {
        std::int32_t acc[4] = {0, 0, 0, 0};
        for (int p = t.pairStart[i]; p < t.pairStart[i + 1]; ++p) {
            const std::uint32_t a = row[left[p]], b = row[left[p] + 1];
            const std::int32_t wa = std::int32_t(weights[p] & 0xFFFF),
                               wb = std::int32_t(weights[p] >> 16);
            for (int c = 0; c < 4; ++c)
                acc[c] += wa * std::int32_t((a >> (8 * c)) & 0xFF) +
                          wb * std::int32_t((b >> (8 * c)) & 0xFF);
        }
        for (int c = 0; c < 4; ++c)
            out[4 * i + c] = float(acc[c]) * kScale;
    }
#endif
}

void addWeighted(float* acc, const float* row, float w, int n) {
#ifdef SORU_SCALING_SSE2
    const __m128 wv = _mm_set1_ps(w);
    for (int j = 0; j < n; j += 4)
        _mm_storeu_ps(acc + j,
                      _mm_add_ps(_mm_loadu_ps(acc + j), _mm_mul_ps(_mm_loadu_ps(row + j), wv)));
#else
    for (int j = 0; j < n; ++j)
        acc[j] += row[j] * w;
#endif
}

// Rounds four floats a pixel to opaque 32-bit pixels.
void storePixels(const float* acc, std::uint32_t* out, int pixels) {
    int x = 0;
#ifdef SORU_SCALING_SSE2
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    for (; x + 4 <= pixels; x += 4) {
        const __m128i p0 = _mm_cvtps_epi32(_mm_loadu_ps(acc + 4 * x));
        const __m128i p1 = _mm_cvtps_epi32(_mm_loadu_ps(acc + 4 * x + 4));
        const __m128i p2 = _mm_cvtps_epi32(_mm_loadu_ps(acc + 4 * x + 8));
        const __m128i p3 = _mm_cvtps_epi32(_mm_loadu_ps(acc + 4 * x + 12));
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(p0, p1), _mm_packs_epi32(p2, p3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_or_si128(bytes, alpha));
    }
#endif
    for (; x < pixels; ++x) {
        std::uint32_t p = 0xFF000000u;
        for (int c = 0; c < 3; ++c) {
            const long v = std::lrint(acc[4 * x + c]);
            p |= std::uint32_t(std::clamp(v, 0L, 255L)) << (8 * c);
        }
        out[x] = p;
    }
}

// Gives each source row as 32-bit B, G, R, X pixels: RGB32 and ARGB32 rows
// as they are, other formats widened into a scratch row.
class RowSource {
public:
    explicit RowSource(const QImage& src)
        : src_(src), scratch_(std::size_t(std::max(src.width(), 2))) {
        if (src.format() == QImage::Format_Indexed8) {
            const QList<QRgb> ct = src.colorTable();
            for (int i = 0; i < 256; ++i)
                table_[i] = i < ct.size() ? ct[i] : (ct.isEmpty() ? qRgb(i, i, i) : qRgb(0, 0, 0));
        }
    }

    const std::uint32_t* row(int y) {
        const std::uint32_t* r = widened(y);
        if (src_.width() > 1)
            return r;
        scratch_[0] = scratch_[1] = r[0]; // a pair of taps reads two pixels
        return scratch_.data();
    }

private:
    const std::uint32_t* widened(int y) {
        const uchar* line = src_.constScanLine(y);
        std::uint32_t* out = scratch_.data();
        const int w = src_.width();
        switch (src_.format()) {
        case QImage::Format_RGB888:
            for (int x = 0; x < w; ++x)
                out[x] = std::uint32_t(line[3 * x]) << 16 | std::uint32_t(line[3 * x + 1]) << 8 |
                         line[3 * x + 2];
            return out;
        case QImage::Format_BGR888:
            for (int x = 0; x < w; ++x)
                out[x] = std::uint32_t(line[3 * x + 2]) << 16 |
                         std::uint32_t(line[3 * x + 1]) << 8 | line[3 * x];
            return out;
        case QImage::Format_Grayscale8:
            for (int x = 0; x < w; ++x)
                out[x] = std::uint32_t(line[x]) * 0x010101u;
            return out;
        case QImage::Format_Indexed8:
            for (int x = 0; x < w; ++x)
                out[x] = table_[line[x]];
            return out;
        default:
            return reinterpret_cast<const std::uint32_t*>(line);
        }
    }

    const QImage& src_;
    std::vector<std::uint32_t> scratch_;
    std::array<std::uint32_t, 256> table_{};
};

// Rows [first, last) of src resampled into a dw x dh block of opaque
// 32-bit pixels at dst.
void scaleRows(const QImage& src, uchar* dst, qsizetype dstStride, int dw, int dh,
               const PairTaps& tx, const RowTaps& ty, int first, int last) {
    RowSource rows(src);
    const int n = 4 * dw;

    // The two most recently reduced source rows: shrinking shares at most one
    // row between neighbouring destination rows, enlarging at most two.
    std::vector<float> cache[2] = {std::vector<float>(std::size_t(n)),
                                   std::vector<float>(std::size_t(n))};
    int cached[2] = {-1, -1};
    int older = 0;
    const auto reduced = [&](int y) -> const float* {
        for (int s = 0; s < 2; ++s)
            if (cached[s] == y)
                return cache[s].data();
        const int s = older;
        older ^= 1;
        cached[s] = y;
        reduceRow(rows.row(y), tx, cache[s].data());
        return cache[s].data();
    };

    std::vector<float> acc(static_cast<std::size_t>(n));
    for (int i = first; i < last; ++i) {
        std::fill(acc.begin(), acc.end(), 0.0f);
        for (int k = 0; k < ty.count[i]; ++k) {
            const float w = ty.weights[std::size_t(ty.offset[i] + k)];
            if (w > 0.0f)
                addWeighted(acc.data(), reduced(ty.first[i] + k), w, n);
        }
        storePixels(acc.data(), reinterpret_cast<std::uint32_t*>(dst + qsizetype(i) * dstStride),
                    dw);
    }
}

// From this many source pixels up, the two halves of the target are made
// on two threads: a decoded photo is reduced while the other core has
// nothing to do but wait for it.
constexpr qint64 kTwoThreadSourcePixels = 1 << 20;

// Resamples src into a dw x dh block of opaque 32-bit pixels at dst. Each
// target row is made the same way whichever thread makes it.
void scaleInto(const QImage& src, uchar* dst, qsizetype dstStride, int dw, int dh) {
    const PairTaps tx = makePairTaps(src.width(), dw);
    const RowTaps ty = makeRowTaps(src.height(), dh);
    if (qint64(src.width()) * src.height() < kTwoThreadSourcePixels || dh < 2 ||
        QThread::idealThreadCount() < 2) {
        scaleRows(src, dst, dstStride, dw, dh, tx, ty, 0, dh);
        return;
    }
    const int middle = dh / 2;
    runOnTwoThreads([&] { scaleRows(src, dst, dstStride, dw, dh, tx, ty, 0, middle); },
                    [&] { scaleRows(src, dst, dstStride, dw, dh, tx, ty, middle, dh); });
}

bool readDirectly(QImage::Format f) {
    switch (f) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
    case QImage::Format_Grayscale8:
    case QImage::Format_Indexed8:
        return true;
    default:
        return false;
    }
}

QImage readable(const QImage& src) {
    return readDirectly(src.format()) ? src : src.convertToFormat(QImage::Format_RGB32);
}

} // namespace

QImage smoothScaled(const QImage& src, QSize size) {
    if (src.isNull() || size.isEmpty())
        return {};
    QImage out(size, QImage::Format_RGB32);
    if (out.isNull())
        return {};
    scaleInto(readable(src), out.bits(), out.bytesPerLine(), size.width(), size.height());
    return out;
}

void drawSmoothScaled(QImage& canvas, const QRect& target, const QImage& src) {
    if (target.isEmpty() || src.isNull() || canvas.isNull())
        return;
    const QImage::Format f = canvas.format();
    const bool direct = (f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
                         f == QImage::Format_ARGB32_Premultiplied) &&
                        canvas.rect().contains(target);
    if (direct) {
        uchar* at = canvas.scanLine(target.top()) + qsizetype(target.left()) * 4;
        scaleInto(readable(src), at, canvas.bytesPerLine(), target.width(), target.height());
        return;
    }
    const QImage scaled = smoothScaled(src, target.size());
    QPainter painter(&canvas);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(target.topLeft(), scaled);
}

struct StreamScaler::State {
    qint64 srcH = 0, dstH = 0;
    int srcW = 0, dstW = 0;
    uchar* out = nullptr;
    qsizetype stride = 0;
    PairTaps tx;
    std::vector<float> reduced;
    std::vector<int> pending; // per target row: source rows still to come
    std::vector<int> slot;    // per target row: its accumulator, or -1
    std::vector<std::vector<float>> accumulators;
    std::vector<int> freeSlots;
    std::vector<std::uint32_t> pair; // a one-pixel row widened to two
    int open = 0;

    const std::uint32_t* widened(const QRgb* row) {
        if (srcW > 1)
            return reinterpret_cast<const std::uint32_t*>(row);
        pair[0] = pair[1] = row[0];
        return pair.data();
    }

    // Adds the reduced row as source row y into every target row it covers.
    void accumulate(qint64 y) {
        if (y < 0 || y >= srcH)
            return;
        const qint64 S = srcH, D = dstH;
        const int n = 4 * dstW;
        for (qint64 i = y * D / S; i <= ((y + 1) * D - 1) / S; ++i) {
            if (pending[std::size_t(i)] <= 0)
                continue; // the row came before
            const qint64 overlap = std::min((i + 1) * S, (y + 1) * D) - std::max(i * S, y * D);
            int& s = slot[std::size_t(i)];
            if (s < 0) {
                if (freeSlots.empty()) {
                    freeSlots.push_back(int(accumulators.size()));
                    accumulators.emplace_back(std::size_t(n));
                }
                s = freeSlots.back();
                freeSlots.pop_back();
                std::fill(accumulators[std::size_t(s)].begin(), accumulators[std::size_t(s)].end(),
                          0.0f);
                ++open;
            }
            float* acc = accumulators[std::size_t(s)].data();
            addWeighted(acc, reduced.data(), float(double(overlap) / double(S)), n);
            if (--pending[std::size_t(i)] == 0) {
                storePixels(acc, reinterpret_cast<std::uint32_t*>(out + qsizetype(i) * stride),
                            dstW);
                freeSlots.push_back(s);
                s = -1;
                --open;
            }
        }
    }
};

StreamScaler::StreamScaler(QSize source, QSize target, uchar* out, qsizetype stride)
    : d_(std::make_unique<State>()) {
    State& d = *d_;
    d.srcW = source.width();
    d.srcH = source.height();
    d.dstW = target.width();
    d.dstH = target.height();
    d.out = out;
    d.stride = stride;
    d.tx = makePairTaps(d.srcW, d.dstW);
    d.reduced.assign(std::size_t(4 * d.dstW), 0.0f);
    d.pair.assign(2, 0);
    d.pending.assign(std::size_t(d.dstH), 0);
    d.slot.assign(std::size_t(d.dstH), -1);
    const qint64 S = d.srcH, D = d.dstH;
    for (qint64 i = 0; i < D; ++i)
        d.pending[std::size_t(i)] = int(((i + 1) * S - 1) / D - i * S / D + 1);
}

StreamScaler::~StreamScaler() = default;

void StreamScaler::addRow(int y, const QRgb* row) {
    reduceRow(d_->widened(row), d_->tx, d_->reduced.data());
    d_->accumulate(y);
}

void StreamScaler::addRepeatedRow(int y, int count, int step, const QRgb* row) {
    if (count <= 0)
        return;
    reduceRow(d_->widened(row), d_->tx, d_->reduced.data());
    for (qint64 k = 0; k < count; ++k)
        d_->accumulate(y + k * step);
}

std::pair<int, int> StreamScaler::sourceRowsOf(int sourceRows, int targetRows, int firstTarget,
                                               int endTarget) {
    const qint64 S = sourceRows, D = targetRows;
    if (S <= 0 || D <= 0 || firstTarget >= endTarget)
        return {0, 0};
    // Target row i covers [i * S, (i + 1) * S) and source row j [j * D,
    // (j + 1) * D) in the same units.
    return {int(qint64(firstTarget) * S / D), int((qint64(endTarget) * S - 1) / D + 1)};
}

int StreamScaler::openRows() const {
    int n = 0;
    for (int p : d_->pending)
        n += p > 0;
    return n;
}

} // namespace soru
