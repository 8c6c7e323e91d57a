#pragma once

#include <QPixmap>

// The whole desktop (every monitor, the root window's full area) at full
// resolution; a null pixmap when there is no screen to grab.
QPixmap grabDesktop();
