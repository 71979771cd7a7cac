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
