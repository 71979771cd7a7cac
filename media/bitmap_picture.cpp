#include "media/bitmap_picture.h"

#include "core/failure.h"
#include "media/bitmap_decoder.h"
#include "media/scaling.h"

#include <vector>

namespace soru {
namespace {

// Serves the decoder from the open file through a window of at least 1 MiB,
// so the file is never held whole in memory next to its pixels. A file that
// shrinks while it is read looks cut short.
class FileSource final : public BitmapSource {
public:
    FileSource(QFile& file, const QString& path) : file_(file), path_(path), size_(file.size()) {}
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

} // namespace

void BitmapPicture::load(const QString& path) {
    QFile file;
    openPictureFile(file, path);
    FileSource source(file, path);
    image_ = decodeBitmap(source);
}

void BitmapPicture::draw(QImage& canvas, const QRect& target) {
    drawSmoothScaled(canvas, target, image_);
}

} // namespace soru
