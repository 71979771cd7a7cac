#include "media/formats/early_jpeg.h"

#include "core/fitting.h"
#include "core/limits.h"
#include "media/formats/exif_core.h"
#include "media/formats/jpeg_core.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>

#if defined(__unix__)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace soru {

namespace {

// size bytes of malloc'd memory with its pages already in place: one call
// instead of a page fault every 4 KiB as the decode first writes them,
// while the launcher, on the other core, maps the program's libraries.
unsigned char* allocatePopulated(std::size_t size) {
    auto* p = static_cast<unsigned char*>(std::malloc(size));
#ifdef MADV_POPULATE_WRITE
    if (p) {
        const std::size_t page = 4096, start = (std::size_t(p) + page - 1) & ~(page - 1);
        if (start < std::size_t(p) + size)
            ::madvise(reinterpret_cast<void*>(start), std::size_t(p) + size - start,
                      MADV_POPULATE_WRITE); // a hint: an older kernel just says no
    }
#endif
    return p;
}

// The reduction the picture's own decode picks for a w x h picture shown
// upright in the box.
int denominatorFor(int w, int h, int boxWidth, int boxHeight) {
    const Fit fit = fitPicture(w, h, boxWidth, boxHeight);
    return jpegcore::scaleDenominator(w, h, fit.width, fit.height);
}

std::mutex offeredMutex;
std::shared_ptr<EarlyJpeg> offered;
bool taken = false;

} // namespace

std::shared_ptr<EarlyJpeg> EarlyJpeg::start(const std::string& path, int boxWidth, int boxHeight) {
// Started by the launcher, which is made for Linux only so far.
#if defined(JCS_EXTENSIONS) && defined(__unix__)
    if (boxWidth <= 0 || boxHeight <= 0)
        return nullptr;
    // Opened without blocking, so a named pipe cannot hold the start up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
        std::size_t(st.st_size) > kMaxBytes) {
        ::close(fd);
        return nullptr;
    }
    try {
        std::shared_ptr<EarlyJpeg> early(new EarlyJpeg);
        early->size_ = std::size_t(st.st_size);
        std::thread([early, fd, boxWidth, boxHeight] { early->run(fd, boxWidth, boxHeight); })
            .detach();
        return early;
    } catch (...) {
        ::close(fd); // no memory, no thread: the picture's own decode runs
        return nullptr;
    }
#else
    (void)path, (void)boxWidth, (void)boxHeight;
    return nullptr;
#endif
}

EarlyJpeg::~EarlyJpeg() {
    std::free(pixels_);
    std::free(bytes_);
}

#if defined(__unix__)
void EarlyJpeg::run(int fd, int boxWidth, int boxHeight) {
    unsigned char* pixels = nullptr;
    int d = 0, width = 0, height = 0;
    bytes_ = allocatePopulated(size_);
    if (bytes_) {
        while (read_ < size_) {
            const ssize_t n = ::read(fd, bytes_ + read_, size_ - read_);
            if (n <= 0)
                break;
            read_ += std::size_t(n);
        }
    }
    ::close(fd);
    jpegcore::JpegJob job;
    std::memset(&job, 0, sizeof job);
    job.data = bytes_;
    job.size = static_cast<unsigned long>(read_);
    job.denominator = 1;
    // Colour pictures of one scan only: the others take steps of the
    // picture's own decode that are not worth repeating here.
    bool ok = read_ > 0 && jpegcore::probeC(&job) && !job.multiScan && job.components == 3 &&
              job.colorSpace != JCS_GRAYSCALE && job.colorSpace != JCS_CMYK &&
              job.colorSpace != JCS_YCCK;
    if (ok) {
        // The reduction for the picture as it is shown, upright.
        const bool turned = exifOrientationOf(bytes_, read_) >= 5;
        d = turned ? denominatorFor(job.height, job.width, boxWidth, boxHeight)
                   : denominatorFor(job.width, job.height, boxWidth, boxHeight);
        job.denominator = d;
        ok = jpegcore::probeC(&job) && pictureFitsMemoryLimit(job.outWidth, job.outHeight, 4) &&
             job.rowBytes == std::size_t(job.outWidth) * 4;
    }
    unsigned char** rows = nullptr;
    if (ok) {
        width = job.outWidth;
        height = job.outHeight;
        const std::size_t rowBytes = std::size_t(width) * 4;
        pixels = allocatePopulated(rowBytes * std::size_t(height));
        rows = static_cast<unsigned char**>(std::malloc(sizeof(unsigned char*) * std::size_t(height)));
        ok = pixels && rows;
        if (ok) {
            for (int y = 0; y < height; ++y)
                rows[y] = pixels + rowBytes * std::size_t(y);
            job.rows = rows;
            job.stopAtDataEnd = true;
            ok = jpegcore::decodeC(&job);
        }
        if (ok) {
            // Rows the data never reached are white, as in the picture's
            // own decode.
            for (int y = job.rowsDone; y < height; ++y)
                std::memset(rows[y], 0xFF, rowBytes);
        }
    }
    std::free(rows);
    if (!ok) {
        std::free(pixels);
        pixels = nullptr;
        d = 0;
    }
    {
        const std::lock_guard lock(mutex_);
        pixels_ = pixels;
        denominator_ = d;
        width_ = width;
        height_ = height;
        finished_ = true;
    }
    done_.notify_all();
}
#else
void EarlyJpeg::run(int, int, int) {}
#endif

void EarlyJpeg::wait() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return finished_; });
}

unsigned char* EarlyJpeg::takePixels(int& width, int& height) {
    wait();
    const std::lock_guard lock(mutex_);
    unsigned char* p = pixels_;
    pixels_ = nullptr;
    width = width_;
    height = height_;
    return p;
}

void offerEarlyJpeg(std::shared_ptr<EarlyJpeg> early) {
    const std::lock_guard lock(offeredMutex);
    offered = std::move(early);
}

std::shared_ptr<EarlyJpeg> takeEarlyJpeg(const unsigned char* data, std::size_t size,
                                         int denominator) {
    std::shared_ptr<EarlyJpeg> early;
    {
        const std::lock_guard lock(offeredMutex);
        if (!offered || offered->size() != size)
            return nullptr;
        early = offered;
    }
    early->wait();
    if (early->denominator() != denominator || early->bytesRead() != size ||
        std::memcmp(early->bytes(), data, size) != 0)
        return nullptr;
    const std::lock_guard lock(offeredMutex);
    if (offered != early)
        return nullptr; // taken by another decode meanwhile
    offered.reset();
    taken = true;
    return early;
}

void dropEarlyJpeg() {
    const std::lock_guard lock(offeredMutex);
    offered.reset();
}

bool earlyJpegTaken() {
    const std::lock_guard lock(offeredMutex);
    return taken;
}

} // namespace soru
