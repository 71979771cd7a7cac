#include "platform/screen_saver.h"

#include <QGuiApplication>

#if defined(SORU_HAVE_QTDBUS)
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#endif

#if defined(SORU_HAVE_XCB_SCREENSAVER) && QT_CONFIG(xcb)
#include <xcb/screensaver.h>
#include <xcb/xcb.h>

#include <cstdlib>
#define SORU_X11_SUSPEND 1
#endif

#include <iterator>

namespace soru {

#if defined(SORU_HAVE_QTDBUS)

namespace {
// A desktop that has not answered by then is taken as having no service.
constexpr int kCallTimeoutMs = 2000;
const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
// The standard object path, then the one some desktops serve instead.
const QString kPaths[] = {QStringLiteral("/org/freedesktop/ScreenSaver"),
                          QStringLiteral("/ScreenSaver")};

bool noSuchObject(QDBusError::ErrorType type) {
    return type == QDBusError::UnknownObject || type == QDBusError::UnknownMethod ||
           type == QDBusError::UnknownInterface;
}
} // namespace

// The inhibition on the session bus. Inhibit runs in the background, so
// starting a show never waits for the desktop; a release that comes before
// the answer releases the cookie as soon as the answer arrives.
class DesktopScreenSaverHold::Bus {
public:
    Bus(QString applicationName, QString reason)
        : applicationName_(std::move(applicationName)), reason_(std::move(reason)) {}

    ~Bus() {
        wanted_ = false;
        if (pending_) {
            // The watcher goes first: waiting may deliver its signal at once.
            QDBusPendingCall call = *pending_;
            pending_.reset();
            call.waitForFinished();
            replied(call);
        }
        release(true);
    }

    void hold(bool on) {
        wanted_ = on;
        held_ = on;
        if (on) {
            watchService();
            inhibit();
        } else if (!pending_) {
            release(false);
        }
    }

private:
    QDBusMessage message(const QString& method, const QVariantList& args) const {
        QDBusMessage m = QDBusMessage::createMethodCall(kService, kPaths[path_], kService, method);
        m.setArguments(args);
        return m;
    }

    // A screen-saver service that restarts (a desktop shell that crashed and
    // came back) has forgotten every inhibition: the hold is asked for again
    // from the new owner of the name.
    void watchService() {
        if (watcher_)
            return;
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return;
        watcher_ = std::make_unique<QDBusServiceWatcher>(
            kService, bus, QDBusServiceWatcher::WatchForOwnerChange);
        QObject::connect(watcher_.get(), &QDBusServiceWatcher::serviceOwnerChanged,
                         [this](const QString&, const QString&, const QString& newOwner) {
                             // The old owner's cookie means nothing to anyone now.
                             haveCookie_ = false;
                             path_ = 0;
                             if (held_ && !newOwner.isEmpty()) {
                                 wanted_ = true;
                                 inhibit();
                             }
                         });
    }

    void inhibit() {
        if (haveCookie_ || pending_)
            return;
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return;
        pending_ = std::make_unique<QDBusPendingCallWatcher>(bus.asyncCall(
            message(QStringLiteral("Inhibit"), {applicationName_, reason_}), kCallTimeoutMs));
        QObject::connect(pending_.get(), &QDBusPendingCallWatcher::finished, [this] {
            const QDBusPendingCall call = *pending_;
            // The watcher is the sender of this signal: it goes afterwards.
            pending_.release()->deleteLater();
            replied(call);
            if (wanted_)
                inhibit();
            else
                release(false);
        });
    }

    // Takes the cookie, or moves to the other object path when this one has
    // no screen-saver object.
    void replied(const QDBusPendingCall& call) {
        const QDBusPendingReply<quint32> reply = call;
        if (!reply.isError()) {
            cookie_ = reply.value();
            haveCookie_ = true;
        } else if (noSuchObject(reply.error().type())) {
            path_ = (path_ + 1) % int(std::size(kPaths));
            // Both paths tried: the next hold asks again from the first,
            // and nothing more this time.
            if (path_ == 0)
                wanted_ = false;
        } else {
            wanted_ = false;
        }
    }

    void release(bool wait) {
        if (!haveCookie_)
            return;
        haveCookie_ = false;
        QDBusConnection bus = QDBusConnection::sessionBus();
        const QDBusMessage m = message(QStringLiteral("UnInhibit"), {cookie_});
        if (wait)
            bus.call(m, QDBus::Block, kCallTimeoutMs);
        else
            bus.send(m);
    }

    QString applicationName_;
    QString reason_;
    bool wanted_ = false;
    bool held_ = false; // what the program asked for last
    bool haveCookie_ = false;
    quint32 cookie_ = 0;
    int path_ = 0;
    std::unique_ptr<QDBusPendingCallWatcher> pending_;
    std::unique_ptr<QDBusServiceWatcher> watcher_;
};

#else

class DesktopScreenSaverHold::Bus {
public:
    Bus(QString, QString) {}
    void hold(bool) {}
};

#endif

DesktopScreenSaverHold::DesktopScreenSaverHold(QString applicationName, QString reason)
    : bus_(std::make_unique<Bus>(std::move(applicationName), std::move(reason))) {}

DesktopScreenSaverHold::~DesktopScreenSaverHold() {
    suspendX11(false);
}

void DesktopScreenSaverHold::hold(bool on) {
    if (on == held_)
        return;
    held_ = on;
    suspendX11(on);
    bus_->hold(on);
}

#if defined(SORU_X11_SUSPEND)
namespace {
xcb_connection_t* x11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// Suspending needs the extension at version 1.1 or later.
bool canSuspend(xcb_connection_t* c) {
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_screensaver_id);
    if (!ext || !ext->present)
        return false;
    xcb_screensaver_query_version_reply_t* v =
        xcb_screensaver_query_version_reply(c, xcb_screensaver_query_version(c, 1, 1), nullptr);
    const bool ok = v && (v->server_major_version > 1 ||
                          (v->server_major_version == 1 && v->server_minor_version >= 1));
    std::free(v);
    return ok;
}
} // namespace
#endif

void DesktopScreenSaverHold::suspendX11(bool on) {
#if defined(SORU_X11_SUSPEND)
    // The server counts suspensions per client, so each one is undone once.
    if (on == x11Suspended_)
        return;
    xcb_connection_t* c = x11Connection();
    if (!c || (on && !canSuspend(c)))
        return;
    xcb_screensaver_suspend(c, on ? 1 : 0);
    xcb_flush(c);
    x11Suspended_ = on;
#else
    Q_UNUSED(on);
#endif
}

} // namespace soru
