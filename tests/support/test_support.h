#pragma once
// Helpers shared by the test suites.
#include <QString>
#include <QTemporaryDir>

namespace soru::test {

// A fresh temporary folder for one test; removed when the object dies.
class TempDir {
public:
    TempDir() { dir_.setAutoRemove(true); }
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

} // namespace soru::test

#include "core/failure.h"

#include <QStringList>

namespace soru::test {

// Collects the failures reported while it lives, instead of message boxes.
class FailureRecorder {
public:
    FailureRecorder() {
        setFailureSink([this](const QString& m) { messages << m; });
    }
    ~FailureRecorder() { setFailureSink({}); }
    FailureRecorder(const FailureRecorder&) = delete;
    FailureRecorder& operator=(const FailureRecorder&) = delete;
    QStringList messages;
};

} // namespace soru::test
