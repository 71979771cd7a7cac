#include "fuzz/harness.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace soru::fuzz {

namespace {

void quiet(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "Qt fatal: %s\n", qPrintable(message));
        std::abort();
    }
}

QTemporaryDir& scratch() {
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/soru-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/soru-fuzz-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a scratch folder\n");
        std::abort();
    }
    return dir;
}

} // namespace

void startQt() {
    static int argc = 1;
    static char name[] = "soru-fuzz";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = scratchFolder() + QStringLiteral("/runtime");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    }
    qInstallMessageHandler(quiet);
    // Lives as long as the process: Qt's global state outlives every input.
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

const QString& scratchFolder() {
    static const QString path = scratch().path();
    return path;
}

QByteArray scratchFolderBytes() {
    return QFile::encodeName(scratchFolder());
}

QString writeScratchFile(const char* name, const std::uint8_t* data, std::size_t size) {
    const QString path = scratchFolder() + QLatin1Char('/') + QLatin1String(name);
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) {
        std::perror("scratch file");
        std::abort();
    }
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) {
            std::perror("scratch file");
            std::abort();
        }
        done += std::size_t(n);
    }
    ::close(fd);
    return path;
}

void checkFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

} // namespace soru::fuzz
