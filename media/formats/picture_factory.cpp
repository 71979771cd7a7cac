#include "media/formats/picture_factory.h"

#include "media/formats/bitmap_picture.h"
#include "media/formats/heif_picture.h"
#include "media/formats/jpeg_picture.h"
#include "media/formats/png_picture.h"
#include "media/formats/webp_picture.h"

namespace soru {

std::unique_ptr<PictureObject> makePictureObject(PictureKind kind) {
    switch (kind) {
    case PictureKind::Bitmap:
        return std::make_unique<BitmapPicture>();
    case PictureKind::Png:
        return std::make_unique<PngPicture>();
    case PictureKind::Webp:
        return std::make_unique<WebpPicture>();
    case PictureKind::Heif:
        return std::make_unique<HeifPicture>();
    case PictureKind::Jpeg:
        break;
    }
    return std::make_unique<JpegPicture>();
}

std::unique_ptr<PictureObject> loadPictureObject(const QString& path) {
    auto picture = makePictureObject(pictureKindOf(path));
    picture->load(path);
    return picture;
}

} // namespace soru
