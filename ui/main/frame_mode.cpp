// The photo frame from the main window: its menu, starting it over the
// window, and coming back at the picture it showed.
#include "ui/main/main_window.h"

#include "core/texts.h"
#include "resources/artwork.h"
#include "ui/frame/frame_window.h"
#include "ui/main/frame_setting_items.h"

#include <QAction>
#include <QActionGroup>
#include <QGuiApplication>
#include <QMenu>

namespace soru {

void TfrmMain::buildFrameMenu() {
    pmMain->addSeparator();
    auto* start = pmMain->addAction(glyph(Glyph::SlideShow), text::kFrame);
    start->setObjectName(QStringLiteral("aFrame"));
    if (const auto key = keyTableOr(env_.keys).shortcutFor(Command::Frame))
        start->setShortcut(*key);
    start->setShortcutContext(Qt::WidgetShortcut); // routed by the key table, shown here
    connect(start, &QAction::triggered, this, [this] { guarded([this] { aFrameExecute(); }); });

    QMenu* settings = pmMain->addMenu(text::kFrameSettings);
    settings->setObjectName(QStringLiteral("pmFrame"));
    struct Item {
        const text::Text* caption;
        int value;
    };
    auto addGroup = [this, settings](const QString& title, FrameKey key, std::initializer_list<Item> items) {
        QMenu* menu = settings->addMenu(title);
        auto* group = new QActionGroup(menu);
        for (const Item& item : items) {
            QAction* a = menu->addAction(*item.caption);
            a->setCheckable(true);
            a->setData(QPoint(int(key), item.value));
            group->addAction(a);
            connect(a, &QAction::triggered, this, [this, key, value = item.value] { chooseFrameSetting(key, value); });
        }
    };
    addGroup(text::kFrameInterval, FrameKey::Interval,
             {{&text::k3s, 3000}, {&text::k5s, 5000}, {&text::k10s, 10000}, {&text::k30s, 30000},
              {&text::k1m, 60000}, {&text::k5m, 300000}});
    addGroup(text::kFrameOrder, FrameKey::Order,
             {{&text::kFrameByName, int(FrameOrder::Name)}, {&text::kFrameShuffled, int(FrameOrder::Shuffle)},
              {&text::kFrameByDate, int(FrameOrder::Date)}});
    addGroup(text::kFrameFade, FrameKey::Fade,
             {{&text::kFrameNoFade, 0}, {&text::kFrameHalfSecond, 500}, {&text::k1s, 1000}, {&text::k2s, 2000},
              {&text::k3s, 3000}});
    for (const auto& [caption, key] : {std::pair{&text::kFrameCaptions, FrameKey::Captions},
                                       std::pair{&text::kFrameSounds, FrameKey::Sounds}}) {
        QAction* a = settings->addAction(*caption);
        a->setCheckable(true);
        a->setData(QPoint(int(key), 1));
        connect(a, &QAction::toggled, this, [this, key = key](bool on) {
            if (frameSettingOf(session_.frameSettings(), key) != int(on))
                chooseFrameSetting(key, on);
        });
    }
}

void TfrmMain::chooseFrameSetting(FrameKey key, int value) {
    FrameSettings settings = session_.frameSettings();
    setFrameSetting(settings, key, value);
    session_.setFrameSettings(settings);
    if (!env_.frameSettingsFile.isEmpty() && !writeFrameSettings(env_.frameSettingsFile, settings))
        reportFailure(text::kCannotWriteFile.arg(env_.frameSettingsFile));
}

void TfrmMain::aFrameExecute() {
    if (frame_)
        return;
    FrameWindow::Environment env;
    env.libraryFolder = session_.rootDir();
    env.screen = env_.screen;
    env.pictures = &pictures_;
    env.sound = env_.services.sound;
    env.settings = session_.frameSettings();
    env.stateFile = env_.frameStateFile;
    frame_ = new FrameWindow(env, this);
    frame_->setAttribute(Qt::WA_DeleteOnClose);
    connect(frame_, &FrameWindow::left, this, [this] { guarded([this] { leaveFrame(); }); });
    // The show stops while the frame runs its own.
    if (session_.slideShow().running())
        session_.run(Command::Auto);
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        frame_->showFullScreen();
    else
        frame_->show();
    frame_->raise();
    frame_->activateWindow();
    frame_->setFocus();
    followScreenSaverHold();
    frame_->start();
}

void TfrmMain::leaveFrame() {
    if (!frame_)
        return;
    const QString shown = frame_->shownPath();
    frame_->close();
    frame_ = nullptr;
    followScreenSaverHold();
    activateWindow();
    if (!shown.isEmpty())
        stepToPicture(shown);
}

} // namespace soru
