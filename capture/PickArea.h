#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QVector>

#include <functional>

class CSGraphicsPixmapItem;

// The picked area of one snapshot and everything that changes it: the window
// under the pointer offered before the first press, an area dragged, the
// eight handles, the arrow keys, and a drag from inside that moves it. It
// owns the rectangle and tells the background item what to paint (the
// rectangle, its outline and handles, the magnifier); the scene hands it the
// mouse and keys and says whether the current tool picks the area.
class CPickArea
{
public:
    // The rectangle of the window under a desktop position, in desktop pixels
    // (invalid when there is none), never the given window of our own.
    using WindowFinder = std::function<QRect(const QPoint& screenPos, quint32 ignoredWindow)>;

    explicit CPickArea(CSGraphicsPixmapItem* item) : m_item(item) {}

    // The area in scene (desktop) pixels; empty when nothing is picked.
    QRectF rect() const { return m_rect; }
    void setRect(const QRectF& rect);
    // Whether an area is picked and can be adjusted.
    bool hasPick() const;
    // Before the first press the window under the pointer is offered.
    bool isDetectingWindows() const { return m_detecting; }
    // Whether a pick has ended since the start (the tool strip is out).
    bool isPicked() const { return m_picked; }
    // Whether the pick is being dragged by a handle or from inside.
    bool isDragging() const { return m_drag != Drag::None; }

    void setWindowFinder(WindowFinder finder) { m_windowFinder = std::move(finder); }
    QRect windowAt(const QPoint& screenPos, quint32 viewWinId) const;

    // No area, nothing picked (the marks go elsewhere).
    void clear();
    // Picks anew, as at the start: the window under the pointer (a scene
    // position) offered at once, with the magnifier.
    void restart(const QPointF& pointer, quint32 viewWinId);
    // Before the first press: the window under a resting pointer and the
    // magnifier show without waiting for a move.
    void pointerRests(const QPointF& pointer, quint32 viewWinId);

    // The handle (0..7, clockwise from the top left corner) at a scene
    // position, -1 for none; the nearest of `handles` within `reach`.
    int handleAt(const QPointF& pos) const;
    static int nearestHandle(const QVector<QPointF>& handles, const QPointF& pos, qreal reach);
    // Whether a press there moves the pick: inside it, off its handles,
    // while the tool picks the area.
    bool movesFrom(const QPointF& pos, bool picksArea) const;
    // Whether the pointer there shows the move shape.
    bool showsMovePointer(const QPointF& pos, bool picksArea) const;
    // Arrow keys: moves the pick, or with `resize` grows or shrinks its
    // right and bottom edges, by whole pixels.
    void nudge(int dx, int dy, bool resize);

    // A left press on a handle, or inside when `mayMove`, starts a drag of
    // the pick; true when it did.
    bool startDrag(const QPointF& pos, bool mayMove);
    void continueDrag(const QPointF& pos);
    void endDrag(const QPointF& pos);

    // A press the pick did not take: window detection ends for good, and
    // with the left button and a tool that picks, an area drag may start.
    void pressed(const QPointF& pos, bool left, bool picksArea);
    // A pointer move: the window under it while detecting, the magnifier
    // while picking, the crosshair always.
    void pointerMoved(const QPointF& pos, bool picksArea, bool leftHeld, quint32 viewWinId);
    // The area dragged so far, once long enough.
    void spanTo(const QPointF& pos, bool leftHeld);
    // The release of an area press; true when a pick ended.
    bool released(const QPointF& pos);

private:
    void offerWindowAt(const QPointF& scenePos, quint32 viewWinId);

    CSGraphicsPixmapItem* m_item;
    QRectF m_rect;
    QPointF m_pressPoint;
    bool m_leftPress = false;
    bool m_detecting = true;
    bool m_picked = false;
    WindowFinder m_windowFinder;
    enum class Drag
    {
        None,
        Handle,
        Move
    };
    Drag m_drag = Drag::None;
    int m_dragHandle = -1;
    QPointF m_dragStart;
    QRectF m_dragPick;
};
