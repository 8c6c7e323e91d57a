#include "annotate/MarkState.h"

bool MarkState::operator==(const MarkState& o) const
{
    return pos == o.pos && rect == o.rect && line == o.line && polygon == o.polygon && pen == o.pen &&
           brush == o.brush && filled == o.filled && html == o.html && font == o.font &&
           textColor == o.textColor && fillColor == o.fillColor && frameColor == o.frameColor &&
           frame == o.frame && frameWidth == o.frameWidth && blockSize == o.blockSize && smooth == o.smooth;
}

namespace MarkLook {

QPen linePen(const DrawProperties& look)
{
    QPen pen(look.withTransparency(look.frameColor));
    pen.setWidth(look.frameWidth);
    return pen;
}

QPen shapePen(const DrawProperties& look)
{
    QPen pen = linePen(look);
    if (!look.frame)
        pen.setStyle(Qt::NoPen);
    return pen;
}

QBrush fillBrush(const DrawProperties& look)
{
    return QBrush(look.withTransparency(look.fillColor), Qt::SolidPattern);
}

QPen changedPen(QPen pen, const DrawProperties& before, const DrawProperties& after, bool shape,
                bool& changed)
{
    if (before.frameColor != after.frameColor) {
        pen.setColor(after.withTransparency(after.frameColor));
        changed = true;
    }
    if (before.frameWidth != after.frameWidth) {
        pen.setWidth(after.frameWidth);
        changed = true;
    }
    if (shape && before.frame != after.frame) {
        pen.setStyle(after.frame ? Qt::SolidLine : Qt::NoPen);
        changed = true;
    }
    if (before.transparency != after.transparency) {
        pen.setColor(after.withTransparency(pen.color()));
        changed = true;
    }
    return pen;
}

QBrush changedBrush(const QBrush& brush, const DrawProperties& before, const DrawProperties& after,
                    bool& changed)
{
    QColor color = brush.style() == Qt::NoBrush ? before.withTransparency(before.fillColor) : brush.color();
    bool touched = false;
    if (before.fillColor != after.fillColor) {
        color = after.fillColor;
        touched = true;
    }
    if (before.transparency != after.transparency)
        touched = true;
    if (!touched)
        return brush;
    changed = true;
    return QBrush(after.withTransparency(color), Qt::SolidPattern);
}

} // namespace MarkLook

QVector<QPointF> boxCorners(const QRectF& box)
{
    return {box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft()};
}

QRectF boxWithCornerAt(const QRectF& box, int corner, const QPointF& point)
{
    if (corner < 0 || corner > 3)
        return box;
    return QRectF(boxCorners(box)[(corner + 2) % 4], point).normalized();
}
