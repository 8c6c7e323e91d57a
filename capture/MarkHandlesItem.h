#pragma once

#include <QGraphicsItem>
#include <QVector>

// The frame and handles of the mark chosen with Select: a dashed outline
// round the mark and a small square on each point it can be reshaped by.
// Screen-only: the picture renderer paints marks, never this.
class CMarkHandlesItem : public QGraphicsItem
{
public:
    // Handles are squares of this many interface pixels.
    static constexpr qreal kHandleSize = 7;

    explicit CMarkHandlesItem(qreal interfaceScale);

    // The outline and the handle centres, in scene coordinates.
    void setFrame(const QRectF& outline, const QVector<QPointF>& handles);
    QVector<QPointF> handles() const { return m_handles; }
    qreal handleSize() const { return kHandleSize * m_scale; }

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    qreal m_scale;
    QRectF m_outline;
    QVector<QPointF> m_handles;
};
