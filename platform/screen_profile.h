#pragma once
// The screen's colour profile, as the desktop publishes it.
#include <QByteArray>

namespace soru {

// The ICC profile of the primary screen: on X11 the _ICC_PROFILE property
// of the root window (set by colour-management daemons and calibration
// tools). Empty elsewhere, or when it is not set: pictures then go to sRGB.
// Call after the application object exists.
QByteArray screenColourProfile();

} // namespace soru
