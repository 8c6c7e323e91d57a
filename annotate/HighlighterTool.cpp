#include "annotate/DrawHighlightItem.h"
#include "annotate/Tool.h"

#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>

namespace {

// Highlighter: a free-hand stroke, or with Shift held a straight one from
// the press point to the pointer.
class HighlighterTool : public CTool
{
public:
    void press(CToolContext& context, QGraphicsSceneMouseEvent* event) override
    {
        context.releaseCurrentMark();
        if (!event->buttons().testFlag(Qt::LeftButton))
            return;
        const DrawProperties& look = context.look();
        QPen pen(look.withTransparency(look.highlightColor));
        pen.setWidth(look.highlightWidth);
        m_stroke = new CDrawHighlightItem;
        m_stroke->setStrokePen(pen);
        m_free = {event->scenePos(), event->scenePos()};
        m_last = event->scenePos();
        m_stroke->setPoints(m_free);
        m_drawing = true;
        context.addMark(m_stroke);
    }
    void move(CToolContext& context, QGraphicsSceneMouseEvent* event) override
    {
        if (!m_drawing || !own(context, m_stroke) || !event->buttons().testFlag(Qt::LeftButton))
            return;
        m_last = event->scenePos();
        m_free << m_last;
        show(event->modifiers().testFlag(Qt::ShiftModifier));
    }
    void release(CToolContext& context, QGraphicsSceneMouseEvent*) override
    {
        m_drawing = false;
        // A click leaves a dot, which stays current: the double click that
        // finishes takes its first click's dot back.
        CDrawHighlightItem* stroke = own(context, m_stroke);
        if (stroke && stroke->points().boundingRect().isNull())
            return;
        context.releaseCurrentMark();
    }
    bool doubleClick(CToolContext& context, QGraphicsSceneMouseEvent*) override
    {
        if (own(context, m_stroke))
            context.dropCurrentMark();
        return false;
    }
    // Shift pressed or let go while drawing turns the stroke straight or
    // back at once.
    bool key(CToolContext& context, QKeyEvent* event) override
    {
        if (event->key() != Qt::Key_Shift || !m_drawing || !own(context, m_stroke))
            return false;
        show(event->type() == QEvent::KeyPress);
        return true;
    }

private:
    void show(bool straight) { m_stroke->setPoints(straight ? QPolygonF{m_free.first(), m_last} : m_free); }

    CDrawHighlightItem* m_stroke = nullptr;
    QPolygonF m_free; // every point the pointer went through
    QPointF m_last;
    bool m_drawing = false;
};

} // namespace

std::unique_ptr<CTool> makeHighlighterTool()
{
    return std::make_unique<HighlighterTool>();
}
