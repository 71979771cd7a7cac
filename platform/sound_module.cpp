// The entry of the sound module: Qt Multimedia and GStreamer, loaded on
// the first sound (see module_loader.h).
#include "platform/sound_media_output.h"

extern "C" Q_DECL_EXPORT soru::SoundOutput* soru_make_sound_output() {
    return new soru::MediaSoundOutput;
}
