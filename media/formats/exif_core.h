#pragma once
// The EXIF orientation tag read from bytes, with libexif. Plain C++: the
// launcher reads it too (exif_orientation.h has the program's own calls).
#include <cstddef>
#include <utility>

namespace soru {

// Where the payload of the first APP1 segment that begins with the EXIF
// header lies in a JPEG file (offset and length), found by walking the
// segments from the start of the image to the first scan; a length of 0
// when there is none. Bytes between segments are skipped as libjpeg skips
// them.
std::pair<std::size_t, std::size_t> exifPayloadSpan(const unsigned char* jpeg, std::size_t size);

// The orientation tag (1 to 8) of a bare EXIF block, with or without the
// "Exif\0\0" header; 1 when there is none or it cannot be read.
int exifBlockOrientationOf(const unsigned char* block, std::size_t size);

// The same for a JPEG file's EXIF block.
int exifOrientationOf(const unsigned char* jpeg, std::size_t size);

} // namespace soru
