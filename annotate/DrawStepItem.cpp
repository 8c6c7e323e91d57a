#include "annotate/DrawStepItem.h"

#include <QFontDatabase>
#include <QGraphicsScene>
#include <QPainter>
#include <QStyleOptionGraphicsItem>

#include <algorithm>
#include <cmath>

namespace {

quint64 g_placed = 0;

} // namespace

CDrawStepItem::CDrawStepItem(QGraphicsItem* parent) : CDrawMark(parent), m_placed(++g_placed)
{
    setPen(Qt::NoPen);
}

QColor CDrawStepItem::numberColour(const QColor& on)
{
    return DrawPaint::contrastingColor(on);
}

void CDrawStepItem::setCircle(qreal diameter, const QColor& colour)
{
    const QRectF circle(-diameter / 2, -diameter / 2, diameter, diameter);
    if (circle != rect())
        setRect(circle);
    setBrush(colour);
    makeDigits();
}

void CDrawStepItem::setNumber(int number)
{
    if (number == m_number)
        return;
    m_number = number;
    makeDigits();
}

void CDrawStepItem::makeDigits()
{
    // As an outline made here, on the scene's thread: the picture is
    // painted on another one, and a path paints the same on the screen and
    // in the picture.
    m_digits = QPainterPath();
    if (m_number > 0 && diameter() > 0) {
        QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setBold(true);
        font.setPixelSize(qMax(1, int(diameter() * 0.58)));
        QPainterPath text;
        text.addText(0, 0, font, QString::number(m_number));
        // Long numbers shrink to stay inside the circle.
        const QRectF box = text.boundingRect();
        const qreal room = diameter() * 0.72;
        const qreal scale = box.width() > room ? room / box.width() : 1.0;
        QTransform fit;
        fit.scale(scale, scale);
        fit.translate(-box.center().x(), -box.center().y());
        m_digits = fit.map(text);
    }
    update();
}

QRectF CDrawStepItem::boundingRect() const
{
    return DrawPaint::paintBounds(rect());
}

void CDrawStepItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*)
{
    painter->save();
    painter->setPen(Qt::NoPen);
    if (shadow) {
        painter->setBrush(DrawPaint::shadowColor());
        painter->drawEllipse(rect().translated(DrawPaint::kShadowOffset, DrawPaint::kShadowOffset));
    }
    painter->setBrush(brush());
    painter->drawEllipse(rect());
    painter->setBrush(numberColour(brush().color()));
    painter->drawPath(m_digits);
    if (option && (option->state & QStyle::State_MouseOver)) {
        painter->setPen(DrawPaint::highlightPen());
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(rect());
    }
    painter->restore();
}

MarkState CDrawStepItem::state() const
{
    MarkState s = CDrawObjectItem::state();
    s.rect = rect();
    s.brush = brush();
    return s;
}

void CDrawStepItem::setState(const MarkState& s)
{
    CDrawObjectItem::setState(s);
    setCircle(s.rect.width(), s.brush.color());
}

bool CDrawStepItem::applyLook(const DrawProperties& before, const DrawProperties& after)
{
    QColor colour = brush().color();
    qreal size = diameter();
    bool changed = false;
    if (before.frameColor != after.frameColor) {
        colour = after.withTransparency(after.frameColor);
        changed = true;
    }
    if (before.transparency != after.transparency) {
        colour = after.withTransparency(colour);
        changed = true;
    }
    if (before.frameWidth != after.frameWidth) {
        size = diameterFor(after.frameWidth);
        changed = true;
    }
    if (changed)
        setCircle(size, colour);
    return changed;
}

QVariant CDrawStepItem::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (change == ItemSceneChange)
        m_leaving = scene();
    if (change == ItemSceneHasChanged) {
        // The scene it left and the one it came to count again.
        renumber(m_leaving);
        m_leaving = nullptr;
        renumber(scene());
    }
    return CDrawMark::itemChange(change, value);
}

void CDrawStepItem::renumber(QGraphicsScene* scene)
{
    if (!scene)
        return;
    QList<CDrawStepItem*> steps;
    for (QGraphicsItem* item : scene->items()) {
        if (auto* step = qgraphicsitem_cast<CDrawStepItem*>(item))
            steps << step;
    }
    std::sort(steps.begin(), steps.end(),
              [](const CDrawStepItem* a, const CDrawStepItem* b) { return a->m_placed < b->m_placed; });
    for (int i = 0; i < steps.size(); ++i)
        steps[i]->setNumber(i + 1);
}
