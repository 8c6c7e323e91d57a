#include "capture/SGraphicsScene.h"

#include "annotate/DrawPolygonItem.h"
#include "capture/SGraphicsPixmapItem.h"

#include <QGraphicsSceneMouseEvent>
#include <QGraphicsSceneWheelEvent>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QKeyEvent>

#include <cmath>

namespace {

// Modes whose mouse input goes to the drawing tools.
bool isDrawingMode(DrawMode mode)
{
    return isToolMode(mode) && mode != DrawMode::None && mode != DrawMode::Select;
}

// A drag shorter than this in either direction does not span a new area.
constexpr qreal kMinDrag = 3;

bool longEnough(const QPointF& a, const QPointF& b)
{
    return std::abs(a.x() - b.x()) >= kMinDrag && std::abs(a.y() - b.y()) >= kMinDrag;
}

} // namespace

QRectF spannedRect(const QPointF& a, const QPointF& b)
{
    const qreal x = qMin(a.x(), b.x());
    const qreal y = qMin(a.y(), b.y());
    return QRectF(x, y, qMax(a.x(), b.x()) - x, qMax(a.y(), b.y()) - y);
}

CSGraphicsScene::CSGraphicsScene(const QPixmap& desktop, QObject* parent) : QGraphicsScene(parent)
{
    m_backgroundItem = new CSGraphicsPixmapItem(desktop);
    addItem(m_backgroundItem);
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
    return m_windowFinder ? m_windowFinder(screenPos, viewWinId) : QRect();
}

void CSGraphicsScene::deleteCurrentItem()
{
    if (!m_currentItem)
        return;
    removeItem(m_currentItem);
    delete m_currentItem;
    m_currentItem = nullptr;
}

void CSGraphicsScene::clearAll()
{
    const QList<QGraphicsItem*> all = items();
    for (QGraphicsItem* item : all) {
        // Children go with their parent.
        if (item == m_backgroundItem || item->parentItem())
            continue;
        removeItem(item);
        delete item;
    }
    m_backgroundItem->setSelectionRect(QRectF(0, 0, 0, 0));
    m_currentItem = nullptr;
    m_polygonPoints.clear();
}

void CSGraphicsScene::applyDrawMode(DrawMode mode)
{
    m_drawMode = mode;
    if (auto* text = dynamic_cast<QGraphicsTextItem*>(m_currentItem)) {
        text->setTextInteractionFlags(Qt::NoTextInteraction);
        if (text->toPlainText().isEmpty())
            deleteCurrentItem();
    }
    if (auto* stroke = dynamic_cast<CDrawPolygonItem*>(m_currentItem))
        stroke->endStroke();
    m_polygonPoints.clear();
    m_currentItem = nullptr;

    const QList<QGraphicsItem*> all = items();
    for (QGraphicsItem* item : all) {
        if (item == m_backgroundItem)
            continue;
        switch (mode) {
        case DrawMode::None:
        case DrawMode::Select:
            item->setFlags(QGraphicsItem::ItemIsMovable);
            item->setAcceptHoverEvents(true);
            item->setAcceptedMouseButtons(Qt::LeftButton);
            break;
        case DrawMode::Erase:
            item->setFlags({});
            item->setAcceptHoverEvents(true);
            item->setAcceptedMouseButtons(Qt::LeftButton);
            break;
        default:
            item->setFlags({});
            item->setAcceptHoverEvents(false);
            item->setAcceptedMouseButtons(Qt::NoButton);
            break;
        }
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

void CSGraphicsScene::keyPressEvent(QKeyEvent* event)
{
    QGraphicsScene::keyPressEvent(event);
    // An Escape that closed a menu, a drop-down list or a message box was
    // pressed there; only its release reaches us, and must not end the snapshot.
    if (event->key() == Qt::Key_Escape && !event->isAutoRepeat())
        m_escapePressed = true;
}

void CSGraphicsScene::keyReleaseEvent(QKeyEvent* event)
{
    QGraphicsScene::keyReleaseEvent(event);
    if (event->isAccepted() || event->key() != Qt::Key_Escape || event->isAutoRepeat() || !m_escapePressed)
        return;
    m_escapePressed = false;
    if (m_currentItem) {
        m_polygonPoints.clear();
        deleteCurrentItem();
        return;
    }
    emit abandonRequested();
}

void CSGraphicsScene::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    QGraphicsScene::mousePressEvent(event);
    if (event->isAccepted() || !snapshotShown())
        return;
    m_detectingWindows = false;
    m_leftPress = event->buttons().testFlag(Qt::LeftButton);
    const DrawMode mode = drawMode();
    if (mode == DrawMode::None) {
        if (m_leftPress)
            m_pressPoint = event->scenePos();
    } else if (isDrawingMode(mode)) {
        toolPress(event, mode);
    }
}

void CSGraphicsScene::mouseMoveEvent(QGraphicsSceneMouseEvent* event)
{
    QGraphicsScene::mouseMoveEvent(event);
    QGraphicsView* view = drawView();
    if (m_detectingWindows) {
        // Scene positions are root-window pixels, exact also on a scaled
        // display (the screen position is in rounded logical pixels).
        const QPoint at(int(std::floor(event->scenePos().x())), int(std::floor(event->scenePos().y())));
        const QRect found = detectWindowRect(at, view ? quint32(view->effectiveWinId()) : 0);
        if (found.isValid())
            m_backgroundItem->setSelectionRect(QRectF(found));
    }
    m_backgroundItem->setCursorPos(event->scenePos());

    const DrawMode mode = drawMode();
    if (mode == DrawMode::None) {
        if (m_leftPress && event->buttons().testFlag(Qt::LeftButton) &&
            longEnough(m_pressPoint, event->scenePos()))
            m_backgroundItem->setSelectionRect(spannedRect(m_pressPoint, event->scenePos()));
    } else if (isDrawingMode(mode)) {
        toolMove(event, mode);
    }
}

void CSGraphicsScene::mouseReleaseEvent(QGraphicsSceneMouseEvent* event)
{
    QGraphicsScene::mouseReleaseEvent(event);
    // The release that follows a finishing double click must not bring the
    // tool strip back.
    if (!snapshotShown())
        return;
    const DrawMode mode = drawMode();
    if (mode == DrawMode::None) {
        if (m_leftPress) {
            m_leftPress = false;
            if (longEnough(m_pressPoint, event->scenePos()))
                m_backgroundItem->setSelectionRect(spannedRect(m_pressPoint, event->scenePos()));
            emit picked(m_backgroundItem->selectionRect());
        }
    } else if (isDrawingMode(mode)) {
        toolRelease(event, mode);
    }
}

void CSGraphicsScene::mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event)
{
    QGraphicsScene::mouseDoubleClickEvent(event);
    if (event->isAccepted() || !snapshotShown())
        return;
    const DrawMode mode = drawMode();
    if (isDrawingMode(mode) && toolDoubleClick(event, mode))
        return;
    if (event->buttons().testFlag(Qt::LeftButton))
        emit finishRequested();
}

void CSGraphicsScene::wheelEvent(QGraphicsSceneWheelEvent* event)
{
    event->accept();
}
