#include "ui/start/splash_window.h"

#include "core/layout.h"
#include "resources/artwork.h"
#include "core/texts.h"
#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/instant_progress_bar.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace soru {

TfrmStart::TfrmStart(QWidget* parent) : QWidget(parent, Qt::FramelessWindowHint | Qt::Window) {
    setWindowTitle(text::kAppTitle);
    setFixedSize(splash::kClientSize);

    pnlMain = new BevelPanel(this);
    pnlMain->setGeometry(rect());
    pnlMain->setColour(Qt::black);
    pnlMain->setBevels(BevelCut::Raised, BevelCut::None);

    pnlImage = new BevelPanel(pnlMain);
    pnlImage->setGeometry(splash::kImagePanel);
    pnlImage->setColour(Qt::white);
    pnlImage->setBevels(BevelCut::None, BevelCut::None);

    imgMsg = new QLabel(pnlImage);
    imgMsg->setGeometry(splash::kArtwork);
    imgMsg->setPixmap(splashArtwork());

    imgIcon = new QLabel(pnlImage);
    imgIcon->setGeometry(splash::kEmblem);
    imgIcon->setPixmap(splashEmblem());

    pbInfo = new InstantProgressBar(pnlImage);
    pbInfo->setGeometry(splash::kProgress);
    pbInfo->setRange(0, 100);
    pbInfo->setValue(0);

    connect(qApp, &QGuiApplication::focusWindowChanged, this, &TfrmStart::onFocusWindowChanged);
}

void TfrmStart::showAndPaint() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
    }
    show();
    // A new window is drawn only once the window system has mapped it; wait
    // for that (briefly) so the artwork is on the screen before the slow work.
    QDeadlineTimer deadline(1000);
    while (windowHandle() && !windowHandle()->isExposed() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    repaint();
}

void TfrmStart::onFocusWindowChanged(QWindow* window) {
    // Another window of this program became active: the splash has done its job.
    // Focus moving to another application gives a null window and changes nothing.
    if (window && window != windowHandle())
        FormDeactivate();
}

void TfrmStart::FormDeactivate() {
    if (releasing_)
        return;
    releasing_ = true;
    deleteLater();
}

} // namespace soru
