#pragma once
// One piece of work split in two halves, run side by side.
#include <exception>
#include <thread>

namespace soru {

// Runs first on the calling thread and second on a thread of its own, and
// returns once both have ended. What either throws (memory, mostly) is
// thrown here after both have ended, the calling thread's first.
template <class First, class Second> void runOnTwoThreads(First&& first, Second&& second) {
    std::exception_ptr thrown;
    std::thread other([&] {
        try {
            second();
        } catch (...) {
            thrown = std::current_exception();
        }
    });
    try {
        first();
    } catch (...) {
        other.join();
        throw;
    }
    other.join();
    if (thrown)
        std::rethrow_exception(thrown);
}

} // namespace soru
