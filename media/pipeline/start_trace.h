#pragma once
// Marks of the program's start, for finding where its time goes. With
// SORU_TRACE_START set in the environment, each mark prints one line to
// standard error: the milliseconds of the monotonic clock (the clock a
// script that starts the program reads, so it can subtract its own start
// time) and the mark. Unset, a mark costs one load.
namespace soru {

void startMark(const char* what);
// Whether marks are printed.
bool startTracing();

} // namespace soru
