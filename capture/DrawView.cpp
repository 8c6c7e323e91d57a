#include "capture/DrawView.h"

#include "annotate/SnapshotEdit.h"
#include "annotate/SnapshotProp.h"
#include "app/Vireoscape.h"
#include "capture/EditPlacement.h"
#include "capture/KeepRunning.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "options/KeyText.h"
#include "platform/WindowList.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QWindow>

CDrawView::CDrawView(const QPixmap& desktop, QWidget* parent) : QGraphicsView(parent)
{
    auto* scene = new CSGraphicsScene(desktop, this);
    m_editDialog = new CSnapshotEdit(this);
    m_editDialog->setWindowFlags(floatingWindowFlags());

    // Without an index the scene lists its items in the order they were added.
    scene->setItemIndexMethod(QGraphicsScene::NoIndex);
    setScene(scene);

    // The background is the desktop item itself: a cached copy of an empty
    // background would cost a desktop-sized pixmap and a pass over it.
    setCacheMode(QGraphicsView::CacheNone);
    // Only what changed is repainted: the crosshair and the highlight move
    // with every pointer move over a desktop of millions of pixels.
    setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
    setRenderHint(QPainter::Antialiasing, true);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    setWindowTitle(tr("Draw View"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    // Scene coordinates are desktop pixels: no frame may shift the viewport.
    setFrameShape(QFrame::NoFrame);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);

    setGeometry(0, 0, desktop.width(), desktop.height());
}

Qt::WindowFlags CDrawView::floatingWindowFlags()
{
    // Override-redirect: no window manager moves, resizes, decorates or
    // restacks these windows; the view takes the keyboard itself.
    return Qt::Dialog | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint;
}

void CDrawView::setWindowList(const CWindowList& windows)
{
    if (CSGraphicsScene* s = snapshotScene())
        s->setWindowFinder(
            [windows](const QPoint& p, quint32 ignored) { return windows.windowRectAt(p, ignored); });
}

CSGraphicsScene* CDrawView::snapshotScene() const
{
    return qobject_cast<CSGraphicsScene*>(scene());
}

void CDrawView::raiseToolDialogs()
{
    m_editDialog->raise();
    m_editDialog->propDialog()->raise();
}

void CDrawView::placeEditDialog(const QRectF& selection)
{
    const QSize size = m_editDialog->size();
    const QPoint at = editDialogPosition(selection, size, geometry().top() + height());
    m_editDialog->setGeometry(QRect(at, size));
    m_editDialog->showNormal();
    raiseToolDialogs();
}

void CDrawView::savePicture()
{
    if (CSGraphicsScene* s = snapshotScene())
        s->savePicture();
}

bool CDrawView::finishSnapshot()
{
    CSGraphicsScene* s = snapshotScene();
    return s && s->finishSnapshot();
}

void CDrawView::abandonSnapshot()
{
    CKeepRunning keep;
    if (m_mainWindow)
        m_mainWindow->showNormal();
    m_editDialog->close();
    close();
}

void CDrawView::ReselectSnapshotArea()
{
    m_editDialog->setDrawMode(DrawMode::None);
    if (CSGraphicsScene* s = snapshotScene())
        s->clearAll();
}

void CDrawView::keyPressEvent(QKeyEvent* event)
{
    // The view's keyboard grab keeps the start-snapshot hot key from the
    // global shortcut: take it here and start over, as the hot key would.
    const CShortcut start(AppConfig.ShortcutStartSnapshot);
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (m_mainWindow && start.isValid() && !event->isAutoRepeat() && event->key() == start.key() &&
        modifiers == start.keyboardModifiers()) {
        CKeepRunning keep;
        m_editDialog->close();
        close(); // hidden now, so that the next grab sees the desktop again
        m_mainWindow->startSnapshot();
        return;
    }
    QGraphicsView::keyPressEvent(event);
}

void CDrawView::focusInEvent(QFocusEvent* event)
{
    QGraphicsView::focusInEvent(event);
    raiseToolDialogs();
    // A closing popup gives the focus back and has released the keyboard.
    takeKeyboard();
}

void CDrawView::resizeEvent(QResizeEvent* event)
{
    QGraphicsView::resizeEvent(event);
    // Exactly the view's area: a larger scene would let the view scroll (a
    // text item being typed near an edge asks for that) and shift the desktop.
    if (scene())
        scene()->setSceneRect(QRectF(0, 0, width(), height()));
}

void CDrawView::closeEvent(QCloseEvent*)
{
    // Accepted: the view hides; the main window deletes it at the next snapshot.
}

void CDrawView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu;
    QAction* reselect = menu.addAction(tr("Reselect snapshot area"));
    connect(reselect, &QAction::triggered, this, &CDrawView::ReselectSnapshotArea);
    menu.exec(event->globalPos());
}

void CDrawView::takeKeyboard()
{
    // An X grab of our own window only: a Qt-level grab would also steal the
    // keys of the drop-down lists and menus that open over the view.
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !isVisible())
        return;
    if (QWindow* window = windowHandle())
        window->setKeyboardGrabEnabled(true);
}

void CDrawView::showEvent(QShowEvent* event)
{
    QGraphicsView::showEvent(event);
    // No window manager gives an override-redirect window the keyboard.
    takeKeyboard();
}

void CDrawView::hideEvent(QHideEvent* event)
{
    QGraphicsView::hideEvent(event);
    if (QGuiApplication::platformName() == QLatin1String("xcb") && windowHandle())
        windowHandle()->setKeyboardGrabEnabled(false);
}
