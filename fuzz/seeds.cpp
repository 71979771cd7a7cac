// Writes the seed corpora of the fuzz targets from the test-library
// generator: one folder per target under the folder given.
//   soru_fuzz_seeds OUT  ->  OUT/jpeg OUT/bitmap OUT/png OUT/webp OUT/heif
//                            OUT/memo OUT/folder_names
// The PNG, WebP and HEIF seeds come from Qt's PNG writer and the encoders
// Debian ships (ImageMagick, cwebp, webpmux, heif-enc, avifenc); a missing
// encoder leaves its seeds out.
#include "tests/media/formats/heic_grid.h"
#include "tools/testlib/icc_jpeg.h"
#include "tools/testlib/jpeg_variants.h"
#include "tools/testlib/testlib.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <vector>

using namespace soru::testlib;

namespace {

class Corpus {
public:
    Corpus(const QString& root, const char* name) : folder_(QDir(root).filePath(name)) {
        QDir(folder_).removeRecursively();
        makeFolder(folder_);
    }
    void add(const QString& name, const QByteArray& bytes) {
        writeFile(QDir(folder_).filePath(name), bytes);
        ++count_;
    }
    int count() const { return count_; }

private:
    QString folder_;
    int count_ = 0;
};

// Small sizes keep the inputs short, which the mutations favour; odd ones
// leave partial blocks, padded rows and half-filled bytes.
struct Size {
    int w, h;
};
constexpr Size kSizes[] = {{1, 1}, {13, 7}, {40, 30}, {3, 65}};

QString sizeName(Size s) {
    return QStringLiteral("%1x%2").arg(s.w).arg(s.h);
}

void writeBroken(Corpus& jpeg, Corpus& bitmap) {
    for (const BrokenInfo& info : brokenKinds()) {
        const QByteArray bytes = brokenBytes(info.kind);
        const QString name = QString::fromLatin1(info.name);
        if (info.reader != Reader::Bitmap)
            jpeg.add(name, bytes);
        if (info.reader != Reader::Jpeg)
            bitmap.add(name, bytes);
    }
}

void writePictures(Corpus& jpeg, Corpus& bitmap) {
    quint32 seed = 1;
    for (const Size s : kSizes) {
        const Scene scene = kAllScenes[seed % std::size(kAllScenes)];
        const QImage picture = makePicture(s.w, s.h, scene, seed++);
        for (const JpegKind kind : kAllJpegKinds)
            jpeg.add(QStringLiteral("%1-%2").arg(QLatin1String(jpegKindName(kind)), sizeName(s)),
                     encodeJpeg(picture, kind, 75));
        for (const BmpKind kind : kAllBmpKinds)
            bitmap.add(QStringLiteral("%1-%2").arg(QLatin1String(bmpKindName(kind)), sizeName(s)),
                       encodeBmp(picture, kind));
    }
    // Four components, an EXIF orientation, damage after the picture data.
    const QImage small = makePicture(13, 7, Scene::Tiles, 9);
    QByteArray cmyk(13 * 7 * 4, Qt::Uninitialized);
    for (int i = 0; i < cmyk.size(); ++i)
        cmyk[i] = char(i * 37);
    jpeg.add(QStringLiteral("cmyk-13x7"), encodeCmykJpeg(cmyk, 13, 7, CmykKind::Cmyk, 75));
    jpeg.add(QStringLiteral("ycck-13x7"), encodeCmykJpeg(cmyk, 13, 7, CmykKind::Ycck, 75));
    jpeg.add(QStringLiteral("exif-orientation-6-13x7"), encodeJpegWithOrientation(small, 6));
    // ICC profiles (lcms's own sRGB-like profile is small and complete;
    // the CMYK one is a real table-based profile when it is installed).
    for (const char* profile : {"/usr/share/color/icc/colord/SwappedRedAndGreen.icc",
                                "/usr/share/color/icc/ghostscript/default_cmyk.icc"}) {
        QFile f(QString::fromLatin1(profile));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray icc = f.readAll();
        const bool isCmyk = QByteArray(profile).contains("cmyk");
        jpeg.add(QStringLiteral("icc-%1-13x7").arg(isCmyk ? "cmyk" : "rgb"),
                 withIccProfile(isCmyk ? encodeCmykJpeg(cmyk, 13, 7, CmykKind::Cmyk, 75)
                                       : encodeJpeg(small, JpegKind::Baseline, 75),
                                icc));
        if (!isCmyk) {
            BitmapColour colour;
            colour.profile = icc;
            bitmap.add(QStringLiteral("v5-icc-13x7.bmp"), encodeV5Bitmap(small, colour));
        }
    }
    // Calibrated endpoints: sRGB's primaries as chromaticities.
    BitmapColour calibrated;
    calibrated.type = 0;
    const double srgb[3][3] = {{0.64, 0.33, 0.03}, {0.30, 0.60, 0.10}, {0.15, 0.06, 0.79}};
    std::copy(&srgb[0][0], &srgb[0][0] + 9, &calibrated.endpoints[0][0]);
    std::fill(calibrated.gamma, calibrated.gamma + 3, 2.2);
    bitmap.add(QStringLiteral("v5-calibrated-13x7.bmp"), encodeV5Bitmap(small, calibrated));
    jpeg.add(QStringLiteral("trailer-second-frame-13x7"),
             jpegWithTrailer(small, JpegKind::Baseline, JpegTrailer::SecondFrameHeader));
    // Data for 13 x 7 pixels under headers claiming 640 x 480.
    jpeg.add(QStringLiteral("claimed-640x480-baseline"),
             withClaimedSize(encodeJpeg(small, JpegKind::Baseline, 75), 640, 480));
    jpeg.add(QStringLiteral("claimed-640x480-progressive"),
             withClaimedSize(encodeJpeg(small, JpegKind::Progressive, 75), 640, 480));
}

// The output of `program args` run in dir, read from dir/out; empty when the
// tool is missing or fails.
QByteArray encoded(const QTemporaryDir& dir, const QString& command, const QString& out) {
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start(QStringLiteral("sh"), {QStringLiteral("-c"), command + QStringLiteral(" >/dev/null 2>&1")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    QFile f(dir.filePath(out));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeModernPictures(Corpus& png, Corpus& webp, Corpus& heif) {
    QTemporaryDir dir;
    const QImage small = makePicture(13, 7, Scene::Tiles, 9);
    QImage alpha = small.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < alpha.height(); ++y)
        for (int x = 0; x < alpha.width(); ++x)
            alpha.setPixel(x, y, (alpha.pixel(x, y) & 0xFFFFFF) | (quint32(x * 19) << 24));
    small.save(dir.filePath(QStringLiteral("in.png")));
    alpha.save(dir.filePath(QStringLiteral("alpha.png")));
    const QByteArray exif("MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0", 26);
    QFile e(dir.filePath(QStringLiteral("exif.bin")));
    if (e.open(QIODevice::WriteOnly))
        e.write(exif);
    e.close();
    const auto add = [&](Corpus& corpus, const char* name, const char* command, const char* out) {
        const QByteArray bytes = encoded(dir, QString::fromLatin1(command), QString::fromLatin1(out));
        if (!bytes.isEmpty())
            corpus.add(QString::fromLatin1(name), bytes);
    };
    const char* swap = "/usr/share/color/icc/colord/SwappedRedAndGreen.icc";
    add(png, "rgb-13x7.png", "cp in.png o.png", "o.png");
    add(png, "alpha-13x7.png", "cp alpha.png o.png", "o.png");
    add(png, "palette-13x7.png", "/usr/bin/convert in.png PNG8:o.png", "o.png");
    add(png, "grey-13x7.png", "/usr/bin/convert in.png -colorspace Gray -define png:color-type=0 o.png", "o.png");
    add(png, "grey2-13x7.png", "/usr/bin/convert in.png -colorspace Gray -depth 2 -define png:color-type=0 o.png", "o.png");
    add(png, "rgb16-alpha-interlaced-13x7.png",
        "/usr/bin/convert alpha.png -depth 16 -define png:bit-depth=16 -interlace PNG o.png", "o.png");
    add(png, "icc-13x7.png", (QByteArray("/usr/bin/convert in.png -profile ") + swap + " o.png").constData(), "o.png");
    add(webp, "lossy-13x7.webp", "cwebp -q 75 in.png -o o.webp", "o.webp");
    add(webp, "lossless-alpha-13x7.webp", "cwebp -lossless alpha.png -o o.webp", "o.webp");
    add(webp, "lossy-alpha-13x7.webp", "cwebp -q 50 alpha.png -o o.webp", "o.webp");
    add(webp, "exif-icc-13x7.webp",
        (QByteArray("cwebp -q 75 in.png -o t.webp && webpmux -set exif exif.bin t.webp -o u.webp && "
                    "webpmux -set icc ") + swap + " u.webp -o o.webp").constData(), "o.webp");
    add(webp, "animated-13x7.webp",
        "cwebp -q 50 in.png -o a.webp && cwebp -lossless alpha.png -o b.webp && "
        "webpmux -frame a.webp +100 -frame b.webp +100+2+2 -loop 0 -o o.webp", "o.webp");
    add(heif, "8bit-13x7.heic", "heif-enc -q 50 in.png -o o.heic", "o.heic");
    add(heif, "alpha-thumb-13x7.heic", "heif-enc -q 50 -t 8 alpha.png -o o.heic", "o.heic");
    add(heif, "10bit-13x7.avif",
        "/usr/bin/convert in.png -depth 16 -define png:bit-depth=16 i16.png && avifenc -s 10 -d 10 i16.png o.avif", "o.avif");
    add(heif, "turned-icc-13x7.avif",
        (QByteArray("avifenc -s 10 --irot 1 --imir 0 --icc ") + swap + " in.png o.avif").constData(), "o.avif");
    add(heif, "grid-2x1-128x64.avif",
        "/usr/bin/convert in.png -scale '128x64!' g.png && avifenc -s 10 -g 2x1 g.png o.avif", "o.avif");
    // 10-bit HEIC: a single picture (heif-enc wraps small ones, 64 x 48
    // among them, in a grid of one tile) and a 2 x 2 grid of 64 x 64 tiles
    // cropped to 120 x 100, put together from pictures heif-enc wrote.
    const char* deep = "/usr/bin/convert in.png -scale '%1!' -depth 16 -define png:bit-depth=16 %2";
    add(heif, "10bit-96x66.heic",
        (QString::fromLatin1(deep).arg(QStringLiteral("96x66"), QStringLiteral("d.png")) +
         QStringLiteral(" && heif-enc -b 10 -q 50 d.png -o o.heic"))
            .toLatin1()
            .constData(),
        "o.heic");
    std::vector<soru::heicgrid::Tile> tiles;
    for (int i = 0; i < 4; ++i) {
        const QByteArray tile = encoded(
            dir,
            QString::fromLatin1(deep).arg(QStringLiteral("128x128"), QStringLiteral("g.png")) +
                QStringLiteral(" && /usr/bin/convert g.png -crop 64x64+%1+%2 +repage -depth 16 "
                               "-define png:bit-depth=16 t.png && heif-enc -b 10 -q 50 t.png -o "
                               "t.heic")
                    .arg(i % 2 * 64)
                    .arg(i / 2 * 64),
            QStringLiteral("t.heic"));
        if (const std::optional<soru::heicgrid::Tile> t = soru::heicgrid::tileOf(tile))
            tiles.push_back(*t);
    }
    if (tiles.size() == 4)
        heif.add(QStringLiteral("10bit-grid-2x2-120x100.heic"),
                 soru::heicgrid::grid(tiles, 2, 2, 120, 100));
    // A thumbnail that does not decode: its hvcC (the second) without parameter sets.
    QByteArray thumbed = encoded(dir, QStringLiteral("heif-enc -q 50 -t 8 in.png -o o.heic"),
                                 QStringLiteral("o.heic"));
    const qsizetype thumbConfig = thumbed.indexOf("hvcC", thumbed.indexOf("hvcC") + 4);
    if (thumbConfig > 0) {
        thumbed[thumbConfig + 4 + 22] = 0; // numOfArrays
        heif.add(QStringLiteral("broken-thumb-13x7.heic"), thumbed);
    }
}

// Files made to cost memory or reading: a frame far smaller than its
// animation's canvas, a profile that inflates past libpng's limit or up to
// it, a picture followed by zeros (a hole, short here), image data that
// claims more than the file holds.
void writeCostlyPictures(Corpus& png, Corpus& webp) {
    const QImage small = makePicture(13, 7, Scene::Tiles, 9);
    QByteArray p;
    QBuffer buffer(&p);
    buffer.open(QIODevice::WriteOnly);
    if (!small.save(&buffer, "PNG"))
        throw std::runtime_error("cannot write a PNG");
    webp.add(QStringLiteral("anim-1x1-on-16384.webp"),
             animatedWebp({16384, 16384}, small.copy(0, 0, 1, 1), {8190, 4094}));
    webp.add(QStringLiteral("anim-13x7-on-1024.webp"), animatedWebp({1024, 1024}, small, {500, 2}));
    for (const int mib : {32, 8}) {
        QByteArray profile(132, '\0');
        qToBigEndian<quint32>(quint32(mib) << 20, profile.data());
        profile[8] = 2;
        profile.replace(12, 4, "mntr").replace(16, 4, "RGB ").replace(20, 4, "XYZ ");
        profile.replace(36, 4, "acsp");
        // Zeros after the header: 8 KiB that inflate to 8 MiB.
        profile.append(QByteArray((8 << 20) - 132, '\0'));
        constexpr int afterHeader = 8 + 8 + 13 + 4;
        png.add(QStringLiteral("iccp-inflating-%1mib.png").arg(mib),
                p.left(afterHeader) +
                    pngChunk("iCCP", QByteArray("p\0\0", 3) + qCompress(profile, 9).mid(4)) +
                    p.mid(afterHeader));
    }
    png.add(QStringLiteral("hole-after-13x7.png"), p + QByteArray(4096, '\0'));
    QByteArray claiming = p;
    qToBigEndian<quint32>(0x7FFFFFFF, claiming.data() + claiming.indexOf("IDAT") - 4);
    png.add(QStringLiteral("idat-claims-2gib-13x7.png"), claiming + QByteArray(4096, '\0'));
}

void writeMemos(Corpus& memo) {
    const Memo sample = sampleMemo();
    memo.add(QStringLiteral("sample.rtf"), rtfMemoBytes(sample));
    memo.add(QStringLiteral("short.rtf"),
             rtfMemoBytes(Memo{QStringLiteral("旅行"), {QStringLiteral("<b>海</b>と<em>山</em>")}}));
    const QString texts[] = {
        rtfPlainText(sample),
        QStringLiteral("一行目\r\n二行目\r三行目\nend\x1A"),
        QStringLiteral("ascii only\ttab"),
    };
    int n = 0;
    for (const QString& text : texts) {
        for (const TextEncoding encoding : kAllTextEncodings) {
            QByteArray bytes;
            try {
                bytes = encodeText(text, encoding);
            } catch (const std::runtime_error&) {
                continue; // a character Shift-JIS cannot hold
            }
            memo.add(QStringLiteral("text%1-%2.txt")
                         .arg(n)
                         .arg(QLatin1String(textEncodingName(encoding))),
                     bytes);
        }
        ++n;
    }
    // Memos cut short: inside a character, inside a group.
    memo.add(QStringLiteral("cut-in-a-character.txt"), rtfPlainText(sample).toUtf8().chopped(1));
    const QByteArray rtf = rtfMemoBytes(sample);
    memo.add(QStringLiteral("cut-in-a-group.rtf"), rtf.left(rtf.size() * 2 / 3));
}

// Entries as fuzz_folder_names reads them: a kind byte, then the name;
// entries separated by "/". Kinds: 0 file, 1 folder, 2 link to ".",
// 3 dangling link, 4 self link, 5 FIFO, 6 closed folder, 7 link to the
// entry before; +8 puts the entry into the last folder.
struct Entry {
    char kind;
    QByteArray name;
};

QByteArray entries(std::initializer_list<Entry> list) {
    QByteArray out;
    for (const Entry& e : list) {
        if (!out.isEmpty())
            out += '/';
        out += e.kind;
        out += e.name;
    }
    return out;
}

void writeFolderNames(Corpus& names) {
    const QByteArray sets[] = {
        entries({{0, "a.jpg"}, {0, "B.JPG"}, {0, "c.jpe"}, {0, "d.jpeg"}, {0, "e.bmp"},
                 {0, "f.txt"}}),
        entries({{1, "album"}, {8, "x.jpg"}, {8, "y.BMP"}, {1, ".hidden"}, {8, "z.jpg"},
                 {0, ".h.jpg"}}),
        entries({{1, "\xff\xfe album"}, {8, "\x80.jpg"}, {0, "\xe6\x97\x85.jpeg"},
                 {0, "\xc3(.bmp"}}),
        entries({{2, "self"}, {3, "gone.jpg"}, {4, "loop.jpg"}, {5, "pipe.jpg"}, {6, "closed"},
                 {14, "in.jpg"}, {7, "again.bmp"}}),
        entries({{1, "jpg"}, {1, "a.jpg"}, {9, "b.jpg"}, {0, ".jpg"}, {0, "-rf.jpg"},
                 {0, "a b\n\"'.jpg"}, {0, QByteArray(251, 'n') + ".jpg"}}),
    };
    int n = 0;
    for (const QByteArray& set : sets)
        names.add(QStringLiteral("names%1").arg(n++), set);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const QString out = QFile::decodeName(argv[1]);
    try {
        Corpus jpeg(out, "jpeg"), bitmap(out, "bitmap"), memo(out, "memo"),
            names(out, "folder_names"), png(out, "png"), webp(out, "webp"), heif(out, "heif");
        writeBroken(jpeg, bitmap);
        writePictures(jpeg, bitmap);
        writeModernPictures(png, webp, heif);
        writeCostlyPictures(png, webp);
        writeMemos(memo);
        writeFolderNames(names);
        std::printf("seeds: jpeg %d, bitmap %d, png %d, webp %d, heif %d, memo %d, folder_names %d\n",
                    jpeg.count(), bitmap.count(), png.count(), webp.count(), heif.count(),
                    memo.count(), names.count());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
