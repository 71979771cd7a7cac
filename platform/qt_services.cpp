#include "platform/qt_services.h"

#include "core/failure.h"
#include "core/texts.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QProcess>

namespace soru {

void QtClipboard::setImage(const QImage& image) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        throw Failure(text::kNoClipboard);
    clipboard->setImage(image);
}

DesktopUrlOpener::DesktopUrlOpener(QProcessEnvironment environment)
    : environment_(std::move(environment)),
      own_(environment_ == QProcessEnvironment::systemEnvironment()) {}

void DesktopUrlOpener::open(const QUrl& url) {
#ifdef Q_OS_UNIX
    if (!own_) {
        QProcess opener;
        opener.setProgram(QStringLiteral("xdg-open"));
        opener.setArguments({url.toString(QUrl::FullyEncoded)});
        opener.setProcessEnvironment(environment_);
        opener.setStandardInputFile(QProcess::nullDevice());
        if (opener.startDetached())
            return;
    }
#endif
    QDesktopServices::openUrl(url);
}

} // namespace soru
