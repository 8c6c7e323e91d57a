#pragma once

#include <QImage>
#include <QPixmap>

// The whole desktop (every monitor, the root window's full area) at full
// resolution; a null image when there is no screen to grab or the platform
// cannot read it (only X11 can).
QImage grabDesktopImage();
QPixmap grabDesktop();

// The root window of the display named (every monitor), through a
// connection of its own, so that no GUI application is needed; a null image
// where it cannot be read that way (no server, a screen that is not 24-bit
// TrueColor in 32-bit pixels).
QImage grabRootWindowImage(const char* displayName);
