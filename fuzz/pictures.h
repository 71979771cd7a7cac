#pragma once
// What the viewer does with a picture file, as the picture fuzz targets
// run it: load, read the size, draw fitted into a small view and into a
// rectangle that leaves the canvas, and take the whole picture when it is
// small.
#include "media/formats/picture_kind.h"

#include <cstddef>
#include <cstdint>

namespace soru::fuzz {

void exercisePicture(PictureKind kind, const std::uint8_t* data, std::size_t size);

} // namespace soru::fuzz
