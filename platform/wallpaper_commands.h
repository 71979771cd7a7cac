#pragma once
// Running the desktops' own command-line tools, behind an interface so that
// tests can record the commands and script their answers.
#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <chrono>

namespace soru {

struct CommandResult {
    bool started = false; // false: the program is not installed or did not start
    int exitCode = -1;    // -1 as well for a crash or a timeout
    QByteArray output;    // standard output
    bool succeeded() const { return started && exitCode == 0; }
};

class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    // Runs the program to its end and returns what it did.
    virtual CommandResult run(const QString& program, const QStringList& arguments) = 0;
    // The installed program's path, or empty when it is not installed.
    virtual QString find(const QString& program) = 0;
};

// Runs programs as processes in the given environment, looked up on its
// PATH, each given at most `timeout` before it is killed.
class ProcessRunner final : public CommandRunner {
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{15000};

    explicit ProcessRunner(
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment(),
        std::chrono::milliseconds timeout = kDefaultTimeout);
    CommandResult run(const QString& program, const QStringList& arguments) override;
    QString find(const QString& program) override;

private:
    QProcessEnvironment environment_;
    std::chrono::milliseconds timeout_;
};

} // namespace soru
