#pragma once

#include <QObject>
#include <QRectF>

#include <functional>

class QBrush;
class QColor;
class QPainter;
class QPen;
class QRegion;
class QStyleOptionGraphicsItem;

// What every annotation mark shares, as the second base of its graphics item
// class: the drop-shadow switch and the hover state that the eraser reads.
class CDrawObjectItem
{
public:
    virtual ~CDrawObjectItem();

    bool shadow = true;
    bool hovered = false;
};

// Lets qobject_cast and the text item's meta-cast answer with the mix-in.
Q_DECLARE_INTERFACE(CDrawObjectItem, "Vireoscape.CDrawObjectItem")

// The paint scheme shared by the marks: a grey pass offset by two pixels,
// the normal pass, and a dashed green outline while the mouse is over a mark.
namespace DrawPaint {

inline constexpr qreal kShadowOffset = 2.0;

// RGBA 125, 125, 125, 125: the shadow of boxes, polygons and text.
QColor shadowColor();
// A pen of the shadow colour with the integer width of the given pen.
QPen shadowPen(const QPen& pen);
// RGBA 181, 230, 29, 220, width 2.0, dashed.
QPen highlightPen();

// Grows the bounds of a shape drawn with an outline of the given width by
// what the shadow pass and the highlight paint beyond it.
QRectF paintBounds(const QRectF& shapeBounds, qreal outlineWidth = 0.0);

// The part of an item that a paint call really exposes, in item coordinates:
// the view repaints a region of small pieces, the style option carries only
// its bounding rectangle.
QRegion exposedRegion(const QPainter* painter, const QStyleOptionGraphicsItem* option, const QRectF& bounds);

// Paints a shape in the shared scheme. `draw` draws the shape with the
// painter's current pen and brush; `fill` is Qt::NoBrush for an outline only.
void paintShape(QPainter* painter, const QStyleOptionGraphicsItem* option, bool shadow, const QPen& pen,
                const QBrush& fill, const std::function<void(QPainter*)>& draw);

} // namespace DrawPaint
