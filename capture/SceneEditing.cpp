#include "annotate/DrawObjectItem.h"
#include "annotate/DrawTextItem.h"
#include "annotate/ToolRegistry.h"
#include "capture/MarkHandlesItem.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"

#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QUndoStack>

#include <algorithm>
#include <cmath>

// Undo and redo, the mark chosen with Select and its handles; the pick
// itself is CPickArea's.

// One step on the undo stack: marks put into or taken out of the scene, or
// a mark changed from one state to another. Every step is recorded after
// the user made it, so its first redo does nothing.
class MarkCommand : public QUndoCommand
{
public:
    enum Kind
    {
        Add,
        Remove,
        Change
    };

    MarkCommand(CSGraphicsScene* scene, Kind kind, const QList<CDrawObjectItem*>& marks)
        : m_scene(scene), m_kind(kind), m_marks(marks)
    {
    }
    MarkCommand(CSGraphicsScene* scene, CDrawObjectItem* mark, const MarkState& before, bool mergeable)
        : m_scene(scene), m_kind(Change), m_marks{mark}, m_before(before), m_after(mark->state()),
          m_mergeable(mergeable)
    {
    }

    bool adds(CDrawObjectItem* mark) const { return m_kind == Add && m_marks.contains(mark); }

    int id() const override { return m_mergeable ? 1 : -1; }
    bool mergeWith(const QUndoCommand* other) override
    {
        auto* next = static_cast<const MarkCommand*>(other);
        if (next->m_marks != m_marks)
            return false;
        m_after = next->m_after;
        return true;
    }

    void redo() override
    {
        if (m_first) {
            m_first = false;
            return;
        }
        apply(true);
    }

    void undo() override { apply(false); }

private:
    // Forward is the change as made; backward takes it back.
    void apply(bool forward)
    {
        if (m_kind == Change) {
            m_marks.first()->setState(forward ? m_after : m_before);
            return;
        }
        const bool attach = (m_kind == Add) == forward;
        for (CDrawObjectItem* mark : std::as_const(m_marks))
            attach ? m_scene->attachMark(mark) : m_scene->detachMark(mark);
    }

    CSGraphicsScene* m_scene;
    Kind m_kind;
    QList<CDrawObjectItem*> m_marks;
    MarkState m_before;
    MarkState m_after;
    bool m_mergeable = false;
    bool m_first = true;
};

namespace {

// Drops whatever could be redone: pushing a step clears the redo branch,
// and a step that is already obsolete is deleted at once.
void dropRedo(QUndoStack* stack)
{
    auto* nothing = new QUndoCommand;
    nothing->setObsolete(true);
    stack->push(nothing);
}

const MarkCommand* topCommand(const QUndoStack* stack)
{
    return stack->index() > 0 ? dynamic_cast<const MarkCommand*>(stack->command(stack->index() - 1))
                              : nullptr;
}

// Whether two sets of properties differ in nothing but the transparency.
bool onlyTransparencyDiffers(const DrawProperties& a, const DrawProperties& b)
{
    return a.transparency != b.transparency && a.frameColor == b.frameColor && a.fillColor == b.fillColor &&
           a.fontColor == b.fontColor && a.frame == b.frame && a.fill == b.fill &&
           a.frameWidth == b.frameWidth && a.fontFamily == b.fontFamily && a.fontSize == b.fontSize;
}

} // namespace

void CSGraphicsScene::addMark(CDrawObjectItem* mark)
{
    addItem(mark->item());
    m_currentItem = mark;
    mark->item()->setZValue(m_nextZ++);
    if (auto* text = qobject_cast<CDrawTextItem*>(mark->item()->toGraphicsObject()))
        connect(text, &CDrawTextItem::textEdited, this, &CSGraphicsScene::textEdited);
    m_undo->push(new MarkCommand(this, MarkCommand::Add, {mark}));
}

void CSGraphicsScene::marksChanged()
{
    for (CDrawObjectItem* mark : marks())
        mark->marksBelowChanged();
}

void CSGraphicsScene::textEdited(const QString& before)
{
    auto* text = qobject_cast<CDrawTextItem*>(sender());
    if (!text || !text->scene())
        return;
    // The text typed into a new mark belongs to the step that added it.
    if (text == m_currentItem)
        return;
    MarkState old = text->state();
    old.html = before;
    recordChange(text, old);
}

void CSGraphicsScene::recordChange(CDrawObjectItem* mark, const MarkState& before, bool mergeable)
{
    if (mark->state() == before)
        return;
    m_undo->push(new MarkCommand(this, mark, before, mergeable));
    refreshHandles();
}

void CSGraphicsScene::detachMark(CDrawObjectItem* mark)
{
    if (mark == m_selected)
        selectMark(nullptr);
    if (mark == m_currentItem)
        m_currentItem = nullptr;
    if (mark->item()->scene() == this)
        removeItem(mark->item());
    m_detached.insert(mark);
}

void CSGraphicsScene::attachMark(CDrawObjectItem* mark)
{
    m_detached.remove(mark);
    if (!mark->item()->scene())
        addItem(mark->item());
}

void CSGraphicsScene::deleteCurrentItem()
{
    if (!m_currentItem)
        return;
    CDrawObjectItem* item = m_currentItem;
    const MarkCommand* top = topCommand(m_undo);
    if (top && top->adds(item)) {
        // Take the step back and forget it: the item was never finished.
        m_undo->undo();
        dropRedo(m_undo);
    } else {
        // A step may still name it: kept out of the scene, never deleted here.
        detachMark(item);
    }
    m_currentItem = nullptr;
}

void CSGraphicsScene::endItemInProgress()
{
    if (m_currentItem && !m_currentItem->finishEditing())
        deleteCurrentItem();
    // A text mark edited again after a double click.
    if (CDrawObjectItem* mark = CDrawObjectItem::of(focusItem()))
        mark->finishEditing();
    m_currentItem = nullptr;
}

void CSGraphicsScene::undo()
{
    endItemInProgress();
    m_undo->undo();
    refreshHandles();
}

void CSGraphicsScene::redo()
{
    endItemInProgress();
    m_undo->redo();
    refreshHandles();
}

void CSGraphicsScene::lookChanged(const DrawProperties& before, const DrawProperties& after)
{
    if (!m_selected)
        return;
    const MarkState old = m_selected->state();
    // A slider drag is one step, not one per position.
    if (m_selected->applyLook(before, after))
        recordChange(m_selected, old, onlyTransparencyDiffers(before, after));
}

void CSGraphicsScene::selectMark(CDrawObjectItem* mark)
{
    if (mark == m_selected)
        return;
    m_selected = mark;
    if (!mark) {
        delete m_handles;
        m_handles = nullptr;
    } else if (!m_handles) {
        m_handles = new CMarkHandlesItem(m_backgroundItem->interfaceScale());
        addItem(m_handles);
    }
    refreshHandles();
    emit markSelected(mark ? mark->kind() : DrawMode::None);
}

void CSGraphicsScene::refreshHandles()
{
    if (m_selected && m_selected->item()->scene() != this) {
        selectMark(nullptr);
        return;
    }
    if (m_handles && m_selected)
        m_handles->setFrame(m_selected->outline(), m_selected->handles());
}

void CSGraphicsScene::deleteSelectedMark()
{
    if (m_selected)
        removeMarks({m_selected});
}

void CSGraphicsScene::removeMarks(const QList<CDrawObjectItem*>& marks)
{
    for (CDrawObjectItem* mark : marks)
        detachMark(mark);
    m_undo->push(new MarkCommand(this, MarkCommand::Remove, marks));
}

qreal CSGraphicsScene::hitTolerance() const
{
    return 4 * m_backgroundItem->interfaceScale();
}

QList<CDrawObjectItem*> CSGraphicsScene::marks() const
{
    return marksInOrder(Qt::AscendingOrder);
}

QList<CDrawObjectItem*> CSGraphicsScene::marksInOrder(Qt::SortOrder order) const
{
    // By z value, as they are painted: with no index the scene lists its
    // items in the order they were added, and undo brings marks back.
    QList<CDrawObjectItem*> found;
    for (QGraphicsItem* item : items()) {
        if (CDrawObjectItem* mark = CDrawObjectItem::of(item))
            found << mark;
    }
    std::stable_sort(found.begin(), found.end(), [](CDrawObjectItem* a, CDrawObjectItem* b) {
        return a->item()->zValue() < b->item()->zValue();
    });
    if (order == Qt::DescendingOrder)
        std::reverse(found.begin(), found.end());
    return found;
}

CDrawObjectItem* CSGraphicsScene::markAt(const QPointF& scenePos) const
{
    const QList<CDrawObjectItem*> all = marksInOrder(Qt::DescendingOrder);
    const qreal tolerance = hitTolerance();
    // An exact hit wins over a near one lower down.
    for (qreal reach : {qreal(0), tolerance}) {
        for (CDrawObjectItem* mark : all) {
            if (mark->item()->isVisible() && mark->hit(scenePos, reach))
                return mark;
        }
    }
    return nullptr;
}

bool CSGraphicsScene::hasPick() const
{
    return m_pick.hasPick();
}

int CSGraphicsScene::pickHandleAt(const QPointF& scenePos) const
{
    return m_pick.handleAt(scenePos);
}

int CSGraphicsScene::markHandleAt(const QPointF& scenePos) const
{
    if (!m_selected || !m_handles)
        return -1;
    const qreal reach = m_handles->handleSize() / 2 + 2 * m_backgroundItem->interfaceScale();
    return CPickArea::nearestHandle(m_handles->handles(), scenePos, reach);
}

void CSGraphicsScene::nudgePick(int dx, int dy, bool resize)
{
    m_pick.nudge(dx, dy, resize);
}

void CSGraphicsScene::showPointerShape(const QPointF& pos)
{
    QGraphicsView* view = drawView();
    if (!view)
        return;
    const bool moving =
        (m_drag == Drag::None || m_drag == Drag::Pick) && m_pick.showsMovePointer(pos, toolRow().picksArea);
    // Only on a change: each call sends the shape to the X server again.
    QWidget* viewport = view->viewport();
    const bool shown = viewport->testAttribute(Qt::WA_SetCursor);
    if (moving && !(shown && viewport->cursor().shape() == Qt::SizeAllCursor))
        viewport->setCursor(Qt::SizeAllCursor);
    else if (!moving && shown)
        viewport->unsetCursor();
}

bool CSGraphicsScene::startDrag(QGraphicsSceneMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    const QPointF pos = event->scenePos();
    const ToolRow& row = toolRow();
    m_dragStart = pos;
    if (row.choosesMarks) {
        // The text being typed takes its own presses (the caret).
        if (CDrawObjectItem* text = CDrawObjectItem::of(focusItem());
            text && isTypingText() && text->hit(pos, 0))
            return false;
        const int markHandle = markHandleAt(pos);
        if (markHandle >= 0) {
            m_drag = Drag::MarkHandle;
            m_dragHandle = markHandle;
            m_dragItem = m_selected;
            m_dragBefore = m_selected->state();
            return true;
        }
    }
    // A pick handle, or inside the pick with no tool chosen, starts a drag
    // of the pick; a double click there still finishes.
    if (m_pick.startDrag(pos, row.picksArea && event->type() == QEvent::GraphicsSceneMousePress)) {
        m_drag = Drag::Pick;
        return true;
    }
    if (row.choosesMarks) {
        endItemInProgress();
        CDrawObjectItem* mark = markAt(pos);
        selectMark(mark);
        if (mark) {
            m_drag = Drag::MarkMove;
            m_dragItem = mark;
            m_dragItemStart = mark->item()->pos();
            m_dragBefore = mark->state();
        }
        return true;
    }
    return false;
}

void CSGraphicsScene::continueDrag(const QPointF& pos)
{
    switch (m_drag) {
    case Drag::Pick:
        m_pick.continueDrag(pos);
        break;
    case Drag::MarkHandle:
        // From the shape at the press: a corner dragged past the opposite
        // one turns the box round, and the handle's number with it.
        m_dragItem->setState(m_dragBefore);
        m_dragItem->moveHandle(m_dragHandle, pos);
        refreshHandles();
        marksChanged();
        break;
    case Drag::MarkMove:
        m_dragItem->item()->setPos(m_dragItemStart + (pos - m_dragStart));
        refreshHandles();
        marksChanged();
        break;
    case Drag::None:
        break;
    }
}

void CSGraphicsScene::endDrag(const QPointF& pos)
{
    const Drag drag = m_drag;
    if (drag == Drag::None)
        return;
    if (drag == Drag::Pick) {
        m_drag = Drag::None;
        m_pick.endDrag(pos);
        emit picked(m_pick.rect());
        return;
    }
    continueDrag(pos);
    m_drag = Drag::None;
    if (m_dragItem && m_dragItem->item()->scene() == this)
        recordChange(m_dragItem, m_dragBefore);
    m_dragItem = nullptr;
}
