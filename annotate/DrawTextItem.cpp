#include "annotate/DrawTextItem.h"

#include <QAbstractTextDocumentLayout>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QTextCursor>
#include <QTextDocument>

CDrawTextItem::CDrawTextItem(QGraphicsItem* parent) : CDrawMark(parent)
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

void CDrawTextItem::drawText(QPainter* painter, const QColor& color, bool withCursor) const
{
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, color);
    if (withCursor && hasFocus()) {
        const QTextCursor cursor = textCursor();
        context.cursorPosition = cursor.position();
        if (cursor.hasSelection()) {
            QAbstractTextDocumentLayout::Selection selection;
            selection.cursor = cursor;
            selection.format.setBackground(color);
            selection.format.setForeground(fillColor);
            context.selections.append(selection);
        }
    }
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
    // Text too close to its box's colour (a first run's black on black) is
    // drawn in black or white instead, on the screen as in the picture.
    const QColor textColor =
        filled ? DrawPaint::readableTextColor(defaultTextColor(), fillColor) : defaultTextColor();
    if (exportPaint)
        drawText(painter, textColor);
    else if (textColor != defaultTextColor())
        drawText(painter, textColor, true);
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
    // Empty, the box was opened by this double click's first press: the
    // double click is the snapshot's, not the text's.
    if (toPlainText().isEmpty()) {
        event->ignore();
        return;
    }
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

MarkState CDrawTextItem::state() const
{
    MarkState s = CDrawObjectItem::state();
    s.html = toHtml();
    s.font = font();
    s.textColor = defaultTextColor();
    s.fillColor = fillColor;
    s.frameColor = frameColor;
    s.filled = filled;
    s.frame = frame;
    s.frameWidth = frameWidth;
    return s;
}

void CDrawTextItem::setState(const MarkState& s)
{
    CDrawObjectItem::setState(s);
    if (toHtml() != s.html)
        setHtml(s.html);
    setFont(s.font);
    setDefaultTextColor(s.textColor);
    setFillColor(s.fillColor);
    setFrameColor(s.frameColor);
    setFilled(s.filled);
    setFrame(s.frame);
    setFrameWidth(s.frameWidth);
}

bool CDrawTextItem::applyLook(const DrawProperties& before, const DrawProperties& after)
{
    const bool alphaChanged = before.transparency != after.transparency;
    // A colour the strip changed, or the mark's own with the new alpha.
    auto changedColor = [&](const QColor& was, const QColor& now, const QColor& own, bool& changed) {
        changed = was != now || alphaChanged;
        return after.withTransparency(was != now ? now : own);
    };
    bool changed = false, one = false;
    QColor c = changedColor(before.fontColor, after.fontColor, defaultTextColor(), one);
    if (one)
        setDefaultTextColor(c);
    changed |= one;
    c = changedColor(before.fillColor, after.fillColor, fillColor, one);
    if (one)
        setFillColor(c);
    changed |= one;
    c = changedColor(before.frameColor, after.frameColor, frameColor, one);
    if (one)
        setFrameColor(c);
    changed |= one;
    if (before.frameWidth != after.frameWidth) {
        setFrameWidth(after.frameWidth);
        changed = true;
    }
    if (before.frame != after.frame) {
        setFrame(after.frame);
        changed = true;
    }
    if (before.fill != after.fill) {
        setFilled(after.fill);
        changed = true;
    }
    if (before.fontFamily != after.fontFamily || before.fontSize != after.fontSize) {
        QFont f = font();
        if (before.fontFamily != after.fontFamily)
            f.setFamily(after.fontFamily);
        if (before.fontSize != after.fontSize)
            f.setPointSize(after.fontSize);
        setFont(f);
        changed = true;
    }
    return changed;
}

bool CDrawTextItem::finishEditing()
{
    setTextInteractionFlags(Qt::NoTextInteraction);
    return !toPlainText().isEmpty();
}

void CDrawTextItem::settle()
{
    // Laid out here: the picture is painted on another thread.
    document()->size();
}
