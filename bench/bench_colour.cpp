// The cost of colour management on a tagged 24-megapixel photo shown on a
// 1920 x 1080 screen:
//  (a) converting the drawn pixels (the fitted 1620 x 1080 picture) from
//      its Adobe RGB profile to sRGB / decoding and drawing the same
//      picture untagged  (goal <= 0.10)
//  (b) the whole tagged presentation / the untagged one
// The conversion is timed split across the cores, as the viewer runs it,
// on one thread (what it costs while every core is busy elsewhere), and as
// lcms's own transform would do it on one thread (same bytes, the
// reference the program's matrix-shaper loop is measured against).
// Medians of several runs, the transform made beforehand (it is made once
// per profile and kept).
#include "media/colour/colour_management.h"
#include "media/formats/decoded_picture.h"
#include "tools/testlib/icc_jpeg.h"
#include "tools/testlib/testlib.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include <lcms2.h>

namespace {

constexpr int kWidth = 6000, kHeight = 4000, kRuns = 7;
const QSize kScreen(1920, 1080);

double medianMs(const std::function<void()>& fn) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        fn();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv) {
    soru::ColourTransformCache colours;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QFile icc(QStringLiteral("/usr/share/color/icc/colord/AdobeRGB1998.icc"));
    if (!icc.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_colour: AdobeRGB1998.icc (colord-data) is missing\n");
        return 1;
    }
    const QByteArray profile = icc.readAll();
    QTemporaryDir dir;
    const QByteArray plain = soru::testlib::encodeJpeg(
        soru::testlib::makePhotoLike(kWidth, kHeight), soru::testlib::JpegKind::Baseline, 90);
    const QString untagged = dir.filePath("untagged.jpg"), tagged = dir.filePath("tagged.jpg");
    if (!write(untagged, plain) || !write(tagged, soru::testlib::withIccProfile(plain, profile)))
        return 1;

    auto& cache = colours;
    const soru::DecodedPicture reference = soru::decodePicture(colours, untagged, kScreen);
    QImage warm = reference.image();
    cache.apply(warm, profile); // makes the transform

    const double decode = medianMs([&] { soru::decodePicture(colours, untagged, kScreen); });
    const double presentTagged = medianMs([&] { soru::decodePicture(colours, tagged, kScreen); });
    const auto transformMs = [&](int threads) {
        cache.setThreadLimit(threads);
        const double ms = medianMs([&] {
            QImage img = reference.image();
            img.detach();
            cache.apply(img, profile);
        });
        cache.setThreadLimit(0);
        return ms;
    };
    const double transform = transformMs(0);
    const double transformOneThread = transformMs(1);
    cmsHPROFILE adobe = cmsOpenProfileFromMem(profile.constData(), cmsUInt32Number(profile.size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    constexpr cmsUInt32Number rgb32 = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TYPE_BGRA_8 : TYPE_ARGB_8;
    cmsHTRANSFORM lcms = cmsCreateTransform(adobe, rgb32, srgb, rgb32, INTENT_PERCEPTUAL, 0);
    const double transformLcms = medianMs([&] {
        QImage img = reference.image();
        img.detach();
        cmsDoTransformLineStride(lcms, img.constBits(), img.bits(), cmsUInt32Number(img.width()),
                                 cmsUInt32Number(img.height()), cmsUInt32Number(img.bytesPerLine()),
                                 cmsUInt32Number(img.bytesPerLine()), 0, 0);
    });
    cmsDeleteTransform(lcms);
    cmsCloseProfile(srgb);
    cmsCloseProfile(adobe);
    const double copy = medianMs([&] {
        QImage img = reference.image();
        img.detach();
    });
    const double transformOnly = std::max(0.0, transform - copy);
    const double oneThreadOnly = std::max(0.0, transformOneThread - copy);
    const double lcmsOnly = std::max(0.0, transformLcms - copy);
    std::printf("picture %d x %d (%.1f MB JPEG), drawn %d x %d\n", kWidth, kHeight,
                plain.size() / 1e6, reference.image().width(), reference.image().height());
    std::printf("decode + draw, untagged      %8.1f ms\n", decode);
    std::printf("decode + draw, tagged        %8.1f ms\n", presentTagged);
    std::printf("transform of the drawn image %8.1f ms  (%d threads at most)\n", transformOnly,
                QThread::idealThreadCount());
    std::printf("  the same on one thread     %8.1f ms\n", oneThreadOnly);
    std::printf("  lcms's own, one thread     %8.1f ms\n", lcmsOnly);
    std::printf("(a) transform / decode       %8.3f  (goal <= 0.10)\n", transformOnly / decode);
    std::printf("    on one thread            %8.3f\n", oneThreadOnly / decode);
    std::printf("    lcms's own, one thread   %8.3f\n", lcmsOnly / decode);
    std::printf("(b) tagged / untagged        %8.3f\n", presentTagged / decode);
    return 0;
}
