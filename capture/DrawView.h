#pragma once

#include <QGraphicsView>
#include <QEvent>
#include <QHash>

#include <memory>

class CPointerTracker;
class CSGraphicsScene;
class CWindowList;
class CSnapshotEdit;
class Vireoscape;

// The full-desktop window of one snapshot: shows the frozen desktop through
// the selection scene, owns the floating tool strip and forwards its buttons
// to the scene.
class CDrawView : public QGraphicsView
{
    Q_OBJECT
public:
    CDrawView(const QPixmap& desktop, QWidget* parent);
    ~CDrawView() override;

    // The flags that keep the view (and the strips above it) exactly where
    // we put them, undecorated, under any window manager.
    static Qt::WindowFlags floatingWindowFlags();

    // The windows as they were when the desktop was grabbed; the pick before
    // the first press highlights the one under the pointer.
    void setWindowList(const CWindowList& windows);

    void setMainWindow(Vireoscape* window) { m_mainWindow = window; }
    Vireoscape* mainWindow() const { return m_mainWindow; }
    CSnapshotEdit* editDialog() const { return m_editDialog; }
    CSGraphicsScene* snapshotScene() const;

    // Device pixels per logical pixel of the screen the view covers. Scene
    // coordinates are device (desktop) pixels at any scale factor.
    qreal desktopRatio() const { return m_ratio; }

    // Raises the tool strip, then its property strip, above the view.
    void raiseToolDialogs();
    // Shows the tool strip beside the selection (scene coordinates), on the
    // monitor the selection is on.
    void placeEditDialog(const QRectF& selection);
    // Takes the keyboard for the view (again).
    void takeKeyboard();
    void savePicture();
    bool finishSnapshot();
    // Ends the snapshot without output: the main window comes back first,
    // then the strips and the view close.
    void abandonSnapshot();

public slots:
    void ReselectSnapshotArea();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The exact desktop pixel of a mouse event, also on a scaled display.
    QPointF scenePosition(const QMouseEvent* event) const;
    // Hands a mouse event to the scene at its exact desktop pixel: the
    // view's own translation works in whole logical pixels.
    void sendToScene(QEvent::Type type, QMouseEvent* event);

    Vireoscape* m_mainWindow = nullptr;
    CSnapshotEdit* m_editDialog = nullptr;
    qreal m_ratio = 1.0;
    std::unique_ptr<CPointerTracker> m_pointer;
    QHash<int, QPointF> m_buttonDownScenePos;
    QHash<int, QPoint> m_buttonDownScreenPos;
    QPointF m_lastScenePos;
    QPoint m_lastScreenPos;
};
