#pragma once

#include "annotate/DrawObjectItem.h"

#include <QGraphicsLineItem>
#include <QPoint>
#include <QPolygon>

class QColor;
class QLineF;

// Half the opening angle of an arrow head, against the shaft (just under 30
// degrees; deliberately not pi / 6).
inline constexpr double kArrowHalfAngle = 0.5235987755966166;

// The arrow head at the end point of a line drawn with a pen of the given
// width: the filled triangle (barb, tip, barb, in whole pixels truncated
// toward zero) and the whole-pixel point where the shaft stops.
struct ArrowHead
{
    QPolygon triangle;
    QPoint shaftEnd;
};
ArrowHead arrowHead(const QLineF& line, int penWidth);

// The shadow of a line follows its pen's transparency: grey with the pen's
// alpha less 20, but never below 5.
QColor lineShadowColor(const QColor& penColor);

// A line mark from the press point to the pointer, optionally ending in an
// arrow head; the line is in scene coordinates at position (0, 0) until the
// user drags it. The shape is the plain line's; the bounding rectangle also
// holds the head and the shadow.
class CDrawLineItem : public CDrawMark<QGraphicsLineItem>
{
public:
    explicit CDrawLineItem(QGraphicsItem* parent = nullptr);
    ~CDrawLineItem() override;

    bool arrow = false;

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget = nullptr) override;

    DrawMode kind() const override { return arrow ? DrawMode::LineArrow : DrawMode::Line; }
    MarkState state() const override;
    void setState(const MarkState& state) override;
    bool applyLook(const DrawProperties& before, const DrawProperties& after) override;

protected:
    // Its two ends.
    QVector<QPointF> itemHandles() const override { return {line().p1(), line().p2()}; }
    void moveItemHandle(int handle, const QPointF& point) override;
    QRectF itemOutline() const override { return QRectF(line().p1(), line().p2()).normalized(); }
};
