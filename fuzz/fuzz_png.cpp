// The PNG picture object on arbitrary file contents.
#include "fuzz/harness.h"
#include "fuzz/pictures.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    soru::fuzz::startQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    soru::fuzz::exercisePicture(soru::PictureKind::Png, data, size);
    return 0;
}
