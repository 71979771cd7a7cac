#pragma once
// One libpng decoder over bytes in memory, shared by the PNG picture and the
// thumbnail store. libpng reports errors with longjmp: each member that
// calls it catches that in its own frame and answers false, holds no object
// with a destructor, and writes only into buffers its caller owns.
#include <QByteArray>
#include <QRgb>

#include <png.h>

#include <cstddef>
#include <utility>
#include <vector>

namespace soru {

// Whether the bytes start with the PNG signature.
bool isPngSignature(const QByteArray& bytes);

class PngReader {
public:
    struct Limits {
        png_uint_32 maxSide = PNG_UINT_31_MAX; // a wider or taller picture fails its header
        png_alloc_size_t chunkMemory = 1 << 20; // an ancillary chunk inflating past this is dropped
        png_uint_32 chunkCount = 100;           // the most ancillary chunks kept
        bool keepText = true;                   // false: text chunks are skipped unread
        std::size_t compressionBuffer = 0;      // the pixels' read size; 0: libpng's own
    };

    struct Header {
        png_uint_32 width = 0, height = 0;
        int colourType = 0, interlace = 0;
        png_bytep icc = nullptr; // owned by the reader
        png_uint_32 iccLength = 0;
        png_bytep exif = nullptr; // owned by the reader
        png_uint_32 exifLength = 0;
    };

    using RowSink = void (*)(void* context, int y, QRgb* row);

    // Reads from bytes, which must outlive the reader. Throws std::bad_alloc
    // when libpng cannot make its structures.
    PngReader(const QByteArray& bytes, const Limits& limits);
    ~PngReader();
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    // Reads the chunks up to the pixels.
    bool readHeader(Header& header);
    // Asks for 8-bit rows of QRgb whatever is stored: palettes, greys and
    // 16 bits expanded, alpha kept (not premultiplied) unless dropAlpha, else
    // opaque. passes: how many interlace passes the rows come in. False also
    // when a row would not be four bytes a pixel.
    bool startRows(bool dropAlpha, int& passes);
    // Every row top-down, each given to sink; when the data fails, the rows
    // before the failure have been given. An interlaced picture (passes > 1)
    // is read whole into `whole` instead, each pass drawn as libpng displays
    // it (every pixel repeated over the block later passes fill in), so a
    // picture cut short still has every row its first pass reached
    // (reached()). The sink may throw; no libpng frame lies between.
    bool readRows(int width, int height, int passes, QRgb* row, QRgb* whole, RowSink sink,
                  void* context);
    // Rows of the first pass an interlaced read reached before it failed.
    int reached() const { return reached_; }
    // Every row into rows (all passes), then the chunks after them.
    bool readImage(png_bytep* rows);
    // The text chunks read so far: key and text.
    std::vector<std::pair<QByteArray, QByteArray>> texts() const;

private:
    static void onRead(png_structp png, png_bytep out, std::size_t n);
    static void onError(png_structp png, png_const_charp);
    static void onWarning(png_structp, png_const_charp) {}

    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    const png_byte* data_ = nullptr;
    std::size_t size_ = 0, pos_ = 0;
    int reached_ = 0; // kept here: a longjmp loses locals
};

} // namespace soru
