#include "media/colour/colour_management.h"

#include "media/colour/matrix_shaper.h"

#include <QCryptographicHash>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QThreadPool>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <vector>

#include <lcms2.h>

namespace soru {
namespace {

// lcms reports damaged profiles through a global handler; a damaged
// profile is not an error here, so the messages go nowhere.
void silentLog(cmsContext, cmsUInt32Number, const char*) {}

void silenceLcms() {
    static std::once_flag once;
    std::call_once(once, [] { cmsSetLogErrorHandler(silentLog); });
}

// Profiles larger than this are not believed.
constexpr qsizetype kMaxProfileBytes = 64 * 1024 * 1024;

struct ProfileHandle {
    cmsHPROFILE h = nullptr;
    explicit ProfileHandle(cmsHPROFILE p) : h(p) {}
    ~ProfileHandle() {
        if (h)
            cmsCloseProfile(h);
    }
    ProfileHandle(const ProfileHandle&) = delete;
    ProfileHandle& operator=(const ProfileHandle&) = delete;
};

cmsHPROFILE openProfile(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() > kMaxProfileBytes)
        return nullptr;
    silenceLcms();
    return cmsOpenProfileFromMem(bytes.constData(), cmsUInt32Number(bytes.size()));
}

ProfileSpace spaceOf(cmsHPROFILE h) {
    if (!h)
        return ProfileSpace::None;
    switch (cmsGetDeviceClass(h)) {
    case cmsSigInputClass:
    case cmsSigDisplayClass:
    case cmsSigOutputClass:
    case cmsSigColorSpaceClass:
        break;
    default:
        return ProfileSpace::None;
    }
    switch (cmsGetColorSpace(h)) {
    case cmsSigGrayData:
        return ProfileSpace::Grey;
    case cmsSigRgbData:
        return ProfileSpace::Rgb;
    case cmsSigCmykData:
        return ProfileSpace::Cmyk;
    default:
        return ProfileSpace::None;
    }
}

// How the samples lie in memory: QImage's RGB32 is one native 32-bit word
// 0xAARRGGBB.
enum class Layout { Rgb32, GreyInRgb32, Cmyk, CmykInverted };

constexpr cmsUInt32Number kRgb32 = kRgb32Format;
// The grey level of an RGB32 grey pixel: its blue byte, the other three
// bytes ride along untouched.
constexpr cmsUInt32Number kGreyInRgb32 =
    COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(3) |
    (Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 0 : DOSWAP_SH(1));

cmsUInt32Number inputFormat(Layout layout) {
    switch (layout) {
    case Layout::Rgb32:
        return kRgb32;
    case Layout::GreyInRgb32:
        return kGreyInRgb32;
    case Layout::Cmyk:
        return TYPE_CMYK_8;
    case Layout::CmykInverted:
        return TYPE_CMYK_8_REV;
    }
    return kRgb32;
}

ProfileSpace spaceFor(Layout layout) {
    switch (layout) {
    case Layout::Rgb32:
        return ProfileSpace::Rgb;
    case Layout::GreyInRgb32:
        return ProfileSpace::Grey;
    default:
        return ProfileSpace::Cmyk;
    }
}

// A transform from the source to the target (sRGB when empty or unusable);
// no transform when the source cannot be used for the layout.
Rgb32Transform makeTransform(const QByteArray& source, const QByteArray& target, Layout layout) {
    ProfileHandle in(openProfile(source));
    if (spaceOf(in.h) != spaceFor(layout))
        return {};
    ProfileHandle out(openProfile(target));
    if (out.h && spaceOf(out.h) != ProfileSpace::Rgb) {
        cmsCloseProfile(out.h);
        out.h = nullptr;
    }
    Rgb32Transform t;
    if (out.h)
        t = createRgb32Transform(in.h, inputFormat(layout), out.h, INTENT_PERCEPTUAL);
    if (!t.transform) {
        ProfileHandle srgb(cmsCreate_sRGBProfile());
        t = createRgb32Transform(in.h, inputFormat(layout), srgb.h, INTENT_PERCEPTUAL);
    }
    return t;
}

// Converting a large photo's screen-sized picture takes milliseconds even
// on the matrix-shaper loop. From a megapixel on, the rows are shared with
// helper threads, at most one per kStripePixels so that waking a helper
// costs well under a percent of its work; smaller pictures (thumbnails,
// which are already decoded on every core at once) stay on one thread.
constexpr qint64 kSplitFromPixels = 1 << 20;
constexpr qint64 kStripePixels = 1 << 19;

int stripeCount(qint64 pixels, int rows, int threads) {
    if (pixels < kSplitFromPixels || threads < 2)
        return 1;
    const qint64 wanted = std::min<qint64>(pixels / kStripePixels, threads);
    return int(std::clamp<qint64>(wanted, 1, std::max(rows, 1)));
}

// The helpers' threads (one per core at most), apart from the decoding
// pool's so that neither waits for the other.
QThreadPool& helperPool() {
    static QThreadPool pool;
    return pool;
}

// Rows handed out in chunks from a counter. The calling thread takes chunks
// too and then waits only for the chunks helpers have taken, never for a
// helper that has not started (on a busy machine it may start late, find
// nothing left and end: it holds this by a shared pointer).
struct RowChunks {
    std::function<void(int, int)> convert;
    int rows = 0;
    int chunk = 1;
    std::atomic<int> next{0};
    std::atomic<int> done{0};

    void work() {
        for (;;) {
            const int from = next.fetch_add(chunk);
            if (from >= rows)
                return;
            const int to = std::min(rows, from + chunk);
            convert(from, to);
            if (done.fetch_add(to - from) + (to - from) == rows)
                done.notify_all();
        }
    }
    void waitForAll() {
        for (int d = done.load(); d < rows; d = done.load())
            done.wait(d);
    }
};

// The first rows of image converted in place. lcms transforms may be used by
// several threads at once, and every row is converted on its own, so the
// result is the same however the rows are shared out.
void transformRows(const Rgb32Transform& t, QImage& image, int rows, int threads) {
    uchar* const bits = image.bits(); // detached once, before any thread starts
    const int width = image.width();
    const qsizetype stride = image.bytesPerLine();
    const MatrixShaperTables* const tables = t.tables.get();
    const cmsHTRANSFORM transform = t.transform;
    const auto convert = [=](int from, int to) {
        if (tables) {
            for (int y = from; y < to; ++y)
                convertRgb32(*tables, bits + y * stride, width);
            return;
        }
        uchar* const p = bits + from * stride;
        cmsDoTransformLineStride(transform, p, p, cmsUInt32Number(width),
                                 cmsUInt32Number(to - from), cmsUInt32Number(stride),
                                 cmsUInt32Number(stride), 0, 0);
    };
    const int stripes = stripeCount(qint64(width) * rows, rows, threads);
    if (stripes <= 1) {
        convert(0, rows);
        return;
    }
    auto chunks = std::make_shared<RowChunks>();
    chunks->convert = convert;
    chunks->rows = rows;
    chunks->chunk = std::max(1, rows / (4 * stripes));
    for (int i = 1; i < stripes; ++i)
        helperPool().start([chunks] { chunks->work(); });
    chunks->work();
    chunks->waitForAll();
}

void setOpaque(QImage& image, int rows) {
    for (int y = 0; y < rows; ++y) {
        auto* p = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0, w = image.width(); x < w; ++x)
            p[x] |= 0xFF000000u;
    }
}

} // namespace

ProfileSpace profileSpace(const QByteArray& profile) {
    ProfileHandle h(openProfile(profile));
    return spaceOf(h.h);
}

namespace {

// A transform shared between the cache and the threads converting with it:
// one dropped from the cache lives on until the last conversion with it ends.
struct HeldTransform {
    Rgb32Transform t;
    explicit HeldTransform(Rgb32Transform made) : t(std::move(made)) {}
    ~HeldTransform() {
        if (t.transform)
            cmsDeleteTransform(t.transform);
    }
    HeldTransform(const HeldTransform&) = delete;
    HeldTransform& operator=(const HeldTransform&) = delete;
};

// A profile is known by a digest of its bytes, not the bytes themselves:
// a large profile would otherwise be held once more in every key.
QByteArray profileDigest(const QByteArray& profile) {
    if (profile.isEmpty())
        return {};
    return QCryptographicHash::hash(profile, QCryptographicHash::Sha256);
}

// What a transform is taken to cost: its key, the matrix-shaper tables, and
// for lcms's own transforms the 8-bit colour table it resamples a
// table-based profile into (33^3 RGB entries, 17^4 for CMYK) with its
// pre-linearisation, rounded up.
qint64 heldCost(const Rgb32Transform& t, qsizetype keyBytes) {
    qint64 cost = 256 + keyBytes;
    if (t.tables)
        cost += qint64(matrixShaperTablesSize());
    else if (t.transform)
        cost += 640 * 1024;
    return cost;
}

} // namespace

struct ColourTransformCache::Impl {
    // Digests of the source and target profiles, and the layout.
    using Key = std::tuple<QByteArray, QByteArray, int>;
    struct Entry {
        std::shared_ptr<const HeldTransform> held; // null: the source cannot be used
        qint64 cost = 0;
        quint64 lastUse = 0;
    };
    mutable QMutex mutex;
    std::map<Key, Entry> transforms;
    qint64 heldBytes = 0;
    quint64 uses = 0;
    int made = 0;
    int madeMatrixShaper = 0;
    QByteArray target;
    std::atomic<int> threads{0};

    int threadLimit() const {
        const int n = threads.load(std::memory_order_relaxed);
        return n > 0 ? n : QThread::idealThreadCount();
    }

    // The least recently used transforms dropped until the cache holds at
    // most kMaxHeld of them and kMaxHeldBytes. Under the lock; they are
    // moved to `dropped`, to be deleted after it.
    void trim(std::vector<std::shared_ptr<const HeldTransform>>& dropped) {
        while (!transforms.empty() &&
               (transforms.size() > std::size_t(kMaxHeld) || heldBytes > kMaxHeldBytes)) {
            auto oldest = transforms.begin();
            for (auto it = transforms.begin(); it != transforms.end(); ++it)
                if (it->second.lastUse < oldest->second.lastUse)
                    oldest = it;
            heldBytes -= oldest->second.cost;
            dropped.push_back(std::move(oldest->second.held));
            transforms.erase(oldest);
        }
    }

    // Created outside the lock: a large profile can take a while, and other
    // pictures need not wait for it. lcms transforms may be used by several
    // threads at once.
    std::shared_ptr<const HeldTransform> get(const QByteArray& source, const QByteArray& sourceDigest,
                                             const QByteArray& targetProfile,
                                             const QByteArray& targetDigest, Layout layout) {
        Key key(sourceDigest, targetDigest, int(layout));
        {
            QMutexLocker lock(&mutex);
            const auto it = transforms.find(key);
            if (it != transforms.end()) {
                it->second.lastUse = ++uses;
                return it->second.held;
            }
        }
        Rgb32Transform t = makeTransform(source, targetProfile, layout);
        const qint64 cost = heldCost(t, sourceDigest.size() + targetDigest.size());
        const bool matrixShaper = t.tables != nullptr;
        auto held = t.transform ? std::make_shared<const HeldTransform>(std::move(t)) : nullptr;
        std::vector<std::shared_ptr<const HeldTransform>> dropped; // deleted after the lock
        QMutexLocker lock(&mutex);
        const auto [it, inserted] = transforms.emplace(std::move(key), Entry{held, cost, ++uses});
        if (!inserted)
            return it->second.held; // another thread made it meanwhile; ours goes
        ++made;
        madeMatrixShaper += matrixShaper ? 1 : 0;
        heldBytes += cost;
        trim(dropped);
        return held;
    }
};

ColourTransformCache::ColourTransformCache() : d(std::make_unique<Impl>()) { silenceLcms(); }
ColourTransformCache::~ColourTransformCache() = default;

bool ColourTransformCache::apply(QImage& image, const QByteArray& profile, const QByteArray& target) {
    if (profile.isEmpty() || image.isNull())
        return false;
    // An RGB profile, else a grey one; both answers are cached, so the
    // profile is parsed once.
    const QByteArray digest = profileDigest(profile), targetDigest = profileDigest(target);
    std::shared_ptr<const HeldTransform> t = d->get(profile, digest, target, targetDigest, Layout::Rgb32);
    if (!t)
        t = d->get(profile, digest, target, targetDigest, Layout::GreyInRgb32);
    if (!t)
        return false;
    const QImage::Format f = image.format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
        f != QImage::Format_ARGB32_Premultiplied)
        image.convertTo(QImage::Format_RGB32);
    transformRows(t->t, image, image.height(), d->threadLimit());
    return true;
}

bool ColourTransformCache::applyCmyk(QImage& image, int rows, bool inverted,
                                     const QByteArray& profile, const QByteArray& target) {
    if (profile.isEmpty() || image.isNull() || image.depth() != 32)
        return false;
    rows = qBound(0, rows, image.height());
    const std::shared_ptr<const HeldTransform> t =
        d->get(profile, profileDigest(profile), target, profileDigest(target),
               inverted ? Layout::CmykInverted : Layout::Cmyk);
    if (!t)
        return false;
    if (rows > 0) {
        transformRows(t->t, image, rows, d->threadLimit());
        // The output's fourth byte still holds K.
        setOpaque(image, rows);
    }
    return true;
}

void ColourTransformCache::setTargetProfile(const QByteArray& profile) {
    QMutexLocker lock(&d->mutex);
    d->target = profile;
}

QByteArray ColourTransformCache::targetProfile() const {
    QMutexLocker lock(&d->mutex);
    return d->target;
}

void ColourTransformCache::setThreadLimit(int threads) {
    d->threads.store(qMax(0, threads), std::memory_order_relaxed);
}

int ColourTransformCache::transformCount() const {
    QMutexLocker lock(&d->mutex);
    return d->made;
}

int ColourTransformCache::matrixShaperCount() const {
    QMutexLocker lock(&d->mutex);
    return d->madeMatrixShaper;
}

int ColourTransformCache::heldCount() const {
    QMutexLocker lock(&d->mutex);
    return int(d->transforms.size());
}

qint64 ColourTransformCache::heldBytes() const {
    QMutexLocker lock(&d->mutex);
    return d->heldBytes;
}

namespace {

// An RGB profile from its white, its primaries' chromaticities and each
// channel's gamma; empty unless it makes a usable RGB profile.
QByteArray rgbProfile(const cmsCIExyY& white, const cmsCIExyYTRIPLE& primaries,
                      const double (&gamma)[3]) {
    for (double g : gamma)
        if (!std::isfinite(g) || g < 0.1 || g > 10)
            return {};
    silenceLcms();
    cmsToneCurve* curves[3] = {cmsBuildGamma(nullptr, gamma[0]), cmsBuildGamma(nullptr, gamma[1]),
                               cmsBuildGamma(nullptr, gamma[2])};
    QByteArray bytes;
    if (curves[0] && curves[1] && curves[2]) {
        ProfileHandle h(cmsCreateRGBProfile(&white, &primaries, curves));
        cmsUInt32Number size = 0;
        if (h.h && cmsSaveProfileToMem(h.h, nullptr, &size) && size > 0) {
            bytes.resize(qsizetype(size));
            if (!cmsSaveProfileToMem(h.h, bytes.data(), &size))
                bytes.clear();
        }
    }
    for (cmsToneCurve* c : curves)
        if (c)
            cmsFreeToneCurve(c);
    // Only a profile that makes a transform is worth carrying.
    if (!bytes.isEmpty() && profileSpace(bytes) != ProfileSpace::Rgb)
        bytes.clear();
    return bytes;
}

double determinant(const double (&m)[3][3]) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

} // namespace

QByteArray calibratedRgbProfile(const double (&xyz)[3][3], const double (&gamma)[3]) {
    cmsCIEXYZ white{0, 0, 0};
    cmsCIExyYTRIPLE primaries;
    cmsCIExyY* const slots[3] = {&primaries.Red, &primaries.Green, &primaries.Blue};
    for (int i = 0; i < 3; ++i) {
        const double x = xyz[i][0], y = xyz[i][1], z = xyz[i][2];
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z) || y < 0 ||
            x + y + z <= 1e-6)
            return {};
        const cmsCIEXYZ p{x, y, z};
        cmsXYZ2xyY(slots[i], &p);
        white.X += x, white.Y += y, white.Z += z;
    }
    // The primaries must span a volume: three chromaticities on one line
    // make no RGB space.
    if (white.Y <= 1e-6 || std::fabs(determinant(xyz)) < 1e-9)
        return {};
    cmsCIExyY whitePoint;
    cmsXYZ2xyY(&whitePoint, &white);
    whitePoint.Y = 1.0;
    for (cmsCIExyY* p : slots)
        p->Y = 1.0;
    return rgbProfile(whitePoint, primaries, gamma);
}

QByteArray chromaticityRgbProfile(const double (&endpoints)[3][3], const double (&gamma)[3]) {
    // D65, the white of the screens these numbers were written for.
    constexpr double kWhiteX = 0.3127, kWhiteY = 0.3290;
    double xyz[3][3]; // each primary's chromaticity, x + y + z = 1
    cmsCIExyYTRIPLE primaries;
    cmsCIExyY* const slots[3] = {&primaries.Red, &primaries.Green, &primaries.Blue};
    for (int i = 0; i < 3; ++i) {
        double sum = 0;
        for (double v : endpoints[i]) {
            if (!std::isfinite(v) || v < 0)
                return {};
            sum += v;
        }
        if (sum <= 1e-6)
            return {};
        for (int j = 0; j < 3; ++j)
            xyz[i][j] = endpoints[i][j] / sum;
        if (xyz[i][1] < 1e-4)
            return {}; // a primary without light
        *slots[i] = cmsCIExyY{xyz[i][0], xyz[i][1], 1.0};
    }
    // The white must be a positive mix of the primaries: primaries on one
    // line, or a white outside their triangle, make no sound RGB space.
    // Cramer's rule for the mix s with sum over i of s[i] * xyz[i] = white.
    const double white[3] = {kWhiteX, kWhiteY, 1 - kWhiteX - kWhiteY};
    const double d = determinant(xyz);
    if (std::fabs(d) < 1e-6)
        return {};
    for (int i = 0; i < 3; ++i) {
        double m[3][3];
        std::copy(&xyz[0][0], &xyz[0][0] + 9, &m[0][0]);
        std::copy(white, white + 3, m[i]);
        if (determinant(m) / d <= 1e-6)
            return {};
    }
    return rgbProfile(cmsCIExyY{kWhiteX, kWhiteY, 1.0}, primaries, gamma);
}

} // namespace soru
