#include "media/formats/file_stamp.h"

#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace soru {

FileStamp fileStamp(const QString& path) {
    FileStamp s;
#ifdef Q_OS_UNIX
    struct stat st;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0 ||
        S_ISDIR(st.st_mode))
        return s;
    s.exists = true;
    s.size = st.st_size;
    s.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.changed = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    s.identity = quint64(st.st_ino) ^ (quint64(st.st_dev) << 40);
#else
    const QFileInfo fi(path);
    if (!fi.exists() || fi.isDir())
        return s;
    s.exists = true;
    s.size = fi.size();
    s.modified = fi.lastModified(QTimeZone::UTC).toMSecsSinceEpoch() * 1000000;
    s.changed = fi.metadataChangeTime(QTimeZone::UTC).toMSecsSinceEpoch() * 1000000;
#endif
    return s;
}

} // namespace soru
