#include "annotate/MarkState.h"

#include "annotate/DrawEllipseItem.h"
#include "annotate/DrawLineItem.h"
#include "annotate/DrawPolygonItem.h"
#include "annotate/DrawRectItem.h"
#include "annotate/DrawTextItem.h"

#include <QPainterPath>
#include <QPainterPathStroker>

bool MarkState::operator==(const MarkState& o) const
{
    return pos == o.pos && rect == o.rect && line == o.line && polygon == o.polygon && pen == o.pen &&
           brush == o.brush && filled == o.filled && html == o.html && font == o.font &&
           textColor == o.textColor && fillColor == o.fillColor && frameColor == o.frameColor &&
           frame == o.frame && frameWidth == o.frameWidth;
}

namespace {

// Rectangles and ellipses have the same fields on different Qt bases.
template <class Box> void readBox(const Box* item, MarkState& s)
{
    s.rect = item->rect();
    s.pen = item->pen();
    s.brush = item->brush();
    s.filled = item->filled;
}

template <class Box> void writeBox(Box* item, const MarkState& s)
{
    item->setRect(s.rect);
    item->setPen(s.pen);
    item->setBrush(s.brush);
    item->setFilled(s.filled);
}

} // namespace

MarkState markState(const QGraphicsItem* item)
{
    MarkState s;
    if (!item)
        return s;
    s.pos = item->pos();
    if (auto* box = dynamic_cast<const CDrawRectItem*>(item)) {
        readBox(box, s);
    } else if (auto* ellipse = dynamic_cast<const CDrawEllipseItem*>(item)) {
        readBox(ellipse, s);
    } else if (auto* line = dynamic_cast<const CDrawLineItem*>(item)) {
        s.line = line->line();
        s.pen = line->pen();
    } else if (auto* polygon = dynamic_cast<const CDrawPolygonItem*>(item)) {
        s.polygon = polygon->polygon();
        s.pen = polygon->pen();
        s.brush = polygon->brush();
        s.filled = polygon->filled;
    } else if (auto* text = dynamic_cast<const CDrawTextItem*>(item)) {
        s.html = text->toHtml();
        s.font = text->font();
        s.textColor = text->defaultTextColor();
        s.fillColor = text->fillColor;
        s.frameColor = text->frameColor;
        s.filled = text->filled;
        s.frame = text->frame;
        s.frameWidth = text->frameWidth;
    }
    return s;
}

void setMarkState(QGraphicsItem* item, const MarkState& s)
{
    if (!item)
        return;
    item->setPos(s.pos);
    if (auto* box = dynamic_cast<CDrawRectItem*>(item)) {
        writeBox(box, s);
    } else if (auto* ellipse = dynamic_cast<CDrawEllipseItem*>(item)) {
        writeBox(ellipse, s);
    } else if (auto* line = dynamic_cast<CDrawLineItem*>(item)) {
        line->setLine(s.line);
        line->setPen(s.pen);
    } else if (auto* polygon = dynamic_cast<CDrawPolygonItem*>(item)) {
        polygon->setPolygon(s.polygon);
        polygon->endStroke();
        polygon->setPen(s.pen);
        polygon->setBrush(s.brush);
        polygon->setFilled(s.filled);
    } else if (auto* text = dynamic_cast<CDrawTextItem*>(item)) {
        if (text->toHtml() != s.html)
            text->setHtml(s.html);
        text->setFont(s.font);
        text->setDefaultTextColor(s.textColor);
        text->setFillColor(s.fillColor);
        text->setFrameColor(s.frameColor);
        text->setFilled(s.filled);
        text->setFrame(s.frame);
        text->setFrameWidth(s.frameWidth);
    }
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

} // namespace MarkLook

namespace {

// The changes of the strip that concern a pen: its colour, width and, for
// shapes, whether it is drawn at all. The alpha follows the transparency.
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

template <class Shape>
bool applyToShape(Shape* item, const DrawProperties& before, const DrawProperties& after, bool shapePen)
{
    bool changed = false;
    item->setPen(changedPen(item->pen(), before, after, shapePen, changed));
    item->setBrush(changedBrush(item->brush(), before, after, changed));
    if (before.fill != after.fill) {
        item->setFilled(after.fill);
        if (after.fill && item->brush().style() == Qt::NoBrush)
            item->setBrush(MarkLook::fillBrush(after));
        changed = true;
    }
    return changed;
}

} // namespace

bool applyLookChange(QGraphicsItem* item, const DrawProperties& before, const DrawProperties& after)
{
    if (auto* box = dynamic_cast<CDrawRectItem*>(item))
        return applyToShape(box, before, after, true);
    if (auto* ellipse = dynamic_cast<CDrawEllipseItem*>(item))
        return applyToShape(ellipse, before, after, true);
    if (auto* polygon = dynamic_cast<CDrawPolygonItem*>(item)) {
        if (polygon->freehand) {
            bool changed = false;
            polygon->setPen(changedPen(polygon->pen(), before, after, false, changed));
            return changed;
        }
        return applyToShape(polygon, before, after, true);
    }
    if (auto* line = dynamic_cast<CDrawLineItem*>(item)) {
        bool changed = false;
        line->setPen(changedPen(line->pen(), before, after, false, changed));
        return changed;
    }
    if (auto* text = dynamic_cast<CDrawTextItem*>(item)) {
        const bool alphaChanged = before.transparency != after.transparency;
        bool changed = false;
        if (before.fontColor != after.fontColor || alphaChanged) {
            text->setDefaultTextColor(after.withTransparency(
                before.fontColor != after.fontColor ? after.fontColor : text->defaultTextColor()));
            changed = true;
        }
        if (before.fillColor != after.fillColor || alphaChanged) {
            text->setFillColor(after.withTransparency(before.fillColor != after.fillColor ? after.fillColor
                                                                                          : text->fillColor));
            changed = true;
        }
        if (before.frameColor != after.frameColor || alphaChanged) {
            text->setFrameColor(after.withTransparency(
                before.frameColor != after.frameColor ? after.frameColor : text->frameColor));
            changed = true;
        }
        if (before.frameWidth != after.frameWidth) {
            text->setFrameWidth(after.frameWidth);
            changed = true;
        }
        if (before.frame != after.frame) {
            text->setFrame(after.frame);
            changed = true;
        }
        if (before.fill != after.fill) {
            text->setFilled(after.fill);
            changed = true;
        }
        if (before.fontFamily != after.fontFamily || before.fontSize != after.fontSize) {
            QFont font = text->font();
            if (before.fontFamily != after.fontFamily)
                font.setFamily(after.fontFamily);
            if (before.fontSize != after.fontSize)
                font.setPointSize(after.fontSize);
            text->setFont(font);
            changed = true;
        }
        return changed;
    }
    return false;
}

QVector<QPointF> markHandles(const QGraphicsItem* item)
{
    QVector<QPointF> points;
    QRectF r;
    if (auto* box = dynamic_cast<const CDrawRectItem*>(item))
        r = box->rect();
    else if (auto* ellipse = dynamic_cast<const CDrawEllipseItem*>(item))
        r = ellipse->rect();
    if (!r.isNull()) {
        points << r.topLeft() << r.topRight() << r.bottomRight() << r.bottomLeft();
    } else if (auto* line = dynamic_cast<const CDrawLineItem*>(item)) {
        points << line->line().p1() << line->line().p2();
    } else if (auto* polygon = dynamic_cast<const CDrawPolygonItem*>(item)) {
        if (!polygon->freehand)
            points = polygon->polygon();
    }
    for (QPointF& p : points)
        p = item->mapToScene(p);
    return points;
}

void moveMarkHandle(QGraphicsItem* item, int handle, const QPointF& scenePos)
{
    const QPointF p = item->mapFromScene(scenePos);
    auto reshape = [handle, &p](QRectF r) {
        // The dragged corner follows the pointer; the opposite one stays.
        QPointF corners[4] = {r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()};
        const QPointF fixed = corners[(handle + 2) % 4];
        return QRectF(fixed, p).normalized();
    };
    if (handle < 0)
        return;
    if (auto* box = dynamic_cast<CDrawRectItem*>(item)) {
        if (handle < 4)
            box->setRect(reshape(box->rect()));
    } else if (auto* ellipse = dynamic_cast<CDrawEllipseItem*>(item)) {
        if (handle < 4)
            ellipse->setRect(reshape(ellipse->rect()));
    } else if (auto* line = dynamic_cast<CDrawLineItem*>(item)) {
        QLineF l = line->line();
        if (handle == 0)
            l.setP1(p);
        else if (handle == 1)
            l.setP2(p);
        line->setLine(l);
    } else if (auto* polygon = dynamic_cast<CDrawPolygonItem*>(item)) {
        QPolygonF points = polygon->polygon();
        if (!polygon->freehand && handle < points.size()) {
            points[handle] = p;
            polygon->setPolygon(points);
        }
    }
}

QRectF markOutline(const QGraphicsItem* item)
{
    QRectF r;
    if (auto* box = dynamic_cast<const CDrawRectItem*>(item))
        r = box->rect();
    else if (auto* ellipse = dynamic_cast<const CDrawEllipseItem*>(item))
        r = ellipse->rect();
    else if (auto* line = dynamic_cast<const CDrawLineItem*>(item))
        r = QRectF(line->line().p1(), line->line().p2()).normalized();
    else if (auto* polygon = dynamic_cast<const CDrawPolygonItem*>(item))
        r = polygon->polygon().boundingRect();
    else if (auto* text = dynamic_cast<const CDrawTextItem*>(item))
        r = text->textBox();
    return item ? item->mapRectToScene(r) : QRectF();
}

bool markHit(const QGraphicsItem* item, const QPointF& scenePos, qreal tolerance)
{
    if (!item)
        return false;
    const QPointF p = item->mapFromScene(scenePos);
    const QPainterPath shape = item->shape();
    if (shape.contains(p))
        return true;
    if (tolerance <= 0)
        return false;
    // Quick rejection before stroking the outline.
    if (!shape.controlPointRect().adjusted(-tolerance, -tolerance, tolerance, tolerance).contains(p))
        return false;
    QPainterPathStroker stroker;
    stroker.setWidth(2 * tolerance);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(shape).contains(p);
}
