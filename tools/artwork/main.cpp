// Paints every picture the program ships and writes them as PNG files into the
// folder named on the command line. Run by hand with QT_QPA_PLATFORM=offscreen;
// the results are kept under resources/images/.
//
// With --icons, writes only the desktop icon at the sizes of the icon theme
// (icon_16.png ... icon_256.png); the build runs this for the install tree.
#include "artwork.h"
#include "raster.h"

#include <QByteArray>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <cstdio>

namespace {

bool save(const QDir& dir, const QString& name, const QImage& image) {
    const QString path = dir.filePath(name);
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "soru-artwork: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s %dx%d\n", qPrintable(name), image.width(), image.height());
    return true;
}

// The icon at a size that is a multiple of 16: the 32-pixel design (the
// 16-pixel one when the size is not a multiple of 32) enlarged by whole pixels,
// so the pixel art stays sharp instead of being smoothed.
QImage iconAt(int size) {
    const int base = (size % 32 == 0) ? 32 : 16;
    const QImage design = art::paintIcon(base);
    return size == base ? design : design.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

constexpr int kThemeIconSizes[] = {16, 32, 48, 128, 256};

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const bool iconsOnly = argc == 3 && QByteArray(argv[1]) == "--icons";
    if (argc != 2 && !iconsOnly) {
        std::fprintf(stderr, "usage: soru-artwork [--icons] OUTPUT-FOLDER\n");
        return 2;
    }
    const char* folder = argv[argc - 1];
    QDir dir(QString::fromLocal8Bit(folder));
    if (!dir.mkpath(".")) {
        std::fprintf(stderr, "soru-artwork: cannot create %s\n", folder);
        return 1;
    }

    bool ok = true;
    if (iconsOnly) {
        for (const int size : kThemeIconSizes)
            ok &= save(dir, QString("icon_%1.png").arg(size), iconAt(size));
        return ok ? 0 : 1;
    }
    // Every picture at 1x, and painted again at 2x and 3x under the names
    // Qt looks for on high-density screens (glyph_07@2x.png).
    for (const int scale : {1, 2, 3}) {
        const art::ScaleScope scope(scale);
        const QString suffix = scale == 1 ? QString() : QString("@%1x").arg(scale);
        auto put = [&](const QString& stem, const QImage& image) {
            ok &= save(dir, stem + suffix + ".png", image);
        };
        for (int i = 0; i < art::kGlyphCount; ++i)
            put(QString("glyph_%1").arg(i, 2, 10, QChar('0')), art::paintGlyph(i));
        put("cursor_back", art::paintCursor(false));
        put("cursor_next", art::paintCursor(true));
        put("splash", art::paintSplash());
        put("emblem", art::paintEmblem());
        put("icon_16", art::paintIcon(16));
        put("icon_32", art::paintIcon(32));
        put("info_close", art::paintInfoClose());
        put("info_mail", art::paintInfoMail());
        put("info_banner", art::paintInfoBanner());
        put("info_click", art::paintInfoClick());
    }
    return ok ? 0 : 1;
}
