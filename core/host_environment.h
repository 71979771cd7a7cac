#pragma once
// The environment of the programs SORU starts (wallpaper tools, the file
// opener). The portable copy's launcher points the dynamic loader, the font
// configuration and the sound framework at the bundle on the medium; those
// settings are for SORU alone. The launcher names what it changed in
// SORU_HOST_VARS and keeps each variable's value from before as
// SORU_HOST_<NAME> (absent when the variable was not set), and marks the run
// with SORU_PORTABLE=1.
#include <QProcessEnvironment>

namespace soru {

// The environment the user started SORU with: every variable the launcher
// changed given back its earlier value, or removed when it had none; the
// launcher's own markers removed. Without a launcher, `own` unchanged.
QProcessEnvironment hostEnvironment(const QProcessEnvironment& own);

// Whether SORU runs as the portable copy from a medium (it then writes
// nothing on the host computer but what the user asks for).
bool runsFromMedium(const QProcessEnvironment& own);

} // namespace soru
