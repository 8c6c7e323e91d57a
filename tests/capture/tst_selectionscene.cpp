#include "QuietPlatform.h"
#include "annotate/SnapshotEdit.h"
#include "annotate/SnapshotProp.h"
#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "annotate/StripGeometry.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsSceneWheelEvent>
#include <QScrollBar>
#include <QtTest>

namespace {

// Two windows, one in front of the other, as the window list would answer.
QRect fakeWindowAt(const QPoint& p, quint32)
{
    const QRect front(100, 80, 200, 150);
    const QRect back(50, 50, 600, 400);
    if (front.contains(p))
        return front;
    if (back.contains(p))
        return back;
    return QRect();
}

void sendMouse(QGraphicsScene* scene, QEvent::Type type, const QPointF& pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QGraphicsSceneMouseEvent event(type);
    event.setScenePos(pos);
    event.setScreenPos(pos.toPoint());
    event.setButton(button);
    event.setButtons(buttons);
    if (button != Qt::NoButton) {
        event.setButtonDownScenePos(button, pos);
        event.setButtonDownScreenPos(button, pos.toPoint());
    }
    event.setAccepted(false);
    QApplication::sendEvent(scene, &event);
}

void press(QGraphicsScene* s, const QPointF& p, Qt::MouseButton b = Qt::LeftButton)
{
    sendMouse(s, QEvent::GraphicsSceneMousePress, p, b, b);
}
void move(QGraphicsScene* s, const QPointF& p, Qt::MouseButtons held = Qt::NoButton)
{
    sendMouse(s, QEvent::GraphicsSceneMouseMove, p, Qt::NoButton, held);
}
void release(QGraphicsScene* s, const QPointF& p, Qt::MouseButton b = Qt::LeftButton)
{
    sendMouse(s, QEvent::GraphicsSceneMouseRelease, p, b, Qt::NoButton);
}
void doubleClick(QGraphicsScene* s, const QPointF& p, Qt::MouseButton b = Qt::LeftButton)
{
    sendMouse(s, QEvent::GraphicsSceneMouseDoubleClick, p, b, b);
}

void sendKey(QGraphicsScene* s, QEvent::Type type, int key)
{
    QKeyEvent event(type, key, Qt::NoModifier);
    QApplication::sendEvent(s, &event);
}

void pressAndRelease(QGraphicsScene* s, int key)
{
    sendKey(s, QEvent::KeyPress, key);
    sendKey(s, QEvent::KeyRelease, key);
}

} // namespace

class TestSelectionScene : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void detectingFollowsThePointer();
    void anyPressEndsDetecting_data();
    void anyPressEndsDetecting();
    void drag_data();
    void drag();
    void laterDragReplacesSelection();
    void doubleClickFinishes_data();
    void doubleClickFinishes();
    void escapeWithoutItemEndsSnapshot();
    void escapeReleasedAfterAPopupIsIgnored();
    void escapeDropsTheItemInProgress_data();
    void escapeDropsTheItemInProgress();
    void wheelDoesNothing();
    void focusSwitchesCrosshair();
    void reselectClearsEverything();

private:
    QPixmap m_desktop;
    CDrawView* m_view = nullptr;
    CSGraphicsScene* m_scene = nullptr;
    CSGraphicsPixmapItem* m_background = nullptr;
};

void TestSelectionScene::initTestCase()
{
    quietOffscreenWarnings();
    initVireoscapeResources();
    setApplicationIdentity();
    m_desktop = QPixmap::fromImage(TestSupport::makeTestPattern(QSize(800, 600), 5));
}

void TestSelectionScene::init()
{
    AppConfig = CAppConfig::defaults();
    AppConfig.CopyToClipboardAfterFinish = true;
    AppConfig.SaveToFileAfterFinish = false;
    m_view = new CDrawView(m_desktop, nullptr);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view));
    m_scene = m_view->snapshotScene();
    m_scene->setWindowFinder(fakeWindowAt);
    m_background = m_scene->backgroundItem();
}

void TestSelectionScene::cleanup()
{
    delete m_view;
    m_view = nullptr;
}

void TestSelectionScene::detectingFollowsThePointer()
{
    QVERIFY(m_scene->isDetectingWindows());
    move(m_scene, QPointF(120, 90));
    QCOMPARE(m_background->selectionRect(), QRectF(100, 80, 200, 150));
    move(m_scene, QPointF(600, 420));
    QCOMPARE(m_background->selectionRect(), QRectF(50, 50, 600, 400));
    // Over no window the highlight stays.
    move(m_scene, QPointF(790, 590));
    QCOMPARE(m_background->selectionRect(), QRectF(50, 50, 600, 400));
    QCOMPARE(m_background->cursorPos(), QPointF(790, 590));
    QVERIFY(!m_view->editDialog()->isVisible());
}

void TestSelectionScene::anyPressEndsDetecting_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("left click") << Qt::LeftButton;
    QTest::newRow("right click") << Qt::RightButton;
    QTest::newRow("middle click") << Qt::MiddleButton;
}

void TestSelectionScene::anyPressEndsDetecting()
{
    QFETCH(Qt::MouseButton, button);
    move(m_scene, QPointF(120, 90));
    press(m_scene, QPointF(120, 90), button);
    release(m_scene, QPointF(120, 90), button);
    QVERIFY(!m_scene->isDetectingWindows());
    move(m_scene, QPointF(600, 420));
    QCOMPARE(m_background->selectionRect(), QRectF(100, 80, 200, 150));
    // Only a left click picks (and shows the tool strip).
    QCOMPARE(m_view->editDialog()->isVisible(), button == Qt::LeftButton);
}

void TestSelectionScene::drag_data()
{
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QRectF>("selection");
    const QRectF window(100, 80, 200, 150);
    QTest::newRow("click keeps the highlighted window") << QPointF(120, 90) << QPointF(120, 90) << window;
    QTest::newRow("2 px across keeps the window") << QPointF(120, 90) << QPointF(122, 190) << window;
    QTest::newRow("2 px down keeps the window") << QPointF(120, 90) << QPointF(220, 92) << window;
    QTest::newRow("3 x 3 px makes a 3 x 3 selection")
        << QPointF(120, 90) << QPointF(123, 93) << QRectF(120, 90, 3, 3);
    QTest::newRow("drag up and left spans the same way")
        << QPointF(400, 300) << QPointF(250, 200) << QRectF(250, 200, 150, 100);
}

void TestSelectionScene::drag()
{
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(QRectF, selection);
    move(m_scene, from);
    press(m_scene, from);
    move(m_scene, (from + to) / 2, Qt::LeftButton);
    move(m_scene, to, Qt::LeftButton);
    release(m_scene, to);
    QCOMPARE(m_background->selectionRect(), selection);
    CSnapshotEdit* edit = m_view->editDialog();
    QVERIFY(edit->isVisible());
    const QRectF s = selection;
    const int x = s.x() + s.width() - edit->width() < 0 ? int(s.x()) : int(s.x() + s.width() - edit->width());
    QCOMPARE(edit->pos() - m_view->mapToGlobal(QPoint(0, 0)), QPoint(x, int(s.y() + s.height() + 5)));
}

void TestSelectionScene::laterDragReplacesSelection()
{
    press(m_scene, QPointF(10, 10));
    move(m_scene, QPointF(60, 60), Qt::LeftButton);
    release(m_scene, QPointF(60, 60));
    QCOMPARE(m_background->selectionRect(), QRectF(10, 10, 50, 50));
    // A new drag starts from its own press; the old selection does not move.
    press(m_scene, QPointF(300, 200));
    move(m_scene, QPointF(350, 260), Qt::LeftButton);
    QCOMPARE(m_background->selectionRect(), QRectF(300, 200, 50, 60));
    release(m_scene, QPointF(351, 261));
    QCOMPARE(m_background->selectionRect(), QRectF(300, 200, 51, 61));
}

void TestSelectionScene::doubleClickFinishes_data()
{
    QTest::addColumn<DrawMode>("mode");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("finishes");
    QTest::newRow("left, picking") << DrawMode::None << Qt::LeftButton << true;
    QTest::newRow("left, Select") << DrawMode::Select << Qt::LeftButton << true;
    QTest::newRow("left, Erase") << DrawMode::Erase << Qt::LeftButton << true;
    QTest::newRow("right, picking") << DrawMode::None << Qt::RightButton << false;
}

void TestSelectionScene::doubleClickFinishes()
{
    QFETCH(DrawMode, mode);
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, finishes);
    QGuiApplication::clipboard()->clear();
    press(m_scene, QPointF(100, 100));
    move(m_scene, QPointF(160, 140), Qt::LeftButton);
    release(m_scene, QPointF(160, 140));
    m_view->editDialog()->setDrawMode(mode);

    press(m_scene, QPointF(120, 120), button);
    release(m_scene, QPointF(120, 120), button);
    doubleClick(m_scene, QPointF(120, 120), button);
    release(m_scene, QPointF(120, 120), button);

    QCOMPARE(m_view->isVisible(), !finishes);
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.isNull(), !finishes);
    if (finishes) {
        QCOMPARE(copied.size(), QSize(60, 40));
        QCOMPARE(TestSupport::differingPixels(copied, m_desktop.toImage().copy(100, 100, 60, 40)), qint64(0));
        // The release after the double click does not bring the strip back.
        QVERIFY(!m_view->editDialog()->isVisible());
    }
}

void TestSelectionScene::escapeWithoutItemEndsSnapshot()
{
    delete m_view;
    Vireoscape mainWindow;
    m_view = new CDrawView(m_desktop, &mainWindow);
    QObject::connect(m_view, &CDrawView::finished, &mainWindow, &Vireoscape::snapshotFinished);
    QObject::connect(m_view, &CDrawView::abandoned, &mainWindow, &Vireoscape::snapshotAbandoned);
    m_view->setWindowFlags(floatingWindowFlags());
    m_scene = m_view->snapshotScene();
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view));
    press(m_scene, QPointF(100, 100));
    move(m_scene, QPointF(160, 140), Qt::LeftButton);
    release(m_scene, QPointF(160, 140));
    m_view->editDialog()->setDrawMode(DrawMode::Line);
    QVERIFY(m_view->editDialog()->propDialog()->isVisible());

    // Inside the event loop, where closing the last window would end it.
    QTimer::singleShot(0, this, [this] { pressAndRelease(m_scene, Qt::Key_Escape); });
    QTimer::singleShot(300, qApp, [] { QCoreApplication::exit(42); });
    QCOMPARE(QCoreApplication::exec(), 42);

    QVERIFY(mainWindow.isVisible());
    QVERIFY(!m_view->isVisible());
    QVERIFY(!m_view->editDialog()->isVisible());
    QVERIFY(!m_view->editDialog()->propDialog()->isVisible());
    m_view = nullptr; // deleted with the main window
}

// The press closed a drop-down list or a message box; its release alone
// reaches the scene.
void TestSelectionScene::escapeReleasedAfterAPopupIsIgnored()
{
    sendKey(m_scene, QEvent::KeyRelease, Qt::Key_Escape);
    QVERIFY(m_view->isVisible());
    sendKey(m_scene, QEvent::KeyPress, Qt::Key_A);
    sendKey(m_scene, QEvent::KeyRelease, Qt::Key_Escape);
    QVERIFY(m_view->isVisible());
    sendKey(m_scene, QEvent::KeyPress, Qt::Key_Escape);
    sendKey(m_scene, QEvent::KeyRelease, Qt::Key_Escape);
    QVERIFY(!m_view->isVisible());
}

void TestSelectionScene::escapeDropsTheItemInProgress_data()
{
    QTest::addColumn<DrawMode>("mode");
    QTest::newRow("a line just drawn") << DrawMode::Line;
    QTest::newRow("a polygon being clicked") << DrawMode::Polygon;
}

// The first Escape removes only the mark in progress; the second ends the snapshot.
void TestSelectionScene::escapeDropsTheItemInProgress()
{
    QFETCH(DrawMode, mode);
    press(m_scene, QPointF(100, 100));
    move(m_scene, QPointF(300, 250), Qt::LeftButton);
    release(m_scene, QPointF(300, 250));
    m_view->editDialog()->setDrawMode(mode);
    const QRectF earlier(120, 120, 20, 20);
    m_scene->addRect(earlier);

    press(m_scene, QPointF(150, 150));
    move(m_scene, QPointF(200, 180), Qt::LeftButton);
    release(m_scene, QPointF(200, 180));
    QVERIFY(m_scene->currentItem());
    QCOMPARE(m_scene->items().size(), 3);

    pressAndRelease(m_scene, Qt::Key_Escape);
    QVERIFY(!m_scene->currentItem());
    QVERIFY(m_scene->polygonPoints().isEmpty());
    QCOMPARE(m_scene->items().size(), 2);
    QVERIFY(m_view->isVisible());

    pressAndRelease(m_scene, Qt::Key_Escape);
    QVERIFY(!m_view->isVisible());
}

void TestSelectionScene::wheelDoesNothing()
{
    press(m_scene, QPointF(100, 100));
    move(m_scene, QPointF(160, 140), Qt::LeftButton);
    release(m_scene, QPointF(160, 140));
    const QRectF before = m_background->selectionRect();
    for (int delta : {120, -120, -360}) {
        QWheelEvent wheel(QPointF(200, 200), QPointF(200, 200), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_view->viewport(), &wheel);
        QWheelEvent sideways(QPointF(200, 200), QPointF(200, 200), QPoint(), QPoint(delta, 0), Qt::NoButton,
                             Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_view->viewport(), &sideways);
    }
    QCOMPARE(m_background->selectionRect(), before);
    QCOMPARE(m_view->horizontalScrollBar()->value(), 0);
    QCOMPARE(m_view->verticalScrollBar()->value(), 0);
    QCOMPARE(m_view->mapToScene(0, 0), QPointF(0, 0));
    QCOMPARE(m_view->mapToScene(799, 599), QPointF(799, 599));
}

void TestSelectionScene::focusSwitchesCrosshair()
{
    QFocusEvent in(QEvent::FocusIn);
    QApplication::sendEvent(m_scene, &in);
    QVERIFY(m_background->crosshairVisible());
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(m_scene, &out);
    QVERIFY(!m_background->crosshairVisible());
}

void TestSelectionScene::reselectClearsEverything()
{
    press(m_scene, QPointF(100, 100));
    move(m_scene, QPointF(160, 140), Qt::LeftButton);
    release(m_scene, QPointF(160, 140));
    m_view->editDialog()->setDrawMode(DrawMode::Rectangle);
    m_scene->addRect(QRectF(110, 110, 20, 20));
    m_scene->addLine(QLineF(100, 100, 150, 130));
    m_view->ReselectSnapshotArea();
    QCOMPARE(m_view->editDialog()->drawMode(), DrawMode::None);
    QCOMPARE(m_scene->items().size(), 1);
    QCOMPARE(m_background->selectionRect(), QRectF(0, 0, 0, 0));
    // Detection does not come back: the user drags the new area.
    move(m_scene, QPointF(120, 90));
    QCOMPARE(m_background->selectionRect(), QRectF(0, 0, 0, 0));
    press(m_scene, QPointF(20, 30));
    move(m_scene, QPointF(70, 90), Qt::LeftButton);
    release(m_scene, QPointF(70, 90));
    QCOMPARE(m_background->selectionRect(), QRectF(20, 30, 50, 60));
}

QTEST_MAIN(TestSelectionScene)
#include "tst_selectionscene.moc"
