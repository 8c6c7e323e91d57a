#pragma once

#include "annotate/DrawMode.h"
#include "annotate/DrawProperties.h"

#include <QGraphicsScene>
#include <QImage>
#include <QPolygonF>

#include <functional>

class CSGraphicsPixmapItem;
class QGraphicsItem;
class QGraphicsView;

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

    // Removes and deletes every mark and empties the selection.
    void clearAll();
    // Takes the tool: ends the item in progress and sets the marks' flags.
    void applyDrawMode(DrawMode mode);
    DrawMode drawMode() const { return m_drawMode; }
    // The look of the marks created from now on.
    void setDrawProperties(const DrawProperties& properties) { m_properties = properties; }
    const DrawProperties& drawProperties() const { return m_properties; }
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

    // The view that shows the scene, if any.
    QGraphicsView* drawView() const;

signals:
    // A pick ended with this selection (a click or a drag).
    void picked(const QRectF& selection);
    // A left double click outside any item in progress: the user is done.
    void finishRequested();
    // Escape with nothing in progress: the user drops the snapshot.
    void abandonRequested();

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
};

// The rectangle spanned by two points.
QRectF spannedRect(const QPointF& a, const QPointF& b);
