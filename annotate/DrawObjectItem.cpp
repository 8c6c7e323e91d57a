#include "annotate/DrawObjectItem.h"

#include <QBrush>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPen>
#include <QRegion>
#include <QStyleOptionGraphicsItem>

#include <algorithm>
#include <cmath>

CDrawObjectItem::~CDrawObjectItem() = default;

CDrawObjectItem* CDrawObjectItem::of(QGraphicsItem* item)
{
    return dynamic_cast<CDrawObjectItem*>(item);
}

MarkState CDrawObjectItem::state() const
{
    MarkState s;
    s.pos = item()->pos();
    return s;
}

void CDrawObjectItem::setState(const MarkState& state)
{
    item()->setPos(state.pos);
}

QVector<QPointF> CDrawObjectItem::handles() const
{
    QVector<QPointF> points = itemHandles();
    for (QPointF& p : points)
        p = item()->mapToScene(p);
    return points;
}

void CDrawObjectItem::moveHandle(int handle, const QPointF& scenePos)
{
    if (handle >= 0)
        moveItemHandle(handle, item()->mapFromScene(scenePos));
}

QRectF CDrawObjectItem::outline() const
{
    return item()->mapRectToScene(itemOutline());
}

bool CDrawObjectItem::hit(const QPointF& scenePos, qreal tolerance) const
{
    const QPointF p = item()->mapFromScene(scenePos);
    const QPainterPath shape = item()->shape();
    if (shape.contains(p))
        return true;
    if (tolerance <= 0)
        return false;
    // Quick rejection before stroking the outline.
    if (!shape.controlPointRect().adjusted(-tolerance, -tolerance, tolerance, tolerance).contains(p))
        return false;
    QPainterPathStroker stroker;
    stroker.setWidth(2 * tolerance);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(shape).contains(p);
}

bool CDrawObjectItem::applyLook(const DrawProperties&, const DrawProperties&)
{
    return false;
}

namespace DrawPaint {

namespace {

// The relative luminance of a colour (sRGB).
double luminance(const QColor& c)
{
    auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Below this ratio text is hard to make out on its box (navy on black 1.3,
// blue on black 2.4, red on black 5.3).
constexpr double kReadableRatio = 2.0;

} // namespace

QColor contrastingColor(const QColor& on)
{
    const double l = luminance(on);
    return (l + 0.05) / 0.05 >= 1.05 / (l + 0.05) ? QColor(Qt::black) : QColor(Qt::white);
}

QColor readableTextColor(const QColor& text, const QColor& box)
{
    if (contrastRatio(text, box) >= kReadableRatio)
        return text;
    QColor readable = contrastingColor(box);
    readable.setAlpha(text.alpha());
    return readable;
}

QColor shadowColor()
{
    return QColor(125, 125, 125, 125);
}

QPen shadowPen(const QPen& pen)
{
    QPen shadow(shadowColor());
    shadow.setWidth(pen.width());
    shadow.setStyle(pen.style() == Qt::NoPen ? Qt::NoPen : Qt::SolidLine);
    return shadow;
}

QPen highlightPen()
{
    QPen highlight(QColor(181, 230, 29, 220));
    highlight.setWidthF(2.0);
    highlight.setStyle(Qt::DashLine);
    return highlight;
}

QRectF paintBounds(const QRectF& shapeBounds, qreal outlineWidth)
{
    // Half the highlight pen (or of the outline), plus a pixel of antialiasing.
    const qreal m = qMax(outlineWidth / 2, highlightPen().widthF() / 2) + 1.0;
    return shapeBounds.adjusted(-m, -m, m + kShadowOffset, m + kShadowOffset);
}

QRegion exposedRegion(const QPainter* painter, const QStyleOptionGraphicsItem* option, const QRectF& bounds)
{
    QRectF exposed = bounds;
    if (option && !option->exposedRect.isEmpty())
        exposed &= option->exposedRect;
    QRegion area(exposed.toAlignedRect());
    const QPaintEngine* engine = painter->paintEngine();
    const QTransform toDevice = painter->deviceTransform();
    if (engine && !engine->systemClip().isEmpty() && toDevice.type() <= QTransform::TxTranslate)
        area &= toDevice.inverted().map(engine->systemClip());
    return area;
}

void paintShape(QPainter* painter, const QStyleOptionGraphicsItem* option, bool shadow, const QPen& pen,
                const QBrush& fill, const std::function<void(QPainter*)>& draw)
{
    const bool filled = fill.style() != Qt::NoBrush;
    painter->save();
    if (shadow) {
        painter->translate(kShadowOffset, kShadowOffset);
        painter->setPen(shadowPen(pen));
        painter->setBrush(filled ? QBrush(shadowColor()) : QBrush(Qt::NoBrush));
        draw(painter);
        painter->translate(-kShadowOffset, -kShadowOffset);
    }
    painter->setPen(pen);
    painter->setBrush(fill);
    draw(painter);
    // The brush stays as the normal pass left it: a fill shows twice under
    // the dashes.
    if (option && (option->state & QStyle::State_MouseOver)) {
        painter->setPen(highlightPen());
        draw(painter);
    }
    painter->restore();
}

} // namespace DrawPaint
