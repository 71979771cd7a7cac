#pragma once
// Colour management with Little CMS. Pictures that carry an ICC profile are
// converted to a target profile: the screen's for what is shown, sRGB for
// what leaves the program (wallpaper, clipboard). A picture without a
// profile is sRGB and is left as it is. A profile that cannot be used
// (damaged, cut short, of the wrong colour space) counts as no profile: it
// never fails a picture.
//
// The program owns one cache (made at its start, with the screen's profile
// as the target) and hands it to what converts colours; tests make their
// own. Transforms are made once per (source profile, target profile, pixel
// layout) and shared by every thread; the cache is safe to use from the
// decoding threads at once. It holds a bounded number of them, known by a
// digest of the profiles, and drops the least recently used; one dropped
// while a thread converts with it lives until that conversion ends. RGB pictures between matrix-shaper profiles are
// converted by the loop in matrix_shaper.h (lcms's bytes, faster), and a
// picture of a megapixel or more is shared out to helper threads.
#include <QByteArray>
#include <QImage>

#include <memory>

namespace soru {

// The colour space of an ICC profile, as far as pictures care.
enum class ProfileSpace { None, Grey, Rgb, Cmyk };

// What the bytes are: None when lcms cannot open them, or when the profile
// cannot convert a picture's samples to the connection space (a link, an
// abstract or a named-colour profile, another colour space).
ProfileSpace profileSpace(const QByteArray& profile);

class ColourTransformCache {
public:
    ColourTransformCache();
    ~ColourTransformCache();
    ColourTransformCache(const ColourTransformCache&) = delete;
    ColourTransformCache& operator=(const ColourTransformCache&) = delete;

    // The pixels (RGB32, or ARGB32 of opaque pixels; any other format is
    // first turned into RGB32), described by an RGB profile or, for a grey
    // picture drawn as RGB32 greys, a grey profile, converted in place to
    // the target (empty: sRGB). Returns false and changes nothing when the
    // profile is empty or cannot be used.
    bool apply(QImage& image, const QByteArray& profile, const QByteArray& target = {});

    // The first rows of image, four bytes per pixel of C, M, Y, K (stored
    // inverted when inverted is set, as Adobe writes them), converted in
    // place to RGB32 through the CMYK profile and the target (empty: sRGB).
    // Returns false and changes nothing when the profile cannot be used.
    bool applyCmyk(QImage& image, int rows, bool inverted, const QByteArray& profile,
                   const QByteArray& target = {});

    // The profile what is shown is converted to: the screen's, empty for
    // sRGB. A target that cannot be used counts as sRGB.
    void setTargetProfile(const QByteArray& profile);
    QByteArray targetProfile() const;

    // How many threads may convert one large picture (a megapixel or more)
    // at once, the calling one included; 0 (the default): as many as the
    // machine has cores. The pixels come out the same whatever the number.
    void setThreadLimit(int threads);

    // Transforms made so far (those that failed included), for tests.
    int transformCount() const;
    // Those of them that run on the 8-bit matrix-shaper loop rather than
    // through lcms, for tests.
    int matrixShaperCount() const;

    // The most transforms (failed ones included) the cache holds at once,
    // and the most memory they are reckoned to take.
    static constexpr int kMaxHeld = 32;
    static constexpr qint64 kMaxHeldBytes = 24 * 1024 * 1024;
    // What it holds now, for tests.
    int heldCount() const;
    qint64 heldBytes() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// A calibrated RGB profile made from the three primaries' CIE XYZ values
// at full intensity (white being their sum) and each channel's gamma (the
// stored value is the light raised to 1/gamma). Empty when the numbers make
// no sensible profile.
QByteArray calibratedRgbProfile(const double (&xyz)[3][3], const double (&gamma)[3]);

// A calibrated RGB profile made from the three primaries' chromaticities
// (x, y, z each, or any positive multiple of them: only their ratios count)
// with a D65 white, and each channel's gamma, as version 4 and 5 bitmap
// headers give them. Empty when the numbers make no sound space: a negative
// or missing value, a primary without light, primaries on one line, a white
// outside their triangle, a gamma out of reason.
QByteArray chromaticityRgbProfile(const double (&endpoints)[3][3], const double (&gamma)[3]);

} // namespace soru
