#pragma once
// ICC profiles in test files: a JPEG with its profile in APP2 segments, a
// bitmap with a version 5 header.
#include <QByteArray>
#include <QImage>

namespace soru::testlib {

// The JPEG with the profile put in "ICC_PROFILE" APP2 segments right after
// its start (and JFIF) segment, split into pieces as the format allows.
QByteArray withIccProfile(const QByteArray& jpeg, const QByteArray& profile);

// A 24-bit bitmap with a version 5 header. With a profile, the header says
// it is embedded (placed after the pixels); otherwise the header holds the
// colour-space type, endpoints (XYZ of red, green, blue) and gammas given.
struct BitmapColour {
    QByteArray profile;
    quint32 type = 0x73524742; // 'sRGB'
    double endpoints[3][3] = {};
    double gamma[3] = {};
};
QByteArray encodeV5Bitmap(const QImage& image, const BitmapColour& colour);

} // namespace soru::testlib
