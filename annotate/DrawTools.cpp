#include "annotate/DrawEllipseItem.h"
#include "annotate/DrawLineItem.h"
#include "annotate/DrawPolygonItem.h"
#include "annotate/DrawRectItem.h"
#include "annotate/DrawTextItem.h"
#include "annotate/Tool.h"

#include <QGraphicsSceneMouseEvent>

// The tools of the written tool strip. A new mark takes its look from the
// drawing properties at the press that creates it; later changes leave it
// alone. A press with another button than the left one ends what is drawn.

namespace {

bool leftIn(const QGraphicsSceneMouseEvent* event)
{
    return event->buttons().testFlag(Qt::LeftButton);
}

// A line from the press point to the pointer, with or without an arrow head.
class LineTool : public CTool
{
public:
    explicit LineTool(bool arrow) : m_arrow(arrow) {}

    void press(CToolContext& context, QGraphicsSceneMouseEvent* event) override
    {
        if (!leftIn(event)) {
            context.releaseCurrentMark();
            return;
        }
        m_press = event->scenePos();
        m_line = newMark<CDrawLineItem>();
        m_line->setPen(MarkLook::linePen(context.look()));
        m_line->setLine(QLineF(m_press, m_press));
        m_line->arrow = m_arrow;
        context.addMark(m_line);
    }
    void move(CToolContext& context, QGraphicsSceneMouseEvent* event) override
    {
        if (CDrawLineItem* line = own(context, m_line); line && leftIn(event))
            line->setLine(QLineF(m_press, event->scenePos()));
    }
    void release(CToolContext& context, QGraphicsSceneMouseEvent* event) override
    {
        // The line stays current, so that Escape can still take it back.
        if (CDrawLineItem* line = own(context, m_line))
            line->setLine(QLineF(m_press, event->scenePos()));
    }

private:
    bool m_arrow;
    QPointF m_press;
    CDrawLineItem* m_line = nullptr;
};

// A rectangle or an ellipse spanned from the press point to the pointer.
template <class Box> class BoxTool : public CTool
{
public:
    void press(CToolContext& context, QGraphicsSceneMouseEvent* event) override
    {
        if (!leftIn(event)) {
            context.releaseCurrentMark();
            return;
        }
        m_press = event->scenePos();
        m_box = newMark<Box>();
        m_box->setPen(MarkLook::shapePen(context.look()));
        m_box->setBrush(MarkLook::fillBrush(context.look()));
        m_box->setRect(m_press.x(), m_press.y(), 1.0, 1.0);
        m_box->setFilled(context.look().fill);
        context.addMark(m_box);
    }
    void move(CToolContext& context, QGraphicsSceneMouseEvent* event) override
    {
        if (Box* box = own(context, m_box))
            box->setRect(spannedRect(m_press, event->scenePos()));
    }
    void release(CToolContext& context, QGraphicsSceneMouseEvent* event) override
    {
        move(context, event);
        context.releaseCurrentMark();
    }

private:
    QPointF m_press;
    Box* m_box = nullptr;
};

// What the polygon and the free-hand stroke share: the points of the mark
// in progress, begun with the first press.
class PointsTool : public CTool
{
public:
    explicit PointsTool(bool freehand) : m_freehand(freehand) {}

    void press(CToolContext& context, QGraphicsSceneMouseEvent* event) override
    {
        CDrawPolygonItem* polygon = own(context, m_polygon);
        if (!leftIn(event)) {
            // Ends the polygon without the point that followed the pointer.
            if (polygon && m_points.size() > 1) {
                m_points.removeLast();
                polygon->setPolygon(m_points);
            }
            context.releaseCurrentMark();
            m_points.clear();
            return;
        }
        const QPointF pos = event->scenePos();
        if (context.currentMark()) {
            if (!polygon)
                return;
            m_points.append(pos);
            m_justBegun = false;
        } else {
            m_justBegun = true;
            polygon = m_polygon = newMark<CDrawPolygonItem>();
            const DrawProperties& look = context.look();
            polygon->setPen(m_freehand ? MarkLook::linePen(look) : MarkLook::shapePen(look));
            polygon->setBrush(MarkLook::fillBrush(look));
            polygon->setFilled(look.fill);
            polygon->setFreehand(m_freehand);
            m_points.clear();
            m_points << pos << pos;
            context.addMark(polygon);
        }
        polygon->setPolygon(m_points);
    }
    bool doubleClick(CToolContext& context, QGraphicsSceneMouseEvent*) override
    {
        // A polygon begun by the double click's own first press is no polygon:
        // it goes, and the double click finishes.
        if (own(context, m_polygon) && m_justBegun) {
            context.dropCurrentMark();
            m_points.clear();
            return false;
        }
        if (!context.currentMark())
            return false;
        if (CDrawPolygonItem* stroke = own(context, m_polygon))
            stroke->endStroke();
        m_points.clear();
        context.releaseCurrentMark();
        return true;
    }

protected:
    bool m_freehand;
    QPolygonF m_points;
    CDrawPolygonItem* m_polygon = nullptr;
    bool m_justBegun = false; // only its first press so far
};

// A closed polygon clicked point by point; the last edge follows the
// pointer, buttons or not.
class PolygonTool : public PointsTool
{
public:
    PolygonTool() : PointsTool(false) {}

    void move(CToolContext& context, QGraphicsSceneMouseEvent* event) override
    {
        CDrawPolygonItem* polygon = own(context, m_polygon);
        if (!polygon || m_points.isEmpty())
            return;
        m_points.last() = event->scenePos();
        polygon->setPolygon(m_points);
    }
};

// A free-hand stroke: one press, drag and release.
class FreehandTool : public PointsTool
{
public:
    FreehandTool() : PointsTool(true) {}

    void move(CToolContext& context, QGraphicsSceneMouseEvent* event) override
    {
        CDrawPolygonItem* stroke = own(context, m_polygon);
        if (!stroke || m_points.isEmpty() || !leftIn(event))
            return;
        m_points.append(event->scenePos());
        stroke->appendStrokePoint(event->scenePos());
    }
    void release(CToolContext& context, QGraphicsSceneMouseEvent*) override
    {
        if (CDrawPolygonItem* stroke = own(context, m_polygon))
            stroke->endStroke();
        m_points.clear();
        context.releaseCurrentMark();
    }
};

// A text box typed into at once where the user clicked.
class TextTool : public CTool
{
public:
    void press(CToolContext& context, QGraphicsSceneMouseEvent* event) override
    {
        endTyping(context);
        if (!leftIn(event))
            return;
        const DrawProperties& look = context.look();
        auto* text = m_text = newMark<CDrawTextItem>();
        text->setFillColor(look.withTransparency(look.fillColor));
        text->setFrameColor(look.withTransparency(look.frameColor));
        text->setFilled(look.fill);
        text->setFrame(look.frame);
        text->setFrameWidth(look.frameWidth);
        text->setDefaultTextColor(look.withTransparency(look.fontColor));
        text->setFont(QFont(look.fontFamily, look.fontSize, -1, false));
        text->setPos(event->scenePos());
        text->setTextInteractionFlags(Qt::TextEditorInteraction);
        context.addMark(text);
        text->setFocus(Qt::OtherFocusReason);
    }
    bool doubleClick(CToolContext& context, QGraphicsSceneMouseEvent*) override
    {
        // The double click's first press opened an empty box: it would show
        // as a stray frame in the picture.
        endTyping(context);
        context.releaseCurrentMark();
        return false;
    }

private:
    // The text being typed stops taking keys; it goes if nothing was typed.
    void endTyping(CToolContext& context)
    {
        if (CDrawTextItem* text = own(context, m_text); text && !text->finishEditing())
            context.dropCurrentMark();
    }

    CDrawTextItem* m_text = nullptr;
};

// Every mark under the pointer goes at the release, thin strokes within a
// few pixels too. Hover reaches only the topmost of overlapping marks, so the
// ones below are found by position. One release is one step.
class EraseTool : public CTool
{
public:
    void release(CToolContext& context, QGraphicsSceneMouseEvent* event) override
    {
        QList<CDrawObjectItem*> erased;
        for (CDrawObjectItem* mark : context.marks()) {
            if (mark->hovered || mark->hit(event->scenePos(), context.hitTolerance()))
                erased << mark;
        }
        if (!erased.isEmpty())
            context.removeMarks(erased);
    }
};

} // namespace

std::unique_ptr<CTool> makeLineTool()
{
    return std::make_unique<LineTool>(false);
}
std::unique_ptr<CTool> makeArrowTool()
{
    return std::make_unique<LineTool>(true);
}
std::unique_ptr<CTool> makeRectangleTool()
{
    return std::make_unique<BoxTool<CDrawRectItem>>();
}
std::unique_ptr<CTool> makeEllipseTool()
{
    return std::make_unique<BoxTool<CDrawEllipseItem>>();
}
std::unique_ptr<CTool> makePolygonTool()
{
    return std::make_unique<PolygonTool>();
}
std::unique_ptr<CTool> makeFreehandTool()
{
    return std::make_unique<FreehandTool>();
}
std::unique_ptr<CTool> makeTextTool()
{
    return std::make_unique<TextTool>();
}
std::unique_ptr<CTool> makeEraseTool()
{
    return std::make_unique<EraseTool>();
}
