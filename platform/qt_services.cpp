#include "platform/qt_services.h"

#include "core/failure.h"
#include "core/texts.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>

namespace soru {

void QtClipboard::setImage(const QImage& image) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        throw Failure(text::kNoClipboard);
    clipboard->setImage(image);
}

void DesktopUrlOpener::open(const QUrl& url) { QDesktopServices::openUrl(url); }

} // namespace soru
