#pragma once
// Services that the toolkit provides the same way on every desktop.
#include "platform/services.h"

#include <QProcessEnvironment>

namespace soru {

class QtClipboard final : public ClipboardService {
public:
    void setImage(const QImage& image) override;
};

// Opens links through the desktop. environment: what the program opening a
// link gets; when it is not SORU's own (the portable copy's launcher changed
// SORU's), the desktop's opener is started with it directly.
class DesktopUrlOpener final : public UrlOpener {
public:
    explicit DesktopUrlOpener(
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment());
    void open(const QUrl& url) override;

private:
    QProcessEnvironment environment_;
    bool own_;
};

} // namespace soru
