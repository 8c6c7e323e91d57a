#pragma once

#include "annotate/DrawBoxItem.h"

// An ellipse mark inside its rectangle.
class CDrawEllipseItem : public CDrawBoxItem<QGraphicsEllipseItem>
{
public:
    using CDrawBoxItem::CDrawBoxItem;
    DrawMode kind() const override { return DrawMode::Ellipse; }

protected:
    void drawBox(QPainter* painter, const QRectF& box) const override;
};
