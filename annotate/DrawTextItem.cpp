#include "annotate/DrawTextItem.h"

#include <QAbstractTextDocumentLayout>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QTextDocument>

CDrawTextItem::CDrawTextItem(QGraphicsItem* parent) : QGraphicsTextItem(parent)
{
    setTextInteractionFlags(Qt::TextEditorInteraction);
}

CDrawTextItem::~CDrawTextItem() = default;

void CDrawTextItem::setFilled(bool on)
{
    filled = on;
    update();
}

void CDrawTextItem::setFrame(bool on)
{
    frame = on;
    update();
}

void CDrawTextItem::setFrameWidth(int width)
{
    if (width == frameWidth)
        return;
    prepareGeometryChange();
    frameWidth = width;
}

void CDrawTextItem::setFillColor(const QColor& color)
{
    fillColor = color;
    update();
}

void CDrawTextItem::setFrameColor(const QColor& color)
{
    frameColor = color;
    update();
}

QRectF CDrawTextItem::textBox() const
{
    return QGraphicsTextItem::boundingRect();
}

QRectF CDrawTextItem::boundingRect() const
{
    return DrawPaint::paintBounds(textBox(), frameWidth);
}

QPainterPath CDrawTextItem::shape() const
{
    QPainterPath path;
    path.addRect(textBox());
    return path;
}

bool CDrawTextItem::contains(const QPointF& point) const
{
    return textBox().contains(point);
}

void CDrawTextItem::drawBox(QPainter* painter, const QPen& pen, const QBrush& brush) const
{
    if (!frame && !filled)
        return;
    painter->setPen(frame ? pen : QPen(Qt::NoPen));
    painter->setBrush(filled ? brush : QBrush(Qt::NoBrush));
    const QRectF box = textBox();
    painter->drawRects(&box, 1);
}

void CDrawTextItem::drawText(QPainter* painter, const QColor& color) const
{
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, color);
    document()->documentLayout()->draw(painter, context);
}

void CDrawTextItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget)
{
    QPen framePen(frameColor);
    framePen.setWidth(frameWidth);
    QPen shadowPen(DrawPaint::shadowColor());
    shadowPen.setWidth(frameWidth);

    painter->save();
    if (shadow) {
        painter->translate(DrawPaint::kShadowOffset, DrawPaint::kShadowOffset);
        drawBox(painter, shadowPen, QBrush(DrawPaint::shadowColor()));
        // A filled box hides the text's shadow: only the box casts one.
        if (!filled)
            drawText(painter, DrawPaint::shadowColor());
        painter->translate(-DrawPaint::kShadowOffset, -DrawPaint::kShadowOffset);
    }
    drawBox(painter, framePen, QBrush(fillColor));
    if (exportPaint)
        drawText(painter, defaultTextColor());
    else
        QGraphicsTextItem::paint(painter, option, widget);
    if (option && (option->state & QStyle::State_MouseOver)) {
        // Outline only: the fill drawn again would cover the text.
        painter->setPen(DrawPaint::highlightPen());
        painter->setBrush(Qt::NoBrush);
        const QRectF box = textBox();
        painter->drawRects(&box, 1);
    }
    painter->restore();
}

void CDrawTextItem::mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event)
{
    QGraphicsTextItem::mouseDoubleClickEvent(event);
    event->accept();
    // The flags first: a text item without interaction is not focusable.
    setTextInteractionFlags(Qt::TextEditorInteraction);
    setFocus(Qt::OtherFocusReason);
}

void CDrawTextItem::keyPressEvent(QKeyEvent* event)
{
    QGraphicsTextItem::keyPressEvent(event);
    event->accept();
}

void CDrawTextItem::keyReleaseEvent(QKeyEvent* event)
{
    QGraphicsTextItem::keyReleaseEvent(event);
    event->accept();
}

void CDrawTextItem::focusInEvent(QFocusEvent* event)
{
    QGraphicsTextItem::focusInEvent(event);
    m_htmlAtFocus = toHtml();
}

void CDrawTextItem::focusOutEvent(QFocusEvent* event)
{
    QGraphicsTextItem::focusOutEvent(event);
    const QString now = toHtml();
    if (now != m_htmlAtFocus) {
        const QString before = m_htmlAtFocus;
        m_htmlAtFocus = now;
        emit textEdited(before);
    }
}

void CDrawTextItem::hoverEnterEvent(QGraphicsSceneHoverEvent* event)
{
    QGraphicsTextItem::hoverEnterEvent(event);
    hovered = true;
}

void CDrawTextItem::hoverLeaveEvent(QGraphicsSceneHoverEvent* event)
{
    QGraphicsTextItem::hoverLeaveEvent(event);
    hovered = false;
}
