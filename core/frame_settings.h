#pragma once
// The photo frame's settings: the [frame] group of the program's INI file in
// the XDG config folder, and where the frame keeps its place between runs.
#include <QString>
#include <QStringList>

namespace soru {

enum class FrameOrder { Name, Shuffle, Date };

struct FrameSettings {
    int intervalMs = 3000;
    FrameOrder order = FrameOrder::Name;
    int fadeMs = 1000;
    bool captions = false;
    bool sounds = false;
};

bool operator==(const FrameSettings& a, const FrameSettings& b);

// "name", "shuffle", "date" and back; parseFrameOrder is false for any other
// word (letter case and surrounding blanks are ignored).
QString frameOrderName(FrameOrder order);
bool parseFrameOrder(const QString& word, FrameOrder* order);

// $XDG_CONFIG_HOME (or ~/.config) + "/soru/soru.ini".
QString frameSettingsFile();

// Keys of the [frame] group: interval (seconds, 0.1 to 3600), order (name,
// shuffle or date), fade (seconds, 0 to 3), captions and sounds (true or
// false). A missing file or key gives the default; a bad value gives that
// key's default and one line in problems.
FrameSettings readFrameSettings(const QString& file, QStringList* problems = nullptr);

// Writes the [frame] group, keeping the file's other groups as they are, to a
// temporary file renamed over the old one; the folder is created if needed.
bool writeFrameSettings(const QString& file, const FrameSettings& settings);

// $XDG_STATE_HOME (or ~/.local/state) + "/soru/frame-state".
QString frameStateFile();

} // namespace soru
