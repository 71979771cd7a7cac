// The picture kind rule, the extension it rests on, and the memory limit.
#include "core/limits.h"
#include "media/picture_kind.h"

#include <gtest/gtest.h>

namespace soru {
namespace {

struct KindCase {
    const char* path;
    const char* extension;
    PictureKind kind;
};

class PictureKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(PictureKindTest, ExtensionAndKindComeFromThePathAlone) {
    const KindCase& c = GetParam();
    const QString path = QString::fromUtf8(c.path);
    EXPECT_EQ(pathExtension(path), QString::fromUtf8(c.extension));
    EXPECT_EQ(pictureKindOf(path), c.kind);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PictureKindTest,
    ::testing::Values(KindCase{"/album/a.bmp", ".bmp", PictureKind::Bitmap},
                      KindCase{"/album/a.Bmp", ".Bmp", PictureKind::Bitmap},
                      KindCase{"/album/a.BMP", ".BMP", PictureKind::Bitmap},
                      KindCase{"/album/a.jpg", ".jpg", PictureKind::Jpeg},
                      KindCase{"/album/a.JPEG", ".JPEG", PictureKind::Jpeg},
                      KindCase{"/album/a.jpe", ".jpe", PictureKind::Jpeg},
                      KindCase{"/album/a", "", PictureKind::Jpeg},
                      KindCase{"/album/a.bmp.jpg", ".jpg", PictureKind::Jpeg},
                      KindCase{"/album/a.jpg.bmp", ".bmp", PictureKind::Bitmap},
                      KindCase{"/album/dir.bmp/file", "", PictureKind::Jpeg},
                      KindCase{"C:\\album\\dir.bmp\\file", "", PictureKind::Jpeg},
                      KindCase{"C:\\album\\a.bMp", ".bMp", PictureKind::Bitmap},
                      KindCase{"A:b.bmp", ".bmp", PictureKind::Bitmap},
                      KindCase{"x.bmp:stream", "", PictureKind::Jpeg},
                      KindCase{"/album/.bmp", ".bmp", PictureKind::Bitmap},
                      KindCase{"/album/a.", ".", PictureKind::Jpeg},
                      KindCase{"/album/a.bmpx", ".bmpx", PictureKind::Jpeg},
                      KindCase{"/album/a.bm", ".bm", PictureKind::Jpeg},
                      // Only ASCII letters are upper-cased: a full-width or
                      // dotless-i look-alike is not "BMP".
                      KindCase{"/album/a.ｂmp", ".ｂmp", PictureKind::Jpeg},
                      KindCase{"/写真/海.bmp", ".bmp", PictureKind::Bitmap},
                      KindCase{"", "", PictureKind::Jpeg}));

struct LimitCase {
    qint64 width, height;
    int bytesPerPixel;
    bool fits;
};

class MemoryLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(MemoryLimitTest, RefusesWhatExceedsOneGibibyteWithoutOverflowing) {
    const LimitCase& c = GetParam();
    EXPECT_EQ(pictureFitsMemoryLimit(c.width, c.height, c.bytesPerPixel), c.fits)
        << c.width << " x " << c.height << " x " << c.bytesPerPixel;
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, MemoryLimitTest,
    ::testing::Values(LimitCase{16384, 16384, 4, true},        // exactly 1 GiB
                      LimitCase{16384, 16385, 4, false},       // one row more
                      LimitCase{32768, 32768, 1, true}, LimitCase{32768, 32769, 1, false},
                      LimitCase{1, 1, 4, true}, LimitCase{0, 100, 4, false}, LimitCase{100, 0, 4, false},
                      LimitCase{-5, 100, 4, false}, LimitCase{100, -5, 4, false},
                      LimitCase{0x7FFFFFFF, 0x7FFFFFFF, 4, false}, // the product would overflow 32 bits
                      LimitCase{1LL << 40, 1LL << 40, 4, false},   // and 64 bits
                      LimitCase{(1LL << 30) / 3, 1, 3, true}, LimitCase{(1LL << 30) / 3 + 1, 1, 3, false}));

} // namespace
} // namespace soru
