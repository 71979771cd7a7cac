#include "media/colour_management.h"

#include <QMutex>
#include <QMutexLocker>
#include <QtEndian>

#include <cmath>
#include <map>
#include <mutex>
#include <tuple>

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

constexpr cmsUInt32Number kRgb32 =
    Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TYPE_BGRA_8 : TYPE_ARGB_8;
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
// null when the source cannot be used for the layout.
cmsHTRANSFORM makeTransform(const QByteArray& source, const QByteArray& target, Layout layout) {
    ProfileHandle in(openProfile(source));
    if (spaceOf(in.h) != spaceFor(layout))
        return nullptr;
    ProfileHandle out(openProfile(target));
    if (out.h && spaceOf(out.h) != ProfileSpace::Rgb) {
        cmsCloseProfile(out.h);
        out.h = nullptr;
    }
    cmsHTRANSFORM t = nullptr;
    if (out.h)
        t = cmsCreateTransform(in.h, inputFormat(layout), out.h, kRgb32, INTENT_PERCEPTUAL, 0);
    if (!t) {
        ProfileHandle srgb(cmsCreate_sRGBProfile());
        t = cmsCreateTransform(in.h, inputFormat(layout), srgb.h, kRgb32, INTENT_PERCEPTUAL, 0);
    }
    return t;
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

struct ColourTransformCache::Impl {
    using Key = std::tuple<QByteArray, QByteArray, int>;
    mutable QMutex mutex;
    std::map<Key, cmsHTRANSFORM> transforms; // null: the source cannot be used
    QByteArray target;

    ~Impl() {
        for (auto& [key, t] : transforms)
            if (t)
                cmsDeleteTransform(t);
    }

    // Created outside the lock: a large profile can take a while, and other
    // pictures need not wait for it. lcms transforms may be used by several
    // threads at once.
    cmsHTRANSFORM get(const QByteArray& source, const QByteArray& targetProfile, Layout layout) {
        const Key key(source, targetProfile, int(layout));
        {
            QMutexLocker lock(&mutex);
            const auto it = transforms.find(key);
            if (it != transforms.end())
                return it->second;
        }
        cmsHTRANSFORM made = makeTransform(source, targetProfile, layout);
        QMutexLocker lock(&mutex);
        const auto [it, inserted] = transforms.emplace(key, made);
        if (!inserted && made)
            cmsDeleteTransform(made);
        return it->second;
    }
};

ColourTransformCache::ColourTransformCache() : d(std::make_unique<Impl>()) { silenceLcms(); }
ColourTransformCache::~ColourTransformCache() = default;

bool ColourTransformCache::apply(QImage& image, const QByteArray& profile, const QByteArray& target) {
    if (profile.isEmpty() || image.isNull())
        return false;
    // An RGB profile, else a grey one; both answers are cached, so the
    // profile is parsed once.
    cmsHTRANSFORM t = d->get(profile, target, Layout::Rgb32);
    if (!t)
        t = d->get(profile, target, Layout::GreyInRgb32);
    if (!t)
        return false;
    const QImage::Format f = image.format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
        f != QImage::Format_ARGB32_Premultiplied)
        image.convertTo(QImage::Format_RGB32);
    cmsDoTransformLineStride(t, image.constBits(), image.bits(), cmsUInt32Number(image.width()),
                             cmsUInt32Number(image.height()),
                             cmsUInt32Number(image.bytesPerLine()),
                             cmsUInt32Number(image.bytesPerLine()), 0, 0);
    return true;
}

bool ColourTransformCache::applyCmyk(QImage& image, int rows, bool inverted,
                                     const QByteArray& profile, const QByteArray& target) {
    if (profile.isEmpty() || image.isNull() || image.depth() != 32)
        return false;
    rows = qBound(0, rows, image.height());
    cmsHTRANSFORM t = d->get(profile, target, inverted ? Layout::CmykInverted : Layout::Cmyk);
    if (!t)
        return false;
    if (rows > 0) {
        cmsDoTransformLineStride(t, image.constBits(), image.bits(),
                                 cmsUInt32Number(image.width()), cmsUInt32Number(rows),
                                 cmsUInt32Number(image.bytesPerLine()),
                                 cmsUInt32Number(image.bytesPerLine()), 0, 0);
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

int ColourTransformCache::transformCount() const {
    QMutexLocker lock(&d->mutex);
    return int(d->transforms.size());
}

ColourTransformCache& ColourTransformCache::instance() {
    static ColourTransformCache cache;
    return cache;
}

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
        if (!std::isfinite(gamma[i]) || gamma[i] < 0.1 || gamma[i] > 10)
            return {};
    }
    // The primaries must span a volume: three chromaticities on one line
    // make no RGB space.
    const double det = xyz[0][0] * (xyz[1][1] * xyz[2][2] - xyz[1][2] * xyz[2][1]) -
                       xyz[0][1] * (xyz[1][0] * xyz[2][2] - xyz[1][2] * xyz[2][0]) +
                       xyz[0][2] * (xyz[1][0] * xyz[2][1] - xyz[1][1] * xyz[2][0]);
    if (white.Y <= 1e-6 || std::fabs(det) < 1e-9)
        return {};
    cmsCIExyY whitePoint;
    cmsXYZ2xyY(&whitePoint, &white);
    whitePoint.Y = 1.0;
    for (cmsCIExyY* p : slots)
        p->Y = 1.0;
    silenceLcms();
    cmsToneCurve* curves[3] = {cmsBuildGamma(nullptr, gamma[0]), cmsBuildGamma(nullptr, gamma[1]),
                               cmsBuildGamma(nullptr, gamma[2])};
    QByteArray bytes;
    if (curves[0] && curves[1] && curves[2]) {
        ProfileHandle h(cmsCreateRGBProfile(&whitePoint, &primaries, curves));
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

} // namespace soru
