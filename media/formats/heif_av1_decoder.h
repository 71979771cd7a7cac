#pragma once
// The AV1 decoder libheif uses for AVIF pictures: dav1d (on every core for
// large pictures, on one for small ones such as a grid's tiles), with the
// colour converted to 8-bit planar RGB in integer arithmetic (from 8 to 12
// bits) as the picture comes out of the decoder. libheif (1.15) turns every decoded picture into
// planar RGB at full size before anything else, in floating point and on
// one core; given RGB, it has nothing left to do. Monochrome pictures (and
// alpha planes) and pictures of a colour matrix the conversion does not
// cover are handed over as YCbCr, as libheif's own decoders do.
#include <cstddef>
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
// (none: the sequence header's), and so do 8-bit HEVC pictures when
// convertHevc lets the HEVC decoder convert them (not for pictures with an
// alpha plane, which libheif takes from a decoded picture's first plane).
// libheif must decode the image (and its tiles) on the calling thread for
// it to reach them.
class ContainerColourScope {
public:
    explicit ContainerColourScope(const ContainerColour* colour, bool convertHevc = false);
    ~ContainerColourScope();
    ContainerColourScope(const ContainerColourScope&) = delete;
    ContainerColourScope& operator=(const ContainerColourScope&) = delete;

private:
    const ContainerColour* previous_;
    bool previousHevc_;
};

// How many dav1d decoders the plugin has opened since the program started.
// Small pictures, a grid's tiles, share a few single-threaded ones instead
// of each starting its own.
std::uint64_t av1DecodersOpened();

// The YCbCr-to-RGB step for one matrix (H.273 codes 0, 1, 4 to 7, 9, and 2,
// unspecified, read as BT.601), range and depth, to 8-bit RGB in 13-bit
// fixed point: 8-bit samples, or 9 to 12 bits in 16-bit words. False for
// other matrices and depths.
class YcbcrToRgb {
public:
    bool setUp(int matrix, bool fullRange, int bitDepth = 8);
    // n pixels: y[x] with the chroma sample cb/cr[x >> chromaShift].
    void row(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int chromaShift, int n,
             uint8_t* r, uint8_t* g, uint8_t* b) const;
    void row(const uint16_t* y, const uint16_t* cb, const uint16_t* cr, int chromaShift, int n,
             uint8_t* r, uint8_t* g, uint8_t* b) const;
    // The chroma sample that stands for none (grey), for monochrome
    // pictures.
    int neutralChroma() const { return half_; }

private:
    template <typename Sample>
    void convert(const Sample* y, const Sample* cb, const Sample* cr, int chromaShift, int n,
                 uint8_t* r, uint8_t* g, uint8_t* b) const;
    bool identity_ = false;
    int depth_ = 8, shift_ = 13, offset_ = 0, half_ = 128, max_ = 255;
    int16_t kY_ = 0, kRCr_ = 0, kGCb_ = 0, kGCr_ = 0, kBCb_ = 0;
};

// Where the rows of a picture decoded straight from its coded data go.
class RgbRowSink {
public:
    virtual ~RgbRowSink() = default;
    // Before the first row: the picture's size.
    virtual void begin(int width, int height) = 0;
    // Row y of 8-bit RGB planes, top-down.
    virtual void row(int y, const uint8_t* r, const uint8_t* g, const uint8_t* b) = 0;

    // A sink that can take a large picture's rows on two threads at once
    // says, after begin(), where its two parts meet: rows [0, firstEnd)
    // come to row() on the calling thread while rows [secondBegin, height)
    // come to secondRow() on another, each part top-down; a row in both
    // parts comes to both. None (the default): every row comes to row().
    struct TwoParts {
        int firstEnd = 0, secondBegin = 0;
    };
    virtual bool splitInTwo(TwoParts&) { return false; }
    virtual void secondRow(int, const uint8_t*, const uint8_t*, const uint8_t*) {}
};

// YCbCr planes of any layout: 8-bit samples, or 9 to 12 bits in 16-bit
// words; chroma subsampled by sx and sy (0 or 1) rounding up. Monochrome
// pictures have only the first plane.
struct YcbcrPlanes {
    const uint8_t* data[3] = {};
    std::ptrdiff_t stride[3] = {};
    int width = 0, height = 0, depth = 8;
    int sx = 0, sy = 0;
    bool mono = false;
};

// The planes converted to 8-bit RGB row by row into the sink with
// YcbcrToRgb (subsampled chroma repeated, as libheif repeats it), on two
// threads for a large picture whose sink splits in two. False, with no
// row given, for a matrix or depth it does not cover.
bool convertYcbcrRows(const YcbcrPlanes& planes, int matrix, bool fullRange, RgbRowSink& sink);

// Decodes one AV1 picture (its configuration OBUs and its data, as a HEIF
// item holds them) without libheif, converting its colour row by row into
// the sink: colour is the container's description, or none for the
// sequence header's. No full-size picture is made beyond dav1d's own,
// whose memory is kept from one picture to the next. False when it does
// not decode or its colour cannot be converted; rows may have come.
bool decodeAv1Rows(const uint8_t* data, std::size_t size, const ContainerColour* colour,
                   RgbRowSink& sink);

// Decodes one HEVC picture (its configuration's parameter sets and its
// data, each unit after its size in four bytes, as libheif hands them to a
// decoder) with libheif's HEVC decoder, converting its colour row by row
// into the sink: colour is the container's description, or none for the
// stream's. libheif's own conversion (floating point, at full size, to
// deep RGB for deep pictures) is left out. False, with no row given, when
// it does not decode or its planes or colour are not as the conversion
// takes them. Needs registerHevcDecoder().
bool decodeHevcRows(const uint8_t* data, std::size_t size, const ContainerColour* colour,
                    RgbRowSink& sink);

// How many pictures decodeHevcRows has given the rows of since the program
// started.
std::uint64_t hevcPicturesConverted();

// Registers, ahead of libheif's own HEVC decoder, one that wraps it and
// converts the 8-bit pictures it decodes to RGB with YcbcrToRgb, as the AV1
// decoder does, where a ContainerColourScope lets it (other threads, and
// deeper pictures, keep libheif's conversion; decodeHevcRows draws deeper
// ones without it). Call once, after heif_init().
void registerHevcDecoder();

} // namespace soru
