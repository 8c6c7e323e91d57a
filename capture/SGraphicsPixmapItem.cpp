#include "capture/SGraphicsPixmapItem.h"

#include "annotate/DrawObjectItem.h"

#include <QFontMetrics>
#include <QGraphicsScene>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QStyleOptionGraphicsItem>

#include <algorithm>
#include <cmath>
#include <cstring>

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

// A crosshair line (half a pixel wide, antialiased) covers a quarter pixel
// on either side of its position; half a pixel allows for the rasteriser.
constexpr qreal kLineReach = 0.5;

// The whole pixels a horizontal or vertical line at position v can touch:
// two rows or columns, not three, since a move repaints them all along the
// desktop.
QRect band(qreal v, int from, int length, Qt::Orientation orientation)
{
    const int start = int(std::floor(v - kLineReach));
    const int size = int(std::floor(v + kLineReach)) - start + 1;
    return orientation == Qt::Horizontal ? QRect(from, start, length, size)
                                         : QRect(start, from, size, length);
}

// The part of a rectangle's outline that can touch the pixels of `window`,
// as open polylines (a closed rectangle when it lies wholly inside). The
// stroker and rasteriser then work on a few pixels instead of the whole
// desktop's edges; every corner inside the window keeps its join, and the
// cut ends lie outside the window, so the pixels inside come out the same.
void addClippedOutline(QPainterPath& path, const QRectF& rect, const QRectF& window)
{
    if (window.contains(rect)) {
        path.addRect(rect);
        return;
    }
    const QPointF corners[4] = {rect.topLeft(), rect.topRight(), rect.bottomRight(), rect.bottomLeft()};
    // Start the walk at a corner outside the window, so that no polyline
    // runs across the start and every inside corner gets its join.
    int first = 0;
    while (first < 3 && window.contains(corners[first]))
        ++first;
    bool open = false; // a polyline is in progress and ends at the previous corner
    for (int n = 0; n < 4; ++n) {
        const int i = (first + n) % 4;
        const QPointF a = corners[i];
        const QPointF b = corners[(i + 1) % 4];
        // Axis-aligned edge: clip its span along the moving coordinate.
        const bool horizontal = a.y() == b.y();
        const qreal fixed = horizontal ? a.y() : a.x();
        const qreal lo = horizontal ? window.top() : window.left();
        const qreal hi = horizontal ? window.bottom() : window.right();
        if (fixed < lo || fixed > hi) {
            open = false;
            continue;
        }
        const qreal from = horizontal ? a.x() : a.y();
        const qreal to = horizontal ? b.x() : b.y();
        const qreal wlo = horizontal ? window.left() : window.top();
        const qreal whi = horizontal ? window.right() : window.bottom();
        const qreal start = qBound(wlo, from, whi);
        const qreal end = qBound(wlo, to, whi);
        if (start == end && (from != start || to != end)) {
            open = false;
            continue;
        }
        const QPointF p = horizontal ? QPointF(start, fixed) : QPointF(fixed, start);
        const QPointF q = horizontal ? QPointF(end, fixed) : QPointF(fixed, end);
        if (!(open && p == a))
            path.moveTo(p);
        path.lineTo(q);
        open = q == b;
    }
}

// Qt's raster engine hands a fill of 96 rows or more to its thread pool in
// pieces, and for the thin, tall bands a pointer move repaints, waking the
// threads costs far more than the fill. Fills of whole-pixel rectangles in
// slices of fewer rows give the same pixels and stay on this thread.
constexpr int kRowsPerFill = 64;

void fillInRows(QPainter* painter, const QRectF& rect, const QColor& color)
{
    for (qreal y = rect.top(); y < rect.bottom(); y += kRowsPerFill)
        painter->fillRect(QRectF(rect.left(), y, rect.width(), qMin<qreal>(kRowsPerFill, rect.bottom() - y)),
                          color);
}

// The rectangles of a region, the pieces of one column joined: a region
// cuts a thin upright band (the crosshair's) into a piece for every band of
// rows in which anything else starts or ends, and each piece would be
// painted with the whole set-up of a band. A region lists its rectangles
// by rows, so a piece's continuation always comes after it.
QVector<QRect> joinedColumns(const QRegion& area)
{
    QVector<QRect> rects(area.begin(), area.end());
    for (int i = 0; i < rects.size(); ++i) {
        for (int j = i + 1; j < rects.size() && !rects[i].isNull(); ++j) {
            const QRect& r = rects[j];
            if (r.left() == rects[i].left() && r.right() == rects[i].right() &&
                r.top() == rects[i].bottom() + 1) {
                rects[i].setBottom(r.bottom());
                rects[j] = QRect();
            }
        }
    }
    rects.removeIf([](const QRect& r) { return r.isNull(); });
    return rects;
}

} // namespace

CSGraphicsPixmapItem::CSGraphicsPixmapItem(const QPixmap& desktop)
    : QGraphicsPixmapItem(desktop), m_labelFont(QStringLiteral("Arial"), 8, QFont::ExtraLight, false)
{
    m_coordinateGlyphs.setFont(m_labelFont);
    m_colourGlyphs.setFont(m_labelFont);
    // paint() needs the exposed rectangle to draw only what changed.
    setFlag(QGraphicsItem::ItemUsesExtendedStyleOption);
    setShapeMode(QGraphicsPixmapItem::BoundingRectShape);
}

QColor CSGraphicsPixmapItem::veilColor()
{
    return kVeilColor;
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
    // The edges, handles and labels of both, and the pixels that change
    // between veiled and clear: a handle dragged by a pixel repaints a few
    // thin bands, not the whole area.
    auto inside = [](const QRectF& r) { return hasArea(r) ? QRegion(r.toAlignedRect()) : QRegion(); };
    const QRegion dirty = selectionFootprint(m_selection, false) + selectionFootprint(rect, false) +
                          (inside(m_selection) ^ inside(rect));
    m_selection = rect;
    m_selectionText = hasArea(rect) ? sizeLabelText(rect) : QString();
    invalidate(dirty);
}

void CSGraphicsPixmapItem::setOutlineShown(bool shown)
{
    if (shown == m_outlineShown)
        return;
    m_outlineShown = shown;
    const QRegion dirty = selectionFootprint(m_selection, false);
    invalidate(dirty);
}

void CSGraphicsPixmapItem::setHandlesShown(bool shown)
{
    if (shown == m_handlesShown)
        return;
    m_handlesShown = shown;
    const QRegion dirty = selectionFootprint(m_selection);
    invalidate(dirty);
}

QVector<QPointF> CSGraphicsPixmapItem::pickHandlePoints(const QRectF& r)
{
    const qreal cx = r.left() + r.width() / 2;
    const qreal cy = r.top() + r.height() / 2;
    return {r.topLeft(),     QPointF(cx, r.top()),    r.topRight(),   QPointF(r.right(), cy),
            r.bottomRight(), QPointF(cx, r.bottom()), r.bottomLeft(), QPointF(r.left(), cy)};
}

void CSGraphicsPixmapItem::paintHandles(QPainter* painter) const
{
    const QColor line(0, 120, 215);
    // The outline lies just outside the picked pixels: the picture is
    // exactly what it encloses.
    const qreal w = m_scale;
    painter->save();
    painter->setPen(QPen(line, w));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(m_selection.adjusted(-w / 2, -w / 2, w / 2, w / 2));
    if (!m_handlesShown) {
        painter->restore();
        return;
    }
    painter->setBrush(Qt::white);
    const qreal h = handleSize();
    for (const QPointF& p : pickHandlePoints(m_selection))
        painter->drawRect(QRectF(p.x() - h / 2, p.y() - h / 2, h, h));
    painter->restore();
}

void CSGraphicsPixmapItem::setInterfaceScale(qreal scale)
{
    m_scale = scale;
    m_labelFont.setPointSizeF(8 * scale);
    m_labelText.clear();
    m_footprintLabels[0] = m_footprintLabels[1] = {};
    m_coordinateGlyphs.setFont(m_labelFont);
    m_colourGlyphs.setFont(m_labelFont);
    measureHint();
    update();
    if (m_pointerLayerChanged)
        m_pointerLayerChanged();
}

void CSGraphicsPixmapItem::setCursorPos(const QPointF& pos)
{
    if (fuzzyEqual(pos, m_cursorPos))
        return;
    const QPointF old = m_cursorPos;
    m_cursorPos = pos;
    // The magnifier shows whole pixels: within one it only moves with them.
    const bool magnifierMoved = m_magnifierShown && (std::floor(old.x()) != std::floor(pos.x()) ||
                                                     std::floor(old.y()) != std::floor(pos.y()));
    // Laid outside the scene, the layer works out for itself what changed.
    if (m_pointerLayerChanged) {
        if (m_crosshairVisible || magnifierMoved)
            m_pointerLayerChanged();
        return;
    }
    QRegion dirty;
    if (m_crosshairVisible)
        dirty += crosshairFootprint(old) + crosshairFootprint(pos);
    if (magnifierMoved)
        dirty += QRegion(magnifierRect(old)) + magnifierRect(pos);
    if (!dirty.isEmpty())
        pointerLayerChanged(dirty);
}

void CSGraphicsPixmapItem::setMagnifierShown(bool shown)
{
    if (shown == m_magnifierShown)
        return;
    m_magnifierShown = shown;
    pointerLayerChanged(magnifierRect(m_cursorPos));
}

QRect CSGraphicsPixmapItem::magnifierRect(const QPointF& cursor) const
{
    const int zoom = magnifierZoom();
    const int side = (2 * kMagnifierReach + 1) * zoom;
    // Two lines below the pixels: the coordinates and the colour.
    const int label = int(std::lround(32 * m_scale));
    const int gap = int(std::lround(20 * m_scale));
    const QSize size(side + 2, side + label + 2);
    const QRect bounds = boundingRect().toAlignedRect();
    const int cx = int(std::floor(cursor.x()));
    const int cy = int(std::floor(cursor.y()));
    // Below right of the pointer; on the other side where the desktop ends.
    int x = cx + gap;
    int y = cy + gap;
    if (x + size.width() > bounds.right() + 1)
        x = cx - gap - size.width();
    if (y + size.height() > bounds.bottom() + 1)
        y = cy - gap - size.height();
    return QRect(QPoint(x, y), size);
}

void CSGraphicsPixmapItem::paintMagnifier(QPainter* painter, const QRect& area) const
{
    const QRect box = magnifierRect(m_cursorPos);
    if (!box.intersects(area))
        return;
    const int zoom = magnifierZoom();
    const int side = (2 * kMagnifierReach + 1) * zoom;
    const QPoint pixel = cursorPixel();
    const QRect source(pixel - QPoint(kMagnifierReach, kMagnifierReach),
                       QSize(2 * kMagnifierReach + 1, 2 * kMagnifierReach + 1));
    const QRect view(box.topLeft() + QPoint(1, 1), QSize(side, side));

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter->fillRect(box, QColor(40, 40, 40));
    // Pixels off the desktop stay dark; the rest, one square each.
    const QRect shown = source & boundingRect().toAlignedRect();
    if (!shown.isEmpty())
        painter->drawImage(view.topLeft() + (shown.topLeft() - source.topLeft()) * zoom, zoomedPixels(shown));
    // The pixel under the pointer, framed in black and white so that it
    // shows on any colour.
    const QRect centre(view.topLeft() + QPoint(kMagnifierReach, kMagnifierReach) * zoom, QSize(zoom, zoom));
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(Qt::black, 1));
    painter->drawRect(centre.adjusted(-1, -1, 0, 0));
    painter->setPen(QPen(Qt::white, 1));
    painter->drawRect(centre.adjusted(0, 0, -1, -1));
    painter->setPen(QPen(QColor(0, 120, 215), 1));
    painter->drawRect(box.adjusted(0, 0, -1, -1));
    painter->setPen(Qt::white);
    painter->setFont(m_labelFont);
    const int line = (box.bottom() - view.bottom()) / 2;
    const QRect coordinates(box.left(), view.bottom() + 1, box.width(), line);
    // Put together from glyphs looked up once: the text changes with almost
    // every move, and shaping it each time costs more than the box.
    auto centred = [painter](const QRect& r, CLabelGlyphs& glyphs, const QString& text) {
        const QGlyphRun& run = glyphs.run(text);
        const QSizeF size = glyphs.size();
        painter->drawGlyphRun(QPointF(r.left() + std::floor((r.width() - size.width()) / 2),
                                      r.top() + std::floor((r.height() - size.height()) / 2)),
                              run);
    };
    centred(coordinates, m_coordinateGlyphs, QStringLiteral("%1, %2").arg(pixel.x()).arg(pixel.y()));
    centred(coordinates.translated(0, line), m_colourGlyphs, cursorColourName());
    painter->restore();
}

// The desktop's pixels in `shown` (scene pixels), each a square of the
// magnifier's zoom: made with a plain loop, once per pixel the pointer is
// on, instead of a scaled drawing for every piece painted.
const QImage& CSGraphicsPixmapItem::zoomedPixels(const QRect& shown) const
{
    const int zoom = magnifierZoom();
    if (m_zoomedFrom == shown && m_zoomedKey == pixmap().cacheKey() &&
        m_zoomed.width() == shown.width() * zoom)
        return m_zoomed;
    const QImage desktop = pixmap().toImage();
    QPoint from = shown.topLeft() - offset().toPoint();
    // A desktop of other than 32-bit pixels: just these few converted.
    QImage pixels = desktop;
    if (desktop.depth() != 32) {
        pixels = desktop.copy(QRect(from, shown.size())).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        from = QPoint();
    }
    m_zoomed = QImage(shown.size() * zoom, pixels.format());
    for (int y = 0; y < shown.height(); ++y) {
        const auto* source = reinterpret_cast<const quint32*>(pixels.constScanLine(from.y() + y)) + from.x();
        auto* first = reinterpret_cast<quint32*>(m_zoomed.scanLine(y * zoom));
        for (int x = 0; x < shown.width(); ++x)
            std::fill_n(first + x * zoom, zoom, source[x]);
        for (int row = 1; row < zoom; ++row)
            std::memcpy(m_zoomed.scanLine(y * zoom + row), first, size_t(m_zoomed.width()) * 4u);
    }
    m_zoomedFrom = shown;
    m_zoomedKey = pixmap().cacheKey();
    return m_zoomed;
}

QPoint CSGraphicsPixmapItem::cursorPixel() const
{
    return QPoint(int(std::floor(m_cursorPos.x())), int(std::floor(m_cursorPos.y())));
}

QString CSGraphicsPixmapItem::cursorColourName() const
{
    // Scene positions are device pixels at any scale: the pixel itself.
    const QPoint at = cursorPixel() - offset().toPoint();
    // A raster pixmap hands out its image without a copy.
    const QImage desktop = pixmap().toImage();
    if (!desktop.rect().contains(at))
        return QString();
    return desktop.pixelColor(at).name(QColor::HexRgb);
}

void CSGraphicsPixmapItem::setHint(const QString& text, const QRect& area)
{
    const QRect old = hintRect();
    m_hint = text;
    if (area.isValid())
        m_hintArea = area;
    measureHint();
    invalidate(QRegion(old) + hintRect());
}

QFont CSGraphicsPixmapItem::hintFont() const
{
    QFont font = m_labelFont;
    font.setWeight(QFont::Normal);
    font.setPointSizeF(11 * m_scale);
    return font;
}

// Measured when the text or the scale changes, not for every band a pointer
// move repaints: laying the text out costs more than the band.
void CSGraphicsPixmapItem::measureHint()
{
    if (m_hint.isEmpty()) {
        m_hintRect = QRect();
        return;
    }
    const QFontMetrics metrics(hintFont());
    m_hintText.setTextFormat(Qt::PlainText);
    m_hintText.setText(m_hint);
    m_hintText.prepare(QTransform(), hintFont());
    const int pad = int(std::lround(10 * m_scale));
    const QSize size(metrics.horizontalAdvance(m_hint) + 2 * pad, metrics.height() + 2 * pad);
    const QRect area = m_hintArea.isValid() ? m_hintArea : boundingRect().toAlignedRect();
    m_hintRect = QRect(
        QPoint(area.center().x() - size.width() / 2, area.top() + int(std::lround(40 * m_scale))), size);
}

void CSGraphicsPixmapItem::paintHint(QPainter* painter, const QRect& area) const
{
    const QRect box = hintRect();
    if (box.isEmpty() || !box.intersects(area))
        return;
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(30, 30, 30, 215));
    painter->drawRoundedRect(box, 6 * m_scale, 6 * m_scale);
    painter->setPen(Qt::white);
    painter->setFont(hintFont());
    // Laid out once, in measureHint(): the crosshair crosses the box with
    // every move along it.
    const QSizeF size = m_hintText.size();
    painter->drawStaticText(QPointF(box.left() + (box.width() - size.width()) / 2,
                                    box.top() + (box.height() - size.height()) / 2),
                            m_hintText);
    painter->restore();
}

void CSGraphicsPixmapItem::setCrosshairVisible(bool visible)
{
    if (visible == m_crosshairVisible)
        return;
    m_crosshairVisible = visible;
    pointerLayerChanged(crosshairFootprint(m_cursorPos));
}

QRect CSGraphicsPixmapItem::crosshairBand(Qt::Orientation orientation) const
{
    if (!m_crosshairVisible || pixmap().isNull())
        return QRect();
    const QRect bounds = boundingRect().toAlignedRect();
    const QRect line = orientation == Qt::Horizontal
                           ? band(m_cursorPos.y(), bounds.left(), bounds.width(), orientation)
                           : band(m_cursorPos.x(), bounds.top(), bounds.height(), orientation);
    return line & bounds;
}

void CSGraphicsPixmapItem::setPointerLayerOutside(std::function<void()> changed)
{
    const QRegion layer = crosshairFootprint(m_cursorPos) + magnifierRect(m_cursorPos);
    m_pointerLayerChanged = std::move(changed);
    // Painted here, or no longer.
    invalidate(layer);
    if (m_pointerLayerChanged)
        m_pointerLayerChanged();
}

void CSGraphicsPixmapItem::pointerLayerChanged(const QRegion& area)
{
    if (m_pointerLayerChanged)
        m_pointerLayerChanged();
    else
        invalidate(area);
}

void CSGraphicsPixmapItem::paintPointerLayer(QPainter* painter, const QRect& area) const
{
    paintCrosshair(painter, area);
    if (m_magnifierShown)
        paintMagnifier(painter, area);
}

QRegion CSGraphicsPixmapItem::crosshairFootprint(const QPointF& pos) const
{
    const QRect bounds = boundingRect().toAlignedRect();
    QRegion area = band(pos.y(), bounds.left(), bounds.width(), Qt::Horizontal);
    area += band(pos.x(), bounds.top(), bounds.height(), Qt::Vertical);
    return area;
}

// Every pixel whose colour depends on this selection: its inside (no veil),
// a band round its edges (the veil's outline, the pick's outline and
// handles) and the size label; without the inside on request.
QRegion CSGraphicsPixmapItem::selectionFootprint(const QRectF& selection, bool withInside) const
{
    if (!hasArea(selection))
        return QRegion();
    // The handles reach half their size beyond the edges, the outline one
    // interface pixel.
    const int m = kEdgeMargin + int(std::ceil(handleSize() / 2 + m_scale));
    const QRect aligned = selection.toAlignedRect();
    const QRect outer = aligned.adjusted(-m, -m, m, m);
    QRegion area(outer);
    if (!withInside)
        area -= QRegion(aligned.adjusted(m, m, -m, -m));
    // Measured on the screen here, by the painter in paint(): allow for rounding.
    area += sizeLabelBox(selection, footprintLabelSize(sizeLabelText(selection))).adjusted(-3, -3, 3, 3);
    return area;
}

// A change of the selection asks for the old label's size and the new one's;
// the last two are kept, so that each text is laid out once.
QSize CSGraphicsPixmapItem::footprintLabelSize(const QString& text) const
{
    for (const auto& [known, size] : m_footprintLabels) {
        if (known == text)
            return size;
    }
    const QFontMetrics metrics(m_labelFont);
    const QSize size = metrics.boundingRect(QRect(0, 0, 100, 100), Qt::AlignLeft | Qt::AlignTop, text).size();
    m_footprintLabels[1] = m_footprintLabels[0];
    m_footprintLabels[0] = {text, size};
    return size;
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
    // Painting band by band keeps every clip a plain rectangle: under a clip
    // region the raster engine blends antialiased edges one level darker,
    // and a partial repaint would then differ from a full one. The veil is
    // painted afresh each time rather than kept in a desktop-sized layer:
    // the bands a pointer move repaints are thin, and the layer would cost
    // as much memory as the desktop itself.
    if (pixmap().isNull())
        return;
    const QRegion area = DrawPaint::exposedRegion(painter, option, boundingRect());
    for (const QRect& r : joinedColumns(area)) {
        painter->save();
        painter->setClipRect(r, Qt::IntersectClip);
        paintVeiled(painter, r);
        paintHint(painter, r);
        if (!pointerLayerOutside())
            paintPointerLayer(painter, r);
        painter->restore();
    }
}

void CSGraphicsPixmapItem::releasePictures()
{
    prepareGeometryChange();
    setPixmap(QPixmap());
}

void CSGraphicsPixmapItem::paintVeiled(QPainter* painter, const QRect& area) const
{
    const QRectF bounds = boundingRect();
    const QRectF exposed(area);

    // The desktop, only where exposed.
    painter->drawPixmap(area.topLeft(), pixmap(), area.translated(-offset().toPoint()));

    // The veil: everything outside the selection, as one shape, so that no
    // seam is blended twice where a fractional selection edge cuts a pixel.
    // Only the part near this area is filled (the cut edges lie outside it),
    // which gives the same pixels as filling the whole shape. A selection on
    // whole pixels needs no shape: four rectangles cover exactly the same
    // pixels, at a fraction of the cost.
    const bool picked = hasArea(m_selection);
    const QRectF window =
        exposed.adjusted(-kEdgeMargin - 1, -kEdgeMargin - 1, kEdgeMargin + 1, kEdgeMargin + 1);
    const QRectF outer = bounds & window;
    const QRectF hole = picked ? (m_selection & outer) : QRectF();
    if (hole.isEmpty() || QRectF(hole.toRect()) == hole) {
        QList<QRectF> veil;
        if (hole.isEmpty()) {
            veil << outer;
        } else {
            veil << QRectF(outer.left(), outer.top(), outer.width(), hole.top() - outer.top())
                 << QRectF(outer.left(), hole.bottom(), outer.width(), outer.bottom() - hole.bottom())
                 << QRectF(outer.left(), hole.top(), hole.left() - outer.left(), hole.height())
                 << QRectF(hole.right(), hole.top(), outer.right() - hole.right(), hole.height());
        }
        for (const QRectF& r : std::as_const(veil)) {
            const QRectF part = r & exposed;
            if (!part.isEmpty())
                fillInRows(painter, part, kVeilColor);
        }
    } else {
        QPainterPath veil;
        veil.setFillRule(Qt::OddEvenFill);
        veil.addRect(outer);
        veil.addRect(hole);
        painter->fillPath(veil, kVeilColor);
    }

    // Its thin outline along the desktop's edges and the selection's edges;
    // only the pieces near this area are handed to the painter, since the
    // painter would walk the whole outline however small the clip.
    QPainterPath outline;
    addClippedOutline(outline, bounds, window);
    if (picked)
        addClippedOutline(outline, m_selection, window);
    if (!outline.isEmpty())
        painter->strokePath(outline, QPen(kVeilColor, kThinPen));

    if (picked && (m_handlesShown || m_outlineShown))
        paintHandles(painter);

    if (picked) {
        const QString& text = m_selectionText;
        // Measured once per text: laying it out for every band a pointer
        // move repaints costs more than the band.
        if (text != m_labelText) {
            painter->setFont(m_labelFont);
            m_labelSize =
                painter->boundingRect(QRect(0, 0, 100, 100), Qt::AlignLeft | Qt::AlignTop, text).size();
            m_labelText = text;
        }
        const QRect box = sizeLabelBox(m_selection, m_labelSize);
        if (box.adjusted(-3, -3, 3, 3).intersects(area)) {
            painter->setFont(m_labelFont);
            painter->fillRect(box, kLabelColor);
            painter->setPen(Qt::white);
            painter->drawText(QPoint(int(m_selection.x() + 5), int(m_selection.y() - 10)), text);
        }
    }
}

void CSGraphicsPixmapItem::paintCrosshair(QPainter* painter, const QRect& area) const
{
    if (!m_crosshairVisible)
        return;
    // Each line is laid out once along the whole desktop and blended here as
    // an image, a rectangle at a time: the rasteriser would work out every
    // row of an upright line anew for each paint.
    for (const Qt::Orientation o : {Qt::Horizontal, Qt::Vertical}) {
        const QRect where = crosshairBand(o);
        const QRect piece = where & area;
        if (!piece.isEmpty())
            painter->drawImage(piece.topLeft(), crosshairLine(o, where), piece.translated(-where.topLeft()));
    }
}

const QImage& CSGraphicsPixmapItem::crosshairLine(Qt::Orientation orientation, const QRect& where) const
{
    const bool across = orientation == Qt::Horizontal;
    const qreal at = (across ? m_cursorPos.y() - where.top() : m_cursorPos.x() - where.left());
    CrosshairLine& line = m_crosshairLines[across ? 0 : 1];
    if (line.image.size() == where.size() && line.at == at)
        return line.image;
    // Drawn a little beyond both ends, so that its caps fall outside.
    line.image = QImage(where.size(), QImage::Format_ARGB32_Premultiplied);
    line.image.fill(Qt::transparent);
    QPainter painter(&line.image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(kCrosshairColor, kThinPen));
    if (across)
        painter.drawLine(QPointF(-2, at), QPointF(where.width() + 2, at));
    else
        painter.drawLine(QPointF(at, -2), QPointF(at, where.height() + 2));
    line.at = at;
    return line.image;
}
