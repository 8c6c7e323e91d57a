#include "annotate/StripGeometry.h"

#include <QGuiApplication>

Qt::WindowFlags floatingWindowFlags()
{
    // Override-redirect: no window manager moves, resizes, decorates or
    // restacks these windows; the view takes the keyboard itself.
    return Qt::Dialog | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint;
}

bool stripsInsideView()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QRect keptInside(const QRect& rect, const QRect& area)
{
    QRect r = rect;
    if (r.right() > area.right())
        r.moveRight(area.right());
    if (r.left() < area.left())
        r.moveLeft(area.left());
    if (r.bottom() > area.bottom())
        r.moveBottom(area.bottom());
    if (r.top() < area.top())
        r.moveTop(area.top());
    return r;
}
