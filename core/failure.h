#pragma once
// One family of exceptions for every failure below the program (decoders,
// file creation, desktop settings, clipboard, memo reading). Each carries the
// text the user sees. Handlers run through guarded(), which catches them and
// hands the text to the application's failure sink (a message box in the
// program, a recorder in tests), so an exception never crosses a Qt frame.
#include <QCoreApplication>
#include <QString>

#include <exception>
#include <functional>
#include <string>

namespace soru {

class Failure : public std::exception {
public:
    explicit Failure(QString message) : message_(std::move(message)), utf8_(message_.toStdString()) {}
    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString message_;
    std::string utf8_;
};

// The text shown for a failure: a full stop is appended when the last
// character sorts after ".".
QString failureDisplayText(const QString& message);

// Where reported failures go. Receives the raw message (not yet with the
// full stop). The default sink writes to stderr.
using FailureSink = std::function<void(const QString& message)>;
void setFailureSink(FailureSink sink);
FailureSink failureSink();
void reportFailure(const QString& message);

// Runs fn; a failure thrown by it is reported and swallowed, so the event
// that ran fn ends there and the program goes on. Returns false after a
// failure.
template <class F> bool guarded(F&& fn) noexcept {
    try {
        fn();
        return true;
    } catch (const Failure& f) {
        reportFailure(f.message());
    } catch (const std::bad_alloc&) {
        reportFailure(QCoreApplication::translate("soru", "メモリが不足しています"));
    } catch (const std::exception& e) {
        reportFailure(QString::fromUtf8(e.what()));
    } catch (...) {
        reportFailure(QCoreApplication::translate("soru", "不明なエラーが発生しました"));
    }
    return false;
}

} // namespace soru
