#include "annotate/DrawPolygonItem.h"

#include <QGraphicsScene>
#include <QPainter>
#include <QPainterPathStroker>
#include <QStyle>
#include <QStyleOptionGraphicsItem>
#include <QVector>

#include <cmath>

CDrawPolygonItem::CDrawPolygonItem(QGraphicsItem* parent) : CDrawMark(parent) {}

CDrawPolygonItem::~CDrawPolygonItem() = default;

void CDrawPolygonItem::setFreehand(bool on)
{
    if (freehand == on)
        return;
    prepareGeometryChange();
    freehand = on;
}

namespace {

// A growing stroke reserves this much room around its points at a time, so
// that its bounds (and with them the whole stroke's area) change rarely.
constexpr qreal kReserveStep = 256;

// How far a stroke's pixels reach beyond its points: half the pen with its
// square caps, the shadow's offset and a pixel of antialiasing.
qreal strokeReach(const QPen& pen)
{
    return qMax<qreal>(pen.widthF(), 1.0) + DrawPaint::kShadowOffset + 2;
}

// The segments of an open polyline that can touch `window`, as one path:
// every vertex inside keeps its join, and the cut ends lie outside by more
// than the pen reaches, so the pixels inside come out as for the whole line.
QPainterPath polylineNear(const QPolygonF& points, const QRectF& window)
{
    QPainterPath path;
    bool open = false;
    for (int i = 1; i < points.size(); ++i) {
        const QRectF segment = QRectF(points[i - 1], points[i]).normalized();
        if (!segment.adjusted(-0.5, -0.5, 0.5, 0.5).intersects(window)) {
            open = false;
            continue;
        }
        if (!open)
            path.moveTo(points[i - 1]);
        path.lineTo(points[i]);
        open = true;
    }
    return path;
}

// The same path as polylineNear, from the segments an index found near the
// window (in order).
QPainterPath polylineOf(const QPolygonF& points, const QVector<int>& segments)
{
    QPainterPath path;
    int previous = -1;
    for (const int i : segments) {
        if (i != previous + 1)
            path.moveTo(points[i - 1]);
        path.lineTo(points[i]);
        previous = i;
    }
    return path;
}

} // namespace

void CDrawPolygonItem::setPolygon(const QPolygonF& points)
{
    m_shapeCache = QPainterPath();
    // `points` may be our own stroke, cleared below: a copy on purpose.
    const QPolygonF copy = points; // NOLINT(performance-unnecessary-copy-initialization)
    if (m_growing) {
        prepareGeometryChange();
        m_growing = false;
        m_stroke.clear();
        m_layer = QImage();
        m_layerRect = QRect();
        m_layerValid = QRegion();
        update();
    }
    QGraphicsPolygonItem::setPolygon(copy);
}

void CDrawPolygonItem::appendStrokePoint(const QPointF& point)
{
    if (!m_growing) {
        prepareGeometryChange();
        m_stroke = QGraphicsPolygonItem::polygon();
        m_reserve = m_stroke.boundingRect();
        m_growing = true;
    }
    const QPointF previous = m_stroke.isEmpty() ? point : m_stroke.last();
    m_stroke << point;
    if (!m_reserve.contains(point)) {
        // The room grows with the stroke, so that a long stroke outgrows it
        // (and is repainted whole) only a few times; never beyond the desktop.
        prepareGeometryChange();
        const QRectF reached = m_reserve.united(QRectF(point, QSizeF(0, 0)));
        const qreal dx = qMax(kReserveStep, reached.width() / 2);
        const qreal dy = qMax(kReserveStep, reached.height() / 2);
        QRectF room = reached.adjusted(-dx, -dy, dx, dy);
        if (scene())
            room = (room & scene()->sceneRect()) | reached;
        m_reserve = room;
    }
    // The new segment, and the join that replaces the old end's cap.
    const qreal reach = strokeReach(pen());
    const QRectF changed = QRectF(previous, point).normalized().adjusted(-reach, -reach, reach, reach);
    m_layerValid -= changed.toAlignedRect();
    update(changed);
}

void CDrawPolygonItem::endStroke()
{
    if (m_growing)
        setPolygon(m_stroke);
}

QRectF CDrawPolygonItem::boundingRect() const
{
    if (m_growing)
        return DrawPaint::paintBounds(m_reserve, pen().widthF());
    return DrawPaint::paintBounds(QGraphicsPolygonItem::boundingRect());
}

QPainterPath CDrawPolygonItem::shape() const
{
    if (!freehand)
        return QGraphicsPolygonItem::shape();
    if (m_growing) {
        // Nothing is hit while the stroke is being drawn; its exact shape
        // would have to be made anew on every pointer move.
        QPainterPath area;
        area.addRect(boundingRect());
        return area;
    }
    if (m_shapeCache.isEmpty() || m_shapePen != pen()) {
        // An open stroke is hit along its line only, not over the area it encloses.
        QPainterPath path;
        path.addPolygon(polygon());
        QPainterPathStroker stroker(pen());
        stroker.setWidth(qMax<qreal>(pen().widthF(), 1.0));
        m_shapeCache = stroker.createStroke(path);
        m_shapePen = pen();
    }
    return m_shapeCache;
}

void CDrawPolygonItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget)
{
    const bool fills = filled && !freehand;
    if (!fills && brush().style() != Qt::NoBrush)
        setBrush(Qt::NoBrush);
    const QPolygonF points = polygon();
    if (freehand) {
        // A long stroke is painted piece by piece of the exposed area, each
        // piece with only the segments near it and clipped to it: the
        // painter's work then follows the small repainted area, not the
        // whole stroke. Not under the dashed highlight, whose dashes run from
        // the start, nor for pens of one pixel, which Qt draws with a stroker
        // whose pixels depend on where each piece of the line starts.
        const bool highlighted = option && (option->state & QStyle::State_MouseOver);
        const qreal reach = strokeReach(pen());
        if (highlighted || pen().widthF() <= 1) {
            const QPainterPath path =
                polylineNear(points, boundingRect().adjusted(-reach, -reach, reach, reach));
            DrawPaint::paintShape(painter, option, shadow, pen(), Qt::NoBrush,
                                  [&path](QPainter* p) { p->drawPath(path); });
            return;
        }
        const QRegion area = DrawPaint::exposedRegion(painter, option, boundingRect());
        if (m_growing && widget && paintFromLayer(painter, option, area))
            return;
        paintPieces(painter, option, points, area);
    } else {
        const Qt::FillRule rule = fillRule();
        DrawPaint::paintShape(painter, option, shadow, pen(), fills ? brush() : QBrush(Qt::NoBrush),
                              [&points, rule](QPainter* p) { p->drawPolygon(points, rule); });
    }
}

void CDrawPolygonItem::paintPieces(QPainter* painter, const QStyleOptionGraphicsItem* option,
                                   const QPolygonF& points, const QRegion& area) const
{
    m_index.sync(points);
    const qreal reach = strokeReach(pen());
    for (const QRect& r : area) {
        const QRectF window = QRectF(r).adjusted(-reach, -reach, reach, reach);
        const QPainterPath path = polylineOf(points, m_index.segmentsNear(points, window));
        if (path.isEmpty())
            continue;
        painter->save();
        painter->setClipRect(r, Qt::IntersectClip);
        DrawPaint::paintShape(painter, option, shadow, pen(), Qt::NoBrush,
                              [&path](QPainter* p) { p->drawPath(path); });
        painter->restore();
    }
}

bool CDrawPolygonItem::paintFromLayer(QPainter* painter, const QStyleOptionGraphicsItem* option,
                                      const QRegion& area) const
{
    // Only where a layer pixel is a device pixel.
    const QTransform toDevice = painter->deviceTransform();
    if (toDevice.type() > QTransform::TxTranslate || toDevice.dx() != std::round(toDevice.dx()) ||
        toDevice.dy() != std::round(toDevice.dy()))
        return false;
    if (m_layerPen != pen() || m_layerShadow != shadow) {
        m_layerValid = QRegion();
        m_layerPen = pen();
        m_layerShadow = shadow;
    }
    const QRect bounds = boundingRect().toAlignedRect();
    if (!m_layerRect.contains(bounds)) {
        // The stroke outgrew its room: move what is made to a larger layer.
        QImage grown(bounds.size(), QImage::Format_ARGB32_Premultiplied);
        if (grown.isNull())
            return false;
        grown.fill(Qt::transparent);
        if (!m_layer.isNull()) {
            QPainter copy(&grown);
            copy.setCompositionMode(QPainter::CompositionMode_Source);
            copy.drawImage(m_layerRect.topLeft() - bounds.topLeft(), m_layer);
        }
        m_layer = grown;
        m_layerValid &= QRegion(m_layerRect);
        m_layerRect = bounds;
    }
    const QRegion missing = (area & QRegion(m_layerRect)) - m_layerValid;
    if (!missing.isEmpty()) {
        QPainter layer(&m_layer);
        layer.setRenderHints(painter->renderHints());
        layer.translate(-m_layerRect.topLeft());
        layer.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect& r : missing)
            layer.fillRect(r, Qt::transparent);
        layer.setCompositionMode(QPainter::CompositionMode_SourceOver);
        paintPieces(&layer, option, m_stroke, missing);
        m_layerValid += missing;
    }
    for (const QRect& r : area& QRegion(m_layerRect))
        painter->drawImage(r, m_layer, r.translated(-m_layerRect.topLeft()));
    return true;
}

MarkState CDrawPolygonItem::state() const
{
    MarkState s = CDrawObjectItem::state();
    s.polygon = polygon();
    s.pen = pen();
    s.brush = brush();
    s.filled = filled;
    return s;
}

void CDrawPolygonItem::setState(const MarkState& s)
{
    CDrawObjectItem::setState(s);
    setPolygon(s.polygon);
    endStroke();
    setPen(s.pen);
    setBrush(s.brush);
    setFilled(s.filled);
}

bool CDrawPolygonItem::applyLook(const DrawProperties& before, const DrawProperties& after)
{
    if (!freehand)
        return MarkLook::applyToShape(this, before, after);
    bool changed = false;
    setPen(MarkLook::changedPen(pen(), before, after, false, changed));
    return changed;
}

void CDrawPolygonItem::moveItemHandle(int handle, const QPointF& point)
{
    QPolygonF points = polygon();
    if (!freehand && handle < points.size()) {
        points[handle] = point;
        setPolygon(points);
    }
}
