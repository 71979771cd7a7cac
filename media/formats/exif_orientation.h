#pragma once
// The EXIF orientation of a JPEG file or a bare EXIF block, and the turn
// that shows its picture upright. Cameras store a picture as the sensor saw it and note in the
// orientation tag (1 to 8) how it must be turned or mirrored to be seen
// upright.
#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QSize>

namespace soru {

// The orientation tag of the file's EXIF block (the first APP1 segment that
// starts with "Exif" before the first scan), 1 to 8. A file without one, a
// block that cannot be read, a tag of the wrong type and a value out of
// range all give 1: the picture as stored. Never throws.
int exifOrientation(const QByteArray& jpeg);

// The orientation tag of a bare EXIF block, as PNG's eXIf and WebP's EXIF
// chunks hold it: a TIFF header and its directories, with or without the
// "Exif\0\0" that JPEG puts before them. 1 as above. Never throws.
int exifBlockOrientation(QByteArray block);

// When the picture was taken, as the file's EXIF block (a JPEG's APP1
// segment) says in DateTimeOriginal, else DateTime: the camera's local
// time. Invalid when the file has neither, or a value that is not a date.
// Never throws.
QDateTime exifDateTaken(const QByteArray& jpeg);

// True for the orientations 5 to 8, whose upright picture has width and
// height of the stored one exchanged.
constexpr bool orientationSwapsSides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

// The stored size as it is seen upright.
constexpr QSize uprightSize(QSize stored, int orientation) {
    return orientationSwapsSides(orientation) ? stored.transposed() : stored;
}

// The stored picture turned and mirrored upright. Keeps the format (and the
// colour table of an indexed picture); orientation 1 or anything out of
// range gives the picture unchanged.
QImage turnedUpright(QImage stored, int orientation);

} // namespace soru
