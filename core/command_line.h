#pragma once
// The program's command line:
// soru [--frame] [--lang ja|en] [--screenshot FILE] [FOLDER | PICTURE]
#include <QString>
#include <QStringList>

namespace soru {

struct CommandLine {
    enum class Mode { Run, Help, Version, Error };
    Mode mode = Mode::Run;
    QString folder;         // empty: the folder that holds the program file
    QString firstPicture;   // a picture given instead of a folder: its file name
    QString screenshotFile; // non-empty: save the main window there and exit
    bool frame = false;     // start as a photo frame
    QString language;       // "ja" or "en" from --lang; empty: not given
    QString error;          // message for Mode::Error
};

// args excludes the program name. Messages and the usage text are in the
// installed translation's language. Checks that FOLDER exists and is a folder;
// a picture file (by its extension) stands for its folder and is shown first.
CommandLine parseCommandLine(const QStringList& args);

QString usageText();
QString versionText();

// The library folder as the window uses it: absolute, with "/" separators and
// exactly one trailing "/".
QString libraryRoot(const QString& folder);

} // namespace soru
