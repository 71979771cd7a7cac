#pragma once
// A thumbnail page's cell through the desktop's thumbnail cache (see
// media/thumbnails/thumbnail_store.h): drawn from a valid thumbnail of the picture when
// there is one; otherwise the picture is decoded as its thumbnail, which is
// saved, and the cell is drawn from that, so a page looks the same whether
// its thumbnails were there or not. A picture that fails is decoded for the
// cell as without the cache, and gets no thumbnail.
#include "media/formats/decoded_picture.h"
#include "media/formats/file_stamp.h"

#include <QSize>
#include <QString>

#include <optional>

namespace soru {

class ColourTransformCache;
class ThumbnailStore;

// A thumbnail decoded for a cell, to be saved into the store later.
struct MadeThumbnail {
    QString path;
    int side = 0;
    QImage image;
    QSize pictureSize;
    FileStamp stamp;
    void saveInto(ThumbnailStore& store) const;
};

// The cell for box (device pixels) of the picture at path, whose file is as
// stamped (it exists). Boxes larger than the largest thumbnail, and files
// inside the store, are decoded without it. A thumbnail decoded here is
// saved at once, or, given made, left there for the caller to save when it
// suits (after the page it belongs to is on the screen). Colours are
// converted with the cache, to its target for the cell. Never throws.
DecodedPicture decodeThumbnailCell(ThumbnailStore& store, ColourTransformCache& colours,
                                   const QString& path, QSize box, const FileStamp& stamp,
                                   std::optional<MadeThumbnail>* made = nullptr);

// The cell drawn from a thumbnail (sRGB) of a picture of pictureSize: the
// fitted size, scaled down smoothly, in the screen's colours (the cache's
// target).
DecodedPicture cellFromThumbnail(ColourTransformCache& colours, const QImage& thumbnail,
                                 QSize pictureSize, QSize box);

} // namespace soru
