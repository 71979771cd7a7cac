#pragma once
// Holding off the screen saver on a Linux desktop, two ways at once: the
// session bus's org.freedesktop.ScreenSaver inhibition (what desktop
// sessions and their power managers obey), and on X11 the server's own
// screen-saver suspension (which also keeps DPMS from blanking, and works
// without any desktop session). Either may be missing; the other still holds.
#include "platform/services.h"

#include <QString>

#include <memory>

namespace soru {

class DesktopScreenSaverHold final : public ScreenSaverHold {
public:
    // applicationName and reason are what the desktop lists for the hold.
    // Construct after the application object; the session bus is the one
    // DBUS_SESSION_BUS_ADDRESS names when the first hold is taken.
    DesktopScreenSaverHold(QString applicationName, QString reason);
    // Releases a hold still on and waits until the bus has taken the
    // release, so that it arrives even when the program ends next.
    ~DesktopScreenSaverHold() override;

    void hold(bool on) override;

private:
    void suspendX11(bool on);

    class Bus;
    std::unique_ptr<Bus> bus_;
    bool held_ = false;
    bool x11Suspended_ = false;
};

} // namespace soru
