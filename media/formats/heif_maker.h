#pragma once
// The HEIF and AVIF picture object, made here so that what links the
// factory need not link libheif: this definition (heif_maker.cpp) makes the
// object directly; the program on Linux links its own definition instead,
// which takes the object from a module loaded on the first such picture
// (app/heif_module_loader.cpp), so a start that shows no HEIF or AVIF never
// loads libheif and its decoders.
#include <memory>

namespace soru {

class ColourTransformCache;
class PictureObject;

std::unique_ptr<PictureObject> makeHeifPicture(ColourTransformCache& colours);

} // namespace soru
