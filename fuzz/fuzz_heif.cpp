// The HEIF (HEIC, AVIF) picture object on arbitrary file contents.
#include "fuzz/harness.h"
#include "fuzz/pictures.h"

#include "core/failure.h"
#include "media/colour/colour_management.h"
#include "media/formats/heif_picture.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    soru::fuzz::startQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A grid or overlay may decode to a canvas far larger than the size it
    // states: large canvases within the limit are skipped, as large
    // pictures are (the refusal of those beyond it is still exercised).
    soru::ColourTransformCache colours;
    soru::HeifPicture probe(colours);
    try {
        probe.load(soru::fuzz::writeScratchFile("canvas.heic", data, size));
        if (probe.canvasPixels() > (1 << 20))
            return 0;
    } catch (const soru::Failure&) {
    }
    soru::fuzz::exercisePicture(soru::PictureKind::Heif, data, size);
    return 0;
}
