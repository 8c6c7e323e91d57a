#pragma once

#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSize>

// Where the tool strip goes beside a selection: below it when the strip and
// the property strip under it fit above the monitor's bottom, else above it,
// else over its top edge; right edges aligned unless that leaves the monitor
// on the left, and never off the monitor. The selection and the result are in
// the same coordinates as the monitor's area.
QPoint editDialogPosition(const QRectF& selection, const QSize& dialog, const QRect& area);
