#include "annotate/DrawObjectItem.h"

#include <QBrush>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <QPen>
#include <QStyleOptionGraphicsItem>

CDrawObjectItem::~CDrawObjectItem() = default;

namespace DrawPaint {

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
