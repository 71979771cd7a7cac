#pragma once
// Writing a picture as a Windows bitmap file, the format the wallpaper file
// is kept in.
#include <QImage>
#include <QString>

#include "core/texts.h"

namespace soru {

namespace text {
// %1: the path.
inline constexpr text::Text kCannotCreateFile{QT_TRANSLATE_NOOP("soru", "ファイル %1 を作成できません")};
} // namespace text

// Writes the image at its full size as a Windows bitmap: "BM", a 40-byte
// info header, rows bottom-up padded to four bytes. An Indexed8 image keeps
// its palette as an 8-bit file; every other format is written as 24-bit
// colour (alpha dropped).
//
// The file is written to a temporary file in the same folder and renamed
// over the old one only when complete, so a failure (missing folder, no
// permission, disk full) leaves any old file intact and no temporary file
// behind. Every failure, a null image and a picture too large for the
// format's 32-bit size fields included, throws
// Failure("ファイル %1 を作成できません") with the path.
void writeWindowsBitmap(const QImage& image, const QString& path);

// The size in bytes of the file for a width x height picture at
// bitsPerPixel (8 or 24) with paletteEntries colour table entries, or -1
// when the size is not positive or the file would not fit the format's
// 32-bit size fields.
qint64 windowsBitmapFileSize(qint64 width, qint64 height, int bitsPerPixel, int paletteEntries);

} // namespace soru
