#include "annotate/DrawLineItem.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionGraphicsItem>

#include <cmath>

namespace {

constexpr double kHeadLengthBase = 10.0;
constexpr int kShadowAlphaReduction = 20;
constexpr int kShadowAlphaFloor = 5;

} // namespace

ArrowHead arrowHead(const QLineF& line, int penWidth)
{
    const double x2 = line.x2();
    const double y2 = line.y2();
    // Direction from the end point back towards the start point.
    const double theta = std::atan2(line.y1() - y2, line.x1() - x2);
    const double length = kHeadLengthBase + penWidth;
    const double dx1 = length * std::cos(theta + kArrowHalfAngle);
    const double dy1 = length * std::sin(theta + kArrowHalfAngle);
    const double dx2 = length * std::cos(theta - kArrowHalfAngle);
    const double dy2 = length * std::sin(theta - kArrowHalfAngle);

    ArrowHead head;
    head.triangle << QPoint(int(x2 + dx1), int(y2 + dy1)) << QPoint(int(x2), int(y2))
                  << QPoint(int(x2 + dx2), int(y2 + dy2));
    head.shaftEnd = QPoint(int((dx1 + 2 * x2 + dx2) * 0.5), int((dy1 + 2 * y2 + dy2) * 0.5));
    return head;
}

QColor lineShadowColor(const QColor& penColor)
{
    const int alpha = penColor.alpha() - kShadowAlphaReduction;
    return QColor(125, 125, 125, qMax(alpha, kShadowAlphaFloor));
}

CDrawLineItem::CDrawLineItem(QGraphicsItem* parent) : CDrawMark(parent) {}

CDrawLineItem::~CDrawLineItem() = default;

QRectF CDrawLineItem::boundingRect() const
{
    // The head reaches its barb length (plus a pixel of truncation) from the
    // end point in any direction.
    const qreal head = kHeadLengthBase + pen().width() + 1;
    return DrawPaint::paintBounds(QGraphicsLineItem::boundingRect().adjusted(-head, -head, head, head));
}

void CDrawLineItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*)
{
    const QLineF l = line();
    const QPen itemPen = pen();
    const QColor shadowColor = lineShadowColor(itemPen.color());

    auto stroke = [&](const QPen& strokePen, const QBrush& headBrush) {
        painter->setPen(strokePen);
        if (!arrow) {
            painter->drawLine(l);
            return;
        }
        const ArrowHead head = arrowHead(l, strokePen.width());
        painter->drawLine(QLineF(l.p1(), head.shaftEnd));
        QPainterPath path;
        path.addPolygon(QPolygonF(head.triangle));
        painter->fillPath(path, headBrush);
    };

    painter->save();
    if (shadow) {
        QPen shadowPen(shadowColor);
        shadowPen.setWidth(itemPen.width());
        painter->translate(DrawPaint::kShadowOffset, DrawPaint::kShadowOffset);
        stroke(shadowPen, QBrush(shadowColor));
        painter->translate(-DrawPaint::kShadowOffset, -DrawPaint::kShadowOffset);
    }
    stroke(itemPen, QBrush(itemPen.color()));
    if (option && (option->state & QStyle::State_MouseOver)) {
        painter->setPen(DrawPaint::highlightPen());
        const QLine whole(int(l.x1()), int(l.y1()), int(l.x2()), int(l.y2()));
        painter->drawLines(&whole, 1);
    }
    painter->restore();
}

MarkState CDrawLineItem::state() const
{
    MarkState s = CDrawObjectItem::state();
    s.line = line();
    s.pen = pen();
    return s;
}

void CDrawLineItem::setState(const MarkState& s)
{
    CDrawObjectItem::setState(s);
    setLine(s.line);
    setPen(s.pen);
}

bool CDrawLineItem::applyLook(const DrawProperties& before, const DrawProperties& after)
{
    bool changed = false;
    setPen(MarkLook::changedPen(pen(), before, after, false, changed));
    return changed;
}

void CDrawLineItem::moveItemHandle(int handle, const QPointF& point)
{
    QLineF l = line();
    if (handle == 0)
        l.setP1(point);
    else if (handle == 1)
        l.setP2(point);
    setLine(l);
}
