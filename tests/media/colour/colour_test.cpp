// Pictures with ICC profiles: the visible red/green swap, real profiles and
// a CMYK profile against an independent converter (jpgicc), damaged
// profiles shown as untagged, bitmaps with profiles, and the shared cache.
#include "media/colour_management.h"
#include "media/decoded_picture.h"
#include "media/jpeg_decoder.h"
#include "media/picture_object.h"
#include "tests/support/test_support.h"
#include "tools/testlib/icc_jpeg.h"
#include "tools/testlib/jpeg_variants.h"
#include "tools/testlib/testlib.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

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
QImage shown(const QString& path, QSize box) {
    const DecodedPicture p = decodePicture(path, box);
    EXPECT_EQ(p.state(), DecodedPicture::State::Drawn) << p.failureText().toStdString();
    return p.image();
}

TEST(ColourJpeg, SwappedRedAndGreenProfileShowsRedAsGreen) {
    const QByteArray swap = readFile(kIcc + "colord/SwappedRedAndGreen.icc");
    ASSERT_FALSE(swap.isEmpty());
    TempDir dir;
    const QString tagged = dir.file("tagged.jpg"), plain = dir.file("plain.jpg");
    const QByteArray red = testlib::encodeJpeg(flat(qRgb(255, 0, 0)), testlib::JpegKind::Baseline, 95);
    writeFile(tagged, testlib::withIccProfile(red, swap));
    writeFile(plain, red);
    for (const QImage& img : {shown(tagged, QSize(32, 32)), loadPictureObject(tagged)->fullImage()}) {
        const QRgb c = img.pixel(16, 16);
        EXPECT_LT(qRed(c), 30);
        EXPECT_GT(qGreen(c), 200);
        EXPECT_EQ(qAlpha(c), 255);
    }
    EXPECT_GT(qRed(shown(plain, QSize(32, 32)).pixel(16, 16)), 220);
}

// A usable profile that is the wrong kind for the picture, or bytes lcms
// cannot read, leave the picture as if it had none.
TEST(ColourJpeg, UnusableProfilesAreIgnored) {
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
        const QRgb px = shown(path, QSize(32, 32)).pixel(16, 16);
        EXPECT_GT(qRed(px), 220);
        EXPECT_LT(qGreen(px), 30);
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
    void compare(const QString& path, const QImage& untagged) {
        const QImage ref = reference(path);
        const QImage ours = loadPictureObject(path)->fullImage();
        const auto [worst, mean] = difference(ours, ref);
        EXPECT_LE(worst, 6);
        EXPECT_LT(mean, 1.5);
        // The drawn picture, converted after the reduction, agrees too.
        const auto [worstShown, meanShown] = difference(shown(path, ours.size()), ref);
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
        for (const QImage& img : {shown(path, QSize(20, 10)), loadPictureObject(path)->fullImage()}) {
            const QRgb px = img.pixel(10, 5);
            EXPECT_EQ(qGreen(px) > 200 && qRed(px) < 40, c.green) << std::hex << px;
            EXPECT_EQ(qRed(px) > 200 && qGreen(px) < 40, !c.green) << std::hex << px;
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

} // namespace
} // namespace soru
