#include "annotate/DrawRectItem.h"

#include <QPainter>

CDrawRectItem::CDrawRectItem(QGraphicsItem* parent) : QGraphicsRectItem(parent) {}

CDrawRectItem::~CDrawRectItem() = default;

QRectF CDrawRectItem::boundingRect() const
{
    return DrawPaint::paintBounds(QGraphicsRectItem::boundingRect());
}

void CDrawRectItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*)
{
    if (!filled && brush().style() != Qt::NoBrush)
        setBrush(Qt::NoBrush);
    const QRectF r = rect();
    DrawPaint::paintShape(painter, option, shadow, pen(), filled ? brush() : QBrush(Qt::NoBrush),
                          [&r](QPainter* p) { p->drawRects(&r, 1); });
}

void CDrawRectItem::hoverEnterEvent(QGraphicsSceneHoverEvent* event)
{
    QGraphicsRectItem::hoverEnterEvent(event);
    hovered = true;
}

void CDrawRectItem::hoverLeaveEvent(QGraphicsSceneHoverEvent* event)
{
    QGraphicsRectItem::hoverLeaveEvent(event);
    hovered = false;
}
