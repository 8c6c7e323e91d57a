#include "annotate/DrawHighlightItem.h"

#include <QPainter>
#include <QPainterPathStroker>
#include <QStyleOptionGraphicsItem>

CDrawHighlightItem::CDrawHighlightItem(QGraphicsItem* parent) : CDrawMark(parent)
{
    // A tint casts no shadow.
    shadow = false;
}

void CDrawHighlightItem::setPoints(const QPolygonF& points)
{
    prepareGeometryChange();
    m_points = points;
    remake();
}

void CDrawHighlightItem::setStrokePen(const QPen& pen)
{
    QPen round = pen;
    round.setCapStyle(Qt::RoundCap);
    round.setJoinStyle(Qt::RoundJoin);
    prepareGeometryChange();
    setPen(round);
    remake();
}

void CDrawHighlightItem::remake()
{
    QPainterPath line;
    if (!m_points.isEmpty()) {
        line.moveTo(m_points.first());
        for (int i = 1; i < m_points.size(); ++i)
            line.lineTo(m_points[i]);
    }
    QPainterPathStroker stroker(pen());
    stroker.setWidth(qMax<qreal>(pen().widthF(), 1.0));
    m_area = stroker.createStroke(line);
    m_area.setFillRule(Qt::WindingFill);
    update();
}

QRectF CDrawHighlightItem::boundingRect() const
{
    return DrawPaint::paintBounds(m_area.boundingRect());
}

void CDrawHighlightItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*)
{
    painter->save();
    // One fill of the whole area: every pixel is tinted once.
    painter->setCompositionMode(QPainter::CompositionMode_Multiply);
    painter->setPen(Qt::NoPen);
    painter->setBrush(pen().color());
    painter->drawPath(m_area);
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (option && (option->state & QStyle::State_MouseOver)) {
        painter->setPen(DrawPaint::highlightPen());
        painter->setBrush(Qt::NoBrush);
        painter->drawPolyline(m_points);
    }
    painter->restore();
}

MarkState CDrawHighlightItem::state() const
{
    MarkState s = CDrawObjectItem::state();
    s.polygon = m_points;
    s.pen = pen();
    return s;
}

void CDrawHighlightItem::setState(const MarkState& s)
{
    CDrawObjectItem::setState(s);
    setStrokePen(s.pen);
    setPoints(s.polygon);
}

bool CDrawHighlightItem::applyLook(const DrawProperties& before, const DrawProperties& after)
{
    QPen p = pen();
    bool changed = false;
    if (before.highlightColor != after.highlightColor) {
        p.setColor(after.withTransparency(after.highlightColor));
        changed = true;
    }
    if (before.highlightWidth != after.highlightWidth) {
        p.setWidth(after.highlightWidth);
        changed = true;
    }
    if (before.transparency != after.transparency) {
        p.setColor(after.withTransparency(p.color()));
        changed = true;
    }
    if (changed)
        setStrokePen(p);
    return changed;
}
