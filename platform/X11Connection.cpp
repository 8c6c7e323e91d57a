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

const xcb_screen_t* x11Screen()
{
    xcb_connection_t* c = x11Connection();
    if (!c)
        return nullptr;
    // Qt's xcb platform connects to DISPLAY and takes its screen number as
    // the default screen; xcb_parse_display reads it the same way.
    int screenNumber = 0;
    char* host = nullptr;
    int display = 0;
    if (!xcb_parse_display(qgetenv("DISPLAY").constData(), &host, &display, &screenNumber))
        screenNumber = 0;
    std::free(host);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    const xcb_screen_t* first = it.data;
    for (; it.rem; --screenNumber, xcb_screen_next(&it)) {
        if (screenNumber == 0)
            return it.data;
    }
    return first; // a number the server does not have
}

unsigned int x11RootWindow()
{
    const xcb_screen_t* screen = x11Screen();
    return screen ? screen->root : 0;
}

std::optional<QPoint> x11PointerPosition()
{
    xcb_connection_t* c = x11Connection();
    const unsigned int root = x11RootWindow();
    if (!c || !root)
        return std::nullopt;
    XcbReply<xcb_query_pointer_reply_t> pointer(
        xcb_query_pointer_reply(c, xcb_query_pointer(c, root), nullptr));
    if (!pointer || !pointer->same_screen)
        return std::nullopt;
    return QPoint(pointer->root_x, pointer->root_y);
}

bool x11DisplayReachable(const char* displayName)
{
    xcb_connection_t* c = xcb_connect(displayName, nullptr);
    const bool ok = xcb_connection_has_error(c) == 0;
    xcb_disconnect(c);
    return ok;
}

bool x11TopLevelOnScreen(unsigned int window)
{
    xcb_connection_t* c = x11Connection();
    if (!c || !window)
        return false;
    // The outermost ancestor below the root: the window itself, or its frame.
    xcb_window_t top = window;
    for (int depth = 0; depth < 8; ++depth) {
        XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, top), nullptr));
        if (!tree)
            return false;
        if (tree->parent == XCB_NONE || tree->parent == tree->root)
            break;
        top = tree->parent;
    }
    XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, top), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}
