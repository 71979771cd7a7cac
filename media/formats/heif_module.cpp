// The entry of the HEIF and AVIF module (see heif_maker.h). The module
// holds its own copy of the media code it needs, hidden, and exports this
// function only.
#include "media/formats/heif_picture.h"

extern "C" Q_DECL_EXPORT soru::PictureObject* soru_make_heif_picture(soru::ColourTransformCache& colours) {
    return new soru::HeifPicture(colours);
}
