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

class QGraphicsItem;
class QPainterPath;

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

    bool operator==(const MarkState& other) const;
    bool operator!=(const MarkState& other) const { return !(*this == other); }
};

// The state of a mark; a default state for anything else.
MarkState markState(const QGraphicsItem* item);
// Puts a mark into a state taken from it earlier.
void setMarkState(QGraphicsItem* item, const MarkState& state);

// The pens and brush of new marks, from the drawing properties.
namespace MarkLook {
// Lines and free-hand strokes: all outline.
QPen linePen(const DrawProperties& look);
// Rectangles, ellipses and polygons: an outline only with the frame box.
QPen shapePen(const DrawProperties& look);
QBrush fillBrush(const DrawProperties& look);
} // namespace MarkLook

// Applies to a mark what differs between two sets of drawing properties
// (the change the user just made in the property strip); the rest of its
// look stays. False when none of the changes concerns this kind of mark.
bool applyLookChange(QGraphicsItem* item, const DrawProperties& before, const DrawProperties& after);

// The points a selected mark can be reshaped by, in scene coordinates:
// corners of rectangles and ellipses (top left, top right, bottom right,
// bottom left), the two ends of lines, the vertices of polygons; none for
// free-hand strokes and text.
QVector<QPointF> markHandles(const QGraphicsItem* item);
// Moves one of those points to a scene position.
void moveMarkHandle(QGraphicsItem* item, int handle, const QPointF& scenePos);
// The outline of a mark in scene coordinates, for the selection frame.
QRectF markOutline(const QGraphicsItem* item);

// Whether a scene position lies on a mark or within `tolerance` of its
// outline: thin strokes are hard to hit on their exact pixels.
bool markHit(const QGraphicsItem* item, const QPointF& scenePos, qreal tolerance);
