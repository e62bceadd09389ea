#include "view/window_title.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

#include <wayland-client-core.h>
#include <xcb/xcb.h>
#include <xdg-shell-client-protocol.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace krn {

namespace {

// One round trip for both names, and only on the rare click that needs them.
void internAtoms(xcb_connection_t* c, xcb_atom_t& netWmName, xcb_atom_t& utf8String) {
    const char* names[] = {"_NET_WM_NAME", "UTF8_STRING"};
    xcb_intern_atom_cookie_t cookies[2];
    for (int i = 0; i < 2; ++i) {
        cookies[i] = xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(names[i])), names[i]);
    }
    xcb_atom_t* atoms[] = {&netWmName, &utf8String};
    for (int i = 0; i < 2; ++i) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookies[i], nullptr);
        *atoms[i] = reply != nullptr ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        std::free(reply);
    }
}

void emptyX11Title(QWidget& window) {
    // The offscreen platform answers for X11 too, without a connection.
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 != nullptr ? x11->connection() : nullptr;
    const WId id = window.internalWinId();
    if (c == nullptr || id == 0) {
        return;
    }
    xcb_atom_t netWmName = XCB_ATOM_NONE;
    xcb_atom_t utf8String = XCB_ATOM_NONE;
    internAtoms(c, netWmName, utf8String);
    if (netWmName == XCB_ATOM_NONE || utf8String == XCB_ATOM_NONE) {
        return;
    }
    // The same connection as Qt's, so these land after the names Qt has just sent. WM_NAME
    // takes the type Qt gives it.
    const std::pair<xcb_atom_t, xcb_atom_t> names[] = {{XCB_ATOM_WM_NAME, XCB_ATOM_STRING},
                                                       {netWmName, utf8String}};
    for (const auto& [name, type] : names) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(id), name, type, 8,
                            0, nullptr);
    }
    xcb_flush(c);
}

// Qt sends the application's name as the xdg_toplevel's title; the same toplevel, on the
// same connection, then gets the empty one. A window of another shell (wl_shell, the IVI
// shell) has no xdg_toplevel and keeps Qt's title.
void emptyWaylandTitle(QWidget& window) {
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    QWindow* handle = window.windowHandle();
    if (native == nullptr || handle == nullptr) {
        return;
    }
    auto* toplevel =
        static_cast<xdg_toplevel*>(native->nativeResourceForWindow("xdg_toplevel", handle));
    auto* display = static_cast<wl_display*>(native->nativeResourceForIntegration("display"));
    if (toplevel == nullptr || display == nullptr) {
        return;
    }
    xdg_toplevel_set_title(toplevel, "");
    wl_display_flush(display);
}

} // namespace

void keepTitleEmpty(QWidget& window) {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb")) {
        emptyX11Title(window);
    } else if (platform.startsWith(QLatin1String("wayland"))) {
        emptyWaylandTitle(window);
    }
}

} // namespace krn
