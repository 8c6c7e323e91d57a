#pragma once

#include <QPoint>
#include <QRectF>
#include <QSize>

// Where the tool strip goes beside a selection: below it when the strip and
// the property strip under it fit above the view's bottom, else above it,
// else over its top edge; right edges aligned unless that leaves the view on
// the left. All values in desktop pixels.
QPoint editDialogPosition(const QRectF& selection, const QSize& dialog, int viewBottom);
