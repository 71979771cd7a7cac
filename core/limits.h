#pragma once
// The one memory limit for decoded pictures. Every decoder checks a
// picture's size against it before allocating anything for its pixels, so a
// small file that claims an enormous picture is refused instead of
// exhausting memory. (Plain C++: the launcher uses it too.)
namespace soru {

inline constexpr long long kMaxDecodedPictureBytes = 1LL << 30;

// True when a width x height picture at bytesPerPixel fits the limit. Sizes
// that are zero or negative never fit. Written with a division so that no
// product can overflow, whatever the header claims.
inline constexpr bool pictureFitsMemoryLimit(long long width, long long height, int bytesPerPixel) {
    if (width <= 0 || height <= 0 || bytesPerPixel <= 0)
        return false;
    const long long maxPixels = kMaxDecodedPictureBytes / bytesPerPixel;
    return width <= maxPixels / height;
}

} // namespace soru
