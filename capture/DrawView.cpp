#include "capture/DrawView.h"

#include "annotate/SnapshotEdit.h"
#include "annotate/SnapshotProp.h"
#include "annotate/StripGeometry.h"
#include "capture/EditPlacement.h"
#include "capture/FinishNotice.h"
#include "capture/PointerLayer.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "ocr/TextRecognizer.h"
#include "output/PictureFiles.h"
#include "platform/PointerTracker.h"
#include "platform/ServerVeil.h"
#include "platform/WindowList.h"

#include <QBackingStore>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QGraphicsSceneMouseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUndoStack>
#include <QWindow>

#include <cmath>

#include <sys/mman.h>

namespace {

QPointer<CDrawView> s_onScreen;

// Moves that come at least this close to a frame apart (ms) are each painted
// at once: their jitter would otherwise hold every other one for a timer.
constexpr qint64 kFrameSlackMs = 2;

// A region scaled by `factor`, each rectangle widened to whole pixels:
// between the view's logical pixels and its device pixels.
QRegion scaledOutward(const QRegion& region, qreal factor)
{
    QRegion scaled;
    for (const QRect& r : region)
        scaled += QRectF(QPointF(r.topLeft()) * factor, QSizeF(r.size()) * factor).toAlignedRect();
    return scaled;
}

} // namespace

CDrawView::CDrawView(const QPixmap& desktop, QWidget* parent) : QGraphicsView(parent)
{
    auto* scene = new CSGraphicsScene(desktop, this);

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

    // One scene unit is one desktop pixel, shown on one device pixel: on a
    // scaled display the view's logical pixels are larger, so the view
    // shrinks the scene by the same ratio.
    if (QScreen* s = QGuiApplication::primaryScreen())
        m_ratio = s->devicePixelRatio();
    setTransform(QTransform::fromScale(1 / m_ratio, 1 / m_ratio));
    scene->backgroundItem()->setInterfaceScale(m_ratio);
    m_pointer = std::make_unique<CPointerTracker>();
    // Watches the presses of the whole program: the window pressed in last
    // (the view or a strip) is the one that the keys are for.
    QCoreApplication::instance()->installEventFilter(this);

    setGeometry(0, 0, int(std::ceil(desktop.width() / m_ratio)), int(std::ceil(desktop.height() / m_ratio)));

    m_onWayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    m_stripsInside = stripsInsideView();
    m_frameTimer = new QTimer(this);
    m_frameTimer->setSingleShot(true);
    m_frameTimer->setTimerType(Qt::PreciseTimer);
    // The held repaint is made as the timer fires, not posted: one wake-up
    // of the event loop less per frame.
    connect(m_frameTimer, &QTimer::timeout, this, [this] {
        QEvent request(QEvent::UpdateRequest);
        QCoreApplication::sendEvent(this, &request);
    });

    // The scene speaks to the view; the view speaks upward.
    connect(scene, &CSGraphicsScene::finishRequested, this, &CDrawView::finishSnapshot);
    connect(scene, &CSGraphicsScene::abandonRequested, this, &CDrawView::abandonSnapshot);
    connect(scene, &CSGraphicsScene::copyRequested, this, &CDrawView::copySnapshot);
    connect(scene, &CSGraphicsScene::saveRequested, this, &CDrawView::savePicture);
    connect(scene, &CSGraphicsScene::pinRequested, this, &CDrawView::pinSnapshot);
    connect(scene, &CSGraphicsScene::copyTextRequested, this, &CDrawView::copyText);
    connect(scene, &CSGraphicsScene::copyColourRequested, this, &CDrawView::copyColour);
    connect(scene, &CSGraphicsScene::picked, this, &CDrawView::placeEditDialog);
}

// Building the strips (their fonts, colour lists and icons) takes longer
// than building the rest of the view, and they are not needed before a
// pick: they are built after the view's first paint, or earlier by
// anything that needs them.
void CDrawView::buildToolStrips()
{
    if (m_editDialog)
        return;
    CSGraphicsScene* scene = snapshotScene();
    // The strips share the tool and the look with the scene, and speak to
    // the view.
    m_editDialog = new CSnapshotEdit(this, {}, scene->toolState());
    if (m_stripsInside)
        m_editDialog->embedIn(this);
    else
        m_editDialog->setWindowFlags(floatingWindowFlags());
    connect(m_editDialog, &CSnapshotEdit::finishRequested, this, &CDrawView::finishSnapshot);
    connect(m_editDialog, &CSnapshotEdit::saveRequested, this, &CDrawView::savePicture);
    connect(m_editDialog, &CSnapshotEdit::cancelRequested, this, &CDrawView::cancelSnapshot);
    connect(m_editDialog, &CSnapshotEdit::escapeRequested, this, [this] {
        CSGraphicsScene* s = snapshotScene();
        if (!s || !s->holdEscapeOverMarks())
            cancelSnapshot();
    });
    connect(m_editDialog, &CSnapshotEdit::pinRequested, this, &CDrawView::pinSnapshot);
    connect(m_editDialog, &CSnapshotEdit::copyTextRequested, this, &CDrawView::copyText);
    connect(m_editDialog->propDialog(), &CSnapshotProp::hideTextRequested, this, &CDrawView::hideText);
    const QString missing = CTextRecognizer::whatIsMissing(AppConfig.SnapshotTextLanguage);
    m_editDialog->setTextRecognition(missing.isEmpty(), missing);
    // A mark chosen with Select shows the controls of its kind: a change
    // there applies to it.
    connect(scene, &CSGraphicsScene::markSelected, m_editDialog, &CSnapshotEdit::showPropertiesFor);
}

CSnapshotEdit* CDrawView::editDialog()
{
    buildToolStrips();
    return m_editDialog;
}

CDrawView::~CDrawView() = default;

void CDrawView::setWindowList(const CWindowList& windows)
{
    m_windowsOffered = true;
    if (CSGraphicsScene* s = snapshotScene())
        s->setWindowFinder(
            [windows](const QPoint& p, quint32 ignored) { return windows.windowRectAt(p, ignored); });
    offerPointerWindow();
}

void CDrawView::offerPointerWindow()
{
    if (CSGraphicsScene* s = snapshotScene(); s && isVisible())
        s->pointerRestsAt(mapToScene(viewport()->mapFromGlobal(QCursor::pos())));
}

CDrawView* CDrawView::onScreen()
{
    return s_onScreen;
}

CSGraphicsScene* CDrawView::snapshotScene() const
{
    return qobject_cast<CSGraphicsScene*>(scene());
}

QString CDrawView::firstRunHintText(bool windowsOffered)
{
    // Where no window list exists (Wayland) only an area can be dragged.
    return windowsOffered ? tr("Click a window or drag an area \u2014 Enter: done \u2014 Esc: cancel \u2014 "
                               "Ctrl+Z: undo")
                          : tr("Drag an area \u2014 Enter: done \u2014 Esc: cancel \u2014 Ctrl+Z: undo");
}

void CDrawView::showFirstRunHint()
{
    CSGraphicsScene* s = snapshotScene();
    if (!s)
        return;
    // On the primary monitor, in scene (device) pixels.
    QRect area;
    if (QScreen* monitor = QGuiApplication::primaryScreen()) {
        const QRect g = monitor->geometry().translated(-mapToGlobal(QPoint(0, 0)));
        area = QRect(QPoint(int(g.x() * m_ratio), int(g.y() * m_ratio)),
                     QSize(int(g.width() * m_ratio), int(g.height() * m_ratio)));
    }
    s->backgroundItem()->setHint(firstRunHintText(m_windowsOffered), area);
}

void CDrawView::veilAhead()
{
    CSGraphicsScene* s = snapshotScene();
    if (!s || QGuiApplication::platformName() != QLatin1String("xcb") || !isVisible() ||
        !ServerVeil::windowsKeepPixelsBelow())
        return;
    // The colour exactly as the painter blends it: laid over nothing, the
    // veil leaves its premultiplied self.
    static const QRgb colour = [] {
        QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
        probe.fill(Qt::transparent);
        QPainter(&probe).fillRect(probe.rect(), CSGraphicsPixmapItem::veilColor());
        return probe.pixel(0, 0);
    }();
    ServerVeil::blendOver(quint32(winId()), s->backgroundItem()->pixmap().size(), colour);
}

void CDrawView::raiseToolDialogs()
{
    if (!m_editDialog)
        return; // nothing shown yet
    m_editDialog->raise();
    m_editDialog->propDialog()->raise();
}

void CDrawView::placeEditDialog(const QRectF& selection)
{
    // The strips are ordinary widgets in logical pixels.
    const QRectF logical(selection.topLeft() / m_ratio, selection.size() / m_ratio);
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    const QRectF global = logical.translated(origin);
    QScreen* monitor = QGuiApplication::screenAt(global.center().toPoint());
    if (!monitor)
        monitor = screen();
    QRect area = monitor ? monitor->geometry() : geometry();
    const QSize size = editDialog()->size();
    QPoint at;
    if (m_stripsInside) {
        // The same rules in the view's own coordinates, on the part of the
        // monitor the view covers.
        area = area.translated(-origin).intersected(rect());
        if (area.isEmpty())
            area = rect();
        at = editDialogPosition(logical, size, area);
    } else {
        at = editDialogPosition(global, size, area);
    }
    m_editDialog->setPlacementArea(area);
    m_editDialog->setGeometry(QRect(at, size));
    m_editDialog->showNormal();
    raiseToolDialogs();
}

void CDrawView::abandonSnapshot()
{
    endSnapshot();
    emit abandoned();
}

void CDrawView::endSnapshot()
{
    if (m_editDialog)
        m_editDialog->closeSnapshot();
    close(); // hidden now, so that a next grab sees the desktop again
    // The view stays until the next snapshot; its pictures need not.
    if (CSGraphicsScene* s = snapshotScene())
        s->backgroundItem()->releasePictures();
    // Its window and the desktop-sized buffer behind it go as well; a view
    // is never shown again.
    destroy();
}

bool CDrawView::event(QEvent* event)
{
    // Not on Wayland, where the compositor's frame callbacks pace the
    // repaints already.
    if (event->type() == QEvent::UpdateRequest)
        m_layerPosted = false;
    if (event->type() == QEvent::UpdateRequest && !m_onWayland) {
        // Moves faster than the screen's frames share one: the repaint
        // waits for the rest of the frame, and the one request pending
        // meanwhile covers every change made until then. Slower moves are
        // each painted as they come.
        const qreal rate = screen() ? screen()->refreshRate() : 60;
        const qint64 frameMs = qint64(1000 / qBound<qreal>(30, rate, 240));
        const qint64 since = m_lastFrame.isValid() ? m_lastFrame.elapsed() : frameMs;
        if (since < frameMs && m_moveGap < frameMs - kFrameSlackMs) {
            if (!m_frameTimer->isActive())
                m_frameTimer->start(int(frameMs - since));
            return true;
        }
        m_frameTimer->stop();
        m_lastFrame.restart();
    }
    const bool handled = QGraphicsView::event(event);
    if (event->type() == QEvent::UpdateRequest && m_layerDirty)
        refreshPointerLayer();
    return handled;
}

void CDrawView::startPointerLayer()
{
    // Where the view paints into memory of its own that the screen is
    // copied from (X11, and offscreen); on Wayland the item paints the layer.
    CSGraphicsScene* s = snapshotScene();
    const QString platform = QGuiApplication::platformName();
    if (m_pointerLayer || !s || (platform != QLatin1String("xcb") && platform != QLatin1String("offscreen")))
        return;
    m_pointerLayer = std::make_unique<CPointerLayer>(s->backgroundItem());
    s->backgroundItem()->setPointerLayerOutside([this] { pointerLayerChanged(); });
}

void CDrawView::pointerLayerChanged()
{
    m_layerDirty = true;
    // Paced with the view's repaints: the frame gate holds the request.
    if (!m_layerPosted && !m_frameTimer->isActive()) {
        m_layerPosted = true;
        QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
    }
}

QImage CDrawView::paintedFrame()
{
    // The backing store's pixels, one per device pixel whatever the scale.
    QPaintDevice* device = backingStore() ? backingStore()->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image)
        return QImage();
    auto* image = static_cast<QImage*>(device);
    return QImage(image->bits(), image->width(), image->height(), image->bytesPerLine(), image->format());
}

void CDrawView::refreshPointerLayer()
{
    // Laid on the view's pixels: not before the view has painted them once.
    if (!m_pointerLayer || !m_firstPainted || !isVisible())
        return;
    QImage frame = paintedFrame();
    if (frame.isNull())
        return;
    m_layerDirty = false;
    ++m_layerFrames;
    const QRegion changed = m_pointerLayer->update(frame);
    for (const QRect& r : changed)
        m_layerPixels += qint64(r.width()) * r.height();
    const QRegion logical = scaledOutward(changed, 1 / m_ratio);
    if (!logical.isEmpty() && windowHandle())
        backingStore()->flush(logical, windowHandle());
}

void CDrawView::ReselectSnapshotArea()
{
    // As at the start of the snapshot: the strips go until the next pick,
    // and the window under the pointer is offered, with the magnifier.
    if (m_editDialog) {
        m_editDialog->setDrawMode(DrawMode::None);
        m_editDialog->hide();
    }
    if (CSGraphicsScene* s = snapshotScene())
        s->pickAgain(mapToScene(viewport()->mapFromGlobal(QCursor::pos())));
}

bool CDrawView::eventFilter(QObject* watched, QEvent* event)
{
    // A press that reaches the scene is the view's, however it came: the
    // keys are the view's again, also after a click into a strip inside it.
    if (event->type() == QEvent::GraphicsSceneMousePress && watched == scene()) {
        m_keysTo = nullptr;
        if (m_stripsInside && isVisible() && !hasFocus())
            setFocus(Qt::MouseFocusReason);
    }
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
        QWidget* window = static_cast<QWidget*>(watched)->window();
        if (window == this)
            m_keysTo = nullptr;
        else if (m_editDialog && (window == m_editDialog || window == m_editDialog->propDialog()))
            m_keysTo = window;
    }
    return QGraphicsView::eventFilter(watched, event);
}

bool CDrawView::keyToStrip(QKeyEvent* event)
{
    if (!m_keysTo || !m_keysTo->isVisible())
        return false;
    QWidget* target = m_keysTo->focusWidget() ? m_keysTo->focusWidget() : m_keysTo.data();
    QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->nativeScanCode(),
                   event->nativeVirtualKey(), event->nativeModifiers(), event->text(), event->isAutoRepeat(),
                   event->count());
    QCoreApplication::sendEvent(target, &copy);
    const int key = event->key();
    const bool stripsOwn = key == Qt::Key_Escape; // the strips take Enter in a text field themselves
    if (!stripsOwn && !copy.isAccepted())
        return false;
    event->accept();
    return true;
}

void CDrawView::keyReleaseEvent(QKeyEvent* event)
{
    if (!keyToStrip(event))
        QGraphicsView::keyReleaseEvent(event);
}

void CDrawView::keyPressEvent(QKeyEvent* event)
{
    // The start-snapshot hot key, where the global shortcut has not taken
    // it: start over, as the hot key would.
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!m_restartKey.isEmpty() && !event->isAutoRepeat() &&
        QKeyCombination(modifiers, Qt::Key(event->key())) == m_restartKey[0]) {
        endSnapshot();
        emit restartRequested();
        return;
    }
    if (keyToStrip(event))
        return;
    QGraphicsView::keyPressEvent(event);
}

namespace {

// The controls of a strip that Tab stops at, in their focus order.
QList<QWidget*> tabStops(QWidget* strip)
{
    QList<QWidget*> stops;
    if (!strip->isVisible())
        return stops;
    for (QWidget* w = strip->nextInFocusChain(); w && w != strip; w = w->nextInFocusChain())
        if (strip->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() &&
            w->isVisible() && w->isEnabled())
            stops << w;
    return stops;
}

} // namespace

bool CDrawView::focusNextPrevChild(bool next)
{
    // Tab on the picture goes into the tool strip, at the current tool's
    // button; from there Tab and Shift+Tab go round the controls of both
    // strips, the tool strip's first, and Space presses a button. A text
    // being typed keeps its Tab.
    CSGraphicsScene* s = snapshotScene();
    if (!m_editDialog || !m_editDialog->isVisible() || (s && s->isTypingText()))
        return QGraphicsView::focusNextPrevChild(next);
    QWidget* focus = m_stripsInside                      ? focusWidget()
                     : m_keysTo && m_keysTo->isVisible() ? m_keysTo->focusWidget()
                                                         : nullptr;
    const QList<QWidget*> stops = tabStops(m_editDialog) + tabStops(m_editDialog->propDialog());
    const qsizetype at = stops.indexOf(focus);
    QWidget* to = at >= 0 ? stops.at((at + (next ? 1 : stops.size() - 1)) % stops.size())
                  : s     ? m_editDialog->buttonFor(s->drawMode())
                          : nullptr;
    if (!to)
        return true;
    // The keys follow: the view hands them to the window the focus is in.
    if (!m_stripsInside)
        m_keysTo = to->window();
    to->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
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
    // Exactly the desktop: a larger scene would let the view scroll (a text
    // item being typed near an edge asks for that) and shift the desktop.
    if (CSGraphicsScene* s = snapshotScene())
        s->setSceneRect(s->backgroundItem()->boundingRect());
}

QPointF CDrawView::scenePosition(const QMouseEvent* event) const
{
    if (m_ratio != 1.0 && m_pointer) {
        // The view lies at the desktop's origin: its scene is root pixels.
        const QPointF origin = QPointF(viewport()->mapToGlobal(QPoint(0, 0))) * m_ratio;
        if (const auto root = m_pointer->devicePosition(event->timestamp(), event->globalPosition(), m_ratio))
            return QPointF(*root) - origin;
    }
    return viewportTransform().inverted().map(event->position());
}

void CDrawView::sendToScene(QEvent::Type type, QMouseEvent* event)
{
    QGraphicsScene* s = scene();
    if (!s)
        return;
    const QPointF scenePos = scenePosition(event);
    const QPoint screenPos = event->globalPosition().toPoint();
    if (type == QEvent::GraphicsSceneMousePress || type == QEvent::GraphicsSceneMouseDoubleClick) {
        m_buttonDownScenePos[event->button()] = scenePos;
        m_buttonDownScreenPos[event->button()] = screenPos;
    }
    QGraphicsSceneMouseEvent sceneEvent(type);
    sceneEvent.setWidget(viewport());
    for (auto it = m_buttonDownScenePos.cbegin(); it != m_buttonDownScenePos.cend(); ++it) {
        sceneEvent.setButtonDownScenePos(Qt::MouseButton(it.key()), it.value());
        sceneEvent.setButtonDownScreenPos(Qt::MouseButton(it.key()), m_buttonDownScreenPos.value(it.key()));
    }
    sceneEvent.setScenePos(scenePos);
    sceneEvent.setScreenPos(screenPos);
    sceneEvent.setLastScenePos(m_lastScenePos);
    sceneEvent.setLastScreenPos(m_lastScreenPos);
    sceneEvent.setButtons(event->buttons());
    sceneEvent.setButton(event->button());
    sceneEvent.setModifiers(event->modifiers());
    sceneEvent.setSource(event->source());
    sceneEvent.setFlags(event->flags());
    sceneEvent.setTimestamp(event->timestamp());
    sceneEvent.setAccepted(false);
    m_lastScenePos = scenePos;
    m_lastScreenPos = screenPos;
    QCoreApplication::sendEvent(s, &sceneEvent);
    event->setAccepted(sceneEvent.isAccepted());
}

void CDrawView::mousePressEvent(QMouseEvent* event)
{
    sendToScene(QEvent::GraphicsSceneMousePress, event);
}

void CDrawView::mouseMoveEvent(QMouseEvent* event)
{
    // By the window system's clock, which the event loop's delays do not skew.
    const quint64 at = event->timestamp();
    m_moveGap = m_lastMoveAt != 0 && at >= m_lastMoveAt ? qint64(at - m_lastMoveAt) : 0;
    m_lastMoveAt = at;
    sendToScene(QEvent::GraphicsSceneMouseMove, event);
}

void CDrawView::mouseReleaseEvent(QMouseEvent* event)
{
    sendToScene(QEvent::GraphicsSceneMouseRelease, event);
    if (isVisible())
        raiseToolDialogs();
}

void CDrawView::mouseDoubleClickEvent(QMouseEvent* event)
{
    sendToScene(QEvent::GraphicsSceneMouseDoubleClick, event);
}

void CDrawView::closeEvent(QCloseEvent*)
{
    // Accepted: the view hides; the main window deletes it at the next snapshot.
}

void CDrawView::contextMenuEvent(QContextMenuEvent* event)
{
    // Not exec(): a menu running its own event loop on this view's stack
    // would outlive the view if anything ended the snapshot meanwhile.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    CSGraphicsScene* s = snapshotScene();
    QAction* undo = menu->addAction(tr("Undo"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    undo->setEnabled(s && s->undoStack()->canUndo());
    QAction* redo = menu->addAction(tr("Redo"));
    redo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    redo->setEnabled(s && s->undoStack()->canRedo());
    menu->addSeparator();
    QAction* pin = menu->addAction(tr("Pin"));
    pin->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    pin->setEnabled(s && s->isPicked());
    connect(pin, &QAction::triggered, this, &CDrawView::pinSnapshot);
    QAction* text = menu->addAction(tr("Copy text"));
    text->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    text->setEnabled(s && s->isPicked() &&
                     CTextRecognizer::whatIsMissing(AppConfig.SnapshotTextLanguage).isEmpty());
    connect(text, &QAction::triggered, this, &CDrawView::copyText);
    menu->addSeparator();
    QAction* reselect = menu->addAction(tr("Reselect snapshot area"));
    connect(reselect, &QAction::triggered, this, &CDrawView::ReselectSnapshotArea);
    if (s) {
        connect(undo, &QAction::triggered, s, &CSGraphicsScene::undo);
        connect(redo, &QAction::triggered, s, &CSGraphicsScene::redo);
    }
    menu->popup(event->globalPos());
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

bool CDrawView::viewportEvent(QEvent* event)
{
    // The first paint of a new window fills a desktop-sized buffer that was
    // never touched (on X11, shared memory made for the window): map all of
    // its pages in one call first, which costs a fraction of faulting them
    // in one by one as the paint reaches them. Wayland's buffers are the
    // compositor's affair.
    const bool firstPaint = event->type() == QEvent::Paint && !m_firstPainted;
    if (firstPaint)
        m_firstPainted = true;
    if (firstPaint && !m_onWayland) {
        QPaintDevice* device = backingStore() ? backingStore()->paintDevice() : nullptr;
        if (device && device->devType() == QInternal::Image) {
            auto* image = static_cast<QImage*>(device);
            madvise(image->bits(), size_t(image->sizeInBytes()), MADV_POPULATE_WRITE);
        }
    }
    // Painted without the layer: it is taken off every pixel the paint may
    // touch, and goes back over them once painted, before the view's pixels
    // reach the screen.
    const bool layered = event->type() == QEvent::Paint && m_pointerLayer;
    const QRegion painted =
        layered ? scaledOutward(static_cast<QPaintEvent*>(event)->region(), m_ratio) : QRegion();
    QImage frame = layered ? paintedFrame() : QImage();
    if (!frame.isNull())
        m_pointerLayer->uncover(frame, painted);
    const bool handled = QGraphicsView::viewportEvent(event);
    if (layered) {
        if (!frame.isNull())
            m_pointerLayer->repainted(frame, painted);
        // A change that came before the first paint is shown now.
        if (m_layerDirty)
            pointerLayerChanged();
    }
    // The strips are built once the first picture is on its way to the
    // screen: when the event loop next runs, after this paint's transfer.
    if (firstPaint) {
        QTimer::singleShot(0, this, [this] {
            if (isVisible())
                buildToolStrips();
        });
    }
    return handled;
}

void CDrawView::showEvent(QShowEvent* event)
{
    QGraphicsView::showEvent(event);
    s_onScreen = this;
    startPointerLayer();
    // No window manager gives an override-redirect window the keyboard.
    takeKeyboard();
}

void CDrawView::hideEvent(QHideEvent* event)
{
    QGraphicsView::hideEvent(event);
    if (s_onScreen == this)
        s_onScreen = nullptr;
    if (m_pointerLayer) {
        m_pointerLayer.reset();
        if (CSGraphicsScene* s = snapshotScene())
            s->backgroundItem()->setPointerLayerOutside({});
    }
    if (QGuiApplication::platformName() == QLatin1String("xcb") && windowHandle())
        windowHandle()->setKeyboardGrabEnabled(false);
}
