// The picture kind rule with the extension it rests on, and the memory limit.
#include "core/limits.h"
#include "media/formats/picture_kind.h"

#include <gtest/gtest.h>

namespace soru {
namespace {

struct KindCase {
    const char* path;
    const char* extension;
    PictureKind kind;
};

class PictureKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(PictureKindTest, ComesFromThePathAlone) {
    const QString path = QString::fromUtf8(GetParam().path);
    EXPECT_EQ(pathExtension(path), QString::fromUtf8(GetParam().extension));
    EXPECT_EQ(pictureKindOf(path), GetParam().kind);
}

constexpr PictureKind B = PictureKind::Bitmap, J = PictureKind::Jpeg, P = PictureKind::Png,
                      W = PictureKind::Webp, H = PictureKind::Heif;
INSTANTIATE_TEST_SUITE_P(
    Paths, PictureKindTest,
    ::testing::Values(KindCase{"/a/p.bmp", ".bmp", B}, KindCase{"/a/p.Bmp", ".Bmp", B},
                      KindCase{"/a/p.BMP", ".BMP", B}, KindCase{"/a/p.jpg", ".jpg", J},
                      KindCase{"/a/p.JPEG", ".JPEG", J}, KindCase{"/a/p.jpe", ".jpe", J},
                      KindCase{"/a/p", "", J}, KindCase{"", "", J}, KindCase{"/a/p.", ".", J},
                      KindCase{"/a/p.bmp.jpg", ".jpg", J}, KindCase{"/a/p.jpg.bmp", ".bmp", B},
                      KindCase{"/a/dir.bmp/file", "", J}, KindCase{"C:\\a\\dir.bmp\\file", "", J},
                      KindCase{"C:\\a\\p.bMp", ".bMp", B}, KindCase{"A:p.bmp", ".bmp", B},
                      KindCase{"p.bmp:stream", "", J}, KindCase{"/a/.bmp", ".bmp", B},
                      KindCase{"/a/p.bmpx", ".bmpx", J}, KindCase{"/写真/海.bmp", ".bmp", B},
                      // Only a to z are upper-cased: a full-width letter is not "B".
                      KindCase{"/a/p.ｂmp", ".ｂmp", J},
                      // Today's formats, in any letter case; near misses are JPEGs.
                      KindCase{"/a/p.PNG", ".PNG", P}, KindCase{"/a/p.WebP", ".WebP", W},
                      KindCase{"/a/p.heic", ".heic", H}, KindCase{"/a/p.HEIF", ".HEIF", H},
                      KindCase{"/a/p.avif", ".avif", H}, KindCase{"/a/p.pngx", ".pngx", J},
                      KindCase{"/a/p.web", ".web", J}, KindCase{"/a/p.png.jpg", ".jpg", J}));

struct LimitCase {
    qint64 width, height;
    int bytesPerPixel;
    bool fits;
};

class MemoryLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(MemoryLimitTest, OneGibibyteWithoutOverflow) {
    const LimitCase& c = GetParam();
    EXPECT_EQ(pictureFitsMemoryLimit(c.width, c.height, c.bytesPerPixel), c.fits)
        << c.width << " x " << c.height;
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, MemoryLimitTest,
    ::testing::Values(LimitCase{16384, 16384, 4, true}, LimitCase{16384, 16385, 4, false},
                      LimitCase{32768, 32768, 1, true}, LimitCase{32768, 32769, 1, false},
                      LimitCase{357913941, 1, 3, true}, LimitCase{357913942, 1, 3, false},
                      LimitCase{0, 9, 4, false}, LimitCase{9, 0, 4, false},
                      LimitCase{-5, 9, 4, false}, LimitCase{0x7FFFFFFF, 0x7FFFFFFF, 4, false},
                      LimitCase{1LL << 40, 1LL << 40, 4, false}));

} // namespace
} // namespace soru
