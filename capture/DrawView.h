#pragma once

#include <QGraphicsView>

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

    // Raises the tool strip, then its property strip, above the view.
    void raiseToolDialogs();
    // Shows the tool strip beside the selection.
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
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    Vireoscape* m_mainWindow = nullptr;
    CSnapshotEdit* m_editDialog = nullptr;
};
