// Presenting today's formats at screen size, against each format's own
// command-line decoder on the same file:
//   HEIC 4032 x 3024 (heif-enc)  / heif-convert to .y4m
//   AVIF 4032 x 3024 (avifenc)   / avifdec to .y4m
//   HEIC10, AVIF10: the same at 10 bits a sample (heif-convert writes 8)
//   HEIC10GRID: HEIC10 as cameras and phones store it, a grid of 512 x 512
//               tiles (each written by heif-enc, put together here)
//   WebP 6000 x 4000 (cwebp)     / dwebp -yuv
// The viewer's figure is decodePicture() for the view of a 1024 x 768 and
// of a 3840 x 2160 screen: reading the file, decoding, reducing to the
// fitted size, the RGB pixels ready to paint. Each tool writes its
// cheapest output, the decoded samples as they are (no colour conversion,
// no compression), into a file in the scratch folder (tmpfs or page
// cache). The tools' times include starting a process; that start-up is
// timed too, on a 64 x 64 file of the same format, and a second ratio is
// given against the tool's time less it. Goal: viewer / decoder <= 1.2.
// Medians of interleaved runs. --smoke: one run of every format at a
// quarter of the size, to see that it all still runs (the figures of such
// small pictures say little). SORU_BENCH_KEEP=DIR keeps the encoded files
// there and reuses them on the next run (encoding takes minutes). Names
// on the command line (HEIC, AVIF, HEIC10, HEIC10GRID, AVIF10, WebP) time only those formats.
#include "core/layout.h"
#include "media/colour/colour_management.h"
#include "media/formats/decoded_picture.h"
#include "tests/media/formats/heic_grid.h"
#include "tools/testlib/testlib.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace {

constexpr int kRuns = 7;

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s %s failed: %s\n", qPrintable(program), qPrintable(args.join(' ')),
                     p.readAll().constData());
        return false;
    }
    return true;
}

double ms(const std::function<void()>& fn) {
    const auto t0 = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Format {
    const char* name;
    QSize size;
    const char* file;
    // The encoder's arguments before the input, between it and the output.
    QString encoder;
    QStringList before, between;
    // The decoder; "IN" and "OUT" stand for the files.
    QString decoder;
    QStringList decodeArgs;
    const char* output;
    // The same with the decoder's threads on every core (none for
    // heif-convert, which has no such option).
    QStringList threadedArgs;
    // Encoded from 16-bit samples at this depth (0: from 8-bit ones).
    int depth = 0;
    // Encoded as a grid of tiles of this size, one encoder run each (none:
    // one picture).
    int tile = 0;
};

QStringList substituted(QStringList args, const QString& in, const QString& out) {
    for (QString& a : args) {
        if (a == QLatin1String("IN"))
            a = in;
        else if (a == QLatin1String("OUT"))
            a = out;
    }
    return args;
}

// Encodes a photo of the size into path unless a file is there already.
bool encode(const Format& f, QSize size, const QString& path, const QDir& scratch) {
    if (QFile::exists(path) && QFile(path).size() > 0)
        return true;
    const QString png = scratch.filePath(QStringLiteral("source.png"));
    QImage photo = soru::testlib::makePhotoLike(size.width(), size.height());
    if (f.depth > 8)
        photo.convertTo(QImage::Format_RGBX64); // 16-bit samples, so the deep encoding has them
    // Quality 100: stored without compression, quick to write and read.
    if (!photo.save(png, "PNG", 100))
        return false;
    QStringList before = f.before;
    if (f.depth > 8)
        before += {f.encoder == QLatin1String("heif-enc") ? QStringLiteral("-b")
                                                          : QStringLiteral("-d"),
                   QString::number(f.depth)};
    if (f.tile <= 0 || size.width() <= f.tile) {
        const bool ok = run(f.encoder, before + QStringList{png} + f.between + QStringList{path});
        QFile::remove(png);
        return ok;
    }
    QFile::remove(png);
    // The tiles; those past the photo's right and bottom edges are filled
    // out with black, which the grid's canvas crops away.
    const int columns = (size.width() + f.tile - 1) / f.tile,
              rows = (size.height() + f.tile - 1) / f.tile;
    const QImage padded = photo.copy(0, 0, columns * f.tile, rows * f.tile);
    std::vector<soru::heicgrid::Tile> tiles;
    const QString tilePng = scratch.filePath(QStringLiteral("tile.png")),
                  tileHeic = scratch.filePath(QStringLiteral("tile.heic"));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            if (!padded.copy(c * f.tile, r * f.tile, f.tile, f.tile).save(tilePng, "PNG", 100) ||
                !run(f.encoder, before + QStringList{tilePng} + f.between + QStringList{tileHeic}))
                return false;
            QFile t(tileHeic);
            const std::optional<soru::heicgrid::Tile> tile =
                t.open(QIODevice::ReadOnly) ? soru::heicgrid::tileOf(t.readAll()) : std::nullopt;
            if (!tile)
                return false;
            tiles.push_back(*tile);
        }
    QFile::remove(tilePng);
    QFile::remove(tileHeic);
    QFile out(path);
    return out.open(QIODevice::WriteOnly) &&
           out.write(soru::heicgrid::grid(tiles, rows, columns, quint32(size.width()),
                                          quint32(size.height()))) > 0;
}

} // namespace

int main(int argc, char** argv) {
    soru::ColourTransformCache colours;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QTemporaryDir temp;
    const bool keep = qEnvironmentVariableIsSet("SORU_BENCH_KEEP");
    const QString root = keep ? qEnvironmentVariable("SORU_BENCH_KEEP") : temp.path();
    QDir().mkpath(root);
    const QDir dir(root);
    QTemporaryDir outputs(QDir(QStringLiteral("/dev/shm")).exists()
                              ? QStringLiteral("/dev/shm/soru-fmt-XXXXXX")
                              : QDir::tempPath() + QStringLiteral("/soru-fmt-XXXXXX"));

    Format formats[] = {
        {"HEIC",
         {4032, 3024},
         "photo.heic",
         QStringLiteral("heif-enc"),
         {QStringLiteral("-q"), QStringLiteral("50")},
         {QStringLiteral("-o")},
         QStringLiteral("heif-convert"),
         {QStringLiteral("--quiet"), QStringLiteral("IN"), QStringLiteral("OUT")},
         "out.y4m",
         {}},
        {"AVIF",
         {4032, 3024},
         "photo.avif",
         QStringLiteral("avifenc"),
         {QStringLiteral("-j"), QStringLiteral("all"), QStringLiteral("-s"), QStringLiteral("8"),
          QStringLiteral("-y"), QStringLiteral("420"), QStringLiteral("--min"),
          QStringLiteral("10"), QStringLiteral("--max"), QStringLiteral("20")},
         {},
         QStringLiteral("avifdec"),
         {QStringLiteral("IN"), QStringLiteral("OUT")},
         "out.y4m",
         {QStringLiteral("-j"), QStringLiteral("all"), QStringLiteral("IN"),
          QStringLiteral("OUT")}},
        {"HEIC10",
         {4032, 3024},
         "photo10.heic",
         QStringLiteral("heif-enc"),
         {QStringLiteral("-q"), QStringLiteral("50")},
         {QStringLiteral("-o")},
         QStringLiteral("heif-convert"),
         {QStringLiteral("--quiet"), QStringLiteral("IN"), QStringLiteral("OUT")},
         "out.y4m",
         {},
         10},
        {"HEIC10GRID",
         {4032, 3024},
         "photo10grid.heic",
         QStringLiteral("heif-enc"),
         {QStringLiteral("-q"), QStringLiteral("50")},
         {QStringLiteral("-o")},
         QStringLiteral("heif-convert"),
         {QStringLiteral("--quiet"), QStringLiteral("IN"), QStringLiteral("OUT")},
         "out.y4m",
         {},
         10,
         512},
        {"AVIF10",
         {4032, 3024},
         "photo10.avif",
         QStringLiteral("avifenc"),
         {QStringLiteral("-j"), QStringLiteral("all"), QStringLiteral("-s"), QStringLiteral("8"),
          QStringLiteral("-y"), QStringLiteral("420"), QStringLiteral("--min"),
          QStringLiteral("10"), QStringLiteral("--max"), QStringLiteral("20")},
         {},
         QStringLiteral("avifdec"),
         {QStringLiteral("IN"), QStringLiteral("OUT")},
         "out.y4m",
         {QStringLiteral("-j"), QStringLiteral("all"), QStringLiteral("IN"), QStringLiteral("OUT")},
         10},
        {"WebP",
         {6000, 4000},
         "photo.webp",
         QStringLiteral("cwebp"),
         {QStringLiteral("-quiet"), QStringLiteral("-q"), QStringLiteral("80")},
         {QStringLiteral("-o")},
         QStringLiteral("dwebp"),
         {QStringLiteral("IN"), QStringLiteral("-yuv"), QStringLiteral("-o"),
          QStringLiteral("OUT")},
         "out.yuv",
         {QStringLiteral("IN"), QStringLiteral("-mt"), QStringLiteral("-yuv"), QStringLiteral("-o"),
          QStringLiteral("OUT")}},
    };
    const QSize screens[] = {{1024, 768}, {3840, 2160}};

    QStringList chosen = app.arguments().mid(1);
    const bool smoke = chosen.removeAll(QStringLiteral("--smoke")) > 0;
    const int runs = smoke ? 1 : kRuns;
    if (smoke)
        for (Format& f : formats)
            f.size = QSize(f.size.width() / 8 * 2, f.size.height() / 8 * 2);
    const auto skipped = [&](const Format& f) {
        return !chosen.isEmpty() && !chosen.contains(QLatin1String(f.name), Qt::CaseInsensitive);
    };
    std::printf("encoding the photos (once with SORU_BENCH_KEEP)...\n");
    std::fflush(stdout);
    for (const Format& f : formats) {
        if (skipped(f))
            continue;
        const QString path = dir.filePath(QString::fromLatin1(f.file));
        const QString tiny = dir.filePath(QStringLiteral("tiny-") + QString::fromLatin1(f.file));
        if (!encode(f, f.size, path, dir) || !encode(f, QSize(64, 64), tiny, dir))
            return 1;
        const soru::DecodedPicture check = soru::decodePicture(colours, path, {1024, 721});
        if (check.failed() || check.width() != f.size.width() ||
            check.height() != f.size.height()) {
            std::fprintf(stderr, "%s: the viewer cannot decode %s\n", f.name, f.file);
            return 1;
        }
        std::printf("%s %d x %d: %.2f MB\n", f.name, f.size.width(), f.size.height(),
                    QFile(path).size() / 1e6);
    }

    std::printf("\nmedian of %d interleaved runs, ms\n", runs);
    std::printf("%-10s %10s %10s %10s %10s %12s %12s %14s\n", "", "decoder", "start-up",
                "view 1024", "view 3840", "ratio 1024", "ratio 3840", "less start-up");
    for (const Format& f : formats) {
        if (skipped(f))
            continue;
        const QString path = dir.filePath(QString::fromLatin1(f.file));
        const QString tiny = dir.filePath(QStringLiteral("tiny-") + QString::fromLatin1(f.file));
        const QString out = outputs.filePath(QString::fromLatin1(f.output));
        std::vector<double> tool, threaded, startup, view[2];
        bool ok = true;
        for (int r = 0; r < runs && ok; ++r) {
            tool.push_back(
                ms([&] { ok = ok && run(f.decoder, substituted(f.decodeArgs, path, out)); }));
            if (!f.threadedArgs.isEmpty())
                threaded.push_back(
                    ms([&] { ok = ok && run(f.decoder, substituted(f.threadedArgs, path, out)); }));
            startup.push_back(
                ms([&] { ok = ok && run(f.decoder, substituted(f.decodeArgs, tiny, out)); }));
            for (int s = 0; s < 2; ++s) {
                const QSize box = soru::computeMainLayout(screens[s]).pnlMain.size();
                view[s].push_back(ms([&] { soru::decodePicture(colours, path, box); }));
            }
        }
        QFile::remove(out);
        if (!ok)
            return 1;
        const double t = median(tool), st = median(startup), v0 = median(view[0]),
                     v1 = median(view[1]);
        std::printf("%-10s %10.1f %10.1f %10.1f %10.1f %12.2f %12.2f %7.2f %6.2f\n", f.name, t, st,
                    v0, v1, v0 / t, v1 / t, v0 / (t - st), v1 / (t - st));
        if (!threaded.empty()) {
            const double tt = median(threaded);
            std::printf("%-10s %10.1f %10s %10s %10s %12.2f %12.2f   (the decoder with %s)\n", "",
                        tt, "", "", "", v0 / tt, v1 / tt,
                        qPrintable(f.threadedArgs.first() == QLatin1String("-j")
                                       ? QStringLiteral("-j all")
                                       : QStringLiteral("-mt")));
        }
        std::fflush(stdout);
    }
    std::printf("\nratio = viewer / decoder (goal <= 1.2); \"less start-up\": the same against the "
                "decoder's\n"
                "time less its start-up on a 64 x 64 file, at 1024 and at 3840. The viewer decodes "
                "AVIF with\n"
                "dav1d on every core and WebP with libwebp's filter thread; the second line of "
                "those formats\n"
                "gives the decoder the same.\n");
    return 0;
}
