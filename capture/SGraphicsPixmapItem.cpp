#include "capture/SGraphicsPixmapItem.h"

#include <QFontMetrics>
#include <QGraphicsScene>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QStyleOptionGraphicsItem>

#include <cmath>

namespace {

const QColor kVeilColor(150, 150, 150, 100);
const QColor kCrosshairColor(125, 125, 125, 180);
const QColor kLabelColor(100, 100, 100, 180);
constexpr qreal kThinPen = 0.5;
// Antialiased thin lines touch the pixel on either side of their position;
// the view itself widens antialiased updates by two pixels as well.
constexpr int kEdgeMargin = 2;

bool fuzzyEqual(const QPointF& a, const QPointF& b)
{
    return std::abs(a.x() - b.x()) <= 1e-12 && std::abs(a.y() - b.y()) <= 1e-12;
}

// A band of whole pixels around a horizontal or vertical edge at position v.
QRect band(qreal v, int from, int length, Qt::Orientation orientation)
{
    const int start = int(std::floor(v)) - kEdgeMargin;
    const int size = 2 * kEdgeMargin + 1;
    return orientation == Qt::Horizontal ? QRect(from, start, length, size)
                                         : QRect(start, from, size, length);
}

} // namespace

CSGraphicsPixmapItem::CSGraphicsPixmapItem(const QPixmap& desktop)
    : QGraphicsPixmapItem(desktop), m_labelFont(QStringLiteral("Arial"), 8, QFont::ExtraLight, false)
{
    // paint() needs the exposed rectangle to draw only what changed.
    setFlag(QGraphicsItem::ItemUsesExtendedStyleOption);
    setShapeMode(QGraphicsPixmapItem::BoundingRectShape);
}

QString CSGraphicsPixmapItem::sizeLabelText(const QRectF& selection)
{
    return QStringLiteral("(%1 * %2)").arg(selection.width(), 0, 'g', -1).arg(selection.height(), 0, 'g', -1);
}

QRect CSGraphicsPixmapItem::sizeLabelBox(const QRectF& selection, const QSize& textSize)
{
    return QRect(int(selection.x()), int(selection.y() - 10 - textSize.height()), textSize.width() + 10,
                 textSize.height() + 5);
}

void CSGraphicsPixmapItem::setSelectionRect(const QRectF& rect)
{
    if (rect == m_selection) // QRectF compares fuzzily
        return;
    const QRegion dirty = selectionFootprint(m_selection) + selectionFootprint(rect);
    m_selection = rect;
    invalidate(dirty);
}

void CSGraphicsPixmapItem::setCursorPos(const QPointF& pos)
{
    if (fuzzyEqual(pos, m_cursorPos))
        return;
    const QPointF old = m_cursorPos;
    m_cursorPos = pos;
    if (m_crosshairVisible)
        invalidate(crosshairFootprint(old) + crosshairFootprint(pos));
}

void CSGraphicsPixmapItem::setCrosshairVisible(bool visible)
{
    if (visible == m_crosshairVisible)
        return;
    m_crosshairVisible = visible;
    invalidate(crosshairFootprint(m_cursorPos));
}

QRegion CSGraphicsPixmapItem::crosshairFootprint(const QPointF& pos) const
{
    const QRect bounds = boundingRect().toAlignedRect();
    QRegion area = band(pos.y(), bounds.left(), bounds.width(), Qt::Horizontal);
    area += band(pos.x(), bounds.top(), bounds.height(), Qt::Vertical);
    return area;
}

// Every pixel whose colour depends on this selection: its inside (no veil),
// a band round its edges (the veil's outline) and the size label.
QRegion CSGraphicsPixmapItem::selectionFootprint(const QRectF& selection) const
{
    if (!hasArea(selection))
        return QRegion();
    const QRect outer =
        selection.toAlignedRect().adjusted(-kEdgeMargin, -kEdgeMargin, kEdgeMargin, kEdgeMargin);
    QRegion area(outer);
    const QFontMetrics metrics(m_labelFont);
    const QRect text =
        metrics.boundingRect(QRect(0, 0, 100, 100), Qt::AlignLeft | Qt::AlignTop, sizeLabelText(selection));
    // Measured on the screen here, by the painter in paint(): allow for rounding.
    area += sizeLabelBox(selection, text.size()).adjusted(-3, -3, 3, 3);
    return area;
}

void CSGraphicsPixmapItem::invalidate(const QRegion& area)
{
    QGraphicsScene* owner = scene();
    if (!owner) {
        update();
        return;
    }
    // Item updates would be merged into one bounding rectangle (the two
    // crosshair lines span the whole desktop); scene updates reach the view
    // one by one and keep the repainted area small.
    for (const QRect& r : area)
        owner->update(mapRectToScene(QRectF(r)));
}

void CSGraphicsPixmapItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*)
{
    QRectF exposed = boundingRect();
    if (option && !option->exposedRect.isEmpty())
        exposed &= option->exposedRect;
    QRegion area(exposed.toAlignedRect());
    // The view repaints a region of thin bands; the option only carries its
    // bounding rectangle. Painting band by band keeps every clip a plain
    // rectangle: under a clip region the raster engine blends antialiased
    // edges one level darker, and a partial repaint would then differ from a
    // full one.
    const QPaintEngine* engine = painter->paintEngine();
    const QTransform toItem = painter->deviceTransform().inverted();
    if (engine && !engine->systemClip().isEmpty() && toItem.type() <= QTransform::TxTranslate)
        area &= toItem.map(engine->systemClip());
    for (const QRect& r : area) {
        painter->save();
        painter->setClipRect(r, Qt::IntersectClip);
        paintArea(painter, r);
        painter->restore();
    }
}

void CSGraphicsPixmapItem::paintArea(QPainter* painter, const QRect& area) const
{
    const QRectF bounds = boundingRect();
    const QRectF exposed(area);

    // The desktop, only where exposed.
    painter->drawPixmap(area.topLeft(), pixmap(), area.translated(-offset().toPoint()));

    // The veil: everything outside the selection, as up to four rectangles.
    const bool picked = hasArea(m_selection);
    const QRectF hole = picked ? (m_selection & bounds) : QRectF();
    QList<QRectF> veil;
    if (hole.isEmpty()) {
        veil << bounds;
    } else {
        veil << QRectF(bounds.left(), bounds.top(), bounds.width(), hole.top() - bounds.top())
             << QRectF(bounds.left(), hole.bottom(), bounds.width(), bounds.bottom() - hole.bottom())
             << QRectF(bounds.left(), hole.top(), hole.left() - bounds.left(), hole.height())
             << QRectF(hole.right(), hole.top(), bounds.right() - hole.right(), hole.height());
    }
    for (const QRectF& r : std::as_const(veil)) {
        const QRectF part = r & exposed;
        if (!part.isEmpty())
            painter->fillRect(part, kVeilColor);
    }
    // Its thin outline along the desktop's edges and the selection's edges.
    QPainterPath outline;
    outline.addRect(bounds);
    if (picked)
        outline.addRect(m_selection);
    painter->strokePath(outline, QPen(kVeilColor, kThinPen));

    if (m_crosshairVisible) {
        painter->setPen(QPen(kCrosshairColor, kThinPen));
        painter->drawLine(QPointF(bounds.left(), m_cursorPos.y()), QPointF(bounds.right(), m_cursorPos.y()));
        painter->drawLine(QPointF(m_cursorPos.x(), bounds.top()), QPointF(m_cursorPos.x(), bounds.bottom()));
    }

    if (picked) {
        const QString text = sizeLabelText(m_selection);
        painter->setFont(m_labelFont);
        const QRect measured =
            painter->boundingRect(QRect(0, 0, 100, 100), Qt::AlignLeft | Qt::AlignTop, text);
        const QRect box = sizeLabelBox(m_selection, measured.size());
        if (box.adjusted(-3, -3, 3, 3).intersects(area)) {
            painter->fillRect(box, kLabelColor);
            painter->setPen(Qt::white);
            painter->drawText(QPoint(int(m_selection.x() + 5), int(m_selection.y() - 10)), text);
        }
    }
}
