#include "media/formats/exif_orientation.h"

#include "media/formats/exif_core.h"

#include <QTransform>

#include <libexif/exif-data.h>

namespace soru {
namespace {

QByteArray exifPayload(const QByteArray& jpeg) {
    const auto [at, length] =
        exifPayloadSpan(reinterpret_cast<const unsigned char*>(jpeg.constData()), std::size_t(jpeg.size()));
    return jpeg.mid(qsizetype(at), qsizetype(length));
}

} // namespace

int exifBlockOrientation(QByteArray block) {
    return exifBlockOrientationOf(reinterpret_cast<const unsigned char*>(block.constData()),
                                  std::size_t(block.size()));
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
    return exifOrientationOf(reinterpret_cast<const unsigned char*>(jpeg.constData()),
                             std::size_t(jpeg.size()));
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
