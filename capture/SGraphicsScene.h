#pragma once

#include "annotate/DrawMode.h"
#include "annotate/DrawProperties.h"
#include "annotate/MarkState.h"
#include "annotate/Tool.h"
#include "capture/PickArea.h"

#include <QGraphicsScene>
#include <QImage>
#include <QPolygonF>

#include <QSet>
#include <QTimer>

#include <functional>
#include <memory>

class CDrawObjectItem;
class CMarkHandlesItem;
class CSGraphicsPixmapItem;
class CToolState;
struct ToolRow;
class QGraphicsItem;
class QGraphicsView;
class QUndoStack;

// The scene behind the capture view: the frozen desktop as background, the
// picking of the area while no tool is chosen, the window under the pointer
// before the first press, and the drawing tools once one is chosen: it holds
// the current tool and is what the tool works on. It knows nothing of the
// windows around it: the tool and the look of new marks come from the tool
// state it shares with the strips, and picks, finishing and abandoning go
// out as signals.
class CSGraphicsScene : public QGraphicsScene, public CToolContext, public CMarkBackdrop
{
    Q_OBJECT
public:
    using WindowFinder = CPickArea::WindowFinder;

    CSGraphicsScene(const QPixmap& desktop, QObject* parent);
    ~CSGraphicsScene() override;

    // Removes and deletes every mark and empties the selection.
    void clearAll();
    // The tool and the look of new marks, shared with the strips. A change
    // of the look also applies to the chosen mark.
    CToolState* toolState() const { return m_state; }
    // Takes the state's tool: ends the item in progress and sets the marks'
    // flags. Runs whenever a tool is chosen.
    void applyDrawMode();
    DrawMode drawMode() const;
    // The selection with its marks, exactly as the user sees it but without
    // veil, label or crosshair; the whole desktop when nothing is selected.
    QImage renderSelection();
    // The area renderSelection puts out, in desktop pixels.
    QRect renderedArea() const;
    // The same for the snapshot's last use, without a copy: the marks are
    // painted into the desktop itself, which the scene then no longer has.
    QImage renderSelectionForTheLastTime();
    // Asks for a file name and writes the picture there; the file's name
    // once written, else empty.
    QString savePicture(const QImage& picture);

    void setWindowFinder(WindowFinder finder) { m_pick.setWindowFinder(std::move(finder)); }
    QRect detectWindowRect(const QPoint& screenPos, quint32 viewWinId) const;

    CSGraphicsPixmapItem* backgroundItem() const { return m_backgroundItem; }
    // The picked area: its rectangle, and everything that changes it.
    CPickArea& pick() { return m_pick; }
    const CPickArea& pick() const { return m_pick; }
    bool isDetectingWindows() const { return m_pick.isDetectingWindows(); }
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

    // The mark chosen with Select, shown with its handles; null for none.
    CDrawObjectItem* selectedMark() const { return m_selected; }
    void selectMark(CDrawObjectItem* mark);
    // Removes the chosen mark (Delete), as one undoable step.
    void deleteSelectedMark();
    // The topmost mark at or within the hit tolerance of a scene position.
    CDrawObjectItem* markAt(const QPointF& scenePos) const;

    // What the tools work on.
    const DrawProperties& look() const override;
    const CMarkBackdrop* backdrop() const override { return this; }
    QImage pixelsBelow(const QRect& area, const CDrawObjectItem* above) const override;
    void addMark(CDrawObjectItem* mark) override;
    // Hide marks over these areas (scene pixels) in the current look, all
    // added as one step.
    void addHideMarks(const QList<QRect>& areas);
    CDrawObjectItem* currentMark() const override { return m_currentItem; }
    void releaseCurrentMark() override { m_currentItem = nullptr; }
    void dropCurrentMark() override { deleteCurrentItem(); }
    QList<CDrawObjectItem*> marks() const override;
    // What the first Escape over marks shows near the pick.
    static QString discardHint();
    // An Escape that would end the snapshot: true when it must not yet, as
    // marks would go with it (the hint then says how), false when it may.
    bool holdEscapeOverMarks();
    qreal hitTolerance() const override;
    void removeMarks(const QList<CDrawObjectItem*>& marks) override;
    void pushChange(CDrawObjectItem* mark, const MarkState& before) override { recordChange(mark, before); }

    // The pick handle (0..7, clockwise from the top left corner) or the
    // chosen mark's handle at a scene position; -1 for none.
    int pickHandleAt(const QPointF& scenePos) const;
    int markHandleAt(const QPointF& scenePos) const;
    // Picks anew, as at the start of the snapshot: no marks, no area, the
    // window under the pointer (a scene position) offered at once.
    void pickAgain(const QPointF& pointer);
    // Before the first press: the window under a resting pointer (a scene
    // position) and the magnifier show without waiting for a move.
    void pointerRestsAt(const QPointF& pointer);
    // Whether an area is picked and can be adjusted.
    bool hasPick() const;
    // Whether a pick has ended (the strip is out): what finishes, pins and is
    // read is then the picked area, or the whole desktop when it is empty.
    bool isPicked() const { return m_pick.isPicked(); }
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
    // Ctrl+P: pin the picture to the screen.
    void pinRequested();
    // Ctrl+Shift+C: copy the text in the picture.
    void copyTextRequested();
    // C while the magnifier shows: copy the colour under the pointer,
    // "#rrggbb".
    void copyColourRequested(const QString& colour);
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
    // Paints marks (prepared for it) where the user sees them, in order.
    using TransformedMark = QPair<CDrawObjectItem*, QTransform>;
    static void paintMarks(QPainter& painter, const QList<TransformedMark>& marks);
    const ToolRow& toolRow() const;
    QList<CDrawObjectItem*> marksInOrder(Qt::SortOrder order) const;
    // Tells the marks that the marks below them may have changed.
    void marksChanged();
    // A change of the look, for the chosen mark.
    void lookChanged(const DrawProperties& before, const DrawProperties& after);
    // The view's own window, which window detection passes over.
    quint32 viewWindowId() const;

    // The snapshot's own keys (finish, copy, save, undo...); true when taken.
    bool snapshotKey(QKeyEvent* event);

    // Removes the current item from the scene and drops it, with the step
    // that added it.
    void deleteCurrentItem();
    // Ends the item in progress as choosing another tool would.
    void endItemInProgress();

    void textEdited(const QString& before);
    // Undo and redo take marks out of the scene and put them back; taken-out
    // marks live on here until the scene goes.
    friend class MarkCommand;
    void detachMark(CDrawObjectItem* mark);
    void attachMark(CDrawObjectItem* mark);
    // Records a change already made to a mark.
    void recordChange(CDrawObjectItem* mark, const MarkState& before, bool mergeable = false);
    void refreshHandles();

    // Select mode and the pick handles: what a left press started.
    bool startDrag(QGraphicsSceneMouseEvent* event);
    void continueDrag(const QPointF& pos);
    void endDrag(const QPointF& pos);
    // Whether mouse input still belongs to a running snapshot.
    bool snapshotShown() const;
    // The move pointer where a drag would move the pick, else the arrow.
    void showPointerShape(const QPointF& pos);

    CToolState* m_state = nullptr;
    std::unique_ptr<CTool> m_tool;
    CDrawObjectItem* m_currentItem = nullptr;
    CSGraphicsPixmapItem* m_backgroundItem = nullptr;
    CPickArea m_pick;
    bool m_escapePressed = false;
    QTimer m_discardWindow; // a second Escape while it runs drops the marks

    QUndoStack* m_undo = nullptr;
    int m_stepsBeforePress = 0; // the undo index before the last press
    QSet<CDrawObjectItem*> m_detached;
    CDrawObjectItem* m_selected = nullptr;
    CMarkHandlesItem* m_handles = nullptr;
    qreal m_nextZ = 1;
    enum class Drag
    {
        None,
        Pick,
        MarkHandle,
        MarkMove
    };
    Drag m_drag = Drag::None;
    int m_dragHandle = -1;
    QPointF m_dragStart;
    QPointF m_dragItemStart;
    CDrawObjectItem* m_dragItem = nullptr;
    MarkState m_dragBefore;
};
