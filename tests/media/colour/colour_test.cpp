// Pictures with ICC profiles: the visible red/green swap, real profiles and
// a CMYK profile against an independent converter (jpgicc), grey pictures
// with grey profiles, damaged profiles shown as untagged, a screen profile
// that cannot be used taken as sRGB, bitmaps with profiles, and the shared
// cache with large pictures split across threads.
#include "media/colour/colour_management.h"
#include "media/formats/decoded_picture.h"
#include "media/formats/jpeg_decoder.h"
#include "media/formats/picture_factory.h"
#include "media/pipeline/head_start.h"
#include "media/pipeline/picture_pipeline.h"
#include "tests/support/test_support.h"
#include "tools/testlib/icc_jpeg.h"
#include "tools/testlib/jpeg_variants.h"
#include "tools/testlib/testlib.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>

#include <gtest/gtest.h>
#include <lcms2.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

namespace soru {
namespace {

using namespace soru::test;

const QString kIcc = QStringLiteral("/usr/share/color/icc/");

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QImage flat(QRgb colour, int w = 32, int h = 32) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

// Saturated and pale colours, dark and light: where profiles differ most.
QImage colourful(int w = 96, int h = 64) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 255 / (w - 1), y * 255 / (h - 1), 255 - (x + y) * 255 / (w + h - 2)));
    return img;
}

// Largest per-channel difference, and the mean one.
std::pair<int, double> difference(const QImage& a0, const QImage& b0) {
    const QImage a = a0.convertToFormat(QImage::Format_RGB32), b = b0.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(a.size(), b.size());
    int worst = 0;
    double sum = 0;
    for (int y = 0; y < qMin(a.height(), b.height()); ++y)
        for (int x = 0; x < qMin(a.width(), b.width()); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                worst = qMax(worst, qAbs(d));
                sum += qAbs(d);
            }
        }
    return {worst, sum / (3.0 * a.width() * a.height())};
}

// The picture drawn at its own size, as the viewer draws it.
QImage shown(ColourTransformCache& colours, const QString& path, QSize box) {
    const DecodedPicture p = decodePicture(colours, path, box);
    EXPECT_EQ(p.state(), DecodedPicture::State::Drawn) << p.failureText().toStdString();
    return p.image();
}

// A grey profile with a D50 white and a pure gamma curve, made by lcms.
// The bytes of an lcms profile, which is closed; empty for none.
QByteArray savedProfile(cmsHPROFILE h) {
    cmsUInt32Number size = 0;
    QByteArray bytes;
    if (h && cmsSaveProfileToMem(h, nullptr, &size)) {
        bytes.resize(qsizetype(size));
        cmsSaveProfileToMem(h, bytes.data(), &size);
    }
    if (h)
        cmsCloseProfile(h);
    return bytes;
}

QByteArray greyProfile(double gamma) {
    cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
    cmsHPROFILE h = cmsCreateGrayProfile(cmsD50_xyY(), curve);
    cmsFreeToneCurve(curve);
    return savedProfile(h);
}

// The sRGB level of a grey stored as `level` under a pure gamma.
int srgbLevel(int level, double gamma) {
    const double light = std::pow(level / 255.0, gamma);
    const double v = light <= 0.0031308 ? 12.92 * light : 1.055 * std::pow(light, 1 / 2.4) - 0.055;
    return int(std::lround(v * 255));
}

// Horizontal bands of flat greys, 16 rows each, so that the JPEG blocks
// inside a band hold one level.
const int kGreyBands[] = {32, 128, 200};
QImage greyBands(int w = 48) {
    QImage img(w, 16 * int(std::size(kGreyBands)), QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        const int v = kGreyBands[y / 16];
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(v, v, v));
    }
    return img;
}

TEST(ColourJpeg, SwappedRedAndGreenProfileShowsRedAsGreen) {
    ColourTransformCache colours;
    const QByteArray swap = readFile(kIcc + "colord/SwappedRedAndGreen.icc");
    ASSERT_FALSE(swap.isEmpty());
    TempDir dir;
    const QString tagged = dir.file("tagged.jpg"), plain = dir.file("plain.jpg");
    const QByteArray red = testlib::encodeJpeg(flat(qRgb(255, 0, 0)), testlib::JpegKind::Baseline, 95);
    writeFile(tagged, testlib::withIccProfile(red, swap));
    writeFile(plain, red);
    for (const QImage& img : {shown(colours, tagged, QSize(32, 32)), loadPictureObject(tagged, colours)->fullImage()}) {
        const QRgb c = img.pixel(16, 16);
        EXPECT_LT(qRed(c), 30);
        EXPECT_GT(qGreen(c), 200);
        EXPECT_EQ(qAlpha(c), 255);
    }
    EXPECT_GT(qRed(shown(colours, plain, QSize(32, 32)).pixel(16, 16)), 220);
}

// A usable profile that is the wrong kind for the picture, or bytes lcms
// cannot read, leave the picture as if it had none.
TEST(ColourJpeg, UnusableProfilesAreIgnored) {
    ColourTransformCache colours;
    const QByteArray swap = readFile(kIcc + "colord/SwappedRedAndGreen.icc");
    const QByteArray grey = readFile(kIcc + "Gray.icc");
    const QByteArray cmyk = readFile(kIcc + "ghostscript/default_cmyk.icc");
    ASSERT_FALSE(swap.isEmpty() || grey.isEmpty() || cmyk.isEmpty());
    QByteArray badTags = swap;
    for (int i = 132; i < qMin<int>(badTags.size(), 400); ++i)
        badTags[i] = char(0xEE); // tag table and beyond overwritten
    const struct {
        const char* name;
        QByteArray profile;
    } cases[] = {
        {"cut in the tag table", swap.left(140)},
        {"header only", swap.left(128)},
        {"garbage", QByteArray(3000, 'x')},
        {"tag table overwritten", badTags},
        {"grey profile on colour", grey},
        {"cmyk profile on colour", cmyk},
    };
    TempDir dir;
    const QByteArray red = testlib::encodeJpeg(flat(qRgb(255, 0, 0)), testlib::JpegKind::Baseline, 95);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.file("p.jpg");
        writeFile(path, testlib::withIccProfile(red, c.profile));
        const QRgb px = shown(colours, path, QSize(32, 32)).pixel(16, 16);
        EXPECT_GT(qRed(px), 220);
        EXPECT_LT(qGreen(px), 30);
    }
}

// A grey JPEG under a grey profile: linear light (gamma 1) shows mid grey
// lighter, gamma 3 darker, gamma 2.2 about as it is; the greys stay neutral.
TEST(ColourJpeg, GreyProfileFollowsItsGamma) {
    ColourTransformCache colours;
    TempDir dir;
    const QByteArray plain = testlib::encodeJpeg(greyBands(), testlib::JpegKind::Grayscale, 100);
    for (double gamma : {1.0, 2.2, 3.0}) {
        SCOPED_TRACE(gamma);
        const QByteArray profile = greyProfile(gamma);
        ASSERT_EQ(profileSpace(profile), ProfileSpace::Grey);
        const QString path = dir.file(QString("grey%1.jpg").arg(gamma));
        writeFile(path, testlib::withIccProfile(plain, profile));
        const QImage img = shown(colours, path, QSize(48, 48));
        for (const QImage& out : {img, loadPictureObject(path, colours)->fullImage()}) {
            for (int band = 0; band < int(std::size(kGreyBands)); ++band) {
                const QRgb px = out.pixel(24, band * 16 + 8);
                EXPECT_NEAR(qRed(px), srgbLevel(kGreyBands[band], gamma), 2) << kGreyBands[band];
                EXPECT_NEAR(qGreen(px), qRed(px), 1);
                EXPECT_NEAR(qBlue(px), qRed(px), 1);
            }
        }
        const int mid = qRed(img.pixel(24, 24));
        if (gamma == 1.0) {
            EXPECT_GT(mid, 180);
        } else if (gamma == 3.0) {
            EXPECT_LT(mid, 105);
        }
    }
}

// The same files converted by jpgicc (Little CMS's own tool, to sRGB) and
// by us. jpgicc re-encodes at quality 100, which leaves a few levels.
class ColourAgainstJpgicc : public ::testing::Test {
protected:
    void SetUp() override {
        jpgicc_ = QStandardPaths::findExecutable("jpgicc");
        if (jpgicc_.isEmpty())
            GTEST_SKIP() << "jpgicc (liblcms2-utils) is not installed";
    }
    // Returns jpgicc's picture decoded at full size.
    QImage reference(const QString& in) {
        const QString out = in + ".ref.jpg";
        QProcess p;
        p.start(jpgicc_, {"-q", "100", in, out});
        EXPECT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return decodeJpeg(readFile(out), 1);
    }
    ColourTransformCache colours;
    void compare(const QString& path, const QImage& untagged) {
        const QImage ref = reference(path);
        const QImage ours = loadPictureObject(path, colours)->fullImage();
        const auto [worst, mean] = difference(ours, ref);
        EXPECT_LE(worst, 6);
        EXPECT_LT(mean, 1.5);
        // The drawn picture, converted after the reduction, agrees too.
        const auto [worstShown, meanShown] = difference(shown(colours, path, ours.size()), ref);
        EXPECT_LE(worstShown, 6);
        EXPECT_LT(meanShown, 1.5);
        // And the profile did change something.
        EXPECT_GT(difference(untagged, ref).first, 20);
    }
    QString jpgicc_;
    TempDir dir_;
};

TEST_F(ColourAgainstJpgicc, RgbProfiles) {
    const QByteArray plain = testlib::encodeJpeg(colourful(), testlib::JpegKind::Baseline, 95);
    for (const char* name : {"colord/AdobeRGB1998.icc", "colord/ProPhotoRGB.icc",
                             "colord/WideGamutRGB.icc", "colord/BetaRGB.icc"}) {
        SCOPED_TRACE(name);
        const QByteArray profile = readFile(kIcc + name);
        ASSERT_FALSE(profile.isEmpty());
        const QString path = dir_.file(QString(name).section('/', -1) + ".jpg");
        writeFile(path, testlib::withIccProfile(plain, profile));
        compare(path, decodeJpeg(plain, 1));
    }
}

TEST_F(ColourAgainstJpgicc, GreyProfiles) {
    const QByteArray plain = testlib::encodeJpeg(colourful(), testlib::JpegKind::Grayscale, 95);
    for (double gamma : {1.0, 3.0}) {
        SCOPED_TRACE(gamma);
        const QString path = dir_.file(QString("grey%1.jpg").arg(gamma));
        writeFile(path, testlib::withIccProfile(plain, greyProfile(gamma)));
        compare(path, decodeJpeg(plain, 1));
    }
}

TEST_F(ColourAgainstJpgicc, CmykProfile) {
    const QByteArray profile = readFile(kIcc + "ghostscript/default_cmyk.icc");
    if (profile.isEmpty())
        GTEST_SKIP() << "no CMYK profile (libgs10-common)";
    constexpr int w = 64, h = 48;
    QByteArray samples(w * h * 4, '\0');
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uchar* p = reinterpret_cast<uchar*>(samples.data()) + (y * w + x) * 4;
            p[0] = uchar(x * 4), p[1] = uchar(y * 5), p[2] = uchar(255 - x * 2), p[3] = uchar((x + y) & 0x7F);
        }
    for (auto kind : {testlib::CmykKind::Cmyk, testlib::CmykKind::Ycck, testlib::CmykKind::CmykNoAdobe}) {
        SCOPED_TRACE(int(kind));
        const QByteArray plain = testlib::encodeCmykJpeg(samples, w, h, kind, 100);
        const QString path = dir_.file(QString("cmyk%1.jpg").arg(int(kind)));
        writeFile(path, testlib::withIccProfile(plain, profile));
        compare(path, decodeJpeg(plain, 1));
    }
}

TEST(ColourBitmap, EmbeddedAndCalibratedProfiles) {
    ColourTransformCache colours;
    // The sRGB primaries with red and green exchanged: a calibrated space
    // in which stored red is green.
    const double swapped[3][3] = {{0.3576, 0.7152, 0.1192}, {0.4124, 0.2126, 0.0193}, {0.1805, 0.0722, 0.9505}};
    testlib::BitmapColour embedded, calibrated, zeros, srgb;
    embedded.profile = readFile(kIcc + "colord/SwappedRedAndGreen.icc");
    calibrated.type = 0;
    std::copy(&swapped[0][0], &swapped[0][0] + 9, &calibrated.endpoints[0][0]);
    std::fill(calibrated.gamma, calibrated.gamma + 3, 2.2);
    zeros.type = 0; // calibrated, but every number zero
    const struct {
        const char* name;
        testlib::BitmapColour colour;
        bool green;
    } cases[] = {
        {"embedded swap profile", embedded, true},
        {"calibrated, swapped primaries", calibrated, true},
        {"calibrated, all zero", zeros, false},
        {"sRGB", srgb, false},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.file("p.bmp");
        writeFile(path, testlib::encodeV5Bitmap(flat(qRgb(255, 0, 0), 20, 10), c.colour));
        for (const QImage& img : {shown(colours, path, QSize(20, 10)), loadPictureObject(path, colours)->fullImage()}) {
            const QRgb px = img.pixel(10, 5);
            EXPECT_EQ(qGreen(px) > 200 && qRed(px) < 40, c.green) << std::hex << px;
            EXPECT_EQ(qRed(px) > 200 && qGreen(px) < 40, !c.green) << std::hex << px;
        }
    }
}

// The version 4 and 5 headers' calibrated endpoints are the primaries'
// chromaticities under a D65 white: sRGB's look like the untouched picture,
// give or take the header's pure 2.2 gamma. Numbers that make no sound RGB
// space leave the pixels exactly as stored.
TEST(ColourBitmap, CalibratedEndpointsAreChromaticitiesUnderD65) {
    ColourTransformCache colours;
    const double srgb[3][3] = {{0.64, 0.33, 0.03}, {0.30, 0.60, 0.10}, {0.15, 0.06, 0.79}};
    const double negative[3][3] = {{0.64, 0.33, 0.03}, {-0.30, 0.60, 0.70}, {0.15, 0.06, 0.79}};
    const double narrow[3][3] = {{0.64, 0.33, 0.03}, {0.60, 0.36, 0.04}, {0.55, 0.30, 0.15}};
    const double inLine[3][3] = {{0.60, 0.30, 0.10}, {0.40, 0.40, 0.20}, {0.20, 0.50, 0.30}};
    const QRgb painted[] = {qRgb(255, 0, 0), qRgb(128, 128, 128), qRgb(90, 160, 230)};
    QImage stripes(30, 10, QImage::Format_RGB32);
    for (int x = 0; x < 30; ++x)
        for (int y = 0; y < 10; ++y)
            stripes.setPixel(x, y, painted[x / 10]);
    // The header's colour fields from the start of the info header: type,
    // endpoints, gammas.
    const auto v4 = [&](const double (&e)[3][3]) {
        QByteArray b = testlib::encodeBmp(stripes, testlib::BmpKind::V4Header);
        const auto put = [&](int at, quint32 v) { qToLittleEndian(v, b.data() + 14 + at); };
        put(56, 0);
        for (int i = 0; i < 9; ++i)
            put(60 + 4 * i, quint32(qint32(std::lround(e[i / 3][i % 3] * (1 << 30)))));
        for (int i = 0; i < 3; ++i)
            put(96 + 4 * i, quint32(std::lround(2.2 * 65536)));
        return b;
    };
    const auto v5 = [&](const double (&e)[3][3]) {
        testlib::BitmapColour c;
        c.type = 0;
        std::copy(&e[0][0], &e[0][0] + 9, &c.endpoints[0][0]);
        std::fill(c.gamma, c.gamma + 3, 2.2);
        return testlib::encodeV5Bitmap(stripes, c);
    };
    const struct {
        const char* name;
        QByteArray file;
        bool converted;
    } cases[] = {
        {"version 4, sRGB's chromaticities", v4(srgb), true},
        {"version 5, sRGB's chromaticities", v5(srgb), true},
        {"a negative endpoint", v4(negative), false},
        {"white outside the primaries", v5(narrow), false},
        {"primaries on one line", v4(inLine), false},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.file("p.bmp");
        writeFile(path, c.file);
        for (const QImage& img : {shown(colours, path, QSize(30, 10)), loadPictureObject(path, colours)->fullImage()}) {
            for (int i = 0; i < 3; ++i) {
                const QRgb want = painted[i], got = img.pixel(10 * i + 5, 5);
                SCOPED_TRACE(i);
                if (!c.converted) {
                    EXPECT_EQ(got | 0xFF000000u, want) << std::hex << got;
                    continue;
                }
                EXPECT_NEAR(qRed(got), qRed(want), 3);
                EXPECT_NEAR(qGreen(got), qGreen(want), 3);
                EXPECT_NEAR(qBlue(got), qBlue(want), 3);
            }
        }
    }
}

// Many threads converting with the same profiles share one transform per
// pair, and all get the same pixels.
TEST(ColourCache, OneTransformPerProfilePairAcrossThreads) {
    ColourTransformCache cache;
    const QByteArray adobe = readFile(kIcc + "colord/AdobeRGB1998.icc");
    const QByteArray swap = readFile(kIcc + "colord/SwappedRedAndGreen.icc");
    QImage expected = colourful();
    ASSERT_TRUE(cache.apply(expected, adobe, swap));
    EXPECT_EQ(cache.transformCount(), 1);
    std::vector<QImage> results(8, colourful());
    std::vector<std::thread> threads;
    for (auto& img : results)
        threads.emplace_back([&] {
            for (int i = 0; i < 20; ++i) {
                QImage copy = colourful();
                cache.apply(copy, adobe, swap);
                if (i == 19)
                    img = copy;
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(cache.transformCount(), 1);
    for (const QImage& img : results)
        EXPECT_EQ(img, expected);
    QImage untagged = colourful();
    EXPECT_FALSE(cache.apply(untagged, QByteArray(), swap));
    EXPECT_EQ(untagged, colourful());
}

// An RGB profile with sRGB's primaries and white and a pure gamma, made by lcms.
QByteArray gammaProfile(double gamma) {
    cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}};
    cmsHPROFILE h = cmsCreateRGBProfile(cmsD50_xyY(), &primaries, curves);
    cmsFreeToneCurve(curve);
    return savedProfile(h);
}

// Pictures that each bring a profile of their own: the cache holds a
// bounded number of transforms, drops the least recently used, and converts
// exactly as a fresh cache does, also while threads drop transforms others
// are converting with.
TEST(ColourCache, HoldsABoundedNumberOfTransforms) {
    constexpr int kProfiles = ColourTransformCache::kMaxHeld + 8;
    std::vector<QByteArray> profiles;
    std::vector<QImage> expected;
    for (int i = 0; i < kProfiles; ++i) {
        profiles.push_back(gammaProfile(1.2 + 0.03 * i));
        ColourTransformCache fresh;
        QImage img = colourful(256, 256);
        ASSERT_TRUE(fresh.apply(img, profiles.back()));
        expected.push_back(img);
    }
    ColourTransformCache cache;
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&, t] {
            for (int k = 0; k < kProfiles; ++k) {
                const int i = (k * (2 * t + 1) + 7 * t) % kProfiles;
                QImage img = colourful(256, 256);
                if (!cache.apply(img, profiles[i]) || img != expected[i])
                    ++wrong;
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_LE(cache.heldCount(), ColourTransformCache::kMaxHeld);
    EXPECT_LE(cache.heldBytes(), ColourTransformCache::kMaxHeldBytes);

    // One thread, in order: the oldest is made again, the newest are kept.
    ColourTransformCache ordered;
    for (int i = 0; i < kProfiles; ++i) {
        QImage img = colourful(256, 256);
        ordered.apply(img, profiles[i]);
    }
    EXPECT_EQ(ordered.heldCount(), ColourTransformCache::kMaxHeld);
    QImage last = colourful(256, 256), first = colourful(256, 256);
    ASSERT_TRUE(ordered.apply(last, profiles[kProfiles - 1]));
    EXPECT_EQ(ordered.transformCount(), kProfiles);
    ASSERT_TRUE(ordered.apply(first, profiles[0]));
    EXPECT_EQ(ordered.transformCount(), kProfiles + 1);
    EXPECT_TRUE(first == expected[0]);
    EXPECT_TRUE(last == expected[kProfiles - 1]);
}

// RGB to RGB between matrix-shaper profiles runs on a loop of the
// program's own; for every one of the 2^24 colours it gives exactly the
// bytes lcms's own 8-bit path gives: parametric and table curves, colours
// clipped at both ends, screen profiles as targets.
TEST(ColourCache, MatrixShaperLoopGivesLcmsBytesForEveryColour) {
    const double swapped[3][3] = {{0.3576, 0.7152, 0.1192}, {0.4124, 0.2126, 0.0193}, {0.1805, 0.0722, 0.9505}};
    const double gamma[3] = {2.2, 1.8, 2.6};
    const struct {
        const char* name;
        QByteArray source, target;
    } cases[] = {
        {"Adobe RGB to sRGB", readFile(kIcc + "colord/AdobeRGB1998.icc"), {}},
        {"ProPhoto to sRGB", readFile(kIcc + "colord/ProPhotoRGB.icc"), {}},
        {"sRGB file to a bluish screen", readFile(kIcc + "sRGB.icc"), readFile(kIcc + "colord/Bluish.icc")},
        {"L* curves to Adobe RGB", readFile(kIcc + "LStar-RGB.icc"), readFile(kIcc + "colord/AdobeRGB1998.icc")},
        {"calibrated bitmap to wide gamut", calibratedRgbProfile(swapped, gamma),
         readFile(kIcc + "colord/WideGamutRGB.icc")},
    };
    QImage every(4096, 4096, QImage::Format_RGB32);
    for (int y = 0; y < every.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(every.scanLine(y));
        for (int x = 0; x < every.width(); ++x)
            line[x] = 0xFF000000u | quint32(y) << 12 | quint32(x);
    }
    constexpr cmsUInt32Number rgb32 = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TYPE_BGRA_8 : TYPE_ARGB_8;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.source.isEmpty());
        ColourTransformCache cache;
        QImage ours = every;
        ASSERT_TRUE(cache.apply(ours, c.source, c.target));
        EXPECT_EQ(cache.matrixShaperCount(), 1);

        cmsHPROFILE in = cmsOpenProfileFromMem(c.source.constData(), cmsUInt32Number(c.source.size()));
        cmsHPROFILE out = c.target.isEmpty()
                              ? cmsCreate_sRGBProfile()
                              : cmsOpenProfileFromMem(c.target.constData(), cmsUInt32Number(c.target.size()));
        cmsHTRANSFORM t = cmsCreateTransform(in, rgb32, out, rgb32, INTENT_PERCEPTUAL, 0);
        ASSERT_NE(t, nullptr);
        QImage lcms = every;
        cmsDoTransformLineStride(t, lcms.constBits(), lcms.bits(), cmsUInt32Number(lcms.width()),
                                 cmsUInt32Number(lcms.height()), cmsUInt32Number(lcms.bytesPerLine()),
                                 cmsUInt32Number(lcms.bytesPerLine()), 0, 0);
        cmsDeleteTransform(t);
        cmsCloseProfile(in);
        cmsCloseProfile(out);

        qint64 differing = 0;
        QRgb firstIn = 0, firstOurs = 0, firstLcms = 0;
        for (int y = 0; y < every.height(); ++y) {
            const auto* a = reinterpret_cast<const QRgb*>(ours.constScanLine(y));
            const auto* b = reinterpret_cast<const QRgb*>(lcms.constScanLine(y));
            for (int x = 0; x < every.width(); ++x)
                if (a[x] != b[x] && differing++ == 0)
                    firstIn = every.pixel(x, y), firstOurs = a[x], firstLcms = b[x];
        }
        EXPECT_EQ(differing, 0) << std::hex << "first at " << firstIn << ": " << firstOurs
                                << " instead of " << firstLcms;
        EXPECT_FALSE(ours == every); // the profiles do change colours
    }
}

// A screen profile that cannot be used (damaged, not RGB, not a device
// profile) makes sRGB the target: tagged pictures come out exactly as for an
// sRGB screen, untagged ones untouched, and nothing fails.
TEST(ColourTarget, UnusableScreenProfileMeansSrgb) {
    ColourTransformCache colours;
    const QByteArray adobe = readFile(kIcc + "colord/AdobeRGB1998.icc");
    const QByteArray bluish = readFile(kIcc + "colord/Bluish.icc");
    const QByteArray cmyk = readFile(kIcc + "ghostscript/default_cmyk.icc");
    const QByteArray lab = readFile(kIcc + "LCMSLABI.ICM");
    ASSERT_FALSE(adobe.isEmpty() || bluish.isEmpty());
    const struct {
        const char* name;
        QByteArray target;
    } cases[] = {
        {"garbage", QByteArray(2000, '\x5A')},
        {"cut in the tag table", bluish.left(200)},
        {"header only", bluish.left(128)},
        {"grey", greyProfile(1.0)},
        {"cmyk", cmyk},
        {"abstract Lab", lab},
    };
    ColourTransformCache cache;
    QImage srgb = colourful();
    ASSERT_TRUE(cache.apply(srgb, adobe));
    QImage onBluish = colourful();
    ASSERT_TRUE(cache.apply(onBluish, adobe, bluish));
    ASSERT_FALSE(onBluish == srgb); // a usable screen profile does change the pixels

    TempDir dir;
    const QString tagged = dir.file("tagged.jpg"), untagged = dir.file("untagged.jpg");
    const QByteArray plain = testlib::encodeJpeg(colourful(), testlib::JpegKind::Baseline, 95);
    writeFile(tagged, testlib::withIccProfile(plain, adobe));
    writeFile(untagged, plain);
    colours.setTargetProfile({});
    const QImage taggedOnSrgb = shown(colours, tagged, QSize(96, 64));
    const QImage untaggedOnSrgb = shown(colours, untagged, QSize(96, 64));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.target.isEmpty())
            continue; // a profile file this machine lacks
        QImage img = colourful();
        EXPECT_TRUE(cache.apply(img, adobe, c.target));
        EXPECT_TRUE(img == srgb);
        colours.setTargetProfile(c.target);
        EXPECT_TRUE(shown(colours, tagged, QSize(96, 64)) == taggedOnSrgb);
        EXPECT_TRUE(shown(colours, untagged, QSize(96, 64)) == untaggedOnSrgb);
    }
    // A usable one converts tagged pictures to it; untagged ones stay as they are.
    colours.setTargetProfile(bluish);
    EXPECT_FALSE(shown(colours, tagged, QSize(96, 64)) == taggedOnSrgb);
    EXPECT_TRUE(shown(colours, untagged, QSize(96, 64)) == untaggedOnSrgb);
}

// Pixels drawn for other programs (the desktop's thumbnails) are sRGB
// whatever the screen's profile, for RGB pictures (converted after the draw)
// and CMYK ones (converted while they are decoded) alike.
TEST(ColourTarget, SrgbDrawIgnoresTheScreenProfile) {
    ColourTransformCache colours;
    const QByteArray adobe = readFile(kIcc + "colord/AdobeRGB1998.icc");
    const QByteArray screen = readFile(kIcc + "colord/SwappedRedAndGreen.icc");
    const QByteArray cmyk = readFile(kIcc + "ghostscript/default_cmyk.icc");
    if (adobe.isEmpty() || screen.isEmpty() || cmyk.isEmpty())
        GTEST_SKIP() << "profiles missing (colord-data, libgs10-common)";
    TempDir dir;
    const QString rgbPath = dir.file("rgb.jpg"), cmykPath = dir.file("cmyk.jpg");
    writeFile(rgbPath, testlib::withIccProfile(testlib::encodeJpeg(colourful(), testlib::JpegKind::Baseline, 95), adobe));
    QByteArray samples(64 * 48 * 4, '\0');
    for (int i = 0; i < samples.size(); ++i)
        samples[i] = char((i * 37) & 0xFF);
    writeFile(cmykPath, testlib::withIccProfile(testlib::encodeCmykJpeg(samples, 64, 48, testlib::CmykKind::Cmyk, 95), cmyk));
    for (const QString& path : {rgbPath, cmykPath}) {
        SCOPED_TRACE(path.toStdString());
        colours.setTargetProfile({});
        const QImage onSrgb = shown(colours, path, QSize(64, 48));
        colours.setTargetProfile(screen);
        EXPECT_FALSE(shown(colours, path, QSize(64, 48)) == onSrgb); // the screen's profile does change them
        const DecodedPicture forOthers = decodePicture(colours, path, QSize(64, 48), QByteArray());
        EXPECT_TRUE(forOthers.image() == onSrgb);
    }
}

// Caches are independent: each converts to its own target, and a pipeline
// and a head start decode with the cache they were given, while another
// cache with another target works alongside.
TEST(ColourTarget, EachCacheConvertsToItsOwnTarget) {
    const QByteArray adobe = readFile(kIcc + "colord/AdobeRGB1998.icc");
    const QByteArray screen = readFile(kIcc + "colord/SwappedRedAndGreen.icc");
    if (adobe.isEmpty() || screen.isEmpty())
        GTEST_SKIP() << "profiles missing (colord-data)";
    TempDir dir;
    const QString path = dir.file("tagged.jpg");
    writeFile(path, testlib::withIccProfile(testlib::encodeJpeg(colourful(), testlib::JpegKind::Baseline, 95), adobe));
    ColourTransformCache onSrgb, onScreen;
    onScreen.setTargetProfile(screen);
    const QSize box(96, 64);
    const QImage srgbPixels = shown(onSrgb, path, box);
    const QImage screenPixels = shown(onScreen, path, box);
    ASSERT_FALSE(srgbPixels == screenPixels);
    for (ColourTransformCache* colours : {&onSrgb, &onScreen}) {
        const QImage& want = colours == &onSrgb ? srgbPixels : screenPixels;
        {
            const HeadStart early(*colours, [path] { return path; }, box);
            PicturePipeline pipeline(*colours, PicturePipeline::kDefaultCacheBytes, 1);
            EXPECT_TRUE(pipeline.take(path, box).image() == want); // the head start's decode
            pipeline.cache().clear();
            EXPECT_TRUE(pipeline.take(path, box).image() == want); // decoded by the pipeline
        }
        // Untouched by the other cache's target.
        EXPECT_TRUE(shown(onSrgb, path, box) == srgbPixels);
    }
    EXPECT_EQ(onSrgb.targetProfile(), QByteArray());
}

// Pixels that differ from their neighbours everywhere, for any size; with
// fourBytes, the fourth byte too (CMYK samples).
QImage noise(int w, int h, QImage::Format format, bool fourBytes = false) {
    QImage img(w, h, QImage::Format_RGB32);
    quint32 state = quint32(w) * 7919u + quint32(h);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            state = state * 1664525u + 1013904223u;
            line[x] = fourBytes ? state ^ (state >> 13) : 0xFF000000u | (state >> 8);
        }
    }
    return img.convertToFormat(format);
}

// Large pictures are converted on several threads: every row is converted
// once, the result the same bytes as on one thread, for RGB (the
// matrix-shaper loop), grey and CMYK pixels (lcms), row counts that do not
// divide evenly, and pictures too thin to split.
TEST(ColourCache, SharedOutOnThreadsGivesTheSamePixelsAsOneThread) {
    const QByteArray adobe = readFile(kIcc + "colord/AdobeRGB1998.icc");
    const QByteArray cmyk = readFile(kIcc + "ghostscript/default_cmyk.icc");
    const QByteArray grey = greyProfile(1.0);
    ASSERT_FALSE(adobe.isEmpty());
    const struct {
        const char* name;
        QSize size;
        QImage::Format format;
        const QByteArray& profile;
        int cmykRows; // > 0: the first rows are CMYK samples
    } cases[] = {
        {"1 MP square", {1024, 1024}, QImage::Format_RGB32, adobe, 0},
        {"odd rows, three threads", {1301, 1237}, QImage::Format_RGB32, adobe, 0},
        {"premultiplied", {1600, 900}, QImage::Format_ARGB32_Premultiplied, adobe, 0},
        {"RGB888 turned into RGB32", {1200, 1000}, QImage::Format_RGB888, adobe, 0},
        {"one column", {1, 1200000}, QImage::Format_RGB32, adobe, 0},
        {"one row", {1200000, 1}, QImage::Format_RGB32, adobe, 0},
        {"grey", {1500, 800}, QImage::Format_RGB32, grey, 0},
        {"CMYK, part of the rows", {1500, 1100}, QImage::Format_RGB32, cmyk, 1013},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.profile.isEmpty())
            continue; // a profile file this machine lacks
        const QImage original = noise(c.size.width(), c.size.height(), c.format, c.cmykRows > 0);
        QImage results[2];
        for (int threads : {1, 3}) {
            ColourTransformCache cache;
            cache.setThreadLimit(threads);
            QImage& img = results[threads == 1 ? 0 : 1];
            img = original;
            if (c.cmykRows > 0)
                EXPECT_TRUE(cache.applyCmyk(img, c.cmykRows, false, c.profile));
            else
                EXPECT_TRUE(cache.apply(img, c.profile));
        }
        EXPECT_EQ(results[0].format(), results[1].format());
        EXPECT_TRUE(results[0] == results[1]);
        // The last row too was converted (or, for CMYK, left after the
        // rows asked for).
        const int last = c.size.height() - 1;
        const QImage plain = original.convertToFormat(results[0].format());
        const bool lastConverted =
            std::memcmp(results[1].constScanLine(last), plain.constScanLine(last),
                        std::size_t(plain.bytesPerLine())) != 0;
        EXPECT_EQ(lastConverted, c.cmykRows == 0);
    }
}

} // namespace
} // namespace soru
