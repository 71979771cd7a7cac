#include "media/formats/bitmap_picture.h"

#include "core/failure.h"
#include "media/formats/bitmap_decoder.h"
#include "media/colour/colour_management.h"
#include "media/formats/scaling.h"

#include <QPainter>

#include <vector>

namespace soru {

// Serves the decoder from the open file through a window of at least 1 MiB,
// so the file is never held whole in memory next to its pixels. A file that
// shrinks while it is read looks cut short.
class BitmapFileSource final : public BitmapSource {
public:
    BitmapFileSource(QFile& file, const QString& path) : file_(file), path_(path), size_(file.size()) {}
    qint64 size() const override { return size_; }

    std::span<const uchar> read(qint64 offset, qint64 length) override {
        if (offset < 0 || offset >= size_ || length <= 0)
            return {};
        length = qMin(length, size_ - offset);
        if (offset < start_ || offset + length > start_ + filled_)
            fill(offset, qMax<qint64>(length, kWindow));
        return {window_.data() + (offset - start_),
                std::size_t(qMin(length, start_ + filled_ - offset))};
    }

private:
    static constexpr qint64 kWindow = 1 << 20;

    void fill(qint64 offset, qint64 length) {
        length = qMin(length, size_ - offset);
        if (qint64(window_.size()) < length)
            window_.resize(std::size_t(length));
        start_ = offset;
        filled_ = 0;
        if (!file_.seek(offset))
            throw Failure(text::kCannotOpenFile.arg(path_));
        while (filled_ < length) {
            const qint64 n =
                file_.read(reinterpret_cast<char*>(window_.data()) + filled_, length - filled_);
            if (n < 0)
                throw Failure(text::kCannotOpenFile.arg(path_));
            if (n == 0)
                break;
            filled_ += n;
        }
    }

    QFile& file_;
    const QString& path_;
    const qint64 size_;
    std::vector<uchar> window_;
    qint64 start_ = 0, filled_ = 0;
};

BitmapPicture::BitmapPicture(ColourTransformCache& colours) : PictureObject(colours) {}
BitmapPicture::~BitmapPicture() = default;

void BitmapPicture::load(const QString& path) {
    source_.reset();
    file_.reset();
    size_ = QSize(0, 0);
    profile_.clear();
    path_ = path;
    auto file = std::make_unique<QFile>();
    openPictureFile(*file, path_);
    auto source = std::make_unique<BitmapFileSource>(*file, path_);
    const QSize size = checkBitmap(*source);
    profile_ = bitmapColourProfile(*source);
    file_ = std::move(file);
    source_ = std::move(source);
    size_ = size;
}

void BitmapPicture::draw(QImage& canvas, const QRect& target) {
    if (target.isEmpty() || !source_ || canvas.isNull())
        return;
    const QImage::Format f = canvas.format();
    if ((f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
         f == QImage::Format_ARGB32_Premultiplied) &&
        canvas.rect().contains(target)) {
        uchar* at = canvas.scanLine(target.top()) + qsizetype(target.left()) * 4;
        decodeBitmapScaled(*source_, target.size(), at, canvas.bytesPerLine());
        return;
    }
    QImage scaled(target.size(), QImage::Format_RGB32);
    if (scaled.isNull())
        throw std::bad_alloc();
    decodeBitmapScaled(*source_, target.size(), scaled.bits(), scaled.bytesPerLine());
    QPainter painter(&canvas);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(target.topLeft(), scaled);
}

QImage BitmapPicture::fullImage() {
    if (!source_)
        return {};
    QImage image = decodeBitmap(*source_);
    colours().apply(image, profile_);
    return image;
}

} // namespace soru
