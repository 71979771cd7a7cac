#include "app/start.h"

#if defined(SORU_PROGRAM_MODULE)
#include "media/formats/early_jpeg.h"

#include <memory>

// The program as the launcher (launcher.cpp) runs it, with the decode of
// the first picture it started, if any. The launcher has tuned the
// allocator as main() below does, before its first buffers.
extern "C" __attribute__((visibility("default"))) int
soru_program_main(int argc, char** argv, std::shared_ptr<soru::EarlyJpeg>* early) {
    if (early && *early)
        soru::offerEarlyJpeg(*early);
    return soru::runSoru(argc, argv);
}
#else
#if defined(__GLIBC__)
#include <malloc.h>
#endif

int main(int argc, char** argv) {
#if defined(__GLIBC__)
    // Picture buffers (a megabyte and more) get pages of their own and give
    // them back when freed. Left to itself, the allocator raises this bound
    // to the largest buffer freed so far and then serves pictures of mixed
    // sizes from its per-thread heaps, where freed space is kept: over a long
    // slide show the resident size then wanders with the mix of sizes.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
    return soru::runSoru(argc, argv);
}
#endif
