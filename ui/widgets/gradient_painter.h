#pragma once
// Paints the background ramp onto an image's drawing surface.
#include <QImage>

namespace soru {

class ImageBox;

// Paints the whole image with the bands of soru::gradientBands; start colour
// 0x00BBGGRR. Painting stays inside the image.
void paintGradient(QImage& image, quint32 startColour);
// The same on an image component: its canvas (created at its size if needed).
void paintGradient(ImageBox& image, quint32 startColour);

// 0x00BBGGRR to a Qt colour.
QColor colourFromBgr(quint32 bgr);

} // namespace soru
