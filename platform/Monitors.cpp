#include "platform/Monitors.h"

#include "platform/X11Connection.h"

#include <xcb/randr.h>
#include <xcb/xcb.h>

QList<QRect> x11Monitors(const char* displayName)
{
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(displayName, &screenNumber);
    QList<QRect> monitors;
    if (xcb_connection_has_error(c) == 0) {
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
        for (; it.rem && screenNumber > 0; --screenNumber)
            xcb_screen_next(&it);
        if (it.rem) {
            const xcb_screen_t* screen = it.data;
            // The server answers GetMonitors only to a client that said it
            // speaks RandR 1.5.
            const xcb_query_extension_reply_t* randr = xcb_get_extension_data(c, &xcb_randr_id);
            XcbReply<xcb_randr_query_version_reply_t> version(
                randr && randr->present
                    ? xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 5), nullptr)
                    : nullptr);
            if (version && (version->major_version > 1 || version->minor_version >= 5)) {
                XcbReply<xcb_randr_get_monitors_reply_t> reply(
                    xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, screen->root, 1), nullptr));
                if (reply) {
                    for (auto m = xcb_randr_get_monitors_monitors_iterator(reply.get()); m.rem;
                         xcb_randr_monitor_info_next(&m))
                        monitors << QRect(m.data->x, m.data->y, m.data->width, m.data->height);
                }
            }
            if (monitors.isEmpty())
                monitors << QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels);
        }
    }
    xcb_disconnect(c);
    return monitors;
}
