#include "capture/PickArea.h"

#include "annotate/Tool.h"
#include "capture/SGraphicsPixmapItem.h"

#include <cmath>

namespace {

// A drag shorter than this in either direction does not span a new area.
constexpr qreal kMinDrag = 3;

bool longEnough(const QPointF& a, const QPointF& b)
{
    return std::abs(a.x() - b.x()) >= kMinDrag && std::abs(a.y() - b.y()) >= kMinDrag;
}

// The selection with the edges a pick handle drags moved to a position.
QRectF dragPickEdges(const QRectF& start, int handle, const QPointF& pos)
{
    qreal left = start.left(), top = start.top(), right = start.right(), bottom = start.bottom();
    const qreal x = std::round(pos.x());
    const qreal y = std::round(pos.y());
    switch (handle) {
    case 0:
        left = x;
        top = y;
        break;
    case 1:
        top = y;
        break;
    case 2:
        right = x;
        top = y;
        break;
    case 3:
        right = x;
        break;
    case 4:
        right = x;
        bottom = y;
        break;
    case 5:
        bottom = y;
        break;
    case 6:
        left = x;
        bottom = y;
        break;
    case 7:
        left = x;
        break;
    default:
        break;
    }
    QRectF r = QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
    // Never thinner than one pixel: the picture would be empty.
    if (r.width() < 1)
        r.setWidth(1);
    if (r.height() < 1)
        r.setHeight(1);
    return r;
}

// The pick moved by a pointer's way, in whole pixels, never further off the
// desktop than it was: a window reaching past an edge can still be moved.
QRectF movedPick(const QRectF& start, const QPointF& way, const QRectF& desktop)
{
    const qreal dx = qBound(qMin<qreal>(0, desktop.left() - start.left()), std::round(way.x()),
                            qMax<qreal>(0, desktop.right() - start.right()));
    const qreal dy = qBound(qMin<qreal>(0, desktop.top() - start.top()), std::round(way.y()),
                            qMax<qreal>(0, desktop.bottom() - start.bottom()));
    return start.translated(dx, dy);
}

} // namespace

void CPickArea::setRect(const QRectF& rect)
{
    m_rect = rect;
    m_item->setSelectionRect(rect);
}

bool CPickArea::hasPick() const
{
    return !m_detecting && CSGraphicsPixmapItem::hasArea(m_rect);
}

QRect CPickArea::windowAt(const QPoint& screenPos, quint32 viewWinId) const
{
    return m_windowFinder ? m_windowFinder(screenPos, viewWinId) : QRect();
}

void CPickArea::offerWindowAt(const QPointF& scenePos, quint32 viewWinId)
{
    // Scene positions are root-window pixels, exact also on a scaled
    // display (the screen position is in rounded logical pixels).
    const QPoint at(int(std::floor(scenePos.x())), int(std::floor(scenePos.y())));
    const QRect found = windowAt(at, viewWinId);
    if (found.isValid())
        setRect(QRectF(found));
}

void CPickArea::clear()
{
    m_drag = Drag::None;
    setRect(QRectF(0, 0, 0, 0));
    m_picked = false;
}

void CPickArea::restart(const QPointF& pointer, quint32 viewWinId)
{
    m_detecting = true;
    m_leftPress = false;
    m_drag = Drag::None;
    m_item->setOutlineShown(false);
    m_item->setHandlesShown(false);
    m_item->setCursorPos(pointer);
    offerWindowAt(pointer, viewWinId);
    m_item->setMagnifierShown(true);
}

void CPickArea::pointerRests(const QPointF& pointer, quint32 viewWinId)
{
    // As a move there would, before the first press.
    if (!m_detecting || m_leftPress)
        return;
    offerWindowAt(pointer, viewWinId);
    m_item->setCursorPos(pointer);
    m_item->setMagnifierShown(true);
}

int CPickArea::nearestHandle(const QVector<QPointF>& handles, const QPointF& pos, qreal reach)
{
    int best = -1;
    qreal bestDistance = reach;
    for (int i = 0; i < handles.size(); ++i) {
        const QPointF d = handles[i] - pos;
        const qreal distance = qMax(std::abs(d.x()), std::abs(d.y()));
        if (distance <= bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

int CPickArea::handleAt(const QPointF& pos) const
{
    if (!hasPick() || !m_item->handlesShown())
        return -1;
    // Half the square and a little more: handles are small targets.
    const qreal reach = m_item->handleSize() / 2 + 2 * m_item->interfaceScale();
    return nearestHandle(CSGraphicsPixmapItem::pickHandlePoints(m_rect), pos, reach);
}

bool CPickArea::movesFrom(const QPointF& pos, bool picksArea) const
{
    if (!picksArea || !hasPick() || handleAt(pos) >= 0)
        return false;
    const QRectF& r = m_rect;
    return pos.x() >= r.left() && pos.x() < r.right() && pos.y() >= r.top() && pos.y() < r.bottom();
}

bool CPickArea::showsMovePointer(const QPointF& pos, bool picksArea) const
{
    return m_drag == Drag::Move || (m_drag == Drag::None && !m_leftPress && movesFrom(pos, picksArea));
}

void CPickArea::nudge(int dx, int dy, bool resize)
{
    if (!hasPick())
        return;
    QRectF r = m_rect;
    if (resize) {
        r.setWidth(qMax<qreal>(1, r.width() + dx));
        r.setHeight(qMax<qreal>(1, r.height() + dy));
    } else {
        r.translate(dx, dy);
    }
    setRect(r);
}

bool CPickArea::startDrag(const QPointF& pos, bool mayMove)
{
    const int handle = handleAt(pos);
    if (handle >= 0) {
        m_drag = Drag::Handle;
        m_dragHandle = handle;
    } else if (mayMove && movesFrom(pos, true)) {
        m_drag = Drag::Move;
    } else {
        return false;
    }
    m_dragStart = pos;
    m_dragPick = m_rect;
    m_detecting = false;
    m_leftPress = false;
    return true;
}

void CPickArea::continueDrag(const QPointF& pos)
{
    if (m_drag == Drag::Handle)
        setRect(dragPickEdges(m_dragPick, m_dragHandle, pos));
    else if (m_drag == Drag::Move)
        setRect(movedPick(m_dragPick, pos - m_dragStart, m_item->boundingRect()));
}

void CPickArea::endDrag(const QPointF& pos)
{
    continueDrag(pos);
    m_drag = Drag::None;
}

void CPickArea::pressed(const QPointF& pos, bool left, bool picksArea)
{
    m_detecting = false;
    m_leftPress = left;
    if (picksArea && left)
        m_pressPoint = pos;
}

void CPickArea::pointerMoved(const QPointF& pos, bool picksArea, bool leftHeld, quint32 viewWinId)
{
    if (m_detecting)
        offerWindowAt(pos, viewWinId);
    // The magnifier helps while an area is picked: before the first press,
    // while dragging a new area and while dragging a handle.
    const bool picking = (picksArea && (m_detecting || (m_leftPress && leftHeld))) || m_drag == Drag::Handle;
    if (!picking)
        m_item->setMagnifierShown(false);
    m_item->setCursorPos(pos);
    if (picking)
        m_item->setMagnifierShown(true);
}

void CPickArea::spanTo(const QPointF& pos, bool leftHeld)
{
    if (m_leftPress && leftHeld && longEnough(m_pressPoint, pos))
        setRect(spannedRect(m_pressPoint, pos));
}

bool CPickArea::released(const QPointF& pos)
{
    if (!m_leftPress)
        return false;
    m_item->setOutlineShown(true);
    m_item->setHandlesShown(true);
    m_item->setMagnifierShown(false);
    m_leftPress = false;
    if (longEnough(m_pressPoint, pos))
        setRect(spannedRect(m_pressPoint, pos));
    m_picked = true;
    return true;
}
