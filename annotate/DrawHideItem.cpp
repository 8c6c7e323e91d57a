#include "annotate/DrawHideItem.h"

#include "annotate/HidePattern.h"
#include "annotate/Tool.h"

#include <QPainter>
#include <QStyleOptionGraphicsItem>

#include <cmath>

namespace {

QPointF wholePixels(const QPointF& p)
{
    return QPointF(std::round(p.x()), std::round(p.y()));
}

} // namespace

CDrawHideItem::CDrawHideItem(const CMarkBackdrop* backdrop, QGraphicsItem* parent)
    : CDrawMark(parent), m_backdrop(backdrop)
{
    // Its cover is computed, not drawn: it casts no shadow.
    shadow = false;
    setFlag(ItemSendsGeometryChanges);
}

void CDrawHideItem::setCover(int block, bool smoothly)
{
    if (block == blockSize && smoothly == smooth)
        return;
    blockSize = block;
    smooth = smoothly;
    invalidate();
}

void CDrawHideItem::setArea(const QRectF& area)
{
    const QRectF whole(wholePixels(area.topLeft()), wholePixels(area.bottomRight()));
    if (whole == rect())
        return;
    setRect(whole);
    invalidate();
}

void CDrawHideItem::invalidate()
{
    m_stale = true;
    update();
}

QImage CDrawHideItem::cover() const
{
    if (m_stale)
        makeCover();
    return m_cover;
}

void CDrawHideItem::makeCover() const
{
    m_stale = false;
    const QRect area = mapRectToScene(rect()).toAlignedRect();
    if (area.isEmpty() || !m_backdrop) {
        m_cover = QImage();
        return;
    }
    // Only the pixels just outside: the row above and below, the column
    // left and right.
    HidePattern::Fringe fringe;
    fringe.top = m_backdrop->pixelsBelow(QRect(area.left(), area.top() - 1, area.width(), 1), this);
    fringe.bottom = m_backdrop->pixelsBelow(QRect(area.left(), area.bottom() + 1, area.width(), 1), this);
    fringe.left = m_backdrop->pixelsBelow(QRect(area.left() - 1, area.top(), 1, area.height()), this);
    fringe.right = m_backdrop->pixelsBelow(QRect(area.right() + 1, area.top(), 1, area.height()), this);
    m_cover = HidePattern::make(area.size(), fringe, blockSize, smooth);
}

QRectF CDrawHideItem::boundingRect() const
{
    return DrawPaint::paintBounds(rect());
}

void CDrawHideItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*)
{
    const QImage pixels = cover();
    if (!pixels.isNull())
        painter->drawImage(rect().topLeft(), pixels);
    if (option && (option->state & QStyle::State_MouseOver)) {
        painter->save();
        painter->setPen(DrawPaint::highlightPen());
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect());
        painter->restore();
    }
}

MarkState CDrawHideItem::state() const
{
    MarkState s = CDrawObjectItem::state();
    s.rect = rect();
    s.blockSize = blockSize;
    s.smooth = smooth;
    return s;
}

void CDrawHideItem::setState(const MarkState& s)
{
    CDrawObjectItem::setState(s);
    setArea(s.rect);
    setCover(s.blockSize, s.smooth);
}

bool CDrawHideItem::applyLook(const DrawProperties& before, const DrawProperties& after)
{
    if (before.hideBlock == after.hideBlock && before.hideSmooth == after.hideSmooth)
        return false;
    setCover(before.hideBlock != after.hideBlock ? after.hideBlock : blockSize,
             before.hideSmooth != after.hideSmooth ? after.hideSmooth : smooth);
    return true;
}

void CDrawHideItem::settle()
{
    cover();
}

void CDrawHideItem::marksBelowChanged()
{
    invalidate();
}

QVariant CDrawHideItem::itemChange(GraphicsItemChange change, const QVariant& value)
{
    // On whole pixels wherever it is dragged, so that the cover is exactly
    // the pixels it hides.
    if (change == ItemPositionChange)
        return wholePixels(value.toPointF());
    if (change == ItemPositionHasChanged || change == ItemSceneHasChanged)
        invalidate();
    return CDrawMark::itemChange(change, value);
}

void CDrawHideItem::moveItemHandle(int handle, const QPointF& point)
{
    if (handle < 4)
        setArea(boxWithCornerAt(rect(), handle, point));
}
