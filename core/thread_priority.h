#pragma once
// Background threads below the user-interface thread and the display
// server, so that what the user asked for reaches the screen first.

namespace soru {

enum class BackgroundWork {
    Ahead, // decoding pictures before they are asked for
    Last,  // work nobody waits for (writing thumbnails)
};

// Lowers the calling thread's priority for that kind of work.
void lowerThisThreadFor(BackgroundWork work);

} // namespace soru
