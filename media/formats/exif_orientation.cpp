#include "media/formats/exif_orientation.h"

#include <QTransform>

#include <libexif/exif-data.h>

namespace soru {
namespace {

// The payload of the first APP1 segment that begins with the EXIF header,
// found by walking the segments from the start of the image to the first
// scan; empty when there is none. Bytes between segments are skipped as
// libjpeg skips them.
QByteArray exifPayload(const QByteArray& b) {
    const auto at = [&](qsizetype i) { return uchar(b[i]); };
    if (b.size() < 4 || at(0) != 0xFF || at(1) != 0xD8)
        return {};
    qsizetype i = 2;
    while (i + 1 < b.size()) {
        if (at(i) != 0xFF || at(i + 1) == 0xFF || at(i + 1) == 0) {
            ++i;
            continue;
        }
        const uchar marker = at(i + 1);
        if (marker == 0xDA || marker == 0xD9)
            return {};
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            i += 2;
            continue;
        }
        if (i + 4 > b.size())
            return {};
        const int length = (at(i + 2) << 8) | at(i + 3);
        if (length < 2 || i + 2 + length > b.size())
            return {};
        const QByteArray payload = b.mid(i + 4, length - 2);
        if (marker == 0xE1 && payload.startsWith(QByteArray("Exif\0\0", 6)))
            return payload;
        i += 2 + length;
    }
    return {};
}

} // namespace

int exifBlockOrientation(QByteArray block) {
    // libexif reads a block that starts with the EXIF header, as JPEG's
    // APP1 segment holds it: the header is put before a bare TIFF block.
    const QByteArray header("Exif\0\0", 6);
    if (block.startsWith(header))
        block.remove(0, header.size());
    // The orientation sits in the first directory, near the start; the
    // reader takes no more than one JPEG segment can hold, and so much is
    // kept of a longer block.
    block.truncate(0xFFFF - 2 - header.size());
    if (block.size() < 8)
        return 1;
    block.prepend(header);
    ExifData* data = exif_data_new();
    if (!data)
        return 1;
    // Read the block as it is: no entries added or corrected.
    exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data, reinterpret_cast<const unsigned char*>(block.constData()),
                        unsigned(block.size()));
    int orientation = 1;
    // The main picture's tag is in IFD 0; IFD 1 describes the thumbnail.
    const ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (entry && entry->format == EXIF_FORMAT_SHORT && entry->components >= 1 && entry->data &&
        entry->size >= 2) {
        const int value = exif_get_short(entry->data, exif_data_get_byte_order(data));
        if (value >= 1 && value <= 8)
            orientation = value;
    }
    exif_data_unref(data);
    return orientation;
}

QDateTime exifDateTaken(const QByteArray& jpeg) {
    QByteArray block = exifPayload(jpeg);
    if (block.size() < 14)
        return {};
    block.truncate(0xFFFF - 2);
    ExifData* data = exif_data_new();
    if (!data)
        return {};
    exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data, reinterpret_cast<const unsigned char*>(block.constData()),
                        unsigned(block.size()));
    QDateTime taken;
    // "YYYY:MM:DD HH:MM:SS", the original's time first.
    const std::pair<ExifIfd, ExifTag> places[] = {{EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL},
                                                  {EXIF_IFD_0, EXIF_TAG_DATE_TIME}};
    for (const auto& [ifd, tag] : places) {
        const ExifEntry* entry = exif_content_get_entry(data->ifd[ifd], tag);
        if (!entry || entry->format != EXIF_FORMAT_ASCII || !entry->data || entry->size < 19)
            continue;
        const QString text = QString::fromLatin1(reinterpret_cast<const char*>(entry->data), 19);
        taken = QDateTime::fromString(text, QStringLiteral("yyyy:MM:dd HH:mm:ss"));
        if (taken.isValid())
            break;
    }
    exif_data_unref(data);
    return taken;
}

int exifOrientation(const QByteArray& jpeg) {
    const QByteArray payload = exifPayload(jpeg);
    return payload.isEmpty() ? 1 : exifBlockOrientation(payload);
}

QImage turnedUpright(QImage stored, int orientation) {
    // Qt's quarter turns keep the format and colour table; mirroring a
    // picture no one else holds works in place.
    const auto quarter = [](const QImage& img, int degrees) {
        return img.transformed(QTransform().rotate(degrees));
    };
    switch (orientation) {
    case 2: // mirrored left to right
        return std::move(stored).mirrored(true, false);
    case 3: // upside down
        return std::move(stored).mirrored(true, true);
    case 4: // mirrored top to bottom
        return std::move(stored).mirrored(false, true);
    case 5: // rows and columns exchanged
        return quarter(stored, 90).mirrored(true, false);
    case 6: // turned a quarter anticlockwise: turn it clockwise
        return quarter(stored, 90);
    case 7: // exchanged across the other diagonal
        return quarter(stored, 90).mirrored(false, true);
    case 8: // turned a quarter clockwise: turn it anticlockwise
        return quarter(stored, 270);
    default:
        return stored;
    }
}

} // namespace soru
