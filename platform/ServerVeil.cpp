#include "platform/ServerVeil.h"

#include "platform/X11Connection.h"

#include <QByteArray>

#include <xcb/render.h>
#include <xcb/xcb.h>

namespace {

// The RENDER picture format of a visual, or 0.
xcb_render_pictformat_t formatOfVisual(xcb_connection_t* c, xcb_visualid_t visual)
{
    XcbReply<xcb_render_query_pict_formats_reply_t> formats(
        xcb_render_query_pict_formats_reply(c, xcb_render_query_pict_formats(c), nullptr));
    if (!formats)
        return 0;
    for (auto screens = xcb_render_query_pict_formats_screens_iterator(formats.get()); screens.rem;
         xcb_render_pictscreen_next(&screens)) {
        for (auto depths = xcb_render_pictscreen_depths_iterator(screens.data); depths.rem;
             xcb_render_pictdepth_next(&depths)) {
            for (auto visuals = xcb_render_pictdepth_visuals_iterator(depths.data); visuals.rem;
                 xcb_render_pictvisual_next(&visuals)) {
                if (visuals.data->visual == visual)
                    return visuals.data->format;
            }
        }
    }
    return 0;
}

// An 8-bit channel as RENDER's 16-bit one, which the server takes back to
// the same 8 bits.
uint16_t channel16(int value)
{
    return uint16_t(value << 8 | value);
}

} // namespace

namespace ServerVeil {

bool windowsKeepPixelsBelow()
{
    xcb_connection_t* c = x11Connection();
    const xcb_screen_t* screen = x11Screen();
    if (!c || !screen)
        return false;
    static constexpr char kXWayland[] = "XWAYLAND";
    XcbReply<xcb_query_extension_reply_t> xwayland(xcb_query_extension_reply(
        c, xcb_query_extension(c, uint16_t(sizeof kXWayland - 1), kXWayland), nullptr));
    if (!xwayland || xwayland->present)
        return false;
    // A compositing manager owns the selection _NET_WM_CM_S<screen number>.
    int screenNumber = 0;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem && it.data != screen;
         xcb_screen_next(&it))
        ++screenNumber;
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screenNumber);
    XcbReply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(name.size()), name.constData()), nullptr));
    if (!atom)
        return false;
    if (atom->atom == XCB_ATOM_NONE)
        return true; // nobody ever named it
    XcbReply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr));
    return owner && owner->owner == XCB_WINDOW_NONE;
}

bool blendOver(unsigned int window, const QSize& size, QRgb premultiplied)
{
    xcb_connection_t* c = x11Connection();
    if (!c || !window || size.isEmpty())
        return false;
    const xcb_query_extension_reply_t* render = xcb_get_extension_data(c, &xcb_render_id);
    if (!render || !render->present)
        return false;
    XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    if (!attributes)
        return false;
    const xcb_render_pictformat_t format = formatOfVisual(c, attributes->visual);
    if (!format)
        return false;
    const xcb_render_picture_t picture = xcb_generate_id(c);
    xcb_render_create_picture(c, picture, window, format, 0, nullptr);
    const xcb_render_color_t colour{channel16(qRed(premultiplied)), channel16(qGreen(premultiplied)),
                                    channel16(qBlue(premultiplied)), channel16(qAlpha(premultiplied))};
    const xcb_rectangle_t all{0, 0, uint16_t(qMin(size.width(), 65535)),
                              uint16_t(qMin(size.height(), 65535))};
    xcb_render_fill_rectangles(c, XCB_RENDER_PICT_OP_OVER, picture, colour, 1, &all);
    xcb_render_free_picture(c, picture);
    xcb_flush(c);
    return true;
}

} // namespace ServerVeil
