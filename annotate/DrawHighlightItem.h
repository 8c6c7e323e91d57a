#pragma once

#include "annotate/DrawObjectItem.h"

#include <QAbstractGraphicsShapeItem>
#include <QPainterPath>
#include <QPolygonF>

// A highlighter stroke: a wide stroke of the pen's colour that multiplies
// what is under it, so that black stays black and white takes the colour.
// The stroke is filled as one area: where it crosses itself it is not
// darker. Its points are in scene coordinates at position (0, 0) until the
// user drags it.
class CDrawHighlightItem : public CDrawMark<QAbstractGraphicsShapeItem>
{
public:
    explicit CDrawHighlightItem(QGraphicsItem* parent = nullptr);

    QPolygonF points() const { return m_points; }
    void setPoints(const QPolygonF& points);
    // The pen's colour and width, with round ends and joins.
    void setStrokePen(const QPen& pen);

    QRectF boundingRect() const override;
    QPainterPath shape() const override { return m_area; }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget = nullptr) override;

    DrawMode kind() const override { return DrawMode::Highlighter; }
    MarkState state() const override;
    void setState(const MarkState& state) override;
    bool applyLook(const DrawProperties& before, const DrawProperties& after) override;

protected:
    QRectF itemOutline() const override { return m_points.boundingRect(); }

private:
    void remake();

    QPolygonF m_points;
    QPainterPath m_area; // the stroke as one area
};
