// The picture factory: one object per kind, and the kind taken from the
// file's name, never from its content.
#include "media/colour/colour_management.h"
#include "media/formats/bitmap_picture.h"
#include "media/formats/heif_picture.h"
#include "media/formats/jpeg_picture.h"
#include "media/formats/picture_factory.h"
#include "media/formats/png_picture.h"
#include "media/formats/webp_picture.h"
#include "tests/media/pictures/picture_fixtures.h"
#include "tests/support/test_support.h"
#include "tools/testlib/testlib.h"

#include <gtest/gtest.h>

namespace soru {
namespace {

using namespace soru::test;

template <typename T>
bool is(const PictureObject& p) {
    return dynamic_cast<const T*>(&p) != nullptr;
}

TEST(PictureFactory, MakesTheObjectOfEachKindEmpty) {
    ColourTransformCache colours;
    const struct {
        PictureKind kind;
        bool (*isRight)(const PictureObject&);
    } cases[] = {
        {PictureKind::Jpeg, is<JpegPicture>}, {PictureKind::Bitmap, is<BitmapPicture>},
        {PictureKind::Png, is<PngPicture>},   {PictureKind::Webp, is<WebpPicture>},
        {PictureKind::Heif, is<HeifPicture>},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.kind));
        const auto picture = makePictureObject(c.kind, colours);
        ASSERT_TRUE(picture);
        EXPECT_TRUE(c.isRight(*picture));
        EXPECT_EQ(picture->width(), 0);
        EXPECT_TRUE(picture->fullImage().isNull());
    }
}

// A bitmap named .jpg is read as a JPEG (and fails as one); a bitmap with
// an upper-case extension and a PNG load with their sizes.
TEST(PictureFactory, LoadsTheKindTheNameSays) {
    ColourTransformCache colours;
    const TempDir dir;
    const QImage source = testlib::makePicture(12, 7, testlib::Scene::Tiles);
    testlib::writeBmp(dir.file("b.BMP"), source);
    testlib::writeBmp(dir.file("b.jpg"), source);
    ASSERT_TRUE(source.save(dir.file("p.png"), "PNG"));
    const struct {
        const char* name;
        bool (*isRight)(const PictureObject&);
        QString failure;
    } cases[] = {
        {"b.BMP", is<BitmapPicture>, kNoFailure},
        {"p.png", is<PngPicture>, kNoFailure},
        {"b.jpg", nullptr, text::kJpegError.arg(53)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<PictureObject> picture;
        EXPECT_EQ(failureOf([&] { picture = loadPictureObject(dir.file(QString::fromUtf8(c.name)), colours); }),
                  c.failure);
        if (!c.isRight)
            continue;
        ASSERT_TRUE(picture);
        EXPECT_TRUE(c.isRight(*picture));
        EXPECT_EQ(QSize(picture->width(), picture->height()), source.size());
    }
}

} // namespace
} // namespace soru
