#pragma once
// What a file looked like at one moment: the identity a decoded picture or a
// thumbnail belongs to.
#include <QString>

namespace soru {

// Two stamps of the same file are equal until its content may have changed.
struct FileStamp {
    bool exists = false; // a file (anything but a folder) is there
    qint64 size = -1;
    qint64 modified = 0; // nanoseconds
    qint64 changed = 0;  // status change, nanoseconds
    quint64 identity = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp fileStamp(const QString& path);

} // namespace soru
