#include "capture/SGraphicsScene.h"

#include "annotate/DrawObjectItem.h"
#include "annotate/ToolRegistry.h"
#include "annotate/ToolState.h"
#include "capture/MarkHandlesItem.h"
#include "capture/SGraphicsPixmapItem.h"

#include <QGraphicsSceneMouseEvent>
#include <QGraphicsSceneWheelEvent>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QUndoStack>

CSGraphicsScene::CSGraphicsScene(const QPixmap& desktop, QObject* parent)
    : QGraphicsScene(parent), m_backgroundItem(new CSGraphicsPixmapItem(desktop)), m_pick(m_backgroundItem)
{
    addItem(m_backgroundItem);
    m_undo = new QUndoStack(this);
    // The scene takes a tool before the strips show it.
    m_state = new CToolState(this);
    connect(m_state, &CToolState::modeChanged, this, &CSGraphicsScene::applyDrawMode);
    connect(m_state, &CToolState::lookChanged, this, &CSGraphicsScene::lookChanged);
    // Every change of the marks is a step.
    connect(m_undo, &QUndoStack::indexChanged, this, &CSGraphicsScene::marksChanged);
    m_discardWindow.setSingleShot(true);
    m_discardWindow.setInterval(2000);
    connect(&m_discardWindow, &QTimer::timeout, this, [this] {
        if (m_backgroundItem->hint() == discardHint())
            m_backgroundItem->setHint(QString());
    });
}

DrawMode CSGraphicsScene::drawMode() const
{
    return m_state->mode();
}

const ToolRow& CSGraphicsScene::toolRow() const
{
    return ::toolRow(m_state->mode());
}

const DrawProperties& CSGraphicsScene::look() const
{
    return m_state->look();
}

CSGraphicsScene::~CSGraphicsScene()
{
    // Marks taken out by undo or erase; the scene deletes the others.
    qDeleteAll(m_detached);
}

QGraphicsView* CSGraphicsScene::drawView() const
{
    const QList<QGraphicsView*> all = views();
    return all.isEmpty() ? nullptr : all.first();
}

bool CSGraphicsScene::snapshotShown() const
{
    QGraphicsView* view = drawView();
    return view && view->isVisible();
}

QRect CSGraphicsScene::detectWindowRect(const QPoint& screenPos, quint32 viewWinId) const
{
    return m_pick.windowAt(screenPos, viewWinId);
}

quint32 CSGraphicsScene::viewWindowId() const
{
    QGraphicsView* view = drawView();
    return view ? quint32(view->effectiveWinId()) : 0;
}

void CSGraphicsScene::clearAll()
{
    selectMark(nullptr);
    m_drag = Drag::None;
    m_undo->clear();
    qDeleteAll(m_detached);
    m_detached.clear();
    const QList<QGraphicsItem*> all = items();
    for (QGraphicsItem* item : all) {
        // Children go with their parent.
        if (item == m_backgroundItem || item->parentItem())
            continue;
        removeItem(item);
        delete item;
    }
    m_pick.clear();
    m_currentItem = nullptr;
}

void CSGraphicsScene::pickAgain(const QPointF& pointer)
{
    clearAll();
    m_state->setMode(DrawMode::None);
    applyDrawMode();
    m_drag = Drag::None;
    m_pick.restart(pointer, viewWindowId());
}

void CSGraphicsScene::pointerRestsAt(const QPointF& pointer)
{
    m_pick.pointerRests(pointer, viewWindowId());
}

void CSGraphicsScene::applyDrawMode()
{
    endItemInProgress();
    const ToolRow& row = toolRow();
    m_tool = row.make ? row.make() : nullptr;
    m_drag = Drag::None;
    if (!row.choosesMarks)
        selectMark(nullptr);
    // The pick stays adjustable until drawing starts.
    m_backgroundItem->setHandlesShown(row.picksArea || row.choosesMarks);

    showPointerShape(m_backgroundItem->cursorPos());

    for (CDrawObjectItem* mark : marks()) {
        QGraphicsItem* item = mark->item();
        item->setFlag(QGraphicsItem::ItemIsMovable, row.marks == MarkAccess::Move);
        item->setAcceptHoverEvents(row.marks != MarkAccess::Inert);
        item->setAcceptedMouseButtons(row.marks != MarkAccess::Inert ? Qt::LeftButton : Qt::NoButton);
    }
}

void CSGraphicsScene::focusInEvent(QFocusEvent* event)
{
    QGraphicsScene::focusInEvent(event);
    m_backgroundItem->setCrosshairVisible(true);
}

void CSGraphicsScene::focusOutEvent(QFocusEvent* event)
{
    QGraphicsScene::focusOutEvent(event);
    m_backgroundItem->setCrosshairVisible(false);
}

bool CSGraphicsScene::isTypingText() const
{
    const auto* text = qgraphicsitem_cast<const QGraphicsTextItem*>(focusItem());
    return text && text->textInteractionFlags().testFlag(Qt::TextEditable);
}

bool CSGraphicsScene::snapshotKey(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const int key = event->key();
    if (mods == Qt::ControlModifier && key == Qt::Key_Z) {
        undo();
        return true;
    }
    if ((mods == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_Z) ||
        (mods == Qt::ControlModifier && key == Qt::Key_Y)) {
        redo();
        return true;
    }
    if ((key == Qt::Key_Delete || key == Qt::Key_Backspace) && mods == Qt::NoModifier && m_selected) {
        deleteSelectedMark();
        return true;
    }
    if ((key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down) &&
        (mods == Qt::NoModifier || mods == Qt::ShiftModifier) && hasPick()) {
        const int dx = key == Qt::Key_Left ? -1 : key == Qt::Key_Right ? 1 : 0;
        const int dy = key == Qt::Key_Up ? -1 : key == Qt::Key_Down ? 1 : 0;
        nudgePick(dx, dy, mods == Qt::ShiftModifier);
        return true;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && mods == Qt::NoModifier) {
        if (!event->isAutoRepeat())
            emit finishRequested();
        return true;
    }
    if (mods == Qt::ControlModifier && key == Qt::Key_C) {
        if (!event->isAutoRepeat())
            emit copyRequested();
        return true;
    }
    if (mods == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_C) {
        if (!event->isAutoRepeat() && isPicked())
            emit copyTextRequested();
        return true;
    }
    if (mods == Qt::ControlModifier && key == Qt::Key_P) {
        if (!event->isAutoRepeat() && isPicked())
            emit pinRequested();
        return true;
    }
    if (mods == Qt::ControlModifier && key == Qt::Key_S) {
        if (!event->isAutoRepeat())
            emit saveRequested();
        return true;
    }
    // While picking, C copies the colour the magnifier shows.
    if (mods == Qt::NoModifier && key == Qt::Key_C && m_backgroundItem->magnifierShown()) {
        const QString colour = m_backgroundItem->cursorColourName();
        if (!event->isAutoRepeat() && !colour.isEmpty())
            emit copyColourRequested(colour);
        return true;
    }
    // Once the tool strip is out, a tool's letter chooses it.
    if (mods == Qt::NoModifier && m_pick.isPicked()) {
        for (const ToolRow& row : toolRows()) {
            if (row.key && key == row.key) {
                if (!event->isAutoRepeat())
                    m_state->setMode(row.mode);
                return true;
            }
        }
    }
    return false;
}

void CSGraphicsScene::keyPressEvent(QKeyEvent* event)
{
    // While a text mark is typed every key but Escape is the text's; Escape
    // ends the typing (an empty text goes) and a second one the snapshot.
    if (isTypingText()) {
        if (event->key() == Qt::Key_Escape) {
            endItemInProgress();
            m_escapePressed = false;
            event->accept();
            return;
        }
    } else if ((m_tool && m_tool->key(*this, event)) || snapshotKey(event)) {
        event->accept();
        return;
    }
    QGraphicsScene::keyPressEvent(event);
    // An Escape that closed a menu, a drop-down list or a message box was
    // pressed there; only its release reaches us, and must not end the snapshot.
    if (event->key() == Qt::Key_Escape && !event->isAutoRepeat())
        m_escapePressed = true;
}

void CSGraphicsScene::keyReleaseEvent(QKeyEvent* event)
{
    if (!isTypingText() && m_tool && m_tool->key(*this, event)) {
        event->accept();
        return;
    }
    QGraphicsScene::keyReleaseEvent(event);
    if (event->isAccepted() || event->key() != Qt::Key_Escape || event->isAutoRepeat() || !m_escapePressed)
        return;
    m_escapePressed = false;
    if (m_currentItem) {
        deleteCurrentItem();
        return;
    }
    if (!holdEscapeOverMarks())
        emit abandonRequested();
}

bool CSGraphicsScene::holdEscapeOverMarks()
{
    // Marks are not dropped by one key: the first Escape says how, for a
    // while, and only a second one within it ends the snapshot.
    if (!marks().isEmpty() && !m_discardWindow.isActive()) {
        m_backgroundItem->setHint(discardHint(), m_pick.rect().toAlignedRect());
        m_discardWindow.start();
        return true;
    }
    m_discardWindow.stop();
    return false;
}

QString CSGraphicsScene::discardHint()
{
    return tr("Press Esc again to discard the marks");
}

void CSGraphicsScene::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    // The newcomer's hint has been read: it goes at the first click.
    m_backgroundItem->setHint(QString());
    m_stepsBeforePress = m_undo->index();
    // Handles, and in Select the marks themselves, come before the items'
    // own handling: a thin stroke is hit from a few pixels away too.
    if (snapshotShown() && (toolRow().choosesMarks || toolRow().picksArea) && startDrag(event)) {
        m_pick.pressed(event->scenePos(), false, false);
        event->accept();
        return;
    }
    QGraphicsScene::mousePressEvent(event);
    if (event->isAccepted() || !snapshotShown())
        return;
    m_pick.pressed(event->scenePos(), event->buttons().testFlag(Qt::LeftButton), toolRow().picksArea);
    if (!toolRow().picksArea && m_tool)
        m_tool->press(*this, event);
}

void CSGraphicsScene::mouseMoveEvent(QGraphicsSceneMouseEvent* event)
{
    QGraphicsScene::mouseMoveEvent(event);
    const bool leftHeld = event->buttons().testFlag(Qt::LeftButton);
    m_pick.pointerMoved(event->scenePos(), toolRow().picksArea, leftHeld, viewWindowId());
    showPointerShape(event->scenePos());
    if (m_drag != Drag::None) {
        continueDrag(event->scenePos());
        return;
    }

    if (toolRow().picksArea) {
        m_pick.spanTo(event->scenePos(), leftHeld);
    } else if (m_tool) {
        m_tool->move(*this, event);
    }
}

void CSGraphicsScene::mouseReleaseEvent(QGraphicsSceneMouseEvent* event)
{
    QGraphicsScene::mouseReleaseEvent(event);
    // The release that follows a finishing double click must not bring the
    // tool strip back.
    if (!snapshotShown())
        return;
    if (m_drag != Drag::None) {
        endDrag(event->scenePos());
        m_backgroundItem->setMagnifierShown(false);
        showPointerShape(event->scenePos());
        return;
    }
    if (toolRow().picksArea) {
        if (m_pick.released(event->scenePos())) {
            emit picked(m_pick.rect());
            showPointerShape(event->scenePos());
        }
    } else if (m_tool) {
        m_tool->release(*this, event);
    }
}

void CSGraphicsScene::mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event)
{
    QGraphicsScene::mouseDoubleClickEvent(event);
    if (event->isAccepted() || !snapshotShown())
        return;
    if (m_tool && m_tool->doubleClick(*this, event))
        return;
    if (event->buttons().testFlag(Qt::LeftButton)) {
        // What the double click's first click drew or erased is taken back:
        // the two clicks meant "done".
        while (m_undo->index() > m_stepsBeforePress && m_undo->canUndo())
            m_undo->undo();
        emit finishRequested();
    }
}

void CSGraphicsScene::wheelEvent(QGraphicsSceneWheelEvent* event)
{
    event->accept();
}
