// Writing Windows bitmap files: the bytes read back exactly, the header
// fields, and nothing changed when writing fails.
#include "core/failure.h"
#include "media/formats/bitmap_writer.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

namespace soru {
namespace {

using testlib::makePicture;
using testlib::Scene;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QImage indexed(int w, int h, int colours) {
    QImage img(w, h, QImage::Format_Indexed8);
    for (int i = 0; i < colours; ++i)
        img.setColor(i, qRgb(i * 7 % 256, 255 - i * 13 % 256, i * 29 % 256));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, uint((x * 3 + y * 5) % colours));
    return img;
}

TEST(WindowsBitmap, ReadsBackExactlyWithItsHeaderAndPadding) {
    const QImage odd = makePicture(37, 23, Scene::Landscape, 5);
    QImage alpha = makePicture(6, 4, Scene::TestPattern).convertToFormat(QImage::Format_ARGB32);
    alpha.setPixel(5, 3, qRgba(10, 20, 30, 0));
    const struct {
        const char* name;
        QImage image;
        int bits, colours;
    } cases[] = {
        {"RGB32, odd width: a padding byte a row", odd, 24, 0},
        {"BGR888", odd.convertToFormat(QImage::Format_BGR888), 24, 0},
        {"RGB888", odd.convertToFormat(QImage::Format_RGB888), 24, 0},
        {"ARGB32: colour kept, alpha dropped", alpha, 24, 0},
        {"Grayscale8 as colour", odd.convertToFormat(QImage::Format_Grayscale8), 24, 0},
        {"rows in several write pieces", makePicture(1001, 700, Scene::Flowers, 2), 24, 0},
        {"Indexed8, 16 colours, width 9", indexed(9, 3, 16), 8, 16},
    };
    const test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.file(QStringLiteral("w.bmp"));
        writeWindowsBitmap(c.image, path);
        const QByteArray bytes = readAll(path);
        const int w = c.image.width(), h = c.image.height();
        const int stride = (w * c.bits + 31) / 32 * 4, offBits = 54 + 4 * c.colours;

        // The size fields, offset of the pixels, bit count and colours used:
        // readers that trust them (Qt's does not) must find them right.
        ASSERT_EQ(bytes.size(), offBits + stride * h);
        EXPECT_EQ(bytes.left(2), QByteArray("BM"));
        const auto field = [&bytes](int at) {
            return qint64(qFromLittleEndian<quint32>(bytes.constData() + at));
        };
        EXPECT_EQ(QList<qint64>({field(2), field(10), field(28) & 0xFFFF, field(34), field(46)}),
                  QList<qint64>({bytes.size(), offBits, c.bits, stride * h, c.colours}));

        const QImage back(path, "bmp");
        ASSERT_EQ(back.size(), c.image.size());
        if (c.bits == 8) {
            EXPECT_EQ(back.colorTable().mid(0, c.colours), c.image.colorTable());
        }
        EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32),
                  c.image.convertToFormat(QImage::Format_RGB32));
    }
}

TEST(WindowsBitmap, FileSizeGuardsTheThirtyTwoBitFields) {
    const qint64 tallest = (0xFFFFFFFFLL - 54) / 4; // rows of 4 bytes
    const struct {
        qint64 w, h;
        int bits, colours;
        qint64 size;
    } cases[] = {
        {1, 1, 24, 0, 58},
        {9, 3, 8, 16, 54 + 64 + 12 * 3},
        {1, tallest, 24, 0, 54 + 4 * tallest},
        {1, tallest + 1, 24, 0, -1},
        {65536, 65536, 24, 0, -1},
        {0x80000000LL, 1, 8, 0, -1},
        {0, 5, 24, 0, -1},
        {5, 5, 32, 0, -1},
        {5, 5, 8, 257, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(windowsBitmapFileSize(c.w, c.h, c.bits, c.colours), c.size) << c.w << "x" << c.h;
}

// Every entry of the folder with its bytes.
QMap<QString, QByteArray> contents(const QString& folder) {
    QMap<QString, QByteArray> all;
    for (const QString& name :
         QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        all[name] = readAll(folder + u'/' + name);
    return all;
}

TEST(WindowsBitmap, WritingAgainReplacesTheOneFile) {
    const test::TempDir dir;
    const QString path = dir.file(QStringLiteral("SORU Desktop Wallpaper.bmp"));
    writeWindowsBitmap(makePicture(300, 200, Scene::SeaSun), path);
    const QImage second = makePicture(7, 5, Scene::Tiles, 4);
    writeWindowsBitmap(second, path);
    EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_RGB32), second);
    EXPECT_EQ(contents(dir.path()).keys(),
              QStringList{QStringLiteral("SORU Desktop Wallpaper.bmp")});
}

TEST(WindowsBitmap, AFailureNamesThePathAndChangesNothing) {
    // Tests may run as root, whom permissions do not stop: these fail for anyone.
    const test::TempDir dir;
    testlib::writeFile(dir.file(QStringLiteral("old.bmp")), "old wallpaper");
    QDir(dir.path()).mkpath(QStringLiteral("a folder/inside"));
    const QImage picture = makePicture(16, 16, Scene::Plain);
    const struct {
        const char* name;
        QString path;
        QImage image;
    } cases[] = {
        {"folder missing", dir.file(QStringLiteral("missing/w.bmp")), picture},
        {"path is a folder", dir.file(QStringLiteral("a folder")), picture},
        {"null image over an old file", dir.file(QStringLiteral("old.bmp")), QImage()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = contents(dir.path());
        try {
            writeWindowsBitmap(c.image, c.path);
            ADD_FAILURE() << "no failure";
        } catch (const Failure& f) {
            EXPECT_EQ(f.message(), QStringLiteral("ファイル %1 を作成できません").arg(c.path));
        }
        EXPECT_EQ(contents(dir.path()), before);
        EXPECT_TRUE(QDir(dir.file(QStringLiteral("a folder/inside"))).exists());
    }
}

} // namespace
} // namespace soru
