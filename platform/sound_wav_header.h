#pragma once
// The playing time of a RIFF/WAVE file, read from its header. The sound
// player uses it to decide whether a file is worth handing to the audio
// back-end at all, and how long a synchronous call may wait.
#include <QByteArrayView>
#include <QString>

#include <chrono>
#include <optional>

namespace soru {

// How many bytes of a file wavFileDuration reads: every chunk before the
// "data" chunk (and the "fmt " chunk) must lie within them.
inline constexpr qsizetype kWavHeaderReadLimit = 256 * 1024;

// The playing time of a wave file whose first bytes are `head` and whose
// whole size is `fileSize`: the bytes of the "data" chunk (as many as it
// claims, but no more than the file holds) divided by the byte rate of the
// "fmt " chunk, rounded to the nearest millisecond. The size in the RIFF
// header is ignored (writers often get it wrong); chunks of odd length are
// followed by a pad byte. Nothing when the bytes are not a wave file: no
// RIFF/WAVE signature, no "fmt " chunk of at least 16 bytes with channels,
// sample rate, byte rate and block alignment all non-zero, or no "data"
// chunk within `head`.
std::optional<std::chrono::milliseconds> wavDuration(QByteArrayView head, qint64 fileSize);

// The same for a file on disk. Nothing for a missing or unreadable file and
// for anything that is not a regular file (a folder, a pipe).
std::optional<std::chrono::milliseconds> wavFileDuration(const QString& path);

} // namespace soru
