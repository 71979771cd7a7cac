#pragma once
// Shared by the fuzz targets: Qt started once per process on the offscreen
// platform, a private scratch folder, and a check that turns a broken
// promise of the code under test into a crash libFuzzer records.
#include <QString>

#include <cstddef>
#include <cstdint>

namespace soru::fuzz {

// Creates the QGuiApplication (offscreen platform, Qt's messages muted).
// Call once, from LLVMFuzzerInitialize.
void startQt();

// A folder private to this process, removed at exit; in memory (/dev/shm)
// where that exists, so writing an input per run stays cheap.
const QString& scratchFolder();
QByteArray scratchFolderBytes();

// Writes the bytes to scratchFolder()/name, replacing what was there, and
// returns the path.
QString writeScratchFile(const char* name, const std::uint8_t* data, std::size_t size);

[[noreturn]] void checkFailed(const char* condition, const char* file, int line);

} // namespace soru::fuzz

// Aborts (a crash for libFuzzer) when a property the code promises does
// not hold.
#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? void(0) : ::soru::fuzz::checkFailed(#condition, __FILE__, __LINE__))
