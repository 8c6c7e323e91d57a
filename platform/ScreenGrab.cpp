#include "platform/ScreenGrab.h"

#include <QGuiApplication>
#include <QScreen>

QPixmap grabDesktop()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QPixmap();
    // grabWindow's x and y are relative to the screen it is called on; a
    // rectangle as large as the virtual desktop reaches every monitor.
    const QRect desktop = screen->virtualGeometry();
    const QRect own = screen->geometry();
    QPixmap grab = screen->grabWindow(0, desktop.x() - own.x(), desktop.y() - own.y(), desktop.width(),
                                      desktop.height());
    grab.setDevicePixelRatio(1.0);
    return grab;
}
