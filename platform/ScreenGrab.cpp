#include "platform/ScreenGrab.h"

#include "platform/LargeImage.h"
#include "platform/X11Connection.h"

#include <QGuiApplication>
#include <QScreen>

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

namespace {

constexpr uint32_t kAllPlanes = ~0u;
// The shared band's size.
constexpr int kBandBytes = 512 << 10;

// The root window's pixels, wrapped without copying them: through shared
// memory where the server offers it, else in one GetImage reply.
// The server leaves the fourth byte of each pixel undefined (Xvfb sends 0),
// while Format_RGB32 promises 0xff there: painted into a picture with alpha,
// a 0 would make the desktop invisible. Set it in place.
void makeOpaque(quint32* pixels, qsizetype count)
{
    for (qsizetype i = 0; i < count; ++i)
        pixels[i] |= 0xff000000u;
}

// The root window's pixels through a shared-memory segment (MIT-SHM): the
// server writes them straight into our memory instead of sending a reply of
// the desktop's size through the socket, which costs both sides most of a
// grab's time. The segment holds two bands of half a MiB, read band by band
// into the picture: every fresh page costs both processes a fault, so a
// desktop-sized segment would cost thousands of them on each side, where
// the bands' pages are touched once and the picture's are mapped in large runs.
// The server fills one band while we copy the other.
// A null image where the server cannot share memory with us (a remote
// display, no extension).
QImage grabRootWithShm(xcb_connection_t* c, xcb_window_t root, int width, int height)
{
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_shm_id);
    if (!extension || !extension->present)
        return QImage();
    const int bandRows = std::max(1, std::min(height, kBandBytes / (width * 4)));
    const size_t bandSize = size_t(width) * size_t(bandRows) * 4;
    const size_t size = 2 * bandSize;
    const int id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (id < 0)
        return QImage();
    void* memory = shmat(id, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return QImage();
    }
    // Map every page now, in one call: faulting them in one by one as the
    // pixels are first touched costs several times more.
    madvise(memory, size, MADV_POPULATE_WRITE);
    QImage image = newLargeImage(QSize(width, height), QImage::Format_RGB32, PageMapping::Later);
    // The picture's pages are mapped by a second thread from the bottom up
    // while this one copies the bands in from the top: mapping them costs
    // as much as copying, and the two meet about halfway: a quarter off a
    // 3840x2160 grab.
    std::atomic<qsizetype> copiedBytes{0};
    std::thread mapper;
    if (!image.isNull()) {
        mapper = std::thread([base = image.bits(), total = size_t(image.sizeInBytes()), &copiedBytes] {
            constexpr size_t kChunk = size_t(2) << 20; // the image starts on such a boundary
            for (size_t end = total; end > 0;) {
                const size_t start = ((end - 1) / kChunk) * kChunk;
                if (qsizetype(start) <= copiedBytes.load())
                    break;
                madvise(base + start, end - start, MADV_POPULATE_WRITE);
                end = start;
            }
        });
    }
    const xcb_shm_seg_t segment = xcb_generate_id(c);
    xcb_shm_attach(c, segment, uint32_t(id), 0);
    const int bands = (height + bandRows - 1) / bandRows;
    // Band k goes to half k % 2 of the segment.
    const auto request = [&](int k) {
        const int y = k * bandRows;
        return xcb_shm_get_image(c, root, 0, int16_t(y), uint16_t(width),
                                 uint16_t(std::min(bandRows, height - y)), kAllPlanes,
                                 XCB_IMAGE_FORMAT_Z_PIXMAP, segment, uint32_t((k % 2) * bandSize));
    };
    xcb_shm_get_image_cookie_t pending[2] = {};
    int issued = 0;
    for (; issued < std::min(2, bands); ++issued)
        pending[issued] = request(issued);
    bool ok = !image.isNull();
    int received = 0;
    while (ok && received < bands) {
        const int k = received++;
        xcb_generic_error_t* error = nullptr;
        XcbReply<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(c, pending[k % 2], &error));
        std::free(error);
        // Both sides are attached (or have failed to) once the first reply
        // is in: the segment goes away with the last detach.
        if (k == 0)
            shmctl(id, IPC_RMID, nullptr);
        ok = bool(reply);
        if (!ok)
            break;
        const int y = k * bandRows;
        const int rows = std::min(bandRows, height - y);
        const auto* band =
            reinterpret_cast<const quint32*>(static_cast<const char*>(memory) + (k % 2) * bandSize);
        for (int r = 0; r < rows; ++r) {
            auto* line = reinterpret_cast<quint32*>(image.scanLine(y + r));
            std::memcpy(line, band + size_t(r) * width, size_t(width) * 4);
            makeOpaque(line, width);
        }
        copiedBytes.store(qsizetype(y + rows) * image.bytesPerLine());
        // This half is free again: the server fills it while we copy the other.
        if (issued < bands) {
            pending[issued % 2] = request(issued);
            ++issued;
        }
    }
    // A request still in flight after a failure is answered and dropped.
    for (int k = received; k < issued; ++k)
        xcb_discard_reply(c, pending[k % 2].sequence);
    if (mapper.joinable())
        mapper.join();
    xcb_shm_detach(c, segment);
    xcb_flush(c);
    shmdt(memory);
    return ok ? image : QImage();
}

QImage grabRootWithXcb(xcb_connection_t* c, const xcb_screen_t* screen)
{
    if (!c || !screen || screen->root_depth != 24)
        return QImage();
    // Only the usual 24-bit TrueColor visual in 32-bit pixels maps directly
    // onto QImage::Format_RGB32.
    bool rgb888 = false;
    for (xcb_depth_iterator_t d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d)) {
        for (xcb_visualtype_iterator_t v = xcb_depth_visuals_iterator(d.data); v.rem;
             xcb_visualtype_next(&v)) {
            if (v.data->visual_id == screen->root_visual)
                rgb888 =
                    v.data->red_mask == 0xff0000 && v.data->green_mask == 0xff00 && v.data->blue_mask == 0xff;
        }
    }
    int bitsPerPixel = 0;
    for (xcb_format_iterator_t f = xcb_setup_pixmap_formats_iterator(xcb_get_setup(c)); f.rem;
         xcb_format_next(&f)) {
        if (f.data->depth == 24)
            bitsPerPixel = f.data->bits_per_pixel;
    }
    if (!rgb888 || bitsPerPixel != 32 || xcb_get_setup(c)->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return QImage();

    const int width = screen->width_in_pixels;
    const int height = screen->height_in_pixels;
    QImage shared = grabRootWithShm(c, screen->root, width, height);
    if (!shared.isNull())
        return shared;
    xcb_get_image_reply_t* reply = xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0, width, height, kAllPlanes),
        nullptr);
    if (!reply)
        return QImage();
    if (xcb_get_image_data_length(reply) < width * height * 4) {
        std::free(reply);
        return QImage();
    }
    auto* pixels = reinterpret_cast<quint32*>(xcb_get_image_data(reply));
    makeOpaque(pixels, qsizetype(width) * height);
    return QImage(
        reinterpret_cast<uchar*>(pixels), width, height, width * 4, QImage::Format_RGB32,
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
    QImage image =
        screen->grabWindow(0, desktop.x() - own.x(), desktop.y() - own.y(), desktop.width(), desktop.height())
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
    QImage image = grabRootWithXcb(x11Connection(), x11Screen());
    return image.isNull() ? grabWithQt() : image;
}

QImage grabRootWindowImage(const char* displayName)
{
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(displayName, &screenNumber);
    QImage image;
    if (xcb_connection_has_error(c) == 0) {
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
        for (; it.rem && screenNumber > 0; --screenNumber)
            xcb_screen_next(&it);
        if (it.rem)
            image = grabRootWithXcb(c, it.data);
    }
    // The pixels are ours (shared memory or a reply) and outlive the
    // connection.
    xcb_disconnect(c);
    return image;
}

QPixmap grabDesktop()
{
    return QPixmap::fromImage(grabDesktopImage());
}
