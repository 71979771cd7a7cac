#pragma once
// How many scans a JPEG file may have (see decodeJpeg).

namespace soru {

// Files of more scans than this are refused.
inline constexpr int kMaxJpegScans = 100;

} // namespace soru
