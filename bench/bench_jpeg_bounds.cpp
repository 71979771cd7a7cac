// A thumbnail page of 24 tiny JPEG files whose headers claim 16384 x 16384
// pixels (16 x 16 pixels of data each), drawn as the thumbnail sheet draws
// its cells, against the same cells decoded the way libjpeg does by itself
// (every row of the picture decoded from the missing data):
//   (a) our page / the page decoded to the end       (the gain; goal well below 0.1)
//   (b) our page / 2 s                               (goal <= 1)
//   (c) our page / the page of the same files with their true 16 x 16 header
// for a baseline and a progressive file. The decode to the end is measured
// on one cell and counted 24 times (a page of it takes a minute).
//   soru_bench_jpeg_bounds [rounds]     (default 3; 1 for a smoke run)
#include "core/thumbnail_grid.h"
#include "media/colour/colour_management.h"
#include "media/formats/jpeg_decoder.h"
#include "media/formats/picture_factory.h"
#include "media/formats/scaling.h"
#include "tools/testlib/jpeg_variants.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

constexpr int kCells = 24;
constexpr int kClaimed = 16384;
constexpr double kGoalSeconds = 2.0;

using soru::testlib::JpegKind;

double seconds(const std::function<void()>& fn) {
    const auto t0 = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double bestOf(int rounds, const std::function<void()>& fn) {
    double best = 1e30;
    for (int r = 0; r < rounds; ++r)
        best = std::min(best, seconds(fn));
    return best;
}

const soru::ThumbGrid& grid() {
    static const soru::ThumbGrid g = soru::thumbnailGrid(1024, 721, 16);
    return g;
}

QRect cellRect(int i, int w, int h) {
    const soru::ThumbGrid& g = grid();
    return soru::thumbnailRect(g, i % g.cols, (i / g.cols) % g.rows, w, h);
}

// The page as the sheet draws it: both objects per cell, the JPEG one
// loads and draws.
void drawPage(soru::ColourTransformCache& colours, const QStringList& paths, QImage& page) {
    for (int i = 0; i < paths.size(); ++i) {
        auto jpeg = soru::makePictureObject(soru::PictureKind::Jpeg, colours);
        auto bitmap = soru::makePictureObject(soru::PictureKind::Bitmap, colours);
        jpeg->load(paths[i]);
        jpeg->draw(page, cellRect(i, jpeg->width(), jpeg->height()));
    }
}

// One cell with libjpeg decoding every row.
void drawCellToTheEnd(const QByteArray& bytes, QImage& page) {
    const soru::JpegHeader h = soru::readJpegHeader(bytes);
    const QRect target = cellRect(0, h.width, h.height);
    const int d = soru::jpegScaleDenominator(QSize(h.width, h.height), target.size());
    soru::drawSmoothScaled(page, target, soru::decodeJpeg(bytes, d, soru::JpegDataEnd::DecodeAll));
}

QStringList writeFiles(const QString& dir, const char* stem, JpegKind kind, bool claim) {
    QStringList paths;
    for (int i = 0; i < kCells; ++i) {
        const QImage picture =
            soru::testlib::makePicture(16, 16, soru::testlib::Scene::Landscape, quint32(i));
        QByteArray bytes = soru::testlib::encodeJpegWith(picture, {.kind = kind});
        if (claim)
            bytes = soru::testlib::withClaimedSize(bytes, kClaimed, kClaimed);
        paths << QStringLiteral("%1/%2-%3.jpg").arg(dir, QLatin1String(stem)).arg(i);
        soru::testlib::writeFile(paths.last(), bytes);
    }
    return paths;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        QFile::setPermissions(runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    }
    QGuiApplication app(argc, argv);
    soru::ColourTransformCache colours;
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    QTemporaryDir dir;
    QImage page(1024, 721, QImage::Format_RGB32);
    page.fill(Qt::white);

    std::printf("thumbnail page of %d cells (%d x %d each), files of 16 x 16 pixels claiming "
                "%d x %d; best of %d rounds\n",
                kCells, grid().thumbWidth, grid().thumbHeight, kClaimed, kClaimed, rounds);
    for (const auto& [name, kind] :
         {std::pair{"baseline", JpegKind::Baseline}, std::pair{"progressive", JpegKind::Progressive}}) {
        const QStringList claimed = writeFiles(dir.path(), name, kind, true);
        const QStringList honest = writeFiles(dir.path(), "honest", kind, false);
        QFile f(claimed.first());
        f.open(QIODevice::ReadOnly);
        const QByteArray first = f.readAll();

        const double ours = bestOf(rounds, [&] { drawPage(colours, claimed, page); });
        const double toTheEnd = kCells * bestOf(1, [&] { drawCellToTheEnd(first, page); });
        const double floor = bestOf(rounds, [&] { drawPage(colours, honest, page); });
        std::printf("\n%s (%lld bytes a file)\n", name, static_cast<long long>(first.size()));
        std::printf("  page: ours %.3f s, decoded to the end %.2f s (one cell x %d), "
                    "true-size files %.4f s\n",
                    ours, toTheEnd, kCells, floor);
        std::printf("  ratio (a) ours / decoded to the end: %.4f\n", ours / toTheEnd);
        std::printf("  ratio (b) ours / %.0f s goal:          %.3f\n", kGoalSeconds,
                    ours / kGoalSeconds);
        std::printf("  ratio (c) ours / true-size files:     %.1f\n", ours / floor);
    }
    return 0;
}
