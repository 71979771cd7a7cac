#include "platform/screen_profile.h"

#include <QGuiApplication>

#if defined(SORU_HAVE_XCB)
#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace soru {

QByteArray screenColourProfile() {
#if defined(SORU_HAVE_XCB) && QT_CONFIG(xcb)
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c)
        return {};
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_screen_iterator_t screen = xcb_setup_roots_iterator(setup);
    if (!screen.rem)
        return {};
    static const char kName[] = "_ICC_PROFILE";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof kName - 1, kName), nullptr);
    if (!atom)
        return {};
    const xcb_atom_t property = atom->atom;
    std::free(atom);
    if (property == XCB_ATOM_NONE)
        return {};
    // Profiles are a few kilobytes; 16 MB (in 32-bit units) is more than any.
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, screen.data->root, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4 << 20),
        nullptr);
    if (!reply)
        return {};
    QByteArray profile;
    if (reply->format == 8)
        profile = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                             xcb_get_property_value_length(reply));
    std::free(reply);
    return profile;
#else
    return {};
#endif
}

} // namespace soru
