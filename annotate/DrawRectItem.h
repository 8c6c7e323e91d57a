#pragma once

#include "annotate/DrawObjectItem.h"

#include <QGraphicsRectItem>

// A rectangle mark; its rectangle is in scene coordinates at position (0, 0)
// until the user drags it.
class CDrawRectItem : public QGraphicsRectItem, public CDrawObjectItem
{
public:
    explicit CDrawRectItem(QGraphicsItem* parent = nullptr);
    ~CDrawRectItem() override;

    bool filled = false;
    void setFilled(bool on)
    {
        filled = on;
        update();
    }

    QRectF boundingRect() const override;
    // An unfilled rectangle's brush reads Qt::NoBrush after the first paint.
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget = nullptr) override;

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent* event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent* event) override;
};
