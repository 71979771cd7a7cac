#pragma once
// A command runner for tests: records every command and answers from a
// script; knows which programs are installed.
#include "core/failure.h"
#include "platform/wallpaper_commands.h"

#include <QSet>

#include <functional>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '[' << l.join(u'|').toStdString() << ']';
}

namespace soru::test {

inline CommandResult exited(int code, const QByteArray& output = {}) {
    return {true, code, output};
}

class RecordingRunner final : public CommandRunner {
public:
    QList<QStringList> commands; // program and arguments, in order
    QSet<QString> installed;
    // By default an installed program succeeds without output.
    std::function<CommandResult(const QStringList& command)> answer = [](const QStringList&) {
        return exited(0);
    };

    explicit RecordingRunner(QSet<QString> programs) : installed(std::move(programs)) {}
    CommandResult run(const QString& program, const QStringList& arguments) override {
        commands.append(QStringList{program} + arguments);
        return installed.contains(program) ? answer(commands.last()) : CommandResult{};
    }
    QString find(const QString& program) override {
        return installed.contains(program) ? QStringLiteral("/usr/bin/") + program : QString();
    }
};

inline QString failureOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const Failure& f) {
        return f.message();
    }
    return QStringLiteral("(no failure)");
}

} // namespace soru::test
