// One snapshot driven through its scene with synthesized mouse and key
// events: picking a window or an area, the marks the tools draw, the eraser,
// Escape, and the picture rendered from it all.
#include "QuietPlatform.h"
#include "SceneEvents.h"
#include "annotate/DrawRectItem.h"
#include "annotate/DrawTextItem.h"
#include "annotate/SnapshotEdit.h"
#include "annotate/SnapshotProp.h"
#include "annotate/StripGeometry.h"
#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// Two windows, one in front of the other, as the window list would answer.
QRect fakeWindowAt(const QPoint& p, quint32)
{
    for (const QRect& r : {QRect(100, 80, 200, 150), QRect(50, 50, 500, 400)})
        if (r.contains(p))
            return r;
    return QRect();
}

// One snapshot of a patterned desktop, driven by events sent to its scene.
struct Capture
{
    std::unique_ptr<CDrawView> view;
    CSGraphicsScene* scene = nullptr;

    explicit Capture(const QImage& desktop, QWidget* owner = nullptr)
    {
        view = std::make_unique<CDrawView>(QPixmap::fromImage(desktop), owner);
        scene = view->snapshotScene();
        scene->setWindowFinder(fakeWindowAt);
        view->show();
    }
    CSnapshotEdit& strip() const { return *view->editDialog(); }
    CSGraphicsPixmapItem& background() const { return *scene->backgroundItem(); }
    void setMode(DrawMode mode) { strip().setDrawMode(mode); }

    void press(const QPointF& p, Qt::MouseButton b = Qt::LeftButton) { SceneEvents::press(scene, p, b); }
    void move(const QPointF& p, Qt::MouseButtons held = Qt::NoButton) { SceneEvents::move(scene, p, held); }
    void click(const QPointF& p, Qt::MouseButton b = Qt::LeftButton)
    {
        SceneEvents::press(scene, p, b);
        SceneEvents::release(scene, p, b);
    }
    // With a move to the start first: windows are detected on hover.
    void drag(const QPointF& from, const QPointF& to)
    {
        move(from);
        SceneEvents::drag(scene, from, to);
    }
    void hover(const QPointF& pos)
    {
        QGraphicsSceneHoverEvent event(QEvent::GraphicsSceneHoverMove);
        event.setScenePos(pos);
        QApplication::sendEvent(scene, &event);
    }
    void key(int key) { SceneEvents::key(scene, key); }
    template <class T> QList<T*> marks() const
    {
        QList<T*> found;
        for (QGraphicsItem* item : scene->items(Qt::AscendingOrder))
            if (auto* mark = dynamic_cast<T*>(item))
                found << mark;
        return found;
    }
};

} // namespace

class TestScene : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void anyPressEndsDetecting_data();
    void anyPressEndsDetecting();
    void drag_data();
    void drag();
    void picture_data();
    void picture();
    void failedFileKeepsSnapshotOpen();
    void transparencyBecomesAlpha_data();
    void transparencyBecomesAlpha();
    void shapesLookAsTheStripShows_data();
    void shapesLookAsTheStripShows();
    void oneEraseReleaseRemovesAllMarksUnderThePointer();
    void movedMarksAppearWhereTheyWereMoved();

private:
    QImage m_desktop;
    QTemporaryDir m_pictures;
};

void TestScene::initTestCase()
{
    quietOffscreenWarnings();
    initVireoscapeResources();
    setApplicationIdentity();
    m_desktop = TestSupport::makeTestPattern(QSize(640, 480), 5);
}

void TestScene::init()
{
    AppConfig = CAppConfig::defaults();
    AppConfig.FrameColor = QColor(Qt::red);
    AppConfig.FillColor = QColor(Qt::blue);
    AppConfig.FontColor = QColor(Qt::black);
    AppConfig.FontFamity = QStringLiteral("DejaVu Sans");
    AppConfig.FontSize = 24;
    AppConfig.FrameWidth = 3;
    AppConfig.FrameCheck = true;
    AppConfig.Transparent = 100;
    AppConfig.SnapshotShadow = false;
    // A finish writes its picture into the test's own directory.
    AppConfig.CopyToClipboardAfterFinish = false;
    AppConfig.SnapshotFilePath = m_pictures.path();
}

void TestScene::anyPressEndsDetecting_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("left click") << Qt::LeftButton;
    QTest::newRow("right click") << Qt::RightButton;
    QTest::newRow("middle click") << Qt::MiddleButton;
}

void TestScene::anyPressEndsDetecting()
{
    QFETCH(Qt::MouseButton, button);
    Capture capture(m_desktop);
    capture.move(QPointF(120, 90));
    capture.click(QPointF(120, 90), button);
    QVERIFY(!capture.scene->isDetectingWindows());
    capture.move(QPointF(500, 420));
    QCOMPARE(capture.background().selectionRect(), QRectF(100, 80, 200, 150));
    // Only a left click picks (and shows the tool strip).
    QCOMPARE(capture.strip().isVisible(), button == Qt::LeftButton);
}

void TestScene::drag_data()
{
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QRectF>("selection");
    const QRectF window(100, 80, 200, 150);
    QTest::newRow("click keeps the highlighted window") << QPointF(120, 90) << QPointF(120, 90) << window;
    QTest::newRow("2 px across keeps the window") << QPointF(120, 90) << QPointF(122, 190) << window;
    QTest::newRow("2 px down keeps the window") << QPointF(120, 90) << QPointF(220, 92) << window;
    QTest::newRow("3 x 3 px makes a 3 x 3 selection") << QPointF(120, 90) << QPointF(123, 93) << QRectF(120, 90, 3, 3);
    QTest::newRow("drag up and left spans the same way")
        << QPointF(400, 300) << QPointF(250, 200) << QRectF(250, 200, 150, 100);
}

void TestScene::drag()
{
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(QRectF, selection);
    Capture capture(m_desktop);
    capture.drag(from, to);
    QCOMPARE(capture.background().selectionRect(), selection);
    QVERIFY(capture.strip().isVisible());
}

void TestScene::picture_data()
{
    QTest::addColumn<QRectF>("selection");
    QTest::addColumn<QRect>("expected"); // the part of the desktop, in picture coordinates
    QTest::addColumn<QSize>("size");
    QTest::newRow("inside the desktop") << QRectF(100, 50, 200, 120) << QRect(0, 0, 200, 120) << QSize(200, 120);
    QTest::newRow("fractions truncate") << QRectF(100.7, 50.2, 200.9, 120.5) << QRect(0, 0, 200, 120) << QSize(200, 120);
    QTest::newRow("past the top left corner") << QRectF(-10, -5, 50, 40) << QRect(10, 5, 40, 35) << QSize(50, 40);
    QTest::newRow("past the bottom right corner") << QRectF(600, 450, 60, 50) << QRect(0, 0, 40, 30) << QSize(60, 50);
    QTest::newRow("nothing selected: the whole desktop") << QRectF(0, 0, 0, 0) << QRect(0, 0, 640, 480) << QSize(640, 480);
}

// Exactly the desktop's pixels, opaque, and transparent outside it: no veil,
// outline, label or crosshair, even with the crosshair on in the selection.
void TestScene::picture()
{
    QFETCH(QRectF, selection);
    QFETCH(QRect, expected);
    QFETCH(QSize, size);
    Capture capture(m_desktop);
    capture.background().setSelectionRect(selection);
    capture.background().setCursorPos(selection.center() + QPointF(3, 3));
    capture.background().setCrosshairVisible(true);

    QImage want(size, QImage::Format_ARGB32);
    want.fill(Qt::transparent);
    const QPoint origin(int(selection.x()), int(selection.y()));
    for (int y = expected.top(); y <= expected.bottom(); ++y)
        for (int x = expected.left(); x <= expected.right(); ++x)
            want.setPixel(x, y, m_desktop.pixel(origin + QPoint(x, y)));
    QCOMPARE(TestSupport::differingPixels(capture.scene->renderSelection(), want), 0);
    QVERIFY(capture.background().crosshairVisible()); // the overlay is untouched
}

void TestScene::failedFileKeepsSnapshotOpen()
{
    AppConfig.SaveToFileAfterFinish = true;
    AppConfig.SnapshotFilePath = QDir(m_pictures.path()).filePath(QStringLiteral("missing/dir"));
    Capture capture(m_desktop);
    capture.drag(QPointF(30, 40), QPointF(130, 100));
    QString title, text;
    QTimer::singleShot(50, this, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            box->close();
        }
    });
    capture.strip().OnBtnOk();
    QCOMPARE(title, QStringLiteral("Error"));
    QVERIFY2(text.contains(QStringLiteral("missing/dir/Snapshot_")), qPrintable(text));
    QVERIFY(capture.view->isVisible());
    QVERIFY(capture.strip().isVisible());
}

void TestScene::transparencyBecomesAlpha_data()
{
    QTest::addColumn<int>("transparency");
    QTest::addColumn<int>("alpha");
    QTest::newRow("opaque") << 100 << 255;
    QTest::newRow("half, truncated") << 50 << 127;
    QTest::newRow("the smallest the strip allows") << 5 << 12;
}

void TestScene::transparencyBecomesAlpha()
{
    QFETCH(int, transparency);
    QFETCH(int, alpha);
    AppConfig.Transparent = transparency;
    Capture capture(m_desktop);
    capture.setMode(DrawMode::Rectangle);
    capture.drag(QPointF(10, 10), QPointF(50, 50));
    CDrawRectItem* box = capture.marks<CDrawRectItem>().value(0);
    QVERIFY(box);
    QCOMPARE(box->pen().color(), QColor(255, 0, 0, alpha));
    QCOMPARE(box->pen().width(), 3);
    QCOMPARE(box->brush(), QBrush(QColor(0, 0, 255, alpha), Qt::SolidPattern));
    capture.setMode(DrawMode::Text);
    capture.press(QPointF(200, 200));
    CDrawTextItem* text = capture.marks<CDrawTextItem>().value(0);
    QVERIFY(text);
    QCOMPARE(text->frameColor, QColor(255, 0, 0, alpha));
    QCOMPARE(text->fillColor, QColor(0, 0, 255, alpha));
    QCOMPARE(text->defaultTextColor(), QColor(0, 0, 0, alpha));
}

void TestScene::shapesLookAsTheStripShows_data()
{
    QTest::addColumn<bool>("firstRun");
    QTest::addColumn<bool>("frame");
    QTest::addColumn<QColor>("outline");
    QTest::addColumn<QColor>("fill");
    // A first run's colours (0) select "transparent"; the mark's alpha comes
    // from the transparency (80 %): black, not invisible.
    QTest::newRow("first run: black fill, no frame") << true << false << QColor() << QColor(0, 0, 0, 204);
    QTest::newRow("frame and fill") << false << true << QColor(Qt::red) << QColor(Qt::blue);
    QTest::newRow("fill only: no outline") << false << false << QColor() << QColor(Qt::blue);
}

void TestScene::shapesLookAsTheStripShows()
{
    QFETCH(bool, firstRun);
    QFETCH(bool, frame);
    QFETCH(QColor, outline);
    QFETCH(QColor, fill);
    if (firstRun)
        AppConfig = CAppConfig::defaults();
    AppConfig.FrameCheck = frame;
    for (DrawMode mode : {DrawMode::Rectangle, DrawMode::Ellipse}) {
        Capture capture(m_desktop);
        capture.setMode(mode);
        QCOMPARE(capture.strip().propDialog()->isFrameChecked(), frame);
        QVERIFY(capture.strip().propDialog()->isFillChecked());
        capture.drag(QPointF(10, 10), QPointF(50, 50));
        QAbstractGraphicsShapeItem* shape = capture.marks<QAbstractGraphicsShapeItem>().value(0);
        QVERIFY(shape);
        QCOMPARE(shape->pen().style() != Qt::NoPen, outline.isValid());
        if (outline.isValid())
            QCOMPARE(shape->pen().color(), outline);
        QCOMPARE(shape->brush().color(), fill);
    }
}

void TestScene::oneEraseReleaseRemovesAllMarksUnderThePointer()
{
    Capture capture(m_desktop);
    capture.setMode(DrawMode::Rectangle);
    capture.drag(QPointF(10, 10), QPointF(100, 100));
    capture.drag(QPointF(50, 50), QPointF(150, 150));
    capture.drag(QPointF(200, 200), QPointF(250, 250));
    capture.setMode(DrawMode::Line);
    capture.drag(QPointF(60, 20), QPointF(60, 140));
    capture.setMode(DrawMode::Erase);
    capture.hover(QPointF(60, 75));
    QVERIFY(capture.marks<CDrawObjectItem>().value(3)->hovered); // the topmost one
    capture.click(QPointF(60, 75));
    QCOMPARE(capture.marks<CDrawObjectItem>().size(), 1);
    QCOMPARE(capture.marks<CDrawRectItem>().value(0)->rect(), QRectF(200, 200, 50, 50));
    capture.hover(QPointF(350, 20));
    capture.click(QPointF(350, 20));
    QCOMPARE(capture.marks<CDrawObjectItem>().size(), 1);
    QVERIFY(capture.view->isVisible());
}

void TestScene::movedMarksAppearWhereTheyWereMoved()
{
    Capture capture(m_desktop);
    capture.setMode(DrawMode::Rectangle);
    capture.drag(QPointF(10, 10), QPointF(50, 50));
    capture.setMode(DrawMode::Text);
    capture.click(QPointF(100, 10));
    capture.marks<CDrawTextItem>().value(0)->setPlainText(QStringLiteral("WWW"));
    capture.setMode(DrawMode::Select);
    // Dragged with Select: the toolkit moves marks by their position.
    for (QGraphicsItem* mark : capture.scene->items())
        if (mark != capture.scene->backgroundItem())
            mark->moveBy(200, 150);
    const QImage picture = capture.scene->renderSelection();
    QCOMPARE(picture.pixel(230, 180), qRgb(0, 0, 255));
    QCOMPARE(picture.pixel(30, 30), m_desktop.pixel(30, 30));
    CDrawTextItem* text = capture.marks<CDrawTextItem>().value(0);
    QCOMPARE(text->pos(), QPointF(300, 160));
    const QRect box = text->textBox().translated(text->pos()).toRect();
    QCOMPARE(picture.pixel(box.center().x(), box.top()), qRgb(255, 0, 0)); // the frame
    QCOMPARE(picture.pixel(box.center().x(), 10), m_desktop.pixel(box.center().x(), 10));
}

QTEST_MAIN(TestScene)
#include "tst_scene.moc"
