#pragma once
// The first picture of a start, decoded from the program's first moment.
//
// Loading the toolkit's libraries takes the first ten milliseconds of a
// start, before the program's own code runs at all. The launcher (a small
// program of its own, which loads the rest afterwards) therefore starts the
// decode of the library's first picture, when it is a JPEG, before it loads
// them; the picture's own decode then takes the result over instead of
// decoding the file a second time. Nothing here needs the toolkit.
//
// The result is taken over only for the same bytes at the same reduction,
// so a file changed in between, or a picture the launcher guessed wrong, is
// simply decoded as always.
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

namespace soru {

class EarlyJpeg {
public:
    // Starts reading and decoding the file at path, reduced as a picture
    // area of boxWidth x boxHeight device pixels needs it, on a thread of
    // its own. Null when it is not a regular file of at most kMaxBytes.
    // The thread leaves alone what the picture's own decode does better:
    // files that are not one-scan colour JPEGs, or beyond the memory limit.
    // Never throws.
    static std::shared_ptr<EarlyJpeg> start(const std::string& path, int boxWidth, int boxHeight);

    static constexpr std::size_t kMaxBytes = std::size_t(64) << 20;

    // The file's size when it was opened.
    std::size_t size() const { return size_; }
    // Waits for the thread; then the bytes it read (the whole file) and the
    // reduction it decoded at, 0 when it decoded nothing.
    void wait();
    const unsigned char* bytes() const { return bytes_; }
    std::size_t bytesRead() const { return read_; }
    int denominator() const { return denominator_; }

    // Waits for the thread. The pixels, width x height of them in 4-byte
    // rows in the order of the toolkit's 32-bit RGB, malloc'd and now the
    // caller's; null when nothing was decoded (the picture's own decode
    // then reports why) or the pixels were taken before.
    unsigned char* takePixels(int& width, int& height);

    EarlyJpeg(const EarlyJpeg&) = delete;
    EarlyJpeg& operator=(const EarlyJpeg&) = delete;
    ~EarlyJpeg();

private:
    EarlyJpeg() = default;
    void run(int fd, int boxWidth, int boxHeight);

    std::size_t size_ = 0, read_ = 0;
    unsigned char* bytes_ = nullptr;
    int denominator_ = 0;
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    unsigned char* pixels_ = nullptr;
    int width_ = 0, height_ = 0;
};

// The early decode the launcher handed over, for decodeJpeg to take: the
// one for exactly these bytes at this reduction, once. Null otherwise, at
// once for bytes of another size.
void offerEarlyJpeg(std::shared_ptr<EarlyJpeg> early);
std::shared_ptr<EarlyJpeg> takeEarlyJpeg(const unsigned char* data, std::size_t size,
                                         int denominator);
// Lets go of an early decode nobody took (its memory).
void dropEarlyJpeg();
// Whether a decode took an early one over in this run.
bool earlyJpegTaken();

} // namespace soru
