#include "ui/start/splash_window.h"

#include "ui/widgets/bevel_panel.h"
#include "ui/widgets/instant_progress_bar.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace soru {
namespace {

TEST(Splash, ComponentsAsDefined) {
    TfrmStart splash;
    EXPECT_EQ(splash.size(), QSize(346, 186));
    EXPECT_EQ(splash.windowTitle(), "SORU for win32");
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(splash.pnlImage->geometry(), QRect(2, 2, 342, 182));
    EXPECT_EQ(splash.imgMsg->geometry(), QRect(1, 1, 340, 180));
    EXPECT_EQ(splash.imgIcon->geometry(), QRect(316, 156, 16, 16));
    EXPECT_EQ(splash.pbInfo->geometry(), QRect(47, 132, 258, 8));
    EXPECT_EQ(splash.pbInfo->minimum(), 0);
    EXPECT_EQ(splash.pbInfo->maximum(), 100);
    EXPECT_EQ(splash.pbInfo->value(), 0);
    EXPECT_EQ(splash.imgMsg->pixmap().size(), QSize(340, 180));
    EXPECT_EQ(splash.imgIcon->pixmap().size(), QSize(16, 16));
}

TEST(Splash, ShownCentredAndPaintedAtOnce) {
    TfrmStart splash;
    splash.showAndPaint();
    EXPECT_TRUE(splash.isVisible());
    EXPECT_EQ(splash.geometry().center(), QRect(0, 0, 1024, 768).center());
    // The frame is black and the field white.
    const QImage shot = splash.grab().toImage();
    // SORU_SAVE_SHOTS=DIR keeps the picture for a look by eye.
    if (const QString dir = qEnvironmentVariable("SORU_SAVE_SHOTS"); !dir.isEmpty())
        shot.save(dir + "/splash.png");
    EXPECT_EQ(shot.pixelColor(1, 100), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(2, 100), QColor(Qt::white));
}

TEST(Splash, ProgressBarRedrawsAtEveryChangeWithoutTheEventLoop) {
    TfrmStart splash;
    splash.showAndPaint();
    const int before = splash.pbInfo->immediateRepaints();
    splash.pbInfo->setMax(4);
    for (int i = 1; i <= 4; ++i)
        splash.pbInfo->setPosition(i);
    EXPECT_EQ(splash.pbInfo->immediateRepaints() - before, 5);
    EXPECT_EQ(splash.pbInfo->value(), 4);
}

TEST(Splash, ReleasedByDeferredDeletionWhenAnotherWindowBecomesActive) {
    QPointer<TfrmStart> splash = new TfrmStart;
    splash->showAndPaint();

    // Another window of the program becomes active.
    QWindow other;
    Q_EMIT qApp->focusWindowChanged(&other);
    // Not deleted inside the handler that noticed the change...
    ASSERT_FALSE(splash.isNull());
    // ...but as soon as the deferred deletion is handled.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash.isNull());
}

TEST(Splash, GoesWhenTheMainWindowIsShownAndActivated) {
    QPointer<TfrmStart> splash = new TfrmStart;
    splash->showAndPaint();
    QWidget main;
    main.resize(300, 200);
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash.isNull());
}

TEST(Splash, FocusLeavingTheProgramKeepsTheSplash) {
    QPointer<TfrmStart> splash = new TfrmStart;
    splash->showAndPaint();
    // Focus going to another application shows up as no focus window at all.
    Q_EMIT qApp->focusWindowChanged(nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(splash.isNull());
    delete splash.data();
}

} // namespace
} // namespace soru
