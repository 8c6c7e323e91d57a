#include "capture/MarkHandlesItem.h"

#include <QPainter>

namespace {
const QColor kHandleLine(0, 120, 215);
}

CMarkHandlesItem::CMarkHandlesItem(qreal interfaceScale) : m_scale(interfaceScale)
{
    setAcceptedMouseButtons(Qt::NoButton);
    setAcceptHoverEvents(false);
    // Above every mark.
    setZValue(1e9);
}

void CMarkHandlesItem::setFrame(const QRectF& outline, const QVector<QPointF>& handles)
{
    if (outline == m_outline && handles == m_handles)
        return;
    prepareGeometryChange();
    m_outline = outline;
    m_handles = handles;
}

QRectF CMarkHandlesItem::boundingRect() const
{
    QRectF r = m_outline;
    for (const QPointF& p : m_handles)
        r |= QRectF(p, QSizeF(0, 0));
    const qreal m = handleSize() / 2 + 2 * m_scale;
    return r.adjusted(-m, -m, m, m);
}

void CMarkHandlesItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    painter->save();
    const qreal d = 3 * m_scale; // the outline keeps clear of the mark
    QPen dashed(kHandleLine, m_scale, Qt::DashLine);
    dashed.setCosmetic(false);
    painter->setPen(dashed);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(m_outline.adjusted(-d, -d, d, d));
    painter->setPen(QPen(kHandleLine, m_scale));
    painter->setBrush(Qt::white);
    const qreal h = handleSize();
    for (const QPointF& p : m_handles)
        painter->drawRect(QRectF(p.x() - h / 2, p.y() - h / 2, h, h));
    painter->restore();
}
