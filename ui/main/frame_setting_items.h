#pragma once
// The photo frame's settings as menu items: each item carries the setting
// it sets and the value, and is checked while the setting has that value.
#include "core/frame_settings.h"

namespace soru {

enum class FrameKey { Interval, Order, Fade, Captions, Sounds };

inline int frameSettingOf(const FrameSettings& s, FrameKey key) {
    switch (key) {
    case FrameKey::Interval: return s.intervalMs;
    case FrameKey::Order: return int(s.order);
    case FrameKey::Fade: return s.fadeMs;
    case FrameKey::Captions: return s.captions;
    case FrameKey::Sounds: return s.sounds;
    }
    return 0;
}

inline void setFrameSetting(FrameSettings& s, FrameKey key, int value) {
    switch (key) {
    case FrameKey::Interval: s.intervalMs = value; break;
    case FrameKey::Order: s.order = FrameOrder(value); break;
    case FrameKey::Fade: s.fadeMs = value; break;
    case FrameKey::Captions: s.captions = value != 0; break;
    case FrameKey::Sounds: s.sounds = value != 0; break;
    }
}

} // namespace soru
