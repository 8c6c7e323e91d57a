#include "annotate/DrawEllipseItem.h"
#include "annotate/DrawRectItem.h"

#include <QPainter>

template <class QtBox>
void CDrawBoxItem<QtBox>::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*)
{
    if (!filled && this->brush().style() != Qt::NoBrush)
        this->setBrush(Qt::NoBrush);
    const QRectF r = this->rect();
    DrawPaint::paintShape(painter, option, this->shadow, this->pen(),
                          filled ? this->brush() : QBrush(Qt::NoBrush),
                          [this, &r](QPainter* p) { drawBox(p, r); });
}

template <class QtBox> MarkState CDrawBoxItem<QtBox>::state() const
{
    MarkState s = CDrawObjectItem::state();
    s.rect = this->rect();
    s.pen = this->pen();
    s.brush = this->brush();
    s.filled = filled;
    return s;
}

template <class QtBox> void CDrawBoxItem<QtBox>::setState(const MarkState& s)
{
    CDrawObjectItem::setState(s);
    this->setRect(s.rect);
    this->setPen(s.pen);
    this->setBrush(s.brush);
    setFilled(s.filled);
}

template <class QtBox>
bool CDrawBoxItem<QtBox>::applyLook(const DrawProperties& before, const DrawProperties& after)
{
    return MarkLook::applyToShape(this, before, after);
}

template <class QtBox> QVector<QPointF> CDrawBoxItem<QtBox>::itemHandles() const
{
    return this->rect().isNull() ? QVector<QPointF>() : boxCorners(this->rect());
}

template <class QtBox> void CDrawBoxItem<QtBox>::moveItemHandle(int handle, const QPointF& point)
{
    if (handle < 4)
        this->setRect(boxWithCornerAt(this->rect(), handle, point));
}

template class CDrawBoxItem<QGraphicsRectItem>;
template class CDrawBoxItem<QGraphicsEllipseItem>;

void CDrawRectItem::drawBox(QPainter* painter, const QRectF& box) const
{
    painter->drawRects(&box, 1);
}

void CDrawEllipseItem::drawBox(QPainter* painter, const QRectF& box) const
{
    painter->drawEllipse(box);
}
