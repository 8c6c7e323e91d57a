#include "annotate/DrawEllipseItem.h"

#include <QPainter>

CDrawEllipseItem::CDrawEllipseItem(QGraphicsItem* parent) : QGraphicsEllipseItem(parent) {}

CDrawEllipseItem::~CDrawEllipseItem() = default;

QRectF CDrawEllipseItem::boundingRect() const
{
    return DrawPaint::paintBounds(QGraphicsEllipseItem::boundingRect());
}

void CDrawEllipseItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*)
{
    if (!filled && brush().style() != Qt::NoBrush)
        setBrush(Qt::NoBrush);
    const QRectF r = rect();
    DrawPaint::paintShape(painter, option, shadow, pen(), filled ? brush() : QBrush(Qt::NoBrush),
                          [&r](QPainter* p) { p->drawEllipse(r); });
}

void CDrawEllipseItem::hoverEnterEvent(QGraphicsSceneHoverEvent* event)
{
    QGraphicsEllipseItem::hoverEnterEvent(event);
    hovered = true;
}

void CDrawEllipseItem::hoverLeaveEvent(QGraphicsSceneHoverEvent* event)
{
    QGraphicsEllipseItem::hoverLeaveEvent(event);
    hovered = false;
}
