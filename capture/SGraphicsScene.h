#pragma once

#include "annotate/DrawMode.h"
#include "annotate/DrawProperties.h"
#include "annotate/MarkState.h"

#include <QGraphicsScene>
#include <QImage>
#include <QPolygonF>

#include <QSet>

#include <functional>

class CMarkHandlesItem;
class CSGraphicsPixmapItem;
class QGraphicsItem;
class QGraphicsView;
class QUndoStack;

// The scene behind the capture view: the frozen desktop as background, the
// picking of the area while no tool is chosen, the window under the pointer
// before the first press, and the drawing tools once one is chosen. It knows
// nothing of the windows around it: the tool and the look of new marks are
// handed in, and picks, finishing and abandoning go out as signals.
class CSGraphicsScene : public QGraphicsScene
{
    Q_OBJECT
public:
    // The rectangle of the window under a desktop position, in desktop pixels
    // (invalid when there is none), never the given window of our own.
    using WindowFinder = std::function<QRect(const QPoint& screenPos, quint32 ignoredWindow)>;

    CSGraphicsScene(const QPixmap& desktop, QObject* parent);
    ~CSGraphicsScene() override;

    // Removes and deletes every mark and empties the selection.
    void clearAll();
    // Takes the tool: ends the item in progress and sets the marks' flags.
    void applyDrawMode(DrawMode mode);
    DrawMode drawMode() const { return m_drawMode; }
    // The look of the marks created from now on; in Select, a change also
    // applies to the chosen mark.
    void setDrawProperties(const DrawProperties& properties);
    const DrawProperties& drawProperties() const { return m_properties; }
    // The selection with its marks, exactly as the user sees it but without
    // veil, label or crosshair; the whole desktop when nothing is selected.
    QImage renderSelection();
    // The same for the snapshot's last use, without a copy: the marks are
    // painted into the desktop itself, which the scene then no longer has.
    QImage renderSelectionForTheLastTime();
    // Asks for a file name and writes the picture there; true once written.
    bool savePicture();
    // Where "Save picture" opens: the folder of the last picture it saved
    // (the snapshot folder the first time), with a name from the pattern.
    static QString savePictureStartPath();
    // Puts the picture to the clipboard and/or into a new file, as the
    // settings say; false when that failed or the user cancelled, so the
    // snapshot must stay open.
    bool finishSnapshot();

    void setWindowFinder(WindowFinder finder) { m_windowFinder = std::move(finder); }
    QRect detectWindowRect(const QPoint& screenPos, quint32 viewWinId) const;

    CSGraphicsPixmapItem* backgroundItem() const { return m_backgroundItem; }
    QGraphicsItem* currentItem() const { return m_currentItem; }
    QPolygonF polygonPoints() const { return m_polygonPoints; }
    bool isDetectingWindows() const { return m_detectingWindows; }
    // Whether a text mark has the keyboard: then keys type, except Escape.
    bool isTypingText() const;

    // The view that shows the scene, if any.
    QGraphicsView* drawView() const;

    // Every change to the marks (add, move, reshape, erase, look, text) as
    // one undoable step each.
    QUndoStack* undoStack() const { return m_undo; }
    // Ends the item in progress, then takes back or redoes one step.
    void undo();
    void redo();

    // The marks, bottom first or (Qt::DescendingOrder) top first. Each new
    // mark is stacked on top by its z value, which it keeps through undo and
    // redo; the scene has no index, so items() lists the order of adding,
    // and undo adds a mark again at the end.
    QList<QGraphicsItem*> marks(Qt::SortOrder order = Qt::AscendingOrder) const;

    // The mark chosen with Select, shown with its handles; null for none.
    QGraphicsItem* selectedMark() const { return m_selected; }
    void selectMark(QGraphicsItem* mark);
    // Removes the chosen mark (Delete), as one undoable step.
    void deleteSelectedMark();
    // The topmost mark at or within the hit tolerance of a scene position.
    QGraphicsItem* markAt(const QPointF& scenePos) const;
    // How far from a thin stroke a click still hits it, in scene pixels.
    qreal hitTolerance() const;
    // The pick handle (0..7, clockwise from the top left corner) or the
    // chosen mark's handle at a scene position; -1 for none.
    int pickHandleAt(const QPointF& scenePos) const;
    int markHandleAt(const QPointF& scenePos) const;
    // Picks anew, as at the start of the snapshot: no marks, no area, the
    // window under the pointer (a scene position) offered at once.
    void pickAgain(const QPointF& pointer);
    // Whether an area is picked and can be adjusted.
    bool hasPick() const;
    // Arrow keys: moves the pick, or with `resize` grows or shrinks its
    // right and bottom edges, by whole pixels.
    void nudgePick(int dx, int dy, bool resize);

signals:
    // A pick ended with this selection (a click or a drag).
    void picked(const QRectF& selection);
    // A left double click outside any item in progress: the user is done.
    void finishRequested();
    // Escape with nothing in progress: the user drops the snapshot.
    void abandonRequested();
    // Ctrl+C: put the picture on the clipboard only and end the snapshot.
    void copyRequested();
    // Ctrl+S: "Save picture".
    void saveRequested();
    // A mark was chosen with Select (its tool), or none (None).
    void markSelected(DrawMode kind);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) override;
    void wheelEvent(QGraphicsSceneWheelEvent* event) override;

private:
    QImage renderPicture(bool intoDesktop);
    // Offers the window under a scene position as the selection.
    void highlightWindowAt(const QPointF& scenePos);
    // The drawing tools (every mode but None and Select), in SceneTools.cpp.
    void toolPress(QGraphicsSceneMouseEvent* event, DrawMode mode);
    void toolMove(QGraphicsSceneMouseEvent* event, DrawMode mode);
    void toolRelease(QGraphicsSceneMouseEvent* event, DrawMode mode);
    // True when the double click ended an item in progress: no finish then.
    bool toolDoubleClick(QGraphicsSceneMouseEvent* event, DrawMode mode);

    // The snapshot's own keys (finish, copy, save, undo...); true when taken.
    bool snapshotKey(QKeyEvent* event);

    // Removes the current item from the scene and drops it, with the step
    // that added it.
    void deleteCurrentItem();
    // Ends the item in progress as choosing another tool would.
    void endItemInProgress();
    // A new mark in the scene: stacked on top and recorded as a step.
    void markAdded(QGraphicsItem* mark);
    void textEdited(const QString& before);
    // Undo and redo take marks out of the scene and put them back; taken-out
    // marks live on here until the scene goes.
    friend class MarkCommand;
    void detachMark(QGraphicsItem* mark);
    void attachMark(QGraphicsItem* mark);
    // Records a change already made to a mark.
    void pushChange(QGraphicsItem* mark, const MarkState& before, bool mergeable = false);
    // Takes marks out of the scene as one step.
    void eraseMarks(const QList<QGraphicsItem*>& marks);
    void refreshHandles();

    // Select mode and the pick handles: what a left press started.
    bool startDrag(QGraphicsSceneMouseEvent* event);
    void continueDrag(const QPointF& pos);
    void endDrag(const QPointF& pos);
    // Whether mouse input still belongs to a running snapshot.
    bool snapshotShown() const;

    DrawMode m_drawMode = DrawMode::None;
    DrawProperties m_properties;
    QGraphicsItem* m_currentItem = nullptr;
    CSGraphicsPixmapItem* m_backgroundItem = nullptr;
    QPointF m_pressPoint;
    QPolygonF m_polygonPoints;
    bool m_leftPress = false;
    bool m_detectingWindows = true;
    bool m_escapePressed = false;
    WindowFinder m_windowFinder;

    QUndoStack* m_undo = nullptr;
    QSet<QGraphicsItem*> m_detached;
    QGraphicsItem* m_selected = nullptr;
    CMarkHandlesItem* m_handles = nullptr;
    qreal m_nextZ = 1;
    enum class Drag { None, PickHandle, MarkHandle, MarkMove };
    Drag m_drag = Drag::None;
    int m_dragHandle = -1;
    QPointF m_dragStart;
    QPointF m_dragItemStart;
    QRectF m_dragPick;
    QGraphicsItem* m_dragItem = nullptr;
    MarkState m_dragBefore;
};

// The rectangle spanned by two points.
QRectF spannedRect(const QPointF& a, const QPointF& b);
