// PNG, WebP, HEIC and AVIF pictures written by the encoders Debian ships
// (ImageMagick, pngcrush, cwebp, webpmux, heif-enc, avifenc), decoded by the
// picture objects and compared with the pictures they were made from; and
// an album of them in the real main window.
#include "core/albums.h"
#include "core/failure.h"
#include "media/colour/colour_management.h"
#include "media/formats/decoded_picture.h"
#include "media/formats/exif_orientation.h"
#include "media/formats/heif_av1_decoder.h"
#include "media/formats/heif_picture.h"
#include "media/formats/picture_factory.h"
#include "media/formats/scaling.h"
#include "tests/media/formats/heic_grid.h"
#include "tests/support/test_support.h"
#include "tests/ui/main_window_fixture.h"
#include "tools/testlib/testlib.h"
#include "ui/widgets/image_box.h"

#include <gtest/gtest.h>

#include <libheif/heif.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPainter>
#include <QTransform>
#include <QtEndian>

#include <functional>

namespace soru {
namespace {

using test::TempDir;

// The source pictures: 64 x 48 in 8 x 8 blocks of 48 colours (few enough
// for a palette), the same in greys, and with an alpha per block.
QRgb block(int x, int y) {
    const int bx = x / 8, by = y / 8;
    return qRgb((bx * 37 + 20) % 256, (by * 53 + 40) % 256, ((bx + by) * 29 + 60) % 256);
}

QImage blockSource() {
    QImage img(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, block(x, y));
    return img;
}

QImage greySource() {
    QImage img = blockSource();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const int g = qGray(img.pixel(x, y));
            img.setPixel(x, y, qRgb(g, g, g));
        }
    return img;
}

QImage alphaSource() {
    QImage img = blockSource().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            img.setPixel(x, y,
                         qRgba(qRed(p), qGreen(p), qBlue(p), ((x / 8) * 51 + (y / 8) * 17) % 256));
        }
    return img;
}

// A picture over white, as the view shows a transparent one.
QImage overWhite(const QImage& image) {
    QImage out(image.size(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const int a = qAlpha(p);
            const auto mix = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
            out.setPixel(x, y, qRgb(mix(qRed(p)), mix(qGreen(p)), mix(qBlue(p))));
        }
    return out;
}

bool runTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s %s failed: %s\n", qPrintable(program), qPrintable(args.join(' ')),
                     p.readAll().constData());
        return false;
    }
    return true;
}

// A bare EXIF block (big-endian TIFF) holding only the orientation.
QByteArray exifBlock(int orientation) {
    // "MM", 42, IFD at 8; one entry: tag 0x0112, SHORT, count 1, value.
    QByteArray b("MM\0\x2A\0\0\0\x08", 8);
    b.append("\0\x01", 2);
    b.append("\x01\x12\0\x03\0\0\0\x01", 8);
    b.append(char(0)).append(char(orientation)).append(2, '\0');
    b.append(4, '\0'); // no next IFD
    return b;
}

QByteArray withPngChunk(const QByteArray& png, const char (&type)[5], const QByteArray& data) {
    const qsizetype afterHeader = 8 + 8 + 13 + 4; // signature, IHDR
    return png.left(afterHeader) + testlib::pngChunk(type, data) + png.mid(afterHeader);
}

// A PNG whose header claims width x height RGB pixels, followed by a few
// bytes of compressed data.
QByteArray claimingPng(quint32 width, quint32 height) {
    QByteArray header(13, '\0');
    qToBigEndian(width, header.data());
    qToBigEndian(height, header.data() + 4);
    header[8] = 8; // bits
    header[9] = 2; // RGB
    // A zlib stream of 64 zero bytes: the first rows' filter bytes at most.
    const QByteArray idat("\x78\x9c\x63\x60\xa0\x0c\x00\x00\x00\x40\x00\x01", 12);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + testlib::pngChunk("IHDR", header) +
           testlib::pngChunk("IDAT", idat) + testlib::pngChunk("IEND", {});
}

// Mean and largest difference of the red, green and blue samples of two
// pictures; a mean of -1 when their sizes differ.
struct Difference {
    double mean = -1;
    int max = -1;
};
Difference difference(const QImage& a, const QImage& b) {
    Difference d;
    if (a.size() != b.size() || a.isNull())
        return d;
    double sum = 0;
    d.max = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (const int c : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                sum += std::abs(c);
                d.max = std::max(d.max, std::abs(c));
            }
        }
    d.mean = sum / (3.0 * a.width() * a.height());
    return d;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

const QString kSwapProfile = QStringLiteral("/usr/share/color/icc/colord/SwappedRedAndGreen.icc");

enum class Source { Blocks, Grey, Alpha };

struct EncodedCase {
    const char* name;
    const char* file;    // what the command writes, in the test's folder
    const char* command; // run there by sh
    Source source;
    int orientation;     // how the expected picture is turned (EXIF numbering)
    bool swappedProfile; // tagged with the red/green swapping profile
    double meanTolerance;
    int maxTolerance; // 255: not checked (lossy codecs ring at block edges)
    int pngExif = 0;  // an eXIf chunk with this orientation is put in afterwards
};

void PrintTo(const EncodedCase& c, std::ostream* os) {
    *os << c.name;
}

QImage swappedRedGreen(const QImage& image) {
    QImage out = image;
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const QRgb p = out.pixel(x, y);
            out.setPixel(x, y, qRgb(qGreen(p), qRed(p), qBlue(p)));
        }
    return out;
}

class EncodedPictureTest : public ::testing::TestWithParam<EncodedCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(blockSource().save(dir.file("blocks.png")));
        ASSERT_TRUE(greySource().save(dir.file("grey.png")));
        ASSERT_TRUE(alphaSource().save(dir.file("alpha.png")));
        writeAll(dir.file("exif6.bin"), exifBlock(6));
    }
    TempDir dir;
};

TEST_P(EncodedPictureTest, DecodesToItsSource) {
    ColourTransformCache colours;
    const EncodedCase& c = GetParam();
    ASSERT_TRUE(
        runTool(QStringLiteral("sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("cd '%1' && %2").arg(dir.path(), QString::fromUtf8(c.command))}));
    const QString path = dir.file(QString::fromUtf8(c.file));
    if (c.pngExif)
        writeAll(path, withPngChunk(readAll(path), "eXIf", exifBlock(c.pngExif)));

    QImage stored = c.source == Source::Blocks ? blockSource()
                    : c.source == Source::Grey ? greySource()
                                               : overWhite(alphaSource());
    const QImage drawnExpected = turnedUpright(stored, c.orientation);
    const QImage fullExpected = c.swappedProfile ? swappedRedGreen(drawnExpected) : drawnExpected;

    std::unique_ptr<PictureObject> picture;
    ASSERT_NO_THROW(picture = loadPictureObject(path, colours));
    EXPECT_EQ(QSize(picture->width(), picture->height()), drawnExpected.size());
    EXPECT_EQ(picture->iccProfile().isEmpty(), !c.swappedProfile);

    if (const auto* heif = dynamic_cast<const HeifPicture*>(picture.get())) {
        EXPECT_EQ(heif->storedBitDepth(), QByteArray(c.name).contains("10Bit") ? 10 : 8);
    }

    const QImage full = picture->fullImage();
    EXPECT_EQ(full.format(), QImage::Format_RGB32);
    const Difference d = difference(full, fullExpected);
    EXPECT_GE(d.mean, 0);
    EXPECT_LE(d.mean, c.meanTolerance);
    EXPECT_LE(d.max, c.maxTolerance);

    // Drawn at half size into a rectangle of a larger canvas: the reduced
    // picture there, nothing outside it.
    QImage canvas(80, 70, QImage::Format_RGB32);
    canvas.fill(0xFF102030);
    const QRect target(QPoint(5, 7), drawnExpected.size() / 2);
    picture->draw(canvas, target);
    const QImage reduced = smoothScaled(drawnExpected, target.size());
    EXPECT_LE(difference(canvas.copy(target), reduced).mean, c.meanTolerance + 1);
    EXPECT_EQ(canvas.pixel(4, 6), 0xFF102030u);
    EXPECT_EQ(canvas.pixel(target.right() + 1, target.bottom() + 1), 0xFF102030u);
}

#define SWAP                                                                                       \
    "'"                                                                                            \
    "/usr/share/color/icc/colord/SwappedRedAndGreen.icc"                                           \
    "'"
INSTANTIATE_TEST_SUITE_P(
    Encoders, EncodedPictureTest,
    ::testing::Values(
        EncodedCase{"PngCrushed", "out.png", "pngcrush -q -reduce blocks.png out.png",
                    Source::Blocks, 1, false, 0, 0},
        EncodedCase{"PngPalette", "out.png", "/usr/bin/convert blocks.png PNG8:out.png",
                    Source::Blocks, 1, false, 0, 0},
        EncodedCase{
            "PngGrey", "out.png",
            "/usr/bin/convert grey.png -define png:color-type=0 -define png:bit-depth=8 out.png",
            Source::Grey, 1, false, 0, 0},
        EncodedCase{"Png16Bit", "out.png",
                    "/usr/bin/convert blocks.png -depth 16 -define png:bit-depth=16 -define "
                    "png:color-type=2 out.png",
                    Source::Blocks, 1, false, 0, 0},
        EncodedCase{"PngInterlaced", "out.png",
                    "/usr/bin/convert blocks.png -interlace PNG out.png", Source::Blocks, 1, false,
                    0, 0},
        EncodedCase{"PngAlpha", "out.png",
                    "/usr/bin/convert alpha.png -define png:color-type=6 out.png", Source::Alpha, 1,
                    false, 0.5, 1},
        EncodedCase{"Png16BitAlphaInterlaced", "out.png",
                    "/usr/bin/convert alpha.png -depth 16 -define png:bit-depth=16 -interlace PNG "
                    "-define png:color-type=6 out.png",
                    Source::Alpha, 1, false, 0.5, 1},
        EncodedCase{"PngExifOrientation", "out.png", "cp blocks.png out.png", Source::Blocks, 6,
                    false, 0, 0, 6},
        EncodedCase{"PngProfile", "out.png",
                    "/usr/bin/convert blocks.png -profile " SWAP " out.png", Source::Blocks, 1,
                    true, 2, 8},
        EncodedCase{"WebpLossless", "out.webp", "cwebp -quiet -lossless blocks.png -o out.webp",
                    Source::Blocks, 1, false, 0, 0},
        EncodedCase{"WebpLossy", "out.webp", "cwebp -quiet -q 95 -sharp_yuv blocks.png -o out.webp",
                    Source::Blocks, 1, false, 6, 255},
        EncodedCase{"WebpAlpha", "out.webp", "cwebp -quiet -lossless alpha.png -o out.webp",
                    Source::Alpha, 1, false, 0.5, 1},
        EncodedCase{"WebpExifOrientation", "out.webp",
                    "cwebp -quiet -lossless blocks.png -o t.webp && webpmux -set exif exif6.bin "
                    "t.webp -o out.webp",
                    Source::Blocks, 6, false, 0, 0},
        EncodedCase{"WebpProfile", "out.webp",
                    "cwebp -quiet -lossless blocks.png -o t.webp && webpmux -set icc " SWAP
                    " t.webp -o out.webp",
                    Source::Blocks, 1, true, 2, 8},
        EncodedCase{"Heic8Bit", "out.heic", "heif-enc -q 95 blocks.png -o out.heic", Source::Blocks,
                    1, false, 8, 255},
        EncodedCase{"Heic10Bit", "out.heic",
                    "/usr/bin/convert blocks.png -depth 16 -define png:bit-depth=16 b16.png && "
                    "heif-enc -b 10 -q 95 b16.png -o out.heic",
                    Source::Blocks, 1, false, 8, 255},
        EncodedCase{"HeicAlpha", "out.heic", "heif-enc -q 95 alpha.png -o out.heic", Source::Alpha,
                    1, false, 8, 255},
        EncodedCase{"Avif8Bit", "out.avif", "avifenc -s 8 --min 0 --max 8 blocks.png out.avif",
                    Source::Blocks, 1, false, 8, 255},
        EncodedCase{"Avif10Bit", "out.avif",
                    "avifenc -s 8 -d 10 --min 0 --max 8 blocks.png out.avif", Source::Blocks, 1,
                    false, 8, 255},
        EncodedCase{"AvifTurned", "out.avif",
                    "avifenc -s 8 -y 444 --min 0 --max 8 --irot 1 blocks.png out.avif",
                    Source::Blocks, 8, false, 8, 255},
        EncodedCase{"AvifProfile", "out.avif",
                    "avifenc -s 8 -y 444 --min 0 --max 8 --icc " SWAP " blocks.png out.avif",
                    Source::Blocks, 1, true, 8, 255}),
    [](const auto& info) { return std::string(info.param.name); });

// Writes dir/t.heic: the block picture with a 32-pixel thumbnail stored
// beside it.
bool writeHeicWithThumbnail(TempDir& dir) {
    return blockSource().save(dir.file("blocks.png")) &&
           runTool(QStringLiteral("heif-enc"),
                   {QStringLiteral("-q"), QStringLiteral("95"), QStringLiteral("-t"),
                    QStringLiteral("32"), dir.file("blocks.png"), QStringLiteral("-o"),
                    dir.file("t.heic")});
}

// A thumbnail stored with a HEIF picture stands in for it when it covers
// the drawn size, and only then.
TEST(HeifThumbnail, UsedWhenAtLeastTheDrawnSize) {
    ColourTransformCache colours;
    TempDir dir;
    ASSERT_TRUE(writeHeicWithThumbnail(dir));
    HeifPicture picture(colours);
    picture.load(dir.file("t.heic"));
    ASSERT_EQ(QSize(picture.width(), picture.height()), QSize(64, 48));
    const struct {
        QSize target, decoded;
    } cases[] = {
        {{16, 12}, {32, 24}}, {{32, 24}, {32, 24}}, {{33, 25}, {64, 48}}, {{64, 48}, {64, 48}}};
    for (const auto& c : cases) {
        QImage canvas(c.target, QImage::Format_RGB32);
        picture.draw(canvas, canvas.rect());
        EXPECT_EQ(picture.lastDecodedSize(), c.decoded) << c.target.width();
        EXPECT_LE(difference(canvas, smoothScaled(blockSource(), c.target)).mean, 10);
    }
}

// A stored thumbnail that does not decode gives way to the picture itself.
TEST(HeifThumbnail, BrokenOneGivesWayToThePicture) {
    ColourTransformCache colours;
    TempDir dir;
    ASSERT_TRUE(writeHeicWithThumbnail(dir));
    // The thumbnail's coding parameters (its own hvcC property, the second)
    // emptied of their parameter sets.
    QByteArray bytes = readAll(dir.file("t.heic"));
    const qsizetype second = bytes.indexOf("hvcC", bytes.indexOf("hvcC") + 4);
    ASSERT_GT(second, 0);
    bytes[second + 4 + 22] = 0; // numOfArrays
    writeAll(dir.file("t.heic"), bytes);
    HeifPicture picture(colours);
    picture.load(dir.file("t.heic"));
    QImage canvas(16, 12, QImage::Format_RGB32);
    ASSERT_NO_THROW(picture.draw(canvas, canvas.rect()));
    EXPECT_EQ(picture.lastDecodedSize(), QSize(64, 48));
    EXPECT_LE(difference(canvas, smoothScaled(blockSource(), canvas.size())).mean, 10);
}

// The picture avifdec (libavif, its own colour conversion) gives for an
// AVIF file, chroma repeated as libheif repeats it, in 8 bits, composed
// over white as the viewer shows it.
// heif-convert's (libheif's own decoder and conversion) stands in where
// avifdec's fixed-point conversion is known to be coarse: BT.2020's blue
// factor does not fit it.
QImage decodedByTool(const QString& path, bool avifdec) {
    const QString png = path + QStringLiteral(".png");
    if (!(avifdec
              ? runTool(QStringLiteral("avifdec"),
                        {QStringLiteral("-u"), QStringLiteral("nearest"), QStringLiteral("-d"),
                         QStringLiteral("8"), path, png})
              : runTool(QStringLiteral("heif-convert"), {QStringLiteral("--quiet"), path, png})))
        return {};
    return overWhite(QImage(png).convertToFormat(QImage::Format_ARGB32));
}

// AVIF pictures go through our own AV1 decoder, which converts the colour
// itself: it must give what libavif's conversion gives, whatever the
// chroma layout, range, matrix and depth, and drawn through the planar
// path, what that picture gives reduced.
TEST(AvifDecoder, ConvertsColourAsTheReferenceDecodersDo) {
    ColourTransformCache colours;
    TempDir dir;
    // Smooth ramps and saturated blocks: every sample value, the corners
    // of the colour cube, chroma that changes from pixel to pixel.
    QImage source(96, 66, QImage::Format_ARGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y,
                            y < 22   ? qRgb(x * 255 / 95, 255 - x * 255 / 95, y * 11)
                            : y < 44 ? block(x * 2, y * 3)
                                     : qRgba(x & 1 ? 255 : 0, (x / 3) % 2 ? 255 : 0,
                                             (x / 7) % 2 ? 255 : 0, x * 2 + 60));
    ASSERT_TRUE(source.save(dir.file("src.png")));
    const struct {
        const char* name;
        const char* options;
        bool avifdec = true; // the reference decoder; else heif-convert
        // The container's colour property (nclx) patched to say another
        // matrix or range than the stream: the container's wins.
        int containerMatrix = -1;
        int containerFullRange = -1;
    } cases[] = {
        {"420", "-y 420"},
        {"422", "-y 422"},
        {"444", "-y 444"},
        {"400", "-y 400"},
        {"limited", "-y 420 -r limited"},
        {"bt709", "-y 444 --cicp 1/13/1"},
        // BT.709 primaries: no colour profile in the way.
        {"bt2020-matrix-limited", "-y 420 -r limited --cicp 1/13/9", false},
        {"identity", "-y 444 --cicp 1/13/0"},
        {"ycgco", "-y 444 --cicp 1/13/8"},
        {"10bit", "-y 420 -d 10"},
        {"container-matrix", "-y 444 --cicp 1/13/1", true, 6},
        // avifdec expands a range the container changes coarsely.
        {"container-range", "-y 420 --cicp 1/13/1", false, -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString out = dir.file(QStringLiteral("%1.avif").arg(QLatin1String(c.name)));
        ASSERT_TRUE(runTool(QStringLiteral("sh"),
                            {QStringLiteral("-c"),
                             QStringLiteral("avifenc -s 8 --min 0 --max 20 %1 '%2' '%3' >/dev/null")
                                 .arg(QLatin1String(c.options), dir.file("src.png"), out)}));
        if (c.containerMatrix >= 0 || c.containerFullRange >= 0) {
            QByteArray bytes = readAll(out);
            const qsizetype nclx = bytes.indexOf("colrnclx") + 8; // primaries, transfer, matrix
            ASSERT_GT(nclx, 8);
            if (c.containerMatrix >= 0)
                qToBigEndian<quint16>(quint16(c.containerMatrix), bytes.data() + nclx + 4);
            if (c.containerFullRange >= 0)
                bytes[nclx + 6] = char(c.containerFullRange << 7);
            writeAll(out, bytes);
        }
        const QImage expected = decodedByTool(out, c.avifdec);
        ASSERT_EQ(expected.size(), source.size());
        HeifPicture picture(colours);
        ASSERT_NO_THROW(picture.load(out));
        const Difference full = difference(picture.fullImage(), expected);
        EXPECT_GE(full.mean, 0);
        EXPECT_LE(full.max, 2);
        // Drawn reduced into a canvas of another format, through a scratch
        // image, and into a plain one.
        for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGB888}) {
            QImage canvas(60, 40, format);
            canvas.fill(Qt::black);
            picture.draw(canvas, QRect(6, 4, 48, 33));
            EXPECT_LE(difference(canvas.copy(6, 4, 48, 33).convertToFormat(QImage::Format_RGB32),
                                 smoothScaled(expected, {48, 33}))
                          .max,
                      3);
            EXPECT_EQ(canvas.pixel(5, 3), qRgb(0, 0, 0));
        }
    }
}

// A grid of many small tiles is decoded by a few single-threaded decoders
// kept from tile to tile, not by a decoder started (with its threads) for
// every tile; each tile still comes out right.
TEST(AvifDecoder, TilesShareDecoders) {
    ColourTransformCache colours;
    TempDir dir;
    QImage source(512, 512, QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y, block(x / 4, y / 4));
    ASSERT_TRUE(source.save(dir.file("src.png")));
    const QString out = dir.file("grid.avif");
    ASSERT_TRUE(runTool(QStringLiteral("sh"),
                        {QStringLiteral("-c"),
                         QStringLiteral("avifenc -s 8 -g 8x8 '%1' '%2' >/dev/null")
                             .arg(dir.file("src.png"), out)}));
    const QImage expected = decodedByTool(out, true);
    HeifPicture picture(colours);
    ASSERT_NO_THROW(picture.load(out));
    const std::uint64_t before = av1DecodersOpened();
    const QImage full = picture.fullImage();
    EXPECT_LE(av1DecodersOpened() - before, 1u); // 64 tiles
    EXPECT_LE(difference(full, expected).max, 2);
}

// Pictures of 10 and 12 bits are converted in integer arithmetic, straight
// from the decoders' 16-bit planes: they must give what the reference
// decoders give, whole and drawn reduced, turned or not.
TEST(DeepHeif, ConvertsColourAsTheReferenceDecodersDo) {
    ColourTransformCache colours;
    TempDir dir;
    QImage source(96, 66, QImage::Format_RGBX64);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixelColor(x, y,
                                 y < 33 ? QColor::fromRgba64(quint16(x * 689), quint16(65535 - x * 689),
                                                             quint16(y * 1985))
                                        : QColor(block(x * 2, y * 3)));
    ASSERT_TRUE(source.save(dir.file("src.png")));
    const struct {
        const char* name;
        const char* command; // IN, OUT
        int depth;
        bool avifdec; // the reference; else heif-convert
    } cases[] = {
        {"heic10", "heif-enc -b 10 -q 95 IN -o OUT", 10, false},
        {"heic12-444", "heif-enc -b 12 -q 95 -p chroma=444 IN -o OUT", 12, false},
        {"avif10", "avifenc -s 8 -d 10 --min 0 --max 8 IN OUT", 10, true},
        {"avif10-limited-bt709", "avifenc -s 8 -d 10 -r limited --cicp 1/13/1 IN OUT", 10, true},
        {"avif12-444", "avifenc -s 8 -d 12 -y 444 --min 0 --max 8 IN OUT", 12, true},
        {"avif10-400", "avifenc -s 8 -d 10 -y 400 IN OUT", 10, true},
        // avifdec leaves the turn undone.
        {"avif10-turned", "avifenc -s 8 -d 10 --irot 1 IN OUT", 10, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString out = dir.file(QStringLiteral("%1.%2").arg(
            QLatin1String(c.name), c.command[0] == 'a' ? QStringLiteral("avif") : QStringLiteral("heic")));
        QString command = QString::fromLatin1(c.command);
        command.replace(QStringLiteral("IN"), QStringLiteral("'%1'").arg(dir.file("src.png")));
        command.replace(QStringLiteral("OUT"), QStringLiteral("'%1'").arg(out));
        ASSERT_TRUE(runTool(QStringLiteral("sh"), {QStringLiteral("-c"), command + " >/dev/null"}));
        const QImage expected = decodedByTool(out, c.avifdec);
        HeifPicture picture(colours);
        ASSERT_NO_THROW(picture.load(out));
        EXPECT_EQ(picture.storedBitDepth(), c.depth);
        ASSERT_EQ(QSize(picture.width(), picture.height()), expected.size());
        EXPECT_LE(difference(picture.fullImage(), expected).max, 3);
        QImage canvas(60, 80, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        const QRect target(QPoint(2, 3), expected.size() / 2);
        picture.draw(canvas, target);
        EXPECT_LE(difference(canvas.copy(target), smoothScaled(expected, target.size())).max, 3);
        EXPECT_EQ(canvas.pixel(1, 2), qRgb(0, 0, 0));
    }
}

// A 10-bit HEIC written through libheif's encoder, its display turned by
// orientation (EXIF numbering; libheif stores it as a rotation property).
bool writeDeepHeic(const QImage& source, const QString& path, const char* chroma,
                   heif_orientation orientation) {
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    heif_encoding_options* options = heif_encoding_options_alloc();
    bool ok =
        heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code ==
            heif_error_Ok &&
        heif_encoder_set_lossy_quality(encoder, 95).code == heif_error_Ok &&
        heif_encoder_set_parameter(encoder, "chroma", chroma).code == heif_error_Ok &&
        heif_image_create(source.width(), source.height(), heif_colorspace_RGB,
                          heif_chroma_interleaved_RRGGBB_LE, &image)
                .code == heif_error_Ok &&
        heif_image_add_plane(image, heif_channel_interleaved, source.width(), source.height(), 10)
                .code == heif_error_Ok;
    if (ok) {
        int stride = 0;
        uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < source.height(); ++y) {
            auto* out = reinterpret_cast<quint16*>(plane + qsizetype(stride) * y);
            for (int x = 0; x < source.width(); ++x) {
                const QRgba64 p = source.pixelColor(x, y).rgba64();
                out[3 * x] = qToLittleEndian<quint16>(p.red() >> 6);
                out[3 * x + 1] = qToLittleEndian<quint16>(p.green() >> 6);
                out[3 * x + 2] = qToLittleEndian<quint16>(p.blue() >> 6);
            }
        }
        options->image_orientation = orientation;
        ok = heif_context_encode_image(context, image, encoder, options, nullptr).code ==
                 heif_error_Ok &&
             heif_context_write_to_file(context, path.toLocal8Bit().constData()).code ==
                 heif_error_Ok;
    }
    heif_encoding_options_free(options);
    if (image)
        heif_image_release(image);
    if (encoder)
        heif_encoder_release(encoder);
    heif_context_free(context);
    return ok;
}

// Deep HEVC pictures are drawn from the decoder's YCbCr planes, converted
// here, their turn made on the drawn picture: drawn at their own size, they
// must give what libheif's conversion (the whole picture) gives, whatever
// the chroma layout and turn.
TEST(DeepHeif, DrawnFromPlanesAsLibheifConvertsThem) {
    ColourTransformCache colours;
    TempDir dir;
    QImage source(96, 66, QImage::Format_RGBX64);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixelColor(x, y,
                                 y < 33 ? QColor::fromRgba64(quint16(x * 689),
                                                             quint16(65535 - x * 689),
                                                             quint16(y * 1985))
                                        : QColor(block(x * 2, y * 3)));
    const struct {
        const char* name;
        const char* chroma;
        heif_orientation orientation;
    } cases[] = {
        {"420", "420", heif_orientation_normal},
        {"422", "422", heif_orientation_normal},
        {"444", "444", heif_orientation_normal},
        {"420-turned-right", "420", heif_orientation_rotate_90_cw},
        {"444-turned-left", "444", heif_orientation_rotate_270_cw},
        {"420-upside-down", "420", heif_orientation_rotate_180},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.file(QStringLiteral("%1.heic").arg(QLatin1String(c.name)));
        ASSERT_TRUE(writeDeepHeic(source, path, c.chroma, c.orientation));
        HeifPicture picture(colours);
        ASSERT_NO_THROW(picture.load(path));
        EXPECT_EQ(picture.storedBitDepth(), 10);
        const bool turned = c.orientation == heif_orientation_rotate_90_cw ||
                            c.orientation == heif_orientation_rotate_270_cw;
        const QSize size = turned ? source.size().transposed() : source.size();
        ASSERT_EQ(QSize(picture.width(), picture.height()), size);
        const QImage expected = picture.fullImage();
        ASSERT_EQ(expected.size(), size);
        QImage canvas(size + QSize(4, 4), QImage::Format_RGB32);
        canvas.fill(Qt::black);
        picture.draw(canvas, QRect(QPoint(2, 2), size));
        EXPECT_EQ(picture.lastDecodedSize(), size);
        const Difference d = difference(canvas.copy(QRect(QPoint(2, 2), size)), expected);
        EXPECT_GE(d.mean, 0);
        EXPECT_LE(d.mean, 0.5);
        EXPECT_LE(d.max, 2);
        EXPECT_EQ(canvas.pixel(1, 1), qRgb(0, 0, 0));
    }
}

// The 64 x 64 tiles of a 10-bit HEIC grid, each cut from the source and
// written by libheif's encoder. Empty when one cannot be written.
std::vector<heicgrid::Tile> deepTiles(const QImage& source, int rows, int columns,
                                      const TempDir& dir) {
    std::vector<heicgrid::Tile> tiles;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const QString path = dir.file(QStringLiteral("tile%1-%2.heic").arg(r).arg(c));
            if (!writeDeepHeic(source.copy(c * 64, r * 64, 64, 64), path, "420",
                               heif_orientation_normal))
                return {};
            const std::optional<heicgrid::Tile> tile = heicgrid::tileOf(readAll(path));
            if (!tile)
                return {};
            tiles.push_back(*tile);
        }
    return tiles;
}

QImage deepGridSource() {
    QImage source(128, 128, QImage::Format_RGBX64);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixelColor(x, y,
                                 y < 64 ? QColor::fromRgba64(quint16(x * 516),
                                                             quint16(65535 - y * 516),
                                                             quint16((x + y) * 258))
                                        : QColor(block(x, y)));
    return source;
}

// Deep HEIC grids, as cameras and phones write them, are drawn tile by tile
// from the decoders' planes: drawn at their own size, cropped to the grid's
// canvas and turned, they give what libheif's composition and conversion
// of the whole gives.
TEST(DeepHeif, GridDrawnTileByTileAsLibheifComposesIt) {
    ColourTransformCache colours;
    TempDir dir;
    const QImage source = deepGridSource();
    const std::vector<heicgrid::Tile> tiles = deepTiles(source, 2, 2, dir);
    ASSERT_EQ(tiles.size(), 4u);
    for (const int turns : {0, 1, 2}) {
        SCOPED_TRACE(turns);
        const QString path = dir.file(QStringLiteral("grid%1.heic").arg(turns));
        writeAll(path, heicgrid::grid(tiles, 2, 2, 120, 100, turns));
        HeifPicture picture(colours);
        ASSERT_NO_THROW(picture.load(path));
        EXPECT_EQ(picture.storedBitDepth(), 10);
        const QSize size = turns & 1 ? QSize(100, 120) : QSize(120, 100);
        ASSERT_EQ(QSize(picture.width(), picture.height()), size);
        const QImage expected = picture.fullImage();
        // libheif placed the tiles where the source has them (quarter turns
        // anticlockwise as EXIF orientations).
        const int orientation[] = {1, 8, 3};
        const QImage upright = turnedUpright(
            source.copy(0, 0, 120, 100).convertToFormat(QImage::Format_RGB32), orientation[turns]);
        EXPECT_LE(difference(expected, upright).mean, 2);
        QImage canvas(size + QSize(4, 4), QImage::Format_RGB32);
        canvas.fill(Qt::black);
        const std::uint64_t before = hevcPicturesConverted();
        picture.draw(canvas, QRect(QPoint(2, 2), size));
        EXPECT_EQ(hevcPicturesConverted() - before, 4u);
        EXPECT_EQ(picture.lastDecodedSize(), size);
        const Difference d = difference(canvas.copy(QRect(QPoint(2, 2), size)), expected);
        EXPECT_GE(d.mean, 0);
        EXPECT_LE(d.mean, 0.5);
        EXPECT_LE(d.max, 2);
        EXPECT_EQ(canvas.pixel(1, 1), qRgb(0, 0, 0));
        EXPECT_EQ(canvas.pixel(size.width() + 2, size.height() + 2), qRgb(0, 0, 0));
    }
}

// A 10-bit grid the fuzzer made, one byte changed in a tile's stream:
// libheif's HEVC decoder fails on that tile after making its picture and
// releasing it again, which the grid's decode once released a second time.
const char kGridWithAFailingTile[] =
    "AAAAGGZ0eXBoZWljAAAAAG1pZjFoZWljAAADpW1ldGEAAAAAAAAAIWhkbHIAAAAAAAAAAHBpY3QAAAAAAAAAAAAAAAAAAAAA"
    "DnBpdG0AAAAAAAEAAAB3aWluZgAAAAAABQAAABVpbmZlAgAAAAABAABncmlkAAAAABVpbmZlAgAAAQACAABodmMxAAAAABVp"
    "bmZlAgAAAQADAABodmMxAAAAABVpbmZlAgAAAQAEAABodmMxAAAAABVpbmZlAgAAAQAFAABodmMxAAAAACBpcmVmAAAAAAAA"
    "ABRkaW1nAAEABAACAAMABAAFAAACfWlwcnAAAAJEaXBjbwAAABRpc3BlAAAAAAAAAHgAAABkAAAAdmh2Y0MBBAgAAAAAAAAA"
    "AAAe8AD8/fr6AAAPAyAAAQAXQAEMAf//BAgAAAMAnbgAAAMAAB66AkAhAAEAKkIBAQQIAAADAJ24AAADAAAeoCCBBNlupJKa"
    "5uBAQMCAAAADAIAAAAMAhCIAAQAHRAHBcrAiQAAAABRpc3BlAAAAAAAAAEAAAABAAAAAdmh2Y0MBBAgAAAAAAAAAAAAe8AD8"
    "/fr6AAAPAyAAAQAXQAEMAf//BAgAAAMAnbgAAAMAAB66AkAhAAEAKkIBAQQIAAADAJ24AAADAAAeoCCBBNlupJKa5uBAQMCA"
    "AAADAIAAAAMAhCIAAQAHRAHBcrAiQAAAABRpc3BlAAAAAAAAAEAAAABAAAAAdmh2Y0MBBAgAAAAAAAAAAAAe8AD8/fr6AAAP"
    "AyAAAQAXQAEMAf//BAgAAAMAnbgAAAMAAB66AkAhAAEAKkIBAQQIAAADAJ24AAADAAAeoCCBBFlupJKa5uBAQMCAAAADAIAA"
    "AAMAhCIAAQAHRAHBcrAiQAAAABRpc3BlAAAAAAAAAEAAAABAAAAAdmh2Y0MBBAgAAAAAAAAAAAAe8AD8/fr6AAAPAyAAAQAX"
    "QAEMAf//BAgAAAMAnbgAAAMAAB66AkAhAAEAKkIBAQQIAAADAJ24AAADAAAeoCCBBNlupJKa5uBAQMCAAAADAIAAAAMAhCIA"
    "AQAHRAHBcrAiQAAAABRpc3BlAAAAAAAAAEAAAABAAAAAMWlwbWEAAAABAAAABQABAQABAAICgAIAAwADAoAEAAUABAKABgAH"
    "AAUCgAgACQAAAFZpbG9jAAAAAEQAAAUAAQAAAAEAAAPFAAAACAACAAAAAQAAA80AAAFuAAMAAAABAAAFOwAAATcABAAAAAEA"
    "AAZyAAABXwAFAAAAAQAAB9EAAAFpAAAFfW1kYXQAAAEBAHgAZAAAAWooAa8TgJV7GwaybBRKlH5aSwqVwDoNzvtYXBAh+Elc"
    "XcRbf3jDsLbptLnrrNg5jC95spXjyNdp7cXChLBuD7dbrXef+JtJgYH9XPDt6/z2RL//LTawUv7U3KIzCuxavgvC/hU2X9y7"
    "CsWxOb6dxTDZnz+Jb2WFNsEA08OnfWXeF4Q7FNhbqQ/NMVKk8JZbDJeInsLxg7aqwsYoeO3LyxDyS1LbXGXzSwNLTvkz7uDH"
    "12O/lyQ8Chm6A7Dt8phuj88oDvQjkKXM4916+Fp9fCQQEYYOyI6AcHLmXsXws4UfOMP51dqAy5lpasswQecv7STfUzs8q4YW"
    "gkGAAHIm1iXnHrbBtMNfPLAa6A/+eApHmgRrfAnf6IfI19DoUgccDRqJjJSJHzAR+m/hbDjF7ts9/2XMJQNAL7Y5WyE23jsa"
    "BU63hbzb2eSNupDKx8CK4kyigmODJqHRq4kcQ8myXcvVPdpdLsYjrzVQIAAAATMoAa8TgGdyaWSExcbpay6uGd82iNUXtziN"
    "Fv95hrubc15DfQRf+L9OCylqyeK+XCurmDK/XwrZDAG9o+8agrUWXTPueLwSnHP/vEdwzBs9YanqCv/tG5T2LwNXzXNNS5DG"
    "8YnMKWcSst0eW5ixfnFMWFZdTzKmNTt6pZJMcKqm5nKIxi/kvlvTJXgPPuZLukfd5OThmNow4oed/WwJd5b+IKthdVVBtR3d"
    "WLr6yfrZrEBxD3bNTbcgyV2LBIK6zj9jLl9re1Lp5cBwqVA9LzjxzffYJTT2aUxGptIJR2Hx3rAgnpaP/AmbWKv9GGGCAJKA"
    "nKTIee9pDAxVMP6O1vNV0QG9G9tanzn9k+at6R18MiWpA1Pc1WTYk/+Odbynmg+rwfOj51/Oxq5aGbw7StfaTW9MAAABWygB"
    "rxOAm806JVgeEygWpLeEaiFpJfg0xc9F/rkYUYDJAO8nDKpvCQ/h3qpqHmTdRsiasc5o3i/552DTpE2/ZiZVHn8z0WcoiakX"
    "VpQW5hA4o4VRnHRP4e0Nuehs/tDXaQUzmYuCRitthHCDd8c2aYYY6N99MO4uDdz6QmeW11q5J1IF45hAYu1P9/fMvn7VE5tv"
    "0kjmIYLoqLJqavj5ZR16EdM58mOvHCXqCsi6O9eeC6t7MzZ/Uo4e++bplf0wLIxxq5S7d8plSCtvaBtAofccbTek2AW3x3yB"
    "1Hnq9WCnOFBt+pW7vDs9m8AsSl8cv0jJkeucrfg1xGp2g8MXTs1Hx479Nxa0ZyW4HAlHdF+xRrs2Eyl9aiVpfyrIRPQ+QYEW"
    "/EQ+C7T/StwYe+HSaT77DMxCuWFYkSDFflCdh5On1wQAHuKr1jcsWHWvklhfc7oJ5T9YjwC6/uM1wAAAAWUoAa8TgJpDeRLz"
    "GCUFZWoSajRcZAOKpEJM+NYTbV33ybzCxInGHJNDsqscxsg2P+4EgJzhSyT/XlufmxCAzpoKT+ZasvBQ/oEziQL94/36R/Tt"
    "1yDf+fd4DDHMRaIv+kKTK6CPquQ6sUIJBqv8q4A6tNjXRUVFjcZP02zdZnDcmQLGMtU+r08IS0DGBehe+/QDN+fIjdPJSPbW"
    "9NwF1/5gNFk3enCSDhPm2GkAvfWnA3PCFygmHQZm2msChNkwHpsEO0T9rvC8hNPS5M+49jduZw9FVqq1dKmizjgfG7hmPKtS"
    "4I0IHEjnNRQ4wqdc2H77pOT6+EmnnViIpBtB2dscx7MvKvt2nVdK/LFTyW5z2hsHskl+VGK4or8LdQiNYWEl10MalFx3MEhd"
    "qXI6UUDpiPuSUjM/gXY4qLf9U2/9aTN47Mo4yNsI/qy4FDkYfDN2rjNgjn4yZjWTngftHpjUwSax78A=";

// A grid that is not as it claims, or whose tile does not decode, is left
// to libheif: drawn as libheif draws it, or failing as libheif fails, with
// nothing of it on the canvas.
TEST(DeepHeif, BrokenGridLeftToLibheif) {
    ColourTransformCache colours;
    TempDir dir;
    const std::vector<heicgrid::Tile> tiles = deepTiles(deepGridSource(), 2, 2, dir);
    ASSERT_EQ(tiles.size(), 4u);
    const QByteArray good = heicgrid::grid(tiles, 2, 2, 120, 100);
    const qsizetype description = good.indexOf("mdat") + 4;
    std::vector<heicgrid::Tile> cut = tiles, garbled = tiles, wider = tiles;
    cut[3].data.truncate(cut[3].data.size() / 2);
    garbled[3].data.fill('\0');
    const QString wide = dir.file("wide.heic");
    ASSERT_TRUE(
        writeDeepHeic(deepGridSource().copy(0, 0, 96, 64), wide, "420", heif_orientation_normal));
    const std::optional<heicgrid::Tile> wideTile = heicgrid::tileOf(readAll(wide));
    ASSERT_TRUE(wideTile);
    wider[1] = *wideTile;
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"claims-3-rows", QByteArray(good).replace(description + 2, 1, "\x02")},
        {"tile-of-another-size", heicgrid::grid(wider, 2, 2, 120, 100)},
        {"last-tile-cut-short", heicgrid::grid(cut, 2, 2, 120, 100)},
        {"last-tile-garbled", heicgrid::grid(garbled, 2, 2, 120, 100)},
        {"tile-decode-fails", QByteArray::fromBase64(kGridWithAFailingTile)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.file(QStringLiteral("%1.heic").arg(QLatin1String(c.name)));
        writeAll(path, c.bytes);
        HeifPicture picture(colours);
        ASSERT_NO_THROW(picture.load(path));
        QImage canvas(124, 104, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        const QRect target(2, 2, 120, 100);
        try {
            picture.draw(canvas, target);
        } catch (const Failure&) {
            EXPECT_EQ(canvas.pixel(60, 50), qRgb(0, 0, 0)); // nothing drawn
            EXPECT_THROW(picture.fullImage(), Failure);
            continue;
        }
        const QImage expected = picture.fullImage();
        EXPECT_LE(difference(canvas.copy(target), expected).max, 2);
    }
}

// A HEIC the fuzzer made whose primary picture is an identity of an item
// that is no picture: libheif aborts the program on it.
const char kIdentityOfNoPicture[] =
    "AAAAGGZ0eXBoZWljAAAAAG1pZjFoZWljAAABrW1ldGEAAAAAAAAAIWhkbHIAAAAAAAAAAHBpY3QAAAAAAAAAAAAAAAAAAAAA"
    "DnBpdG0AAAAAAAIAAAAQaWRhdAAAAAAADQAHAAAAOGlsb2MBAAAAREAAAgABAAAAAAAAAc0AAQAAAAAAAACGAAIAAQAAAAAA"
    "AAABAAAAAAAAAAgAAAA4aWluZgAAAAAAAgAAABVpbmZlAgAAAQABAABodmOxAAAAABVpbmZlAgAAAAACAABpZGVuAAAAANhp"
    "cHJwAAAAtmlwY28AAAB2aHZjQwEDcAAAAAAAAAAAAB7wAPz9+PgAAA8DIAABABhAAQwB//8DcAAAAwCQAAADAAADAB66AkAh"
    "AAEAKkIBAQNwAAADAJAAAAMAAAMAHqAggQWW6q6a5uBAQMCAAAADAIAAAAMAhCIAAQAGRAHBc8GJAAAAFGlzcGUAAAAA+v8A"
    "QAAAAEAAAAAUaXNwZQAAAAAAAAANAAAABwAAABBwaXhpAAAAAAMICAgAAAAaaXBtYQAAAAAAAAACAAECgQIAAgIDhAAAABpp"
    "cmVmAAAAAAAAAA5kaW1nAAIAAQABAAAAjm1kAQEDcAAAAwCQAAADAAADAB6gIIEFluqumubgQEDAgAAAAwCAAAADAIQiAAEA"
    "BkQBwXPBiQAAABRpc3BlAAAAAPr/AEAAAABAAF3IAvRGGWlPq5MeeFBz05pY8TFzmlkeG5ZYUypHy06KdU3QWIWAmiq/tKoG"
    "XB+gApEd+++LWzHqr8nSuY8OcA==";

// Files that are not what their names say, cut short, or claiming a
// picture far beyond the memory limit: each fails with its format's text,
// at load or at the first draw, and quickly.
TEST(BrokenFormatPicture, FailsWithTheFormatsText) {
    ColourTransformCache colours;
    TempDir dir;
    ASSERT_TRUE(blockSource().save(dir.file("blocks.png")));
    ASSERT_TRUE(runTool(QStringLiteral("sh"),
                        {QStringLiteral("-c"),
                         QStringLiteral("cd '%1' && cwebp -quiet -q 80 blocks.png -o ok.webp && "
                                        "heif-enc -q 50 blocks.png -o ok.heic && "
                                        "avifenc -s 8 blocks.png ok.avif >/dev/null && "
                                        "/usr/bin/convert blocks.png -scale '128x64!' wide.png && "
                                        "avifenc -s 8 -g 2x1 wide.png grid.avif >/dev/null && "
                                        "avifenc -s 8 -d 10 -g 2x1 wide.png grid10.avif >/dev/null")
                             .arg(dir.path())}));
    const QByteArray png = readAll(dir.file("blocks.png"));
    const QByteArray webp = readAll(dir.file("ok.webp"));
    const QByteArray heic = readAll(dir.file("ok.heic"));
    const QByteArray avif = readAll(dir.file("ok.avif"));
    // The 2 x 1 grid of 128 x 64 with its canvas claiming w x h; its size
    // property still says 128 x 64.
    const auto gridClaiming = [&](const char* file, quint16 w, quint16 h) {
        QByteArray b = readAll(dir.file(file));
        const qsizetype at = b.indexOf(QByteArray("\0\0\0\x01\0\x80\0\x40", 8));
        if (at >= 0) {
            qToBigEndian(w, b.data() + at + 4);
            qToBigEndian(h, b.data() + at + 6);
        }
        return b;
    };
    struct Case {
        const char* name;
        QByteArray bytes;
        const QString& text;
    } cases[] = {
        {"text.png", "not a picture at all", text::kBadPng},
        {"webp-content.png", webp, text::kBadPng},
        {"cut.png", png.left(png.size() / 2), text::kBadPng},
        {"png-content.webp", png, text::kBadWebp},
        {"cut.webp", webp.left(webp.size() / 2), text::kBadWebp},
        {"empty.webp", {}, text::kBadWebp},
        {"png-content.heic", png, text::kBadHeif},
        {"cut.heic", heic.left(heic.size() / 2), text::kBadHeif},
        {"cut.avif", avif.left(avif.size() * 2 / 3), text::kBadHeif},
        {"heic-content.avif", heic.left(40), text::kBadHeif},
        // A grid canvas of 65535 x 65535: libheif's own limit refuses it
        // when it is not loosened.
        {"grid-65535.avif", gridClaiming("grid.avif", 65535, 65535), text::kBadHeif},
        // 14000 x 14000 fits the limit at 4 bytes a pixel, not as three
        // planes of 10-bit samples.
        {"grid-10bit.avif", gridClaiming("grid10.avif", 14000, 14000), text::kBadHeif},
        {"identity-of-no-picture.heic", QByteArray::fromBase64(kIdentityOfNoPicture), text::kBadHeif},
        // Claiming far more than the memory limit, with almost no data:
        // refused before anything is allocated.
        {"huge.png", claimingPng(100000, 100000), text::kBadPng},
        {"over-limit.png", claimingPng(16384, 16385), text::kBadPng},
        // Within the limit, but the data ends at once: the first row fails.
        {"large.png", claimingPng(16384, 16384), text::kBadPng},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.file(QString::fromUtf8(c.name));
        writeAll(path, c.bytes);
        QElapsedTimer timer;
        timer.start();
        try {
            auto picture = loadPictureObject(path, colours);
            QImage canvas(64, 64, QImage::Format_RGB32);
            picture->draw(canvas, QRect(0, 0, 64, 48));
            picture->fullImage();
            ADD_FAILURE() << "no failure";
        } catch (const Failure& f) {
            EXPECT_EQ(f.message(), c.text.arg(path)); // naming the file
        }
        EXPECT_LT(timer.elapsed(), 5000);
    }
}

// A PNG or WebP file cut short shows the rows decoded before the cut, as a
// cut JPEG does, and still fails with its format's message: the rows
// reached are opaque and right, those below transparent. An interlaced PNG
// whose first pass is whole has every row, coarsely.
TEST(CutFormatPicture, ShowsTheRowsDecodedAndFails) {
    ColourTransformCache colours;
    TempDir dir;
    // Noise, so that the compressed data runs evenly down the picture.
    QImage source(256, 192, QImage::Format_RGB32);
    quint32 state = 7;
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            source.setPixel(x, y, qRgb(x, y, int(state >> 24) % 64 + 96));
        }
    ASSERT_TRUE(source.save(dir.file("src.png"), "PNG", 100));
    const struct {
        const char* name;
        const char* command; // writes out.* from src.png
        double cut;          // the share of the file kept; below 0: that many
                             // thousand bytes of the first IDAT chunk
        bool everyRow;       // every row reached
        int tolerance;       // per sample, on the rows reached
        int exif = 1;        // a PNG's eXIf orientation, put in before the cut
    } cases[] = {
        {"out.png", "cp src.png out.png", 0.5, false, 0},
        // Turned: the rows go through a scratch image, put on the canvas
        // after the failure.
        {"out.png", "cp src.png out.png", 0.5, false, 0, 6},
        {"out.png", "/usr/bin/convert src.png -interlace PNG out.png", 0.6, true, 255},
        // Inside the first pass, one row in eight.
        {"out.png", "/usr/bin/convert src.png -interlace PNG out.png", -1.5, false, 255},
        {"out.webp", "cwebp -quiet -q 95 src.png -o out.webp", 0.5, false, 40},
        {"out.webp", "cwebp -quiet -lossless src.png -o out.webp", 0.5, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " cut to " + std::to_string(c.cut));
        ASSERT_TRUE(
            runTool(QStringLiteral("sh"),
                    {QStringLiteral("-c"),
                     QStringLiteral("cd '%1' && %2").arg(dir.path(), QLatin1String(c.command))}));
        const QString path = dir.file(QLatin1String(c.name));
        QByteArray whole = readAll(path);
        if (c.exif != 1)
            whole = withPngChunk(whole, "eXIf", exifBlock(c.exif));
        writeAll(path,
                 whole.left(c.cut > 0 ? qsizetype(whole.size() * c.cut)
                                      : whole.indexOf("IDAT") + 4 + qsizetype(-c.cut * 1000)));
        const DecodedPicture p = decodePicture(colours, path, uprightSize(source.size(), c.exif));
        ASSERT_EQ(p.state(), DecodedPicture::State::DrawFailed);
        EXPECT_EQ(p.failureText(),
                  (QByteArray(c.name).endsWith(".png") ? text::kBadPng : text::kBadWebp).arg(path));
        // Turned back as stored (orientation 6 turned it a quarter clockwise).
        const QImage img =
            c.exif == 6 ? p.image().transformed(QTransform().rotate(-90)) : p.image();
        ASSERT_EQ(img.size(), source.size());
        // The rows reached come first, each whole; the others are untouched.
        int reached = 0;
        while (reached < img.height() && qAlpha(img.pixel(0, reached)) == 255)
            ++reached;
        for (int y = 0; y < img.height(); ++y)
            for (const int x : {0, img.width() / 2, img.width() - 1})
                ASSERT_EQ(qAlpha(img.pixel(x, y)), y < reached ? 255 : 0) << x << "," << y;
        if (c.everyRow) {
            EXPECT_EQ(reached, img.height());
        } else {
            EXPECT_GT(reached, 0);
            EXPECT_LT(reached, img.height());
        }
        if (reached > 0 && c.tolerance < 255) {
            const QImage top =
                img.copy(0, 0, img.width(), reached).convertToFormat(QImage::Format_RGB32);
            EXPECT_LE(difference(top, source.copy(0, 0, img.width(), reached)).max, c.tolerance);
        }
    }
}

#ifdef Q_OS_LINUX
// A number the kernel keeps for this process: the field of a /proc/self file.
qint64 procField(const char* file, const QByteArray& field) {
    QFile f(QString::fromLatin1(file));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// The most resident memory the call added, in MiB: the kernel's high-water
// mark, reset before it.
qint64 peakGrowthMiB(const std::function<void()>& call) {
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (!reset.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || reset.write("5", 1) != 1)
        return -1;
    reset.close();
    const qint64 before = procField("/proc/self/status", "VmRSS");
    call();
    return (procField("/proc/self/status", "VmHWM") - before) / 1024;
}

// An animation shows its first frame on its canvas, over white: a small
// frame on a vast canvas is decoded alone and placed at the drawn size, at
// the cost of the drawn size rather than the canvas's.
TEST(AnimatedWebp, FirstFrameLandsOnItsCanvasAtTheDrawnSize) {
    ColourTransformCache colours;
    TempDir dir;
    QImage solid(512, 256, QImage::Format_ARGB32);
    solid.fill(qRgba(200, 40, 20, 255));
    const QImage blocks = alphaSource().copy(0, 0, 32, 24);
    const struct {
        const char* name;
        QSize canvas;
        const QImage& frame;
        QPoint at;
        QSize drawn;
        int tolerance;
    } cases[] = {
        {"own size", {64, 48}, blocks, {16, 8}, {64, 48}, 0},
        {"half", {64, 48}, blocks, {16, 8}, {32, 24}, 2},
        // 8192 x 8192 x 4 bytes (256 MiB) for the canvas alone; the frame
        // lands on 4 x 2 drawn pixels.
        {"vast canvas", {8192, 8192}, solid, {4096, 2048}, {64, 64}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.file(QStringLiteral("anim.webp"));
        writeAll(path, testlib::animatedWebp(c.canvas, c.frame, c.at));
        std::unique_ptr<PictureObject> picture;
        ASSERT_NO_THROW(picture = loadPictureObject(path, colours));
        EXPECT_EQ(QSize(picture->width(), picture->height()), c.canvas);
        QImage canvas(c.drawn, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        const qint64 peak = peakGrowthMiB([&] { picture->draw(canvas, canvas.rect()); });
        EXPECT_GE(peak, 0);
        EXPECT_LT(peak, 32);
        // White, with the frame over white where it lands.
        const double sx = double(c.drawn.width()) / c.canvas.width(),
                     sy = double(c.drawn.height()) / c.canvas.height();
        const QRect landed(QPoint(qRound(c.at.x() * sx), qRound(c.at.y() * sy)),
                           QSize(qRound(c.frame.width() * sx), qRound(c.frame.height() * sy)));
        QImage expected(c.drawn, QImage::Format_RGB32);
        expected.fill(Qt::white);
        QPainter(&expected).drawImage(landed.topLeft(),
                                      smoothScaled(overWhite(c.frame), landed.size()));
        EXPECT_LE(difference(canvas, expected).max, c.tolerance);
    }
}

// The bytes read to load and draw a picture file, as the kernel counts them.
qint64 bytesReadFor(const std::function<void()>& call) {
    const qint64 before = procField("/proc/self/io", "rchar");
    call();
    return procField("/proc/self/io", "rchar") - before;
}

// A PNG, WebP or HEIF file is read as far as its format needs it and no further:
// not past the picture into a hole, not on into a file that does not start
// as its format, not after image data that claims more than the picture
// can need.
TEST(FormatFileReading, StopsWhereTheFormatNeedsNoMore) {
    ColourTransformCache colours;
    TempDir dir;
    ASSERT_TRUE(blockSource().save(dir.file("blocks.png")));
    ASSERT_TRUE(runTool(QStringLiteral("cwebp"), {QStringLiteral("-quiet"), dir.file("blocks.png"),
                                                  QStringLiteral("-o"), dir.file("ok.webp")}));
    const QByteArray png = readAll(dir.file("blocks.png")), webp = readAll(dir.file("ok.webp"));
    ASSERT_TRUE(runTool(QStringLiteral("sh"),
                        {QStringLiteral("-c"),
                         QStringLiteral("cd '%1' && heif-enc -q 50 -t 32 blocks.png -o ok.heic && "
                                        "avifenc -s 8 blocks.png ok.avif >/dev/null")
                             .arg(dir.path())}));
    const QByteArray heic = readAll(dir.file("ok.heic")), avif = readAll(dir.file("ok.avif"));
    QByteArray claiming = png;
    const qsizetype idat = claiming.indexOf("IDAT") - 4;
    ASSERT_GT(idat, 0);
    qToBigEndian<quint32>(0x7FFFFFFF, claiming.data() + idat);
    // A WebP whose RIFF size and picture chunk claim nearly 4 GiB.
    QByteArray claimingWebp = webp;
    qToLittleEndian<quint32>(0xFFFFFFF0u, claimingWebp.data() + 4);
    qToLittleEndian<quint32>(0xFFFFFFE0u, claimingWebp.data() + 16);
    constexpr qint64 kHole = qint64(3) << 30;
    const struct {
        const char* name;
        QByteArray bytes;
        qint64 size; // extended with a hole to this size
        bool shown;
    } cases[] = {
        {"hole.png", png, kHole, true},
        {"hole.webp", webp, kHole, true},
        {"text.png", QByteArray(1 << 20, 'x'), 0, false},
        {"text.webp", QByteArray("RIFX") + QByteArray(1 << 20, 'x'), 0, false},
        {"hole.heic", heic, kHole, true},
        {"hole.avif", avif, kHole, true},
        {"text.heic", QByteArray(1 << 20, 'x'), 0, false},
        // Its image data claims 2 GiB, then the hole: refused as cut short.
        {"claiming.png", claiming, kHole, false},
        // Its sizes claim nearly 4 GiB, then the hole: read as far as its
        // 64 x 48 picture can need, and shown.
        {"claiming.webp", claimingWebp, kHole, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.file(QLatin1String(c.name));
        writeAll(path, c.bytes);
        if (c.size) {
            ASSERT_TRUE(QFile::resize(path, c.size));
        }
        bool shown = false;
        const qint64 read = bytesReadFor([&] {
            try {
                auto picture = loadPictureObject(path, colours);
                QImage canvas(64, 48, QImage::Format_RGB32);
                picture->draw(canvas, canvas.rect());
                shown = true;
            } catch (const Failure&) {
            }
        });
        EXPECT_EQ(shown, c.shown);
        EXPECT_GE(read, 0);
        EXPECT_LT(read, 256 << 10);
    }
}
#endif

TEST(FormatWindow, AlbumOfTodaysFormatsShowsEachPicture) {
    test::TempDir src;
    const struct {
        const char* name;
        QRgb colour;
        const char* command; // writes OUT from in.png
    } pictures[] = {{"a.png", 0xFFE02010, "pngcrush -q in.png OUT"},
                    {"b.webp", 0xFF20C040, "cwebp -quiet -q 90 in.png -o OUT"},
                    {"c.heic", 0xFF3050E0, "heif-enc -q 90 in.png -o OUT"}};
    test::LibraryWindow h;
    auto album = h.lib.album("");
    for (const auto& p : pictures) {
        QImage img(40, 30, QImage::Format_RGB32);
        img.fill(p.colour);
        ASSERT_TRUE(img.save(src.file("in.png")));
        const QString out = src.file(QString::fromUtf8(p.name));
        ASSERT_TRUE(
            runTool(QStringLiteral("sh"),
                    {QStringLiteral("-c"),
                     QStringLiteral("cd '%1' && %2")
                         .arg(src.path(), QString::fromUtf8(p.command).replace("OUT", out))}));
        album.file(QString::fromUtf8(p.name), readAll(out));
    }
    test::FailureRecorder failures;
    h.create();
    EXPECT_EQ(h.bookEntries(), QStringList{QStringLiteral("%1").arg(3, 10) + kRootAlbumLabel});
    EXPECT_EQ(h.fileEntries(), (QStringList{"3a", "3b", "3c"}));
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(pictures[i].name);
        h.w().session().pick(i);
        EXPECT_EQ(h.parts().imgView->size(), QSize(40, 30));
        EXPECT_FALSE(h.parts().imgView->isHidden());
        const QRgb seen = h.parts().imgView->bitmap().pixel(20, 15), want = pictures[i].colour;
        EXPECT_LE(std::abs(qRed(seen) - qRed(want)) + std::abs(qGreen(seen) - qGreen(want)) +
                      std::abs(qBlue(seen) - qBlue(want)),
                  12)
            << std::hex << seen;
    }
    EXPECT_TRUE(failures.messages.isEmpty()) << failures.messages.join(';').toStdString();
}

} // namespace
} // namespace soru
