#include "capture/EditPlacement.h"

QPoint editDialogPosition(const QRectF& selection, const QSize& dialog, int viewBottom)
{
    const qreal w = dialog.width();
    const qreal h = dialog.height();
    const qreal bottom = selection.y() + selection.height();
    qreal y;
    if (bottom + 2 * h + 10 <= viewBottom)
        y = bottom + 5;
    else if (selection.y() - h - 5 >= 0)
        y = selection.y() - h - 5;
    else
        y = selection.y();
    qreal x = selection.x() + selection.width() - w;
    if (x < 0)
        x = selection.x();
    return QPoint(int(x), int(y));
}
