#include "annotate/StripGeometry.h"

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
