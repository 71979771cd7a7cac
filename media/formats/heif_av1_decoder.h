#pragma once
// The AV1 decoder libheif uses for AVIF pictures: dav1d (on every core for
// large pictures, on one for small ones such as a grid's tiles), with the
// colour converted to planar RGB by integer tables as the picture
// comes out of the decoder. libheif (1.15) turns every decoded picture into
// planar RGB at full size before anything else, in floating point and on
// one core; given RGB, it has nothing left to do. Monochrome pictures (and
// alpha planes) and pictures of more than 8 bits, or of a colour matrix the
// tables do not cover, are handed over as YCbCr, as libheif's own decoders
// do.
#include <cstdint>

namespace soru {

// Registers the decoder with libheif, ahead of its own AV1 decoders. Call
// once, after heif_init().
void registerAv1Decoder();

// The colour description (H.273 codes) a HEIF image's container gives in
// its nclx colour property. Where there is one it wins over the AV1
// sequence header's, as in other HEIF readers.
struct ContainerColour {
    int primaries = 2, transfer = 2, matrix = 2;
    bool fullRange = true;
};

// While it lasts, AV1 pictures decoded on this thread take the colour given
// (none: the sequence header's). libheif must decode the image's tiles on
// the calling thread for it to reach them.
class ContainerColourScope {
public:
    explicit ContainerColourScope(const ContainerColour* colour);
    ~ContainerColourScope();
    ContainerColourScope(const ContainerColourScope&) = delete;
    ContainerColourScope& operator=(const ContainerColourScope&) = delete;

private:
    const ContainerColour* previous_;
};

// How many dav1d decoders the plugin has opened since the program started.
// Small pictures, a grid's tiles, share a few single-threaded ones instead
// of each starting its own.
std::uint64_t av1DecodersOpened();

// The YCbCr-to-RGB step for one matrix (H.273 codes 0, 1, 4 to 7, 9, and 2,
// unspecified, read as BT.601) and range, on 8-bit samples. False for
// other matrices.
class YcbcrToRgb {
public:
    bool setUp(int matrix, bool fullRange);
    // n pixels: y[x] with the chroma sample cb/cr[x >> chromaShift].
    void row(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int chromaShift, int n,
             uint8_t* r, uint8_t* g, uint8_t* b) const;

private:
    bool identity_ = false;
    bool fullRange_ = true;
    int16_t offset_ = 0, kY_ = 0, kRCr_ = 0, kGCb_ = 0, kGCr_ = 0, kBCb_ = 0;
    int y_[256] = {}, rCr_[256] = {}, gCb_[256] = {}, gCr_[256] = {}, bCb_[256] = {};
};

} // namespace soru
