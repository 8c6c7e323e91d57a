#include "annotate/DrawHideItem.h"
#include "annotate/Tool.h"

#include <QGraphicsSceneMouseEvent>

namespace {

// Hide: a rectangle dragged from the press point to the pointer is covered
// with a pattern made only from what lies around it.
class HideTool : public CTool
{
public:
    void press(CToolContext& context, QGraphicsSceneMouseEvent* event) override
    {
        if (!event->buttons().testFlag(Qt::LeftButton)) {
            context.releaseCurrentMark();
            return;
        }
        m_press = event->scenePos();
        m_hide = new CDrawHideItem(context.backdrop());
        m_hide->setCover(context.look().hideBlock, context.look().hideSmooth);
        m_hide->setArea(QRectF(m_press, m_press));
        context.addMark(m_hide);
    }
    void move(CToolContext& context, QGraphicsSceneMouseEvent* event) override
    {
        if (CDrawHideItem* hide = own(context, m_hide))
            hide->setArea(spannedRect(m_press, event->scenePos()));
    }
    void release(CToolContext& context, QGraphicsSceneMouseEvent* event) override
    {
        CDrawHideItem* hide = own(context, m_hide);
        if (!hide)
            return;
        hide->setArea(spannedRect(m_press, event->scenePos()));
        // A click without a drag hides nothing.
        if (hide->rect().isEmpty())
            context.dropCurrentMark();
        context.releaseCurrentMark();
    }

private:
    QPointF m_press;
    CDrawHideItem* m_hide = nullptr;
};

} // namespace

std::unique_ptr<CTool> makeHideTool()
{
    return std::make_unique<HideTool>();
}
