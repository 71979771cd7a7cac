#include "app/start.h"

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
