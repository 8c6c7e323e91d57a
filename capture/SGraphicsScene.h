#pragma once

#include "annotate/DrawMode.h"

#include <QGraphicsScene>
#include <QImage>
#include <QPolygonF>

#include <functional>

class CDrawView;
class CSGraphicsPixmapItem;
class CSnapshotEdit;
class CSnapshotProp;
class QGraphicsItem;

// The scene behind the capture view: the frozen desktop as background, the
// picking of the area while no tool is chosen, the window under the pointer
// before the first press, and the drawing tools once one is chosen.
class CSGraphicsScene : public QGraphicsScene
{
    Q_OBJECT
public:
    // The rectangle of the window under a desktop position, in desktop pixels
    // (invalid when there is none), never the given window of our own.
    using WindowFinder = std::function<QRect(const QPoint& screenPos, quint32 ignoredWindow)>;

    CSGraphicsScene(const QPixmap& desktop, QObject* parent);

    // Removes and deletes every mark and empties the selection.
    void clearAll();
    // Ends the item in progress and sets the marks' flags for the tool
    // dialog's current mode.
    void applyDrawMode();
    // The selection with its marks, exactly as the user sees it but without
    // veil, label or crosshair; the whole desktop when nothing is selected.
    QImage renderSelection();
    // Asks for a file name and writes the picture there; true once written.
    bool savePicture();
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

    CDrawView* drawView() const;
    CSnapshotEdit* editDialog() const;
    CSnapshotProp* propDialog() const;
    // The tool dialog's mode; None while the scene is not shown by a view.
    DrawMode drawMode() const;

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
    // The drawing tools (every mode but None and Select), in SceneTools.cpp.
    void toolPress(QGraphicsSceneMouseEvent* event, DrawMode mode);
    void toolMove(QGraphicsSceneMouseEvent* event, DrawMode mode);
    void toolRelease(QGraphicsSceneMouseEvent* event, DrawMode mode);
    // True when the double click ended an item in progress: no finish then.
    bool toolDoubleClick(QGraphicsSceneMouseEvent* event, DrawMode mode);

    // Removes the current item from the scene and deletes it.
    void deleteCurrentItem();
    // Whether mouse input still belongs to a running snapshot.
    bool snapshotShown() const;

    QGraphicsItem* m_currentItem = nullptr;
    CSGraphicsPixmapItem* m_backgroundItem = nullptr;
    QPointF m_pressPoint;
    QPolygonF m_polygonPoints;
    bool m_leftPress = false;
    bool m_detectingWindows = true;
    bool m_escapePressed = false;
    WindowFinder m_windowFinder;
};

// The rectangle spanned by two points.
QRectF spannedRect(const QPointF& a, const QPointF& b);
