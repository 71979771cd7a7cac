#pragma once
// The screen's colour profile, as the desktop publishes it.
#include <QByteArray>

namespace soru {

// The ICC profile of the primary screen: on X11 the _ICC_PROFILE property
// of the root window (set by colour-management daemons and calibration
// tools), read over the application's own X connection. Empty elsewhere, or
// when it is not set: pictures then go to sRGB. Call after the application
// object exists.
QByteArray screenColourProfile();

// The same property of the default screen's root window on the named X
// display (null: $DISPLAY), read over a connection of its own that is closed
// again. Empty when the display cannot be reached, the property is not set
// or is not a byte array, or the program was built without X11.
QByteArray readRootIccProfile(const char* displayName);

} // namespace soru
