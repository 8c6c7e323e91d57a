#pragma once

#include "annotate/DrawObjectItem.h"

#include <QGraphicsEllipseItem>

// An ellipse mark inside its rectangle, in scene coordinates.
class CDrawEllipseItem : public QGraphicsEllipseItem, public CDrawObjectItem
{
public:
    explicit CDrawEllipseItem(QGraphicsItem* parent = nullptr);
    ~CDrawEllipseItem() override;

    bool filled = false;
    void setFilled(bool on)
    {
        filled = on;
        update();
    }

    QRectF boundingRect() const override;
    // An unfilled ellipse's brush reads Qt::NoBrush after the first paint.
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget = nullptr) override;

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent* event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent* event) override;
};
