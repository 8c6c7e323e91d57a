#pragma once

#include "annotate/DrawObjectItem.h"
#include "annotate/StrokeIndex.h"

#include <QGraphicsPolygonItem>
#include <QPainterPath>
#include <QPen>

// A closed polygon mark (Polygon and Curve tools) or, with `freehand`, an
// open free-hand stroke that is never filled. Points are in scene
// coordinates at position (0, 0) until the user drags the mark.
class CDrawPolygonItem : public QGraphicsPolygonItem, public CDrawObjectItem
{
public:
    explicit CDrawPolygonItem(QGraphicsItem* parent = nullptr);
    ~CDrawPolygonItem() override;

    bool filled = false;
    bool freehand = false;
    void setFilled(bool on)
    {
        filled = on;
        update();
    }
    void setFreehand(bool on);

    // The points, also while a stroke grows.
    QPolygonF polygon() const { return m_growing ? m_stroke : QGraphicsPolygonItem::polygon(); }
    void setPolygon(const QPolygonF& points);
    // Adds one point to a growing free-hand stroke and repaints only the new
    // piece: setting the whole polygon would repaint the whole stroke on
    // every pointer move.
    void appendStrokePoint(const QPointF& point);
    // The stroke is complete: its bounds shrink to its points again.
    void endStroke();

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    // The brush of a free-hand or unfilled item reads Qt::NoBrush after the
    // first paint.
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget = nullptr) override;

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent* event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent* event) override;

private:
    bool m_growing = false;
    QPolygonF m_stroke;   // the points while growing
    QRectF m_reserve;     // bounds reserved ahead of a growing stroke
    // The hit area of a finished stroke, made once: hit tests run on every
    // pointer move and stroking a long line each time is costly.
    mutable QPainterPath m_shapeCache;
    mutable QPen m_shapePen;
    // Finds the segments near each repainted piece of a free-hand stroke.
    mutable StrokeIndex m_index;
};
