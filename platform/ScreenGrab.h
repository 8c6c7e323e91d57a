#pragma once

#include <QImage>
#include <QPixmap>

// The whole desktop (every monitor, the root window's full area) at full
// resolution; a null image when there is no screen to grab or the platform
// cannot read it (only X11 can).
QImage grabDesktopImage();
QPixmap grabDesktop();
