#pragma once
// Services that the toolkit provides the same way on every desktop.
#include "platform/services.h"

namespace soru {

class QtClipboard final : public ClipboardService {
public:
    void setImage(const QImage& image) override;
};

class DesktopUrlOpener final : public UrlOpener {
public:
    void open(const QUrl& url) override;
};

} // namespace soru
