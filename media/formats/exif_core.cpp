#include "media/formats/exif_core.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <libexif/exif-data.h>

namespace soru {

namespace {

constexpr unsigned char kHeader[] = {'E', 'x', 'i', 'f', 0, 0};

} // namespace

std::pair<std::size_t, std::size_t> exifPayloadSpan(const unsigned char* b, std::size_t n) {
    if (n < 4 || b[0] != 0xFF || b[1] != 0xD8)
        return {0, 0};
    std::size_t i = 2;
    while (i + 1 < n) {
        if (b[i] != 0xFF || b[i + 1] == 0xFF || b[i + 1] == 0) {
            ++i;
            continue;
        }
        const unsigned char marker = b[i + 1];
        if (marker == 0xDA || marker == 0xD9)
            return {0, 0};
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            i += 2;
            continue;
        }
        if (i + 4 > n)
            return {0, 0};
        const std::size_t length = std::size_t(b[i + 2]) << 8 | b[i + 3];
        if (length < 2 || i + 2 + length > n)
            return {0, 0};
        const std::size_t payload = i + 4, payloadLength = length - 2;
        if (marker == 0xE1 && payloadLength >= sizeof kHeader &&
            std::memcmp(b + payload, kHeader, sizeof kHeader) == 0)
            return {payload, payloadLength};
        i += 2 + length;
    }
    return {0, 0};
}

int exifBlockOrientationOf(const unsigned char* block, std::size_t size) {
    // libexif reads a block that starts with the EXIF header, as JPEG's
    // APP1 segment holds it: the header is put before a bare TIFF block.
    if (size >= sizeof kHeader && std::memcmp(block, kHeader, sizeof kHeader) == 0) {
        block += sizeof kHeader;
        size -= sizeof kHeader;
    }
    // The orientation sits in the first directory, near the start; the
    // reader takes no more than one JPEG segment can hold, and so much is
    // kept of a longer block.
    size = std::min<std::size_t>(size, 0xFFFF - 2 - sizeof kHeader);
    if (size < 8)
        return 1;
    std::vector<unsigned char> whole(kHeader, kHeader + sizeof kHeader);
    whole.insert(whole.end(), block, block + size);
    ExifData* data = exif_data_new();
    if (!data)
        return 1;
    // Read the block as it is: no entries added or corrected.
    exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data, whole.data(), unsigned(whole.size()));
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

int exifOrientationOf(const unsigned char* jpeg, std::size_t size) {
    const auto [at, length] = exifPayloadSpan(jpeg, size);
    return length == 0 ? 1 : exifBlockOrientationOf(jpeg + at, length);
}

} // namespace soru
