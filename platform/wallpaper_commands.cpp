#include "platform/wallpaper_commands.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace soru {

ProcessRunner::ProcessRunner(QProcessEnvironment environment, std::chrono::milliseconds timeout)
    : environment_(std::move(environment)), timeout_(timeout) {}

QString ProcessRunner::find(const QString& program) {
    const QString path = environment_.value(QStringLiteral("PATH"));
    if (path.isEmpty())
        return QStandardPaths::findExecutable(program);
    return QStandardPaths::findExecutable(program,
                                          path.split(QDir::listSeparator(), Qt::SkipEmptyParts));
}

CommandResult ProcessRunner::run(const QString& program, const QStringList& arguments) {
    CommandResult result;
    const QString executable = find(program);
    if (executable.isEmpty())
        return result;
    QProcess process;
    process.setProcessEnvironment(environment_);
    process.setStandardErrorFile(QProcess::nullDevice()); // the failure text says enough
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(executable, arguments);
    if (!process.waitForStarted(int(timeout_.count())))
        return result;
    result.started = true;
    if (!process.waitForFinished(int(timeout_.count()))) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    result.output = process.readAllStandardOutput();
    return result;
}

} // namespace soru
