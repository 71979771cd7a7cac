#pragma once
// Which decoder reads a picture, decided from its path alone.
#include <QString>

namespace soru {

// The part of the path from the last "." that stands after the last path
// delimiter ("/", "\" or ":"), dot included; empty when there is none.
QString pathExtension(const QString& path);

enum class PictureKind { Jpeg, Bitmap, Png, Webp, Heif };

// From the extension, with ASCII letters upper-cased: ".BMP" a bitmap,
// ".PNG" a PNG, ".WEBP" a WebP, ".HEIC", ".HEIF" and ".AVIF" a HEIF
// picture; every other path (jpg, jpe, jpeg, none, anything) is a JPEG. The
// file's content is never looked at, so a JPEG named .bmp fails to load.
PictureKind pictureKindOf(const QString& path);

} // namespace soru
