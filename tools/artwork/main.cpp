// Paints every picture the program ships and writes them as PNG files into the
// folder named on the command line. Run by hand with QT_QPA_PLATFORM=offscreen;
// the results are kept under resources/images/.
#include "artwork.h"

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

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: soru-artwork OUTPUT-FOLDER\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(".")) {
        std::fprintf(stderr, "soru-artwork: cannot create %s\n", argv[1]);
        return 1;
    }

    bool ok = true;
    for (int i = 0; i < art::kGlyphCount; ++i)
        ok &= save(dir, QString("glyph_%1.png").arg(i, 2, 10, QChar('0')), art::paintGlyph(i));
    ok &= save(dir, "cursor_back.png", art::paintCursor(false));
    ok &= save(dir, "cursor_next.png", art::paintCursor(true));
    ok &= save(dir, "splash.png", art::paintSplash());
    ok &= save(dir, "emblem.png", art::paintEmblem());
    ok &= save(dir, "icon_16.png", art::paintIcon(16));
    ok &= save(dir, "icon_32.png", art::paintIcon(32));
    ok &= save(dir, "info_close.png", art::paintInfoClose());
    ok &= save(dir, "info_mail.png", art::paintInfoMail());
    ok &= save(dir, "info_banner.png", art::paintInfoBanner());
    ok &= save(dir, "info_click.png", art::paintInfoClick());
    return ok ? 0 : 1;
}
