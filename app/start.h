#pragma once
// The program's start sequence, reachable from tests.
#include <QString>

#include "core/ui_language.h"

namespace soru {

// Runs the whole program; returns the process exit code.
int runSoru(int argc, char** argv);

// Makes language the one of this run; English installs the translation built
// into the program. Returns false when that cannot be loaded.
bool installUiLanguage(UiLanguage language);

// Sets up the application object: title, icon, fonts, translations and the
// message box that reports failures (to stderr instead when quiet is set, so
// an unattended run never waits for a click).
void setUpApplication(bool quiet);

// Shows a failure as the program's message box: the text with its full stop,
// the title as caption, the error icon and OK.
void showFailureMessage(const QString& message);

} // namespace soru
