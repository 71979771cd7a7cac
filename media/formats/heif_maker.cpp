#include "media/formats/heif_maker.h"

#include "media/formats/heif_picture.h"

namespace soru {

std::unique_ptr<PictureObject> makeHeifPicture(ColourTransformCache& colours) {
    return std::make_unique<HeifPicture>(colours);
}

} // namespace soru
