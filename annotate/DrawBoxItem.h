#pragma once

#include "annotate/DrawObjectItem.h"

#include <QGraphicsEllipseItem>
#include <QGraphicsRectItem>

// A mark drawn inside a rectangle: the rectangle and the ellipse. The
// rectangle is in scene coordinates at position (0, 0) until the user drags
// the mark; its corners are its handles.
template <class QtBox> class CDrawBoxItem : public CDrawMark<QtBox>
{
public:
    explicit CDrawBoxItem(QGraphicsItem* parent = nullptr) : CDrawMark<QtBox>(parent) {}

    bool filled = false;
    void setFilled(bool on)
    {
        filled = on;
        this->update();
    }

    QRectF boundingRect() const override { return DrawPaint::paintBounds(QtBox::boundingRect()); }
    // An unfilled box's brush reads Qt::NoBrush after the first paint.
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget = nullptr) override;

    MarkState state() const override;
    void setState(const MarkState& state) override;
    bool applyLook(const DrawProperties& before, const DrawProperties& after) override;

protected:
    // The shape in the box, with the painter's pen and brush.
    virtual void drawBox(QPainter* painter, const QRectF& box) const = 0;
    QVector<QPointF> itemHandles() const override;
    void moveItemHandle(int handle, const QPointF& point) override;
    QRectF itemOutline() const override { return this->rect(); }
};

extern template class CDrawBoxItem<QGraphicsRectItem>;
extern template class CDrawBoxItem<QGraphicsEllipseItem>;
