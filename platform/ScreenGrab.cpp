#include "platform/ScreenGrab.h"

#include "platform/X11Connection.h"

#include <QGuiApplication>
#include <QScreen>

#include <xcb/xcb.h>

namespace {

constexpr uint32_t kAllPlanes = ~0u;

// One GetImage of the root window. Qt's own grab sets up a shared-memory
// segment per size first, which costs more than the copy itself for a
// single grab; this reads the pixels in one round trip and wraps the reply
// without copying it.
QImage grabRootWithXcb()
{
    xcb_connection_t* c = x11Connection();
    const xcb_screen_t* screen = x11Screen();
    if (!c || !screen || screen->root_depth != 24)
        return QImage();
    // Only the usual 24-bit TrueColor visual in 32-bit pixels maps directly
    // onto QImage::Format_RGB32.
    bool rgb888 = false;
    for (xcb_depth_iterator_t d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d)) {
        for (xcb_visualtype_iterator_t v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
            if (v.data->visual_id == screen->root_visual)
                rgb888 = v.data->red_mask == 0xff0000 && v.data->green_mask == 0xff00 && v.data->blue_mask == 0xff;
        }
    }
    int bitsPerPixel = 0;
    for (xcb_format_iterator_t f = xcb_setup_pixmap_formats_iterator(xcb_get_setup(c)); f.rem; xcb_format_next(&f)) {
        if (f.data->depth == 24)
            bitsPerPixel = f.data->bits_per_pixel;
    }
    if (!rgb888 || bitsPerPixel != 32 || xcb_get_setup(c)->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return QImage();

    const int width = screen->width_in_pixels;
    const int height = screen->height_in_pixels;
    xcb_get_image_reply_t* reply = xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0, width, height, kAllPlanes), nullptr);
    if (!reply)
        return QImage();
    if (xcb_get_image_data_length(reply) < width * height * 4) {
        std::free(reply);
        return QImage();
    }
    // The server leaves the fourth byte of each pixel undefined (Xvfb sends
    // 0), while Format_RGB32 promises 0xff there: painted into a picture with
    // alpha, a 0 would make the desktop invisible. Set it in place.
    auto* pixels = reinterpret_cast<quint32*>(xcb_get_image_data(reply));
    const qsizetype count = qsizetype(width) * height;
    for (qsizetype i = 0; i < count; ++i)
        pixels[i] |= 0xff000000u;
    return QImage(reinterpret_cast<uchar*>(pixels), width, height, width * 4, QImage::Format_RGB32,
                  [](void* r) { std::free(r); }, reply);
}

QImage grabWithQt()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QImage();
    // grabWindow's x and y are relative to the screen it is called on; a
    // rectangle as large as the virtual desktop reaches every monitor.
    const QRect desktop = screen->virtualGeometry();
    const QRect own = screen->geometry();
    QImage image = screen->grabWindow(0, desktop.x() - own.x(), desktop.y() - own.y(), desktop.width(),
                                      desktop.height())
                       .toImage();
    image.setDevicePixelRatio(1.0);
    return image;
}

} // namespace

QImage grabDesktopImage()
{
    // Elsewhere (offscreen, minimal, Wayland) Qt's grab gives a black or null
    // picture, which must not pass for the screen.
    if (!x11Connection())
        return QImage();
    QImage image = grabRootWithXcb();
    return image.isNull() ? grabWithQt() : image;
}

QPixmap grabDesktop()
{
    return QPixmap::fromImage(grabDesktopImage());
}
