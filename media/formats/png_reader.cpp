#include "media/formats/png_reader.h"

#include <cstring>
#include <new>

namespace soru {

bool isPngSignature(const QByteArray& bytes) {
    return bytes.size() >= 8 &&
           png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.constData()), 0, 8) == 0;
}

PngReader::PngReader(const QByteArray& bytes, const Limits& limits)
    : data_(reinterpret_cast<const png_byte*>(bytes.constData())), size_(std::size_t(bytes.size())) {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, onError, onWarning);
    if (!png_ || !(info_ = png_create_info_struct(png_))) {
        png_destroy_read_struct(&png_, &info_, nullptr);
        throw std::bad_alloc();
    }
    png_set_read_fn(png_, this, onRead);
    png_set_user_limits(png_, limits.maxSide, limits.maxSide);
    png_set_chunk_malloc_max(png_, limits.chunkMemory);
    png_set_chunk_cache_max(png_, limits.chunkCount);
    if (limits.compressionBuffer > 0)
        png_set_compression_buffer_size(png_, limits.compressionBuffer);
    if (!limits.keepText) {
        static const png_byte kText[] = "tEXt\0zTXt\0iTXt";
        png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, kText, 3);
    }
}

PngReader::~PngReader() { png_destroy_read_struct(&png_, &info_, nullptr); }

void PngReader::onRead(png_structp png, png_bytep out, std::size_t n) {
    auto* r = static_cast<PngReader*>(png_get_io_ptr(png));
    if (n > r->size_ - r->pos_)
        png_error(png, "cut short");
    std::memcpy(out, r->data_ + r->pos_, n);
    r->pos_ += n;
}

void PngReader::onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

bool PngReader::readHeader(Header& h) {
    if (setjmp(png_jmpbuf(png_)))
        return false;
    png_read_info(png_, info_);
    int depth = 0;
    png_get_IHDR(png_, info_, &h.width, &h.height, &depth, &h.colourType, &h.interlace, nullptr,
                 nullptr);
    png_charp name = nullptr;
    int compression = 0;
    if (png_get_valid(png_, info_, PNG_INFO_iCCP))
        png_get_iCCP(png_, info_, &name, &compression, &h.icc, &h.iccLength);
    if (png_get_valid(png_, info_, PNG_INFO_eXIf))
        png_get_eXIf_1(png_, info_, &h.exifLength, &h.exif);
    return true;
}

bool PngReader::startRows(bool dropAlpha, int& passes) {
    if (setjmp(png_jmpbuf(png_)))
        return false;
    png_set_expand(png_); // palette to RGB, small greys to 8 bits, tRNS to alpha
    png_set_scale_16(png_);
    if (dropAlpha)
        png_set_strip_alpha(png_);
    png_set_gray_to_rgb(png_);
    png_set_bgr(png_);
    png_set_filler(png_, 0xFF, PNG_FILLER_AFTER); // no effect when alpha is there
    passes = png_set_interlace_handling(png_);
    png_read_update_info(png_, info_);
    return png_get_rowbytes(png_, info_) == std::size_t(png_get_image_width(png_, info_)) * 4;
}

bool PngReader::readRows(int width, int height, int passes, QRgb* row, QRgb* whole, RowSink sink,
                         void* context) {
    if (setjmp(png_jmpbuf(png_)))
        return false;
    if (whole) {
        const std::size_t stride = std::size_t(width);
        for (int pass = 0; pass < passes; ++pass)
            for (int y = 0; y < height; ++y) {
                png_read_row(png_, nullptr, reinterpret_cast<png_bytep>(whole + stride * y));
                if (pass == 0)
                    reached_ = y + 1;
            }
        return true;
    }
    for (int y = 0; y < height; ++y) {
        png_read_row(png_, reinterpret_cast<png_bytep>(row), nullptr);
        sink(context, y, row);
    }
    return true;
}

bool PngReader::readImage(png_bytep* rows) {
    if (setjmp(png_jmpbuf(png_)))
        return false;
    png_read_image(png_, rows);
    png_read_end(png_, info_);
    return true;
}

std::vector<std::pair<QByteArray, QByteArray>> PngReader::texts() const {
    png_textp text = nullptr;
    int count = 0;
    png_get_text(png_, info_, &text, &count);
    std::vector<std::pair<QByteArray, QByteArray>> out;
    for (int i = 0; i < count; ++i)
        out.emplace_back(QByteArray(text[i].key),
                         QByteArray(text[i].text, qsizetype(text[i].text_length ? text[i].text_length
                                                                                : text[i].itxt_length)));
    return out;
}

} // namespace soru
