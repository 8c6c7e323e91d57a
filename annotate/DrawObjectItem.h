#pragma once

#include "annotate/DrawMode.h"
#include "annotate/MarkState.h"

#include <QGraphicsItem>
#include <QObject>
#include <QRectF>
#include <QVector>

#include <functional>

class QBrush;
class QColor;
class QGraphicsSceneHoverEvent;
class QPainter;
class QPen;
class QRegion;
class QStyleOptionGraphicsItem;
struct DrawProperties;

// What every annotation mark shares, as the second base of its graphics item
// class: the drop-shadow switch, the hover state that the eraser reads, and
// what the scene asks of a mark whatever its kind: its state for undo, its
// handles and outline, a hit test and the changes of the property strip.
class CDrawObjectItem
{
public:
    virtual ~CDrawObjectItem();

    bool shadow = true;
    bool hovered = false;

    // The mark of a graphics item; null for anything else (the desktop, the
    // handles of the chosen mark).
    static CDrawObjectItem* of(QGraphicsItem* item);

    virtual QGraphicsItem* item() = 0;
    const QGraphicsItem* item() const { return const_cast<CDrawObjectItem*>(this)->item(); }

    // The tool whose controls the property strip shows for this mark.
    virtual DrawMode kind() const = 0;

    // Everything the user can change on it, and putting it back.
    virtual MarkState state() const;
    virtual void setState(const MarkState& state);

    // The points it can be reshaped by, in scene coordinates (none by
    // default), and moving one of them to a scene position.
    QVector<QPointF> handles() const;
    void moveHandle(int handle, const QPointF& scenePos);

    // Its outline in scene coordinates, for the selection frame.
    QRectF outline() const;

    // Whether a scene position lies on it or within `tolerance` of its
    // outline: thin strokes are hard to hit on their exact pixels.
    bool hit(const QPointF& scenePos, qreal tolerance) const;

    // Applies what differs between two sets of drawing properties (the
    // change the user just made in the property strip); false when none of
    // the changes concerns this kind of mark.
    virtual bool applyLook(const DrawProperties& before, const DrawProperties& after);

    // The user is done with it (another tool, undo, a new text...): a
    // growing stroke is complete, a typed text stops taking keys. False
    // when nothing is left of it (a text never typed).
    virtual bool finishEditing() { return true; }

    // Before the picture is painted, on the scene's thread: whatever the
    // painting needs is made here (the picture is painted on another one).
    virtual void settle() {}
    // Painting for the picture (or for what another mark shows of the marks
    // below it) rather than for the screen.
    virtual void setPicturePaint(bool) {}
    // The marks below it may have changed.
    virtual void marksBelowChanged() {}

protected:
    virtual QVector<QPointF> itemHandles() const { return {}; }
    virtual void moveItemHandle(int, const QPointF&) {}
    virtual QRectF itemOutline() const = 0;
};

// The graphics item class of a mark: the Qt item class first, the mix-in
// second, and the hover state kept here for all of them.
template <class QtItem> class CDrawMark : public QtItem, public CDrawObjectItem
{
public:
    using QtItem::QtItem;

    QGraphicsItem* item() override { return this; }

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent* event) override
    {
        QtItem::hoverEnterEvent(event);
        hovered = true;
    }
    void hoverLeaveEvent(QGraphicsSceneHoverEvent* event) override
    {
        QtItem::hoverLeaveEvent(event);
        hovered = false;
    }
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

// Black or white, whichever contrasts more with the colour (its alpha aside).
QColor contrastingColor(const QColor& on);
// The colour to draw text of colour `text` with on a box of colour `box`:
// the text's own colour, or black or white (with the text's alpha) when the
// two are too close to read.
QColor readableTextColor(const QColor& text, const QColor& box);

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
