// main() of every test binary: prepares Qt's offscreen platform with a fixed
// 1024 x 768 screen, a private runtime folder, then runs GoogleTest inside a
// QApplication so widgets can be built.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);

    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QDir(runtime.path()).mkpath(".");
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen") {
        const QString config = runtime.filePath("screen.json");
        QFile f(config);
        if (f.open(QIODevice::WriteOnly)) {
            f.write(R"({"screens":[{"name":"s0","x":0,"y":0,"width":1024,"height":768,)"
                    R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})");
            f.close();
        }
        qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    }
    qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");

    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
