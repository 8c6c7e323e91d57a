#pragma once

#include "annotate/DrawObjectItem.h"

#include <QGraphicsRectItem>
#include <QImage>

class CMarkBackdrop;

// A Hide mark: a rectangle of whole desktop pixels covered with a pattern
// made only from the pixels just outside it (the desktop and the marks
// below it), so that nothing under it can be recovered. The cover is made
// again whenever the mark or what lies below it changes.
class CDrawHideItem : public CDrawMark<QGraphicsRectItem>
{
public:
    explicit CDrawHideItem(const CMarkBackdrop* backdrop, QGraphicsItem* parent = nullptr);

    // Blocks of this many pixels, or the fringe blended smoothly.
    int blockSize = 12;
    bool smooth = false;
    void setCover(int block, bool smoothly);
    // The area, in item coordinates, taken to whole pixels.
    void setArea(const QRectF& area);

    // The cover as it is painted.
    QImage cover() const;

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget = nullptr) override;

    DrawMode kind() const override { return DrawMode::Hide; }
    MarkState state() const override;
    void setState(const MarkState& state) override;
    // Colours and widths do not concern it; the cover's look does.
    bool applyLook(const DrawProperties& before, const DrawProperties& after) override;
    void settle() override;
    void marksBelowChanged() override;

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;
    QVector<QPointF> itemHandles() const override { return boxCorners(rect()); }
    void moveItemHandle(int handle, const QPointF& point) override;
    QRectF itemOutline() const override { return rect(); }

private:
    void makeCover() const;
    void invalidate();

    const CMarkBackdrop* m_backdrop;
    mutable QImage m_cover;
    mutable bool m_stale = true;
};
