#include "capture/EditPlacement.h"

#include "annotate/StripGeometry.h"

QPoint editDialogPosition(const QRectF& selection, const QSize& dialog, const QRect& area)
{
    const qreal w = dialog.width();
    const qreal h = dialog.height();
    const qreal bottom = selection.y() + selection.height();
    const qreal areaBottom = area.y() + area.height();
    qreal y;
    if (bottom + 2 * h + 10 <= areaBottom)
        y = bottom + 5;
    else if (selection.y() - h - 5 >= area.y())
        y = selection.y() - h - 5;
    else
        y = selection.y();
    qreal x = selection.x() + selection.width() - w;
    if (x < area.x())
        x = selection.x();
    return keptInside(QRect(QPoint(int(x), int(y)), dialog), area).topLeft();
}
