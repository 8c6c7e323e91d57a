#pragma once

#include "annotate/DrawProperties.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QLineF>
#include <QPen>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QVector>

// Everything the user can change on a finished mark: where it is, its shape
// and its look. Undo and redo put a mark back into an earlier state.
struct MarkState
{
    QPointF pos;
    QRectF rect;       // rectangles and ellipses
    QLineF line;       // lines and arrows
    QPolygonF polygon; // polygons and strokes
    QPen pen;
    QBrush brush;
    bool filled = false;
    // Text marks.
    QString html;
    QFont font;
    QColor textColor;
    QColor fillColor;
    QColor frameColor;
    bool frame = false;
    int frameWidth = 1;
    // Hide marks.
    int blockSize = 0;
    bool smooth = false;

    bool operator==(const MarkState& other) const;
    bool operator!=(const MarkState& other) const { return !(*this == other); }
};

// The pens and brush of new marks, from the drawing properties, and the
// changes of the property strip applied to those of a mark.
namespace MarkLook {
// Lines and free-hand strokes: all outline.
QPen linePen(const DrawProperties& look);
// Rectangles, ellipses and polygons: an outline only with the frame box.
QPen shapePen(const DrawProperties& look);
QBrush fillBrush(const DrawProperties& look);

// The changes that concern a pen: its colour, width and, for shapes,
// whether it is drawn at all. The alpha follows the transparency.
QPen changedPen(QPen pen, const DrawProperties& before, const DrawProperties& after, bool shape,
                bool& changed);
QBrush changedBrush(const QBrush& brush, const DrawProperties& before, const DrawProperties& after,
                    bool& changed);

// A shape's pen, brush and fill.
template <class Shape>
bool applyToShape(Shape* item, const DrawProperties& before, const DrawProperties& after)
{
    bool changed = false;
    item->setPen(changedPen(item->pen(), before, after, true, changed));
    item->setBrush(changedBrush(item->brush(), before, after, changed));
    if (before.fill != after.fill) {
        item->setFilled(after.fill);
        if (after.fill && item->brush().style() == Qt::NoBrush)
            item->setBrush(fillBrush(after));
        changed = true;
    }
    return changed;
}
} // namespace MarkLook

// The corners of a box (top left, top right, bottom right, bottom left),
// and the box with one of them dragged to a point, the opposite one fixed.
QVector<QPointF> boxCorners(const QRectF& box);
QRectF boxWithCornerAt(const QRectF& box, int corner, const QPointF& point);
