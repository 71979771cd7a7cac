#include "platform/screen_profile.h"

#include <QGuiApplication>

#if defined(SORU_HAVE_XCB)
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#endif

namespace soru {

#if defined(SORU_HAVE_XCB)
namespace {

struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

// The _ICC_PROFILE property of the root window of screen number `screen`.
QByteArray rootIccProfile(xcb_connection_t* c, int screen) {
    if (!c || xcb_connection_has_error(c))
        return {};
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (; it.rem && screen > 0; --screen)
        xcb_screen_next(&it);
    if (!it.rem)
        return {};
    static const char kName[] = "_ICC_PROFILE";
    // only_if_exists: a property nobody ever set needs no new atom.
    const Reply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof kName - 1, kName), nullptr));
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return {};
    // Profiles are a few kilobytes; 16 MB (in 32-bit units) is more than any.
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c,
        xcb_get_property(c, 0, it.data->root, atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 4 << 20),
        nullptr));
    if (!reply || reply->format != 8)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

} // namespace
#endif

QByteArray screenColourProfile() {
#if defined(SORU_HAVE_XCB) && QT_CONFIG(xcb)
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? rootIccProfile(x11->connection(), 0) : QByteArray();
#else
    return {};
#endif
}

QByteArray readRootIccProfile(const char* displayName) {
#if defined(SORU_HAVE_XCB)
    int screen = 0;
    xcb_connection_t* c = xcb_connect(displayName, &screen);
    // xcb_connect never returns null; a failed connection is an error state
    // that must be disconnected all the same.
    QByteArray profile = rootIccProfile(c, screen);
    xcb_disconnect(c);
    return profile;
#else
    Q_UNUSED(displayName);
    return {};
#endif
}

} // namespace soru
