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

#include <QCoreApplication>
#include <QTranslator>

namespace soru::test {

// The program's English texts (built into it) while this lives; nothing when
// english is false. A failed load leaves the texts as they are: check active().
class EnglishTexts {
public:
    explicit EnglishTexts(bool english = true) {
        if (english && translation_.load(QStringLiteral(":/i18n/soru_en.qm")))
            active_ = QCoreApplication::installTranslator(&translation_);
    }
    ~EnglishTexts() {
        if (active_)
            QCoreApplication::removeTranslator(&translation_);
    }
    EnglishTexts(const EnglishTexts&) = delete;
    EnglishTexts& operator=(const EnglishTexts&) = delete;
    bool active() const { return active_; }

private:
    QTranslator translation_;
    bool active_ = false;
};

} // namespace soru::test
