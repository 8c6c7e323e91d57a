#pragma once

#include <QRgb>
#include <QSize>

// The first look of a snapshot, drawn by the X server: a window mapped
// without a background of its own still shows the desktop below it, and the
// server darkens those pixels with the veil's colour in one request. The
// program's own first paint, a desktop-sized transfer, then replaces them
// with the same pixels. Without it the veil waits for that transfer.
namespace ServerVeil {

// Whether a newly mapped window keeps the pixels below it: an X server that
// draws straight to the screen, with no compositing manager (a composited
// window's first pixels are undefined) and not XWayland.
bool windowsKeepPixelsBelow();

// Blends `premultiplied` over the window's pixels from its top left corner
// (device pixels), as the program's painter blends a solid colour. False
// when it was not sent: no X11, no RENDER extension, or a visual it cannot
// draw on.
bool blendOver(unsigned int window, const QSize& size, QRgb premultiplied);

} // namespace ServerVeil
