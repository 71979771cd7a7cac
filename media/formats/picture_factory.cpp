#include "media/formats/picture_factory.h"

#include "media/formats/bitmap_picture.h"
#include "media/formats/heif_maker.h"
#include "media/formats/jpeg_picture.h"
#include "media/formats/png_picture.h"
#include "media/formats/webp_picture.h"

namespace soru {

std::unique_ptr<PictureObject> makePictureObject(PictureKind kind, ColourTransformCache& colours) {
    switch (kind) {
    case PictureKind::Bitmap:
        return std::make_unique<BitmapPicture>(colours);
    case PictureKind::Png:
        return std::make_unique<PngPicture>(colours);
    case PictureKind::Webp:
        return std::make_unique<WebpPicture>(colours);
    case PictureKind::Heif:
        return makeHeifPicture(colours);
    case PictureKind::Jpeg:
        break;
    }
    return std::make_unique<JpegPicture>(colours);
}

std::unique_ptr<PictureObject> loadPictureObject(const QString& path, ColourTransformCache& colours) {
    auto picture = makePictureObject(pictureKindOf(path), colours);
    picture->load(path);
    return picture;
}

} // namespace soru
