#pragma once

#include "capture/Finisher.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QGraphicsView>
#include <QHash>
#include <QKeySequence>
#include <QPointer>

#include <memory>

class QLabel;
class QTimer;

class CPointerLayer;
class CPointerTracker;
class CSGraphicsScene;
class CWindowList;
class CSnapshotEdit;

// One snapshot: the full-desktop window that shows the frozen desktop through
// the selection scene, with the tool strip and its property strip (floating
// windows, or child widgets where windows cannot be placed).
// It joins the strips to the scene and tells its owner how the snapshot
// ended: finished (with the after-finish action), abandoned, or to be
// started over.
class CDrawView : public QGraphicsView
{
    Q_OBJECT
public:
    CDrawView(const QPixmap& desktop, QWidget* parent);
    ~CDrawView() override;

    // The windows as they were when the desktop was grabbed; the pick before
    // the first press highlights the one under the pointer.
    void setWindowList(const CWindowList& windows);
    // The window under the pointer where it rests, and the magnifier, at once.
    void offerPointerWindow();

    // The start-snapshot hot key: where it reaches the view rather than the
    // global shortcut (on X11 that one sees it first), it starts over.
    void setRestartKey(const QKeySequence& key) { m_restartKey = key; }
    // The tool strip and its property strip, built on first use if they
    // have not been built yet (they are, after the first paint).
    CSnapshotEdit* editDialog();
    void buildToolStrips();
    // Whether the strips are child widgets of the view, placed in its own
    // coordinates (where the compositor places windows itself), or windows
    // of their own beside it. Set before the strips are built.
    bool stripsInside() const { return m_stripsInside; }
    void setStripsInside(bool inside) { m_stripsInside = inside; }
    CSGraphicsScene* snapshotScene() const;
    // How many times the crosshair and the magnifier were brought up to date
    // on the screen without a repaint of the view.
    int pointerLayerFrames() const { return m_layerFrames; }
    // And the device pixels those frames changed on the screen.
    qint64 pointerLayerPixels() const { return m_layerPixels; }
    // The view on the screen now, if any.
    static CDrawView* onScreen();

    // Device pixels per logical pixel of the screen the view covers. Scene
    // coordinates are device (desktop) pixels at any scale factor.
    qreal desktopRatio() const { return m_ratio; }

    // Right after show(): where the X server still shows the desktop below
    // the new window, it lays the veil over those pixels itself, so that the
    // snapshot is seen to start before the first paint, a desktop-sized
    // transfer, reaches it. That paint then puts the same pixels there.
    void veilAhead();

    // The newcomer's hint on the frozen desktop, until the first click.
    void showFirstRunHint();
    static QString firstRunHintText(bool windowsOffered);

    // Raises the tool strip, then its property strip, above the view.
    void raiseToolDialogs();
    // Shows the tool strip beside the selection (scene coordinates), on the
    // monitor the selection is on (and within the view, for strips inside it).
    void placeEditDialog(const QRectF& selection);
    // Takes the keyboard for the view (again).
    void takeKeyboard();
    // Asks for a file name and saves the picture; the snapshot goes on.
    void savePicture();
    // Puts the picture out as the settings say and ends the snapshot, unless
    // that failed.
    void finishSnapshot();
    // Puts the picture on the clipboard only and ends the snapshot.
    void copySnapshot();
    // Ends the snapshot and keeps the picture on the screen in a pin.
    void pinSnapshot();
    // Reads the text of the picture on a worker thread and puts it on the
    // clipboard; the snapshot goes on.
    void copyText();
    // Reads the text of the picture on a worker thread and covers with Hide
    // marks what looks like personal data, or with `allText` every line: one
    // undoable step. The snapshot goes on.
    void hideText(bool allText);
    // Puts a colour's name on the clipboard as text; the snapshot goes on.
    void copyColour(const QString& colour);
    // A short message near the pick, gone after `milliseconds` (0: stays).
    void showNotice(const QString& text, int milliseconds = 2500);
    QString noticeText() const;
    // Ends the snapshot without output, as Cancel.
    void cancelSnapshot();
    // Ends the snapshot without output, as Escape on the desktop.
    void abandonSnapshot();
    // Closes the strips and the view, with no word to the owner (which
    // starts the next snapshot).
    void endSnapshot();

public slots:
    void ReselectSnapshotArea();

signals:
    // The snapshot ended through OK or Cancel; `action` is what the settings
    // say happens to the main window now.
    void finished(AfterFinish action);
    // Pin: the picture and its place on the desktop, in device pixels,
    // `ratio` of them per logical pixel; `around`: the frozen desktop around
    // it, a margin of ceil(ratio) device pixels on every side.
    void pinned(const QImage& picture, const QRect& deviceGeometry, qreal ratio, const QImage& around);
    // Copy text put this many lines on the clipboard (0: none found).
    void textCopied(int lines);
    // Hide personal data or Hide all text placed this many marks.
    void textHidden(int marks);
    // The snapshot was dropped with Escape.
    void abandoned();
    // The start-snapshot key was pressed during the snapshot.
    void restartRequested();

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
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

    // Every way of finishing: the picture put out through `actions` (none:
    // what the settings say OK does); with `ends` the snapshot then ends,
    // unless an action failed.
    CFinisher::Outcome finishWith(FinishActions actions, bool ends);
    // The finisher's ways out through this snapshot's windows.
    bool readText(const QImage& picture, const QString& language);
    void showFailure(const QString& text);
    // The keyboard grab brings every key to the view: after a click into a
    // strip, its keys go to the strip's control instead. True when the strip
    // took the key; Escape, and Enter in a text field, never come back to
    // the view from there.
    bool keyToStrip(QKeyEvent* event);
    // Where the view paints into an image of its own (X11, offscreen), the
    // crosshair and the magnifier are laid on its painted pixels by the view
    // itself, brought up to date at most once a frame.
    void startPointerLayer();
    QImage paintedFrame();
    void pointerLayerChanged();
    void refreshPointerLayer();
    std::unique_ptr<CPointerLayer> m_pointerLayer;
    bool m_layerDirty = false;
    int m_layerFrames = 0;
    qint64 m_layerPixels = 0;
    bool m_layerPosted = false; // a repaint request is on its way for it
    QPointer<QWidget> m_keysTo; // the strip clicked last, or none (the view)

    CSnapshotEdit* m_editDialog = nullptr;
    bool m_stripsInside = false;
    bool m_firstPainted = false; // its buffer prepared, the strips on their way
    QKeySequence m_restartKey;
    qreal m_ratio = 1.0;
    bool m_windowsOffered = false; // a window list was given: clicks pick windows
    std::unique_ptr<CPointerTracker> m_pointer;
    QHash<int, QPointF> m_buttonDownScenePos;
    QHash<int, QPoint> m_buttonDownScreenPos;
    // Repaints follow the pointer at most once a frame: a fast pointer
    // sends a move every few milliseconds, and painting and sending every
    // one of them to the X server costs more than a screen can show.
    QElapsedTimer m_lastFrame;
    QTimer* m_frameTimer = nullptr;
    quint64 m_lastMoveAt = 0; // the last pointer move's time stamp, ms
    qint64 m_moveGap = 0;     // and how long after the one before it it came
    bool m_onWayland = false;
    QLabel* m_notice = nullptr;
    QTimer* m_noticeTimer = nullptr;
    bool m_readingText = false;
    QPointF m_lastScenePos;
    QPoint m_lastScreenPos;
};
