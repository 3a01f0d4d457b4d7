#include "views/layered_windows.h"

#include <QGuiApplication>
#include <QString>
#include <cstdlib>
#include <string>

#ifdef FACELOOM_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace faceloom {

namespace {

#ifdef FACELOOM_HAVE_XCB
// A compositing manager owns the selection _NET_WM_CM_S<screen> of the screen it composites.
bool X11CompositingManagerRunning() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection || xcb_connection_has_error(connection)) return false;
    int screen = 0;
    char* host = nullptr;
    int display = 0;
    // Qt connects to $DISPLAY; its screen number names the selection.
    if (xcb_parse_display(nullptr, &host, &display, &screen) == 0) screen = 0;
    std::free(host);
    const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.c_str()),
        nullptr);
    if (!atom) return false;
    const xcb_atom_t selection = atom->atom;
    std::free(atom);
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    if (!owner) return false;
    const bool owned = owner->owner != XCB_NONE;
    std::free(owner);
    return owned;
}
#endif

}  // namespace

bool DetectLayeredWindows() {
    if (!qGuiApp) return false;
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb")) {
#ifdef FACELOOM_HAVE_XCB
        return X11CompositingManagerRunning();
#else
        return false;
#endif
    }
    return platform.startsWith(QLatin1String("wayland")) || platform == QLatin1String("windows") ||
           platform == QLatin1String("cocoa");
}

bool LayeredWindowsAvailable() {
    static const bool available = DetectLayeredWindows();
    return available;
}

}  // namespace faceloom
