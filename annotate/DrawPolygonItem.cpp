#include "annotate/DrawPolygonItem.h"

#include <QPainter>
#include <QPainterPathStroker>

CDrawPolygonItem::CDrawPolygonItem(QGraphicsItem* parent) : QGraphicsPolygonItem(parent) {}

CDrawPolygonItem::~CDrawPolygonItem() = default;

void CDrawPolygonItem::setFreehand(bool on)
{
    if (freehand == on)
        return;
    prepareGeometryChange();
    freehand = on;
}

QRectF CDrawPolygonItem::boundingRect() const
{
    return DrawPaint::paintBounds(QGraphicsPolygonItem::boundingRect());
}

QPainterPath CDrawPolygonItem::shape() const
{
    if (!freehand)
        return QGraphicsPolygonItem::shape();
    // An open stroke is hit along its line only, not over the area it encloses.
    QPainterPath path;
    path.addPolygon(polygon());
    QPainterPathStroker stroker(pen());
    stroker.setWidth(qMax<qreal>(pen().widthF(), 1.0));
    return stroker.createStroke(path);
}

void CDrawPolygonItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*)
{
    const bool fills = filled && !freehand;
    if (!fills && brush().style() != Qt::NoBrush)
        setBrush(Qt::NoBrush);
    const QPolygonF points = polygon();
    if (freehand) {
        DrawPaint::paintShape(painter, option, shadow, pen(), Qt::NoBrush,
                              [&points](QPainter* p) { p->drawPolyline(points); });
    } else {
        const Qt::FillRule rule = fillRule();
        DrawPaint::paintShape(painter, option, shadow, pen(), fills ? brush() : QBrush(Qt::NoBrush),
                              [&points, rule](QPainter* p) { p->drawPolygon(points, rule); });
    }
}

void CDrawPolygonItem::hoverEnterEvent(QGraphicsSceneHoverEvent* event)
{
    QGraphicsPolygonItem::hoverEnterEvent(event);
    hovered = true;
}

void CDrawPolygonItem::hoverLeaveEvent(QGraphicsSceneHoverEvent* event)
{
    QGraphicsPolygonItem::hoverLeaveEvent(event);
    hovered = false;
}
