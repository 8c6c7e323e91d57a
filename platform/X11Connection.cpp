#include "platform/X11Connection.h"

#include <QGuiApplication>
#include <xcb/xcb.h>

xcb_connection_t* x11Connection()
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    // Under the offscreen platform the interface exists but has no connection.
    return x11 ? x11->connection() : nullptr;
}

unsigned int x11RootWindow()
{
    xcb_connection_t* c = x11Connection();
    if (!c)
        return 0;
    const xcb_setup_t* setup = xcb_get_setup(c);
    return xcb_setup_roots_iterator(setup).data->root;
}

bool x11DisplayReachable(const char* displayName)
{
    xcb_connection_t* c = xcb_connect(displayName, nullptr);
    const bool ok = xcb_connection_has_error(c) == 0;
    xcb_disconnect(c);
    return ok;
}
