#include "media/formats/picture_rows.h"

#include "media/formats/exif_orientation.h"
#include "media/formats/scaling.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <new>

namespace soru {

void composeOverGround(QRgb* row, int n) {
    constexpr int g = 255; // each channel of the white ground
    for (int i = 0; i < n; ++i) {
        const QRgb p = row[i];
        const int a = qAlpha(p);
        if (a == 255)
            continue;
        const auto mix = [a](int c) { return (c * a + g * (255 - a) + 127) / 255; };
        row[i] = qRgb(mix(qRed(p)), mix(qGreen(p)), mix(qBlue(p)));
    }
}

namespace {

bool writesStraight(const QImage& canvas, const QRect& target) {
    const QImage::Format f = canvas.format();
    return (f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
            f == QImage::Format_ARGB32_Premultiplied) &&
           canvas.rect().contains(target);
}

void paintOpaque(QImage& canvas, const QRect& target, const QImage& image) {
    QPainter painter(&canvas);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(target.topLeft(), image);
}

} // namespace

QImage transparentImage(QSize size) {
    if (size.isEmpty())
        return {};
    const qsizetype bytesPerLine = qsizetype(size.width()) * 4;
    if (bytesPerLine > std::numeric_limits<qsizetype>::max() / size.height())
        throw std::bad_alloc();
    // Transparent is all zero bytes, as calloc gives them.
    void* data = std::calloc(std::size_t(size.height()), std::size_t(bytesPerLine));
    if (!data)
        throw std::bad_alloc();
    QImage image(static_cast<uchar*>(data), size.width(), size.height(), bytesPerLine,
                 QImage::Format_ARGB32_Premultiplied, [](void* p) { std::free(p); }, data);
    if (image.isNull()) {
        std::free(data);
        throw std::bad_alloc();
    }
    return image;
}

ScaledRowTarget::ScaledRowTarget(QImage& canvas, const QRect& target, QSize stored, int orientation)
    : canvas_(canvas), target_(target), orientation_(orientation), stored_(stored) {
    reduced_ = orientationSwapsSides(orientation) ? target.size().transposed() : target.size();
    if (orientation == 1 && writesStraight(canvas, target)) {
        out_ = canvas.scanLine(target.top()) + qsizetype(target.left()) * 4;
        stride_ = canvas.bytesPerLine();
    } else {
        // Transparent until a row is written, so that a picture cut short
        // covers only what it reached.
        scratch_ = transparentImage(reduced_);
        out_ = scratch_.bits();
        stride_ = scratch_.bytesPerLine();
    }
    scaler_ = std::make_unique<StreamScaler>(stored, reduced_, out_, stride_);
}

ScaledRowTarget::~ScaledRowTarget() = default;

void ScaledRowTarget::addRow(int y, const QRgb* row) {
    scaler_->addRow(y, row);
}

ScaledRowTarget::Parts ScaledRowTarget::splitInTwo() {
    // Each half writes only the target rows all of whose stored rows it
    // gets, so the two never write the same row.
    const int h = reduced_.height(), middle = h / 2;
    second_ = std::make_unique<StreamScaler>(stored_, reduced_, out_, stride_);
    return {StreamScaler::sourceRowsOf(stored_.height(), h, 0, middle).second,
            StreamScaler::sourceRowsOf(stored_.height(), h, middle, h).first};
}

void ScaledRowTarget::addRow(int part, int y, const QRgb* row) {
    (part && second_ ? second_ : scaler_)->addRow(y, row);
}

void placeOpaque(QImage& canvas, const QRect& target, const QImage& picture) {
    if (writesStraight(canvas, target)) {
        for (int y = 0; y < picture.height(); ++y)
            std::copy_n(reinterpret_cast<const QRgb*>(picture.constScanLine(y)), picture.width(),
                        reinterpret_cast<QRgb*>(canvas.scanLine(target.top() + y)) + target.left());
    } else {
        paintOpaque(canvas, target, picture);
    }
}

void ScaledRowTarget::finish() {
    if (scratch_.isNull())
        return;
    placeOpaque(canvas_, target_, turnedUpright(std::move(scratch_), orientation_));
}

void ScaledRowTarget::finishPartial() {
    if (scratch_.isNull())
        return; // the whole rows are on the canvas already
    const QImage upright = turnedUpright(std::move(scratch_), orientation_);
    QPainter painter(&canvas_);
    painter.drawImage(target_.topLeft(), upright);
}

void drawUprightScaled(QImage& canvas, const QRect& target, QImage stored, int orientation) {
    if (target.isEmpty() || stored.isNull())
        return;
    const QImage upright = turnedUpright(std::move(stored), orientation);
    drawSmoothScaled(canvas, target, upright);
}

} // namespace soru
