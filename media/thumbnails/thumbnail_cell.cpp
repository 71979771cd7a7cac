#include "media/thumbnails/thumbnail_cell.h"

#include "core/fitting.h"
#include "media/colour/colour_management.h"
#include "media/formats/picture_factory.h"
#include "media/formats/scaling.h"
#include "media/thumbnails/thumbnail_store.h"

#include <lcms2.h>

namespace soru {
namespace {

// sRGB as an ICC profile, the source of a cell drawn from a thumbnail on a
// screen with a profile of its own.
const QByteArray& srgbProfile() {
    static const QByteArray profile = [] {
        QByteArray bytes;
        cmsHPROFILE h = cmsCreate_sRGBProfile();
        cmsUInt32Number size = 0;
        if (h && cmsSaveProfileToMem(h, nullptr, &size) && size > 0) {
            bytes.resize(qsizetype(size));
            if (!cmsSaveProfileToMem(h, bytes.data(), &size))
                bytes.clear();
        }
        if (h)
            cmsCloseProfile(h);
        return bytes;
    }();
    return profile;
}

// The picture's own size when the thumbnail does not say it: read from the
// picture's header (the file is loaded, not decoded).
DecodedPicture withOwnSize(ColourTransformCache& colours, const QString& path, QSize& size) {
    try {
        const std::unique_ptr<PictureObject> picture = loadPictureObject(path, colours);
        size = QSize(picture->width(), picture->height());
    } catch (...) {
        return DecodedPicture::loadFailed(std::current_exception());
    }
    return DecodedPicture::drawn(size.width(), size.height(), QImage());
}

} // namespace

DecodedPicture cellFromThumbnail(ColourTransformCache& colours, const QImage& thumbnail,
                                 QSize pictureSize, QSize box) {
    const Fit fit = fitPicture(pictureSize.width(), pictureSize.height(), box.width(), box.height());
    if (fit.width <= 0 || fit.height <= 0)
        return DecodedPicture::drawn(pictureSize.width(), pictureSize.height(), QImage());
    const QSize size(fit.width, fit.height);
    QImage cell = thumbnail.size() == size ? thumbnail.convertToFormat(QImage::Format_RGB32)
                                           : smoothScaled(thumbnail, size);
    if (const QByteArray target = colours.targetProfile(); !target.isEmpty())
        colours.apply(cell, srgbProfile(), target);
    return DecodedPicture::drawn(pictureSize.width(), pictureSize.height(), std::move(cell));
}

void MadeThumbnail::saveInto(ThumbnailStore& store) const {
    store.save(path, side, image, pictureSize, stamp);
}

DecodedPicture decodeThumbnailCell(ThumbnailStore& store, ColourTransformCache& colours,
                                   const QString& path, QSize box, const FileStamp& stamp,
                                   std::optional<MadeThumbnail>* made) {
    const int side = ThumbnailStore::sideFor(box);
    if (side == 0 || store.holds(path))
        return decodePicture(colours, path, box);
    if (std::optional<ThumbnailStore::Thumbnail> found = store.find(path, side, stamp)) {
        QSize own = found->pictureSize;
        if (own.isEmpty()) {
            const DecodedPicture header = withOwnSize(colours, path, own);
            if (header.failed())
                return header;
        }
        // Used when it holds at least the pixels the cell shows (another
        // program may round its fit a pixel differently).
        const Fit fit = fitPicture(own.width(), own.height(), box.width(), box.height());
        if (found->image.width() >= fit.width - 1 && found->image.height() >= fit.height - 1)
            return cellFromThumbnail(colours, found->image, own, box);
    }
    // The thumbnail drawn in sRGB; the cell is drawn from it as from a
    // thumbnail found.
    const DecodedPicture thumbnail = decodePicture(colours, path, QSize(side, side), QByteArray());
    if (thumbnail.state() != DecodedPicture::State::Drawn || thumbnail.image().isNull()) {
        // Missing and load failures are the same for every box; a picture
        // that fails while drawn is drawn for the cell, to fail there as it
        // would have.
        return thumbnail.state() == DecodedPicture::State::DrawFailed ? decodePicture(colours, path, box)
                                                                        : thumbnail;
    }
    const QSize own(thumbnail.width(), thumbnail.height());
    if (made)
        *made = MadeThumbnail{path, side, thumbnail.image(), own, stamp};
    else
        store.save(path, side, thumbnail.image(), own, stamp);
    return cellFromThumbnail(colours, thumbnail.image(), own, box);
}

} // namespace soru
