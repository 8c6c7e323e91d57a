#pragma once

#include "annotate/DrawObjectItem.h"
#include "annotate/StrokeIndex.h"

#include <QGraphicsPolygonItem>
#include <QImage>
#include <QPainterPath>
#include <QPen>
#include <QRegion>

// A closed polygon mark (Polygon and Curve tools) or, with `freehand`, an
// open free-hand stroke that is never filled. Points are in scene
// coordinates at position (0, 0) until the user drags the mark.
class CDrawPolygonItem : public CDrawMark<QGraphicsPolygonItem>
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

    DrawMode kind() const override { return freehand ? DrawMode::Draw : DrawMode::Polygon; }
    MarkState state() const override;
    void setState(const MarkState& state) override;
    bool applyLook(const DrawProperties& before, const DrawProperties& after) override;
    bool finishEditing() override
    {
        endStroke();
        return true;
    }

protected:
    // The vertices of a polygon; none for a free-hand stroke.
    QVector<QPointF> itemHandles() const override { return freehand ? QVector<QPointF>() : polygon(); }
    void moveItemHandle(int handle, const QPointF& point) override;
    QRectF itemOutline() const override { return polygon().boundingRect(); }

private:
    bool m_growing = false;
    QPolygonF m_stroke; // the points while growing
    QRectF m_reserve;   // bounds reserved ahead of a growing stroke
    // The hit area of a finished stroke, made once: hit tests run on every
    // pointer move and stroking a long line each time is costly.
    mutable QPainterPath m_shapeCache;
    mutable QPen m_shapePen;
    // Finds the segments near each repainted piece of a free-hand stroke.
    mutable StrokeIndex m_index;

    // The pixels of a stroke being drawn, for the view (the picture itself
    // is always stroked anew): the crosshair's
    // bands cross the stroke on every pointer move, and copying its pixels
    // costs the same at any length where stroking it again does not. Kept
    // only while the stroke grows; each new segment's area is made again.
    bool paintFromLayer(QPainter* painter, const QStyleOptionGraphicsItem* option, const QRegion& area) const;
    void paintPieces(QPainter* painter, const QStyleOptionGraphicsItem* option, const QPolygonF& points,
                     const QRegion& area) const;
    mutable QImage m_layer;
    mutable QRect m_layerRect;    // the layer's place in item coordinates
    mutable QRegion m_layerValid; // where its pixels are up to date
    mutable QPen m_layerPen;
    mutable bool m_layerShadow = false;
};
