#pragma once
// The picture factory: the object for each picture kind. It sits above the
// format objects (it knows every one of them), so that the picture base
// class knows none.
#include "media/formats/picture_object.h"

#include <QString>

#include <memory>

namespace soru {

// A new, empty object of the kind, converting colours with the cache
// (which outlives it).
std::unique_ptr<PictureObject> makePictureObject(PictureKind kind, ColourTransformCache& colours);

// The object for the path's kind, loaded from it.
std::unique_ptr<PictureObject> loadPictureObject(const QString& path, ColourTransformCache& colours);

} // namespace soru
