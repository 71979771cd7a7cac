#include "media/formats/decoded_picture.h"

#include "core/failure.h"
#include "core/fitting.h"
#include "core/pixel_copy.h"
#include "media/colour/colour_management.h"
#include "media/formats/picture_factory.h"
#include "media/formats/picture_rows.h"

#include <QFileInfo>
#include <QPainter>

#include <cstdlib>
#include <new>

namespace soru {

DecodedPicture DecodedPicture::missing() { return {}; }

DecodedPicture DecodedPicture::loadFailed(std::exception_ptr failure) {
    DecodedPicture p;
    p.state_ = State::LoadFailed;
    p.failure_ = std::move(failure);
    return p;
}

DecodedPicture DecodedPicture::drawn(int width, int height, QImage image) {
    DecodedPicture p;
    p.state_ = State::Drawn;
    p.width_ = width;
    p.height_ = height;
    p.image_ = std::move(image);
    return p;
}

DecodedPicture DecodedPicture::drawFailed(int width, int height, QImage partial,
                                          std::exception_ptr failure) {
    DecodedPicture p = drawn(width, height, std::move(partial));
    p.state_ = State::DrawFailed;
    p.failure_ = std::move(failure);
    return p;
}

QString DecodedPicture::failureText() const {
    if (!failure_)
        return {};
    try {
        std::rethrow_exception(failure_);
    } catch (const Failure& f) {
        return f.message();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("?");
    }
}

void DecodedPicture::throwIfLoadFailed() const {
    if (state_ == State::LoadFailed)
        std::rethrow_exception(failure_);
}

void DecodedPicture::drawAt(QImage& canvas, QPoint at) const {
    throwIfLoadFailed();
    if (!image_.isNull()) {
        QPainter painter(&canvas);
        // A complete picture replaces what was there; a partial one only
        // where the decoder reached.
        painter.setCompositionMode(state_ == State::DrawFailed ? QPainter::CompositionMode_SourceOver
                                                               : QPainter::CompositionMode_Source);
        painter.drawImage(at, image_);
    }
    if (state_ == State::DrawFailed)
        std::rethrow_exception(failure_);
}

void DecodedPicture::drawInto(QImage& canvas, const QRect& target) const {
    throwIfLoadFailed();
    const qreal dpr = canvas.devicePixelRatio();
    const QRect device(qRound(target.x() * dpr), qRound(target.y() * dpr), qRound(target.width() * dpr),
                       qRound(target.height() * dpr));
    const QSize lack = device.size() - image_.size();
    const auto rows32 = [](const QImage& i) {
        return i.format() == QImage::Format_RGB32 || i.format() == QImage::Format_ARGB32_Premultiplied;
    };
    if (!image_.isNull() && std::abs(lack.width()) <= 2 && std::abs(lack.height()) <= 2 && rows32(image_) &&
        rows32(canvas)) {
        // Decoded for the device pixels: copied pixel for pixel into the
        // canvas's device pixels. The painter's scaled path would resample
        // (and soften) every pixel for the pixel or two by which the
        // rounding of the logical rectangle may differ: a picture a pixel
        // too large is cut there, one too small repeats its edge. A complete
        // picture replaces what was there; a partial one only where the
        // decoder reached.
        copyPixelForPixel({image_.constBits(), image_.bytesPerLine(), image_.size()},
                          {canvas.bits(), canvas.bytesPerLine(), canvas.size()}, device.topLeft(),
                          device.size(), state_ == State::DrawFailed ? PixelBlend::Over : PixelBlend::Replace);
    } else if (!image_.isNull()) {
        QPainter painter(&canvas);
        painter.setCompositionMode(state_ == State::DrawFailed ? QPainter::CompositionMode_SourceOver
                                                               : QPainter::CompositionMode_Source);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(target), image_);
    }
    if (state_ == State::DrawFailed)
        std::rethrow_exception(failure_);
}

qint64 DecodedPicture::bytes() const {
    return qint64(sizeof(DecodedPicture)) + (image_.isNull() ? 0 : image_.sizeInBytes());
}

DecodedPicture decodePicture(ColourTransformCache& colours, const QString& path, QSize box) {
    return decodePicture(colours, path, box, colours.targetProfile());
}

DecodedPicture decodePicture(ColourTransformCache& colours, const QString& path, QSize box,
                             const QByteArray& targetProfile) {
    const QFileInfo fi(path);
    if (!fi.exists() || fi.isDir())
        return DecodedPicture::missing();
    int w = 0, h = 0;
    bool loaded = false;
    QImage image;
    try {
        // One object of each classic kind, as every decode of a picture makes
        // them, and the object of a newer format when the picture is one.
        auto jpeg = makePictureObject(PictureKind::Jpeg, colours);
        auto bitmap = makePictureObject(PictureKind::Bitmap, colours);
        const PictureKind kind = pictureKindOf(path);
        const auto other = kind == PictureKind::Jpeg || kind == PictureKind::Bitmap ? nullptr : makePictureObject(kind, colours);
        PictureObject& picture = kind == PictureKind::Bitmap ? *bitmap : other ? *other : *jpeg;
        try {
            picture.load(path);
        } catch (...) {
            return DecodedPicture::loadFailed(std::current_exception());
        }
        loaded = true;
        w = picture.width();
        h = picture.height();
        const Fit fit = fitPicture(w, h, box.width(), box.height());
        if (fit.width <= 0 || fit.height <= 0)
            return DecodedPicture::drawn(w, h, QImage());
        // Transparent until drawn, so that a draw failing part way shows
        // which pixels it reached.
        image = transparentImage(QSize(fit.width, fit.height));
        picture.setDrawProfile(targetProfile);
        picture.draw(image, QRect(0, 0, fit.width, fit.height));
        // Colour management on the drawn pixels only: an untagged picture costs nothing.
        colours.apply(image, picture.iccProfile(), targetProfile);
    } catch (...) {
        if (!loaded)
            return DecodedPicture::loadFailed(std::current_exception());
        return DecodedPicture::drawFailed(w, h, image, std::current_exception());
    }
    // Every pixel is opaque now: the same bytes are a plain RGB32 picture.
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return DecodedPicture::drawn(w, h, std::move(image));
}

} // namespace soru
