#pragma once

#include "annotate/DrawBoxItem.h"

// A rectangle mark.
class CDrawRectItem : public CDrawBoxItem<QGraphicsRectItem>
{
public:
    using CDrawBoxItem::CDrawBoxItem;
    DrawMode kind() const override { return DrawMode::Rectangle; }

protected:
    void drawBox(QPainter* painter, const QRectF& box) const override;
};
