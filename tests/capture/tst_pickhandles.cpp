// The adjustable pick (its eight handles and the arrow keys), the handles of
// a chosen mark, how near a click must come to a thin stroke, and the
// magnifier; all through the scene's own input, as the capture view hands
// it on.
#include "QuietPlatform.h"
#include "SceneEvents.h"
#include "annotate/DrawObjectItem.h"
#include "annotate/MarkState.h"
#include "annotate/SnapshotEdit.h"
#include "app/Startup.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "support/TestSupport.h"

#include <QtTest>

using namespace SceneEvents;

class TestPickHandles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void handleHitTesting();
    void dragHandle_data();
    void dragHandle();
    void arrowKeys_data();
    void arrowKeys();
    void handlesAreNotInThePicture();
    void markHandles();
    void thinStrokeTolerance_data();
    void thinStrokeTolerance();
    void magnifierShowsThePixels();
    void magnifierAvoidsThePointer_data();
    void magnifierAvoidsThePointer();

private:
    QList<QGraphicsItem*> marks() const;
    QImage m_pattern;
    CDrawView* m_view = nullptr;
    CSGraphicsScene* m_scene = nullptr;
    CSGraphicsPixmapItem* m_background = nullptr;
};

void TestPickHandles::initTestCase()
{
    quietOffscreenWarnings();
    initVireoscapeResources();
    setApplicationIdentity();
    m_pattern = TestSupport::makeTestPattern(QSize(800, 600), 13);
}

void TestPickHandles::init()
{
    AppConfig = CAppConfig::defaults();
    AppConfig.SnapshotShadow = false;
    AppConfig.FrameCheck = true;
    AppConfig.FrameWidth = 1;
    AppConfig.FrameColor = QColor(Qt::red);
    AppConfig.FillCheck = false;
    AppConfig.Transparent = 100;
    m_view = new CDrawView(QPixmap::fromImage(m_pattern), nullptr);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view));
    m_scene = m_view->snapshotScene();
    m_background = m_scene->backgroundItem();
}

void TestPickHandles::cleanup()
{
    delete m_view;
    m_view = nullptr;
}

QList<QGraphicsItem*> TestPickHandles::marks() const
{
    QList<QGraphicsItem*> found;
    for (QGraphicsItem* item : m_scene->items())
        if (dynamic_cast<CDrawObjectItem*>(item))
            found << item;
    return found;
}

void TestPickHandles::handleHitTesting()
{
    // While the window under the pointer is offered there are no handles.
    move(m_scene, {150, 150});
    m_background->setSelectionRect(QRectF(100, 100, 200, 150));
    QCOMPARE(m_scene->pickHandleAt({100, 100}), -1);

    drag(m_scene, {100, 100}, {300, 250});
    QVERIFY(m_background->handlesShown());
    const QList<QPointF> centres = {{100, 100}, {200, 100}, {300, 100}, {300, 175},
                                    {300, 250}, {200, 250}, {100, 250}, {100, 175}};
    for (int i = 0; i < centres.size(); ++i) {
        QCOMPARE(m_scene->pickHandleAt(centres[i]), i);
        QCOMPARE(m_scene->pickHandleAt(centres[i] + QPointF(5, -5)), i); // a little off still hits
        QCOMPARE(m_scene->pickHandleAt(centres[i] + QPointF(9, 9)), -1);
    }
    QCOMPARE(m_scene->pickHandleAt({200, 175}), -1);
    // Once drawing starts the pick is fixed.
    m_view->editDialog()->setDrawMode(DrawMode::Rectangle);
    QCOMPARE(m_scene->pickHandleAt({300, 250}), -1);
    m_view->editDialog()->setDrawMode(DrawMode::Select);
    QCOMPARE(m_scene->pickHandleAt({300, 250}), 4);
}

void TestPickHandles::dragHandle_data()
{
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QRectF>("expected");
    QTest::newRow("bottom right") << QPointF(300, 250) << QPointF(341, 283) << QRectF(100, 100, 241, 183);
    QTest::newRow("top left") << QPointF(101, 99) << QPointF(90, 95) << QRectF(90, 95, 210, 155);
    QTest::newRow("top edge") << QPointF(200, 100) << QPointF(260, 60) << QRectF(100, 60, 200, 190);
    QTest::newRow("right edge") << QPointF(300, 175) << QPointF(420, 300) << QRectF(100, 100, 320, 150);
    QTest::newRow("left edge past the right one")
        << QPointF(100, 175) << QPointF(350, 175) << QRectF(300, 100, 50, 150);
    QTest::newRow("bottom edge onto the top one")
        << QPointF(200, 250) << QPointF(200, 100) << QRectF(100, 100, 200, 1);
}

void TestPickHandles::dragHandle()
{
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(QRectF, expected);
    drag(m_scene, {100, 100}, {300, 250});
    QSignalSpy picked(m_scene, &CSGraphicsScene::picked);
    drag(m_scene, from, to);
    QCOMPARE(m_background->selectionRect(), expected);
    QCOMPARE(picked.size(), 1); // the strips follow
    QCOMPARE(CSGraphicsPixmapItem::sizeLabelText(m_background->selectionRect()),
             QStringLiteral("(%1 * %2)").arg(expected.width()).arg(expected.height()));
    // The picture is exactly the adjusted area.
    const QImage picture = m_scene->renderSelection();
    QCOMPARE(TestSupport::differingPixels(picture, m_pattern.copy(expected.toRect())), 0);
}

void TestPickHandles::arrowKeys_data()
{
    QTest::addColumn<int>("keyCode");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<QRectF>("expected");
    QTest::newRow("left") << int(Qt::Key_Left) << false << QRectF(99, 100, 200, 150);
    QTest::newRow("right") << int(Qt::Key_Right) << false << QRectF(101, 100, 200, 150);
    QTest::newRow("up") << int(Qt::Key_Up) << false << QRectF(100, 99, 200, 150);
    QTest::newRow("down") << int(Qt::Key_Down) << false << QRectF(100, 101, 200, 150);
    QTest::newRow("shift right grows") << int(Qt::Key_Right) << true << QRectF(100, 100, 201, 150);
    QTest::newRow("shift left shrinks") << int(Qt::Key_Left) << true << QRectF(100, 100, 199, 150);
    QTest::newRow("shift down grows") << int(Qt::Key_Down) << true << QRectF(100, 100, 200, 151);
    QTest::newRow("shift up shrinks") << int(Qt::Key_Up) << true << QRectF(100, 100, 200, 149);
}

void TestPickHandles::arrowKeys()
{
    QFETCH(int, keyCode);
    QFETCH(bool, shift);
    QFETCH(QRectF, expected);
    drag(m_scene, {100, 100}, {300, 250});
    key(m_view, keyCode, shift ? Qt::ShiftModifier : Qt::NoModifier);
    QCOMPARE(m_background->selectionRect(), expected);
    QCOMPARE(TestSupport::differingPixels(m_scene->renderSelection(), m_pattern.copy(expected.toRect())), 0);
}

void TestPickHandles::handlesAreNotInThePicture()
{
    drag(m_scene, {100, 100}, {300, 250});
    m_view->editDialog()->setDrawMode(DrawMode::Rectangle);
    drag(m_scene, {120, 120}, {200, 200});
    m_view->editDialog()->setDrawMode(DrawMode::Select);
    const QImage plain = m_scene->renderSelection();
    click(m_scene, {120, 160});
    QVERIFY(m_scene->selectedMark());
    QVERIFY(m_background->handlesShown());
    QCOMPARE(TestSupport::differingPixels(m_scene->renderSelection(), plain), 0);
    // ... but on the screen, the corner handle covers pixels inside the pick.
    const QImage screen = m_view->viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(TestSupport::differingPixels(screen.copy(101, 101, 2, 2), m_pattern.copy(101, 101, 2, 2)), 4);
    QCOMPARE(TestSupport::differingPixels(screen.copy(150, 140, 20, 20), m_pattern.copy(150, 140, 20, 20)), 0);
}

void TestPickHandles::markHandles()
{
    drag(m_scene, {50, 50}, {700, 550});
    m_view->editDialog()->setDrawMode(DrawMode::Rectangle);
    drag(m_scene, {100, 100}, {200, 180});
    m_view->editDialog()->setDrawMode(DrawMode::Line);
    drag(m_scene, {300, 300}, {400, 350});
    m_view->editDialog()->setDrawMode(DrawMode::Select);
    QCOMPARE(m_scene->markHandleAt({200, 180}), -1); // nothing chosen yet

    click(m_scene, {150, 100});
    QGraphicsItem* box = m_scene->selectedMark();
    QVERIFY(box);
    QCOMPARE(::markHandles(box), (QVector<QPointF>{{100, 100}, {200, 100}, {200, 180}, {100, 180}}));
    QCOMPARE(m_scene->markHandleAt({203, 177}), 2);
    drag(m_scene, {200, 180}, {240, 230}); // bottom right corner: the top left stays
    QCOMPARE(markOutline(box), QRectF(100, 100, 140, 130));
    drag(m_scene, {100, 100}, {260, 250}); // top left past the other: it turns round
    QCOMPARE(markOutline(box), QRectF(240, 230, 20, 20));

    click(m_scene, {350, 325});
    QGraphicsItem* line = m_scene->selectedMark();
    QVERIFY(line && line != box);
    QCOMPARE(::markHandles(line), (QVector<QPointF>{{300, 300}, {400, 350}}));
    drag(m_scene, {400, 350}, {420, 500});
    QCOMPARE(::markHandles(line), (QVector<QPointF>{{300, 300}, {420, 500}}));
    // Moved, its handles go with it.
    drag(m_scene, {310, 310}, {320, 330});
    QCOMPARE(::markHandles(line), (QVector<QPointF>{{310, 320}, {430, 520}}));
    QCOMPARE(m_scene->markHandleAt({430, 520}), 1);
    // Each reshaping is one step back.
    m_scene->undo();
    m_scene->undo();
    QCOMPARE(::markHandles(line), (QVector<QPointF>{{300, 300}, {400, 350}}));
    // An empty spot chooses nothing.
    click(m_scene, {600, 100});
    QVERIFY(!m_scene->selectedMark());
}

void TestPickHandles::thinStrokeTolerance_data()
{
    QTest::addColumn<QPointF>("at");
    QTest::addColumn<bool>("hit");
    QTest::newRow("on the line") << QPointF(250, 300) << true;
    QTest::newRow("3 pixels below") << QPointF(250, 303) << true;
    QTest::newRow("4 pixels above") << QPointF(250, 296) << true;
    QTest::newRow("3 pixels past its end") << QPointF(403, 300) << true;
    QTest::newRow("8 pixels below") << QPointF(250, 308) << false;
    QTest::newRow("far off") << QPointF(250, 400) << false;
}

void TestPickHandles::thinStrokeTolerance()
{
    QFETCH(QPointF, at);
    QFETCH(bool, hit);
    drag(m_scene, {50, 50}, {700, 550});
    m_view->editDialog()->setDrawMode(DrawMode::Line);
    drag(m_scene, {100, 300}, {400, 300});
    m_view->editDialog()->setDrawMode(DrawMode::Select);
    click(m_scene, at);
    QCOMPARE(m_scene->selectedMark() != nullptr, hit);
    m_view->editDialog()->setDrawMode(DrawMode::Erase);
    click(m_scene, at);
    QCOMPARE(marks().isEmpty(), hit);
}

void TestPickHandles::magnifierShowsThePixels()
{
    const QPointF cursor(333.6, 222.2);
    move(m_scene, cursor);
    const QRect box = m_background->magnifierRect(cursor);
    const QImage screen = m_view->viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const int zoom = m_background->magnifierZoom();
    const int reach = CSGraphicsPixmapItem::kMagnifierReach;
    // Each desktop pixel is a square of zoom by zoom screen pixels; inside
    // the framed centre square, the pixel under the pointer (333, 222).
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const QPoint cell = box.topLeft() + QPoint(1, 1) + QPoint(reach + dx, reach + dy) * zoom;
            const QPoint middle = cell + QPoint(zoom / 2, zoom / 2);
            QCOMPARE(QColor(screen.pixel(middle)), QColor(m_pattern.pixel(333 + dx, 222 + dy)));
        }
    }
}

void TestPickHandles::magnifierAvoidsThePointer_data()
{
    QTest::addColumn<QPointF>("cursor");
    QTest::newRow("middle") << QPointF(400, 300);
    QTest::newRow("right edge") << QPointF(795, 300);
    QTest::newRow("bottom edge") << QPointF(400, 598);
    QTest::newRow("bottom right corner") << QPointF(799, 599);
    QTest::newRow("top left corner") << QPointF(0, 0);
}

void TestPickHandles::magnifierAvoidsThePointer()
{
    QFETCH(QPointF, cursor);
    const QRect box = m_background->magnifierRect(cursor);
    QVERIFY(!box.adjusted(-5, -5, 5, 5).contains(cursor.toPoint()));
    QVERIFY2(QRect(0, 0, 800, 600).contains(box), qPrintable(QString("%1,%2 %3x%4")
                                                                 .arg(box.x()).arg(box.y())
                                                                 .arg(box.width()).arg(box.height())));
}

QTEST_MAIN(TestPickHandles)
#include "tst_pickhandles.moc"
