#include "platform/qt_services.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>

namespace soru {

void QtClipboard::setImage(const QImage& image) { QGuiApplication::clipboard()->setImage(image); }

void DesktopUrlOpener::open(const QUrl& url) { QDesktopServices::openUrl(url); }

} // namespace soru
