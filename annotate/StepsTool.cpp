#include "annotate/DrawStepItem.h"
#include "annotate/Tool.h"

#include <QGraphicsSceneMouseEvent>

namespace {

// Steps: each click places the next numbered step, in the frame colour,
// its size following the width.
class StepsTool : public CTool
{
public:
    void press(CToolContext& context, QGraphicsSceneMouseEvent* event) override
    {
        context.releaseCurrentMark();
        if (!event->buttons().testFlag(Qt::LeftButton))
            return;
        const DrawProperties& look = context.look();
        m_step = newMark<CDrawStepItem>();
        m_step->setCircle(CDrawStepItem::diameterFor(look.frameWidth),
                          look.withTransparency(look.frameColor));
        m_step->setPos(event->scenePos());
        // Current until the next click, so that Escape takes it back.
        context.addMark(m_step);
    }
    bool doubleClick(CToolContext& context, QGraphicsSceneMouseEvent*) override
    {
        // Drops the step of the double click's first press.
        if (own(context, m_step))
            context.dropCurrentMark();
        return false;
    }

private:
    CDrawStepItem* m_step = nullptr;
};

} // namespace

std::unique_ptr<CTool> makeStepsTool()
{
    return std::make_unique<StepsTool>();
}
