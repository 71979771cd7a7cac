#pragma once
// One picture decoded for one drawing size, with everything the viewer and
// the thumbnail sheet need to present it exactly as if they had decoded it
// on the spot: the picture's own size, the picture drawn at its fitted size,
// or the failure and the state a failing decode leaves.
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

#include <exception>

namespace soru {

class ColourTransformCache;

class DecodedPicture {
public:
    enum class State {
        Missing,    // no file (a folder does not count): nothing to show, no failure
        LoadFailed, // the file could not be loaded: nothing changes, the failure is raised
        Drawn,      // loaded and drawn
        DrawFailed, // loaded (own size known), then drawing failed part way
    };

    DecodedPicture() = default;
    static DecodedPicture missing();
    static DecodedPicture loadFailed(std::exception_ptr failure);
    static DecodedPicture drawn(int width, int height, QImage image);
    static DecodedPicture drawFailed(int width, int height, QImage partial,
                                     std::exception_ptr failure);

    State state() const { return state_; }
    bool isMissing() const { return state_ == State::Missing; }
    bool failed() const { return state_ == State::LoadFailed || state_ == State::DrawFailed; }

    // The picture's own size as its file states it; 0 when Missing or
    // LoadFailed.
    int width() const { return width_; }
    int height() const { return height_; }

    // The picture drawn at its fitted size (Format_RGB32), null when the
    // fitted size is empty (nothing is drawn then). After DrawFailed, what
    // the decoder drew before it failed, as Format_ARGB32_Premultiplied with
    // every pixel it did not reach transparent.
    const QImage& image() const { return image_; }

    // The failure's text ("" when there is none).
    QString failureText() const;
    // Raises the failure as the decoder raised it (the same exception), if
    // loading failed. Does nothing otherwise.
    void throwIfLoadFailed() const;
    // Draws the picture into the canvas with its top-left corner at `at`,
    // exactly as the picture object would have drawn it there; after
    // DrawFailed, draws what the decoder reached and raises the failure.
    // Missing and LoadFailed draw nothing (LoadFailed raises).
    void drawAt(QImage& canvas, QPoint at) const;
    // The same into a rectangle of the canvas's logical pixels: decoded for
    // the canvas's device pixels, the picture lands one pixel on one device
    // pixel; otherwise it is scaled smoothly to fill the rectangle.
    void drawInto(QImage& canvas, const QRect& target) const;

    // Memory the picture holds, for the cache's bound.
    qint64 bytes() const;

private:
    State state_ = State::Missing;
    int width_ = 0;
    int height_ = 0;
    QImage image_;
    std::exception_ptr failure_;
};

// Decodes the picture at path for a box of the given size, on the calling
// thread, as the viewer does: the picture kind from the path, one object of
// each kind, load, then draw shrunk to fit the box (never enlarged), with
// the same fit the view and the thumbnail cells use. Never throws: every
// failure is kept in the result. The drawn pixels are converted to the
// colour cache's target profile (the screen's).
DecodedPicture decodePicture(ColourTransformCache& colours, const QString& path, QSize box);
// The same with the drawn pixels converted to the given profile (empty:
// sRGB) instead of the cache's target, as the desktop's thumbnails want them.
DecodedPicture decodePicture(ColourTransformCache& colours, const QString& path, QSize box,
                             const QByteArray& targetProfile);

} // namespace soru
