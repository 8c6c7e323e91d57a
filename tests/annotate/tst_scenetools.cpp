#include "annotate/ColorComboBox.h"
#include "annotate/DrawEllipseItem.h"
#include "annotate/DrawLineItem.h"
#include "annotate/DrawPolygonItem.h"
#include "annotate/DrawRectItem.h"
#include "annotate/DrawTextItem.h"
#include "annotate/SnapshotEdit.h"
#include "annotate/SnapshotProp.h"
#include "app/Startup.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"

#include <QApplication>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QSlider>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(DrawMode)

namespace {

// One capture in progress, driven by mouse events sent to its scene.
struct Capture
{
    std::unique_ptr<CDrawView> view;
    CSGraphicsScene* scene = nullptr;

    explicit Capture(DrawMode mode)
    {
        QPixmap desktop(400, 300);
        desktop.fill(Qt::darkGray);
        view = std::make_unique<CDrawView>(desktop, nullptr);
        view->show();
        scene = view->snapshotScene();
        view->editDialog()->setDrawMode(mode);
    }

    CSnapshotProp& prop() const { return *view->editDialog()->propDialog(); }
    bool finished() const { return !view->isVisible(); }

    void mouse(QEvent::Type type, const QPointF& pos, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QGraphicsSceneMouseEvent event(type);
        event.setScenePos(pos);
        event.setScreenPos(pos.toPoint());
        event.setButton(button);
        event.setButtons(buttons);
        event.setButtonDownScenePos(button, pos);
        event.setAccepted(false);
        QApplication::sendEvent(scene, &event);
    }
    void press(const QPointF& p, Qt::MouseButton b = Qt::LeftButton)
    {
        mouse(QEvent::GraphicsSceneMousePress, p, b, b);
    }
    void move(const QPointF& p, Qt::MouseButtons held)
    {
        mouse(QEvent::GraphicsSceneMouseMove, p, Qt::NoButton, held);
    }
    void release(const QPointF& p, Qt::MouseButton b = Qt::LeftButton)
    {
        mouse(QEvent::GraphicsSceneMouseRelease, p, b, Qt::NoButton);
    }
    void click(const QPointF& p, Qt::MouseButton b = Qt::LeftButton)
    {
        press(p, b);
        release(p, b);
    }
    void doubleClick(const QPointF& p)
    {
        mouse(QEvent::GraphicsSceneMouseDoubleClick, p, Qt::LeftButton, Qt::LeftButton);
        release(p);
    }
    void drag(const QPointF& from, const QPointF& to)
    {
        press(from);
        move((from + to) / 2, Qt::LeftButton);
        move(to, Qt::LeftButton);
        release(to);
    }
    void hover(const QPointF& pos)
    {
        QGraphicsSceneHoverEvent event(QEvent::GraphicsSceneHoverMove);
        event.setScenePos(pos);
        QApplication::sendEvent(scene, &event);
    }
    template <class T> QList<T*> marks() const
    {
        QList<T*> found;
        for (QGraphicsItem* item : scene->items(Qt::AscendingOrder))
            if (auto* mark = dynamic_cast<T*>(item))
                found << mark;
        return found;
    }
};

QRectF boxRect(QGraphicsItem* item)
{
    if (auto* rect = dynamic_cast<CDrawRectItem*>(item))
        return rect->rect();
    return dynamic_cast<CDrawEllipseItem*>(item)->rect();
}

} // namespace

class TestSceneTools : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void transparencyBecomesAlpha_data();
    void transparencyBecomesAlpha();
    void laterPropertyChangesKeepOldMarks();
    void shapesLookAsTheStripShows_data();
    void shapesLookAsTheStripShows();
    void lineFollowsTheLeftButton_data();
    void lineFollowsTheLeftButton();
    void boxSpansFromThePressPoint_data();
    void boxSpansFromThePressPoint();
    void polygonClickedPointByPoint_data();
    void polygonClickedPointByPoint();
    void freehandStrokes();
    void textBoxes();
    void oneEraseReleaseRemovesAllMarksUnderThePointer();
    void movedMarksAppearWhereTheyWereMoved();

private:
    QTemporaryDir m_pictures;
};

void TestSceneTools::initTestCase()
{
    initVireoscapeResources();
    setApplicationIdentity();
}

void TestSceneTools::init()
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
    // A finishing double click writes its picture into the test's own directory.
    AppConfig.CopyToClipboardAfterFinish = false;
    AppConfig.SnapshotFilePath = m_pictures.path();
}

void TestSceneTools::transparencyBecomesAlpha_data()
{
    QTest::addColumn<int>("transparency");
    QTest::addColumn<int>("alpha");
    QTest::newRow("opaque") << 100 << 255;
    QTest::newRow("half, truncated") << 50 << 127;
    QTest::newRow("the smallest the strip allows") << 5 << 12;
}

void TestSceneTools::transparencyBecomesAlpha()
{
    QFETCH(int, transparency);
    QFETCH(int, alpha);
    AppConfig.Transparent = transparency;
    Capture capture(DrawMode::Rectangle);
    capture.drag(QPointF(10, 10), QPointF(50, 50));
    CDrawRectItem* box = capture.marks<CDrawRectItem>().value(0);
    QVERIFY(box);
    QCOMPARE(box->pen().color(), QColor(255, 0, 0, alpha));
    QCOMPARE(box->pen().width(), 3);
    QCOMPARE(box->brush(), QBrush(QColor(0, 0, 255, alpha), Qt::SolidPattern));
    capture.view->editDialog()->setDrawMode(DrawMode::Text);
    capture.press(QPointF(200, 200));
    CDrawTextItem* text = capture.marks<CDrawTextItem>().value(0);
    QVERIFY(text);
    QCOMPARE(text->frameColor, QColor(255, 0, 0, alpha));
    QCOMPARE(text->fillColor, QColor(0, 0, 255, alpha));
    QCOMPARE(text->defaultTextColor(), QColor(0, 0, 0, alpha));
}

void TestSceneTools::laterPropertyChangesKeepOldMarks()
{
    Capture capture(DrawMode::Line);
    capture.drag(QPointF(10, 10), QPointF(100, 10));
    capture.prop()
        .findChild<ColorComboBox*>(QStringLiteral("frameColorComboBox"))
        ->setColor(QColor(Qt::green));
    capture.prop().findChild<QSlider*>(QStringLiteral("transparentSlider"))->setValue(50);
    capture.drag(QPointF(10, 50), QPointF(100, 50));
    const auto lines = capture.marks<CDrawLineItem>();
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0)->pen().color(), QColor(255, 0, 0, 255));
    QCOMPARE(lines.at(1)->pen().color(), QColor(0, 255, 0, 127));
}

void TestSceneTools::shapesLookAsTheStripShows_data()
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

void TestSceneTools::shapesLookAsTheStripShows()
{
    QFETCH(bool, firstRun);
    QFETCH(bool, frame);
    QFETCH(QColor, outline);
    QFETCH(QColor, fill);
    if (firstRun)
        AppConfig = CAppConfig::defaults();
    AppConfig.FrameCheck = frame;
    for (DrawMode mode : {DrawMode::Rectangle, DrawMode::Ellipse}) {
        Capture capture(mode);
        QCOMPARE(capture.prop().isFrameChecked(), frame);
        QVERIFY(capture.prop().isFillChecked());
        capture.drag(QPointF(10, 10), QPointF(50, 50));
        QAbstractGraphicsShapeItem* shape = capture.marks<QAbstractGraphicsShapeItem>().value(0);
        QVERIFY(shape);
        QCOMPARE(shape->pen().style() != Qt::NoPen, outline.isValid());
        if (outline.isValid())
            QCOMPARE(shape->pen().color(), outline);
        QCOMPARE(shape->brush().color(), fill);
    }
}

void TestSceneTools::lineFollowsTheLeftButton_data()
{
    QTest::addColumn<DrawMode>("mode");
    QTest::addColumn<bool>("shadow");
    QTest::newRow("line") << DrawMode::Line << true;
    QTest::newRow("arrow without shadow setting") << DrawMode::LineArrow << false;
}

void TestSceneTools::lineFollowsTheLeftButton()
{
    QFETCH(DrawMode, mode);
    QFETCH(bool, shadow);
    AppConfig.SnapshotShadow = shadow;
    Capture capture(mode);
    capture.press(QPointF(10, 20));
    CDrawLineItem* line = capture.marks<CDrawLineItem>().value(0);
    QVERIFY(line);
    QCOMPARE(line->line(), QLineF(10, 20, 10, 20));
    QCOMPARE(line->arrow, mode == DrawMode::LineArrow);
    QCOMPARE(line->shadow, shadow);
    capture.move(QPointF(50, 60), Qt::LeftButton);
    QCOMPARE(line->line(), QLineF(10, 20, 50, 60));
    capture.move(QPointF(70, 80), Qt::NoButton);
    QCOMPARE(line->line(), QLineF(10, 20, 50, 60));
    capture.release(QPointF(90, 25));
    QCOMPARE(line->line(), QLineF(10, 20, 90, 25));
    QCOMPARE(capture.scene->currentItem(), line); // Escape can still take it back
    // Another button forgets the line but leaves it.
    capture.press(QPointF(60, 60), Qt::RightButton);
    QCOMPARE(capture.scene->currentItem(), nullptr);
    QCOMPARE(capture.marks<CDrawLineItem>().size(), 1);
    // A double click drops the line of its first press, then finishes.
    capture.click(QPointF(150, 150));
    QCOMPARE(capture.marks<CDrawLineItem>().size(), 2);
    capture.doubleClick(QPointF(150, 150));
    QCOMPARE(capture.marks<CDrawLineItem>().size(), 1);
    QVERIFY(capture.finished());
}

void TestSceneTools::boxSpansFromThePressPoint_data()
{
    QTest::addColumn<DrawMode>("mode");
    QTest::addColumn<bool>("fill");
    QTest::newRow("filled rectangle") << DrawMode::Rectangle << true;
    QTest::newRow("outlined ellipse") << DrawMode::Ellipse << false;
}

void TestSceneTools::boxSpansFromThePressPoint()
{
    QFETCH(DrawMode, mode);
    QFETCH(bool, fill);
    AppConfig.FillCheck = fill;
    Capture capture(mode);
    capture.press(QPointF(100, 80));
    QGraphicsItem* item = capture.scene->currentItem();
    QCOMPARE(dynamic_cast<CDrawRectItem*>(item) != nullptr, mode == DrawMode::Rectangle);
    QCOMPARE(dynamic_cast<CDrawEllipseItem*>(item) != nullptr, mode == DrawMode::Ellipse);
    QCOMPARE(boxRect(item), QRectF(100, 80, 1, 1));
    auto* rect = dynamic_cast<CDrawRectItem*>(item);
    QCOMPARE(rect ? rect->filled : dynamic_cast<CDrawEllipseItem*>(item)->filled, fill);
    // Up and left spans the other way; a move without a button reshapes too.
    capture.move(QPointF(40, 30), Qt::LeftButton);
    QCOMPARE(boxRect(item), QRectF(40, 30, 60, 50));
    capture.move(QPointF(130, 90), Qt::NoButton);
    QCOMPARE(boxRect(item), QRectF(100, 80, 30, 10));
    capture.release(QPointF(20, 200));
    QCOMPARE(boxRect(item), QRectF(20, 80, 80, 120));
    QCOMPARE(capture.scene->currentItem(), nullptr);
    // A right press neither draws nor removes anything.
    capture.click(QPointF(300, 100), Qt::RightButton);
    QCOMPARE(capture.scene->items().size(), 2);
}

void TestSceneTools::polygonClickedPointByPoint_data()
{
    QTest::addColumn<DrawMode>("mode");
    QTest::newRow("polygon") << DrawMode::Polygon;
    QTest::newRow("curve behaves as polygon") << DrawMode::Curve;
}

void TestSceneTools::polygonClickedPointByPoint()
{
    QFETCH(DrawMode, mode);
    Capture capture(mode);
    capture.click(QPointF(10, 10));
    CDrawPolygonItem* polygon = capture.marks<CDrawPolygonItem>().value(0);
    QVERIFY(polygon && !polygon->freehand);
    QCOMPARE(polygon->polygon(), QPolygonF({QPointF(10, 10), QPointF(10, 10)}));
    capture.move(QPointF(50, 10), Qt::NoButton); // the last edge follows the pointer
    capture.click(QPointF(50, 10));
    capture.move(QPointF(50, 50), Qt::NoButton);
    QCOMPARE(polygon->polygon(), QPolygonF({QPointF(10, 10), QPointF(50, 10), QPointF(50, 50)}));
    // A right press ends it without the rubber-band point.
    capture.press(QPointF(50, 50), Qt::RightButton);
    QCOMPARE(polygon->polygon(), QPolygonF({QPointF(10, 10), QPointF(50, 10)}));
    QCOMPARE(capture.scene->currentItem(), nullptr);
    QVERIFY(capture.scene->polygonPoints().isEmpty());

    // A double click ends the next one without finishing; the next finishes.
    capture.click(QPointF(100, 100));
    capture.move(QPointF(150, 100), Qt::NoButton);
    capture.click(QPointF(150, 100));
    capture.doubleClick(QPointF(150, 100));
    QVERIFY(!capture.finished());
    QCOMPARE(capture.scene->currentItem(), nullptr);
    QCOMPARE(capture.marks<CDrawPolygonItem>().value(1)->polygon().size(), 3);
    capture.doubleClick(QPointF(150, 100));
    QVERIFY(capture.finished());
}

void TestSceneTools::freehandStrokes()
{
    Capture capture(DrawMode::Draw);
    capture.press(QPointF(10, 10));
    capture.move(QPointF(20, 15), Qt::LeftButton);
    capture.move(QPointF(30, 25), Qt::LeftButton);
    capture.release(QPointF(30, 25));
    capture.move(QPointF(90, 90), Qt::NoButton);
    capture.click(QPointF(33, 44)); // a stroke without movement
    const auto strokes = capture.marks<CDrawPolygonItem>();
    QCOMPARE(strokes.size(), 2);
    QVERIFY(strokes.at(0)->freehand);
    QCOMPARE(strokes.at(0)->polygon(),
             QPolygonF({QPointF(10, 10), QPointF(10, 10), QPointF(20, 15), QPointF(30, 25)}));
    QCOMPARE(strokes.at(1)->polygon(), QPolygonF({QPointF(33, 44), QPointF(33, 44)}));
    QCOMPARE(capture.scene->currentItem(), nullptr);
    capture.doubleClick(QPointF(33, 44));
    QVERIFY(capture.finished());
}

void TestSceneTools::textBoxes()
{
    AppConfig.FillCheck = false;
    AppConfig.SnapshotShadow = false;
    Capture capture(DrawMode::Text);
    capture.click(QPointF(30, 40));
    CDrawTextItem* first = capture.marks<CDrawTextItem>().value(0);
    QVERIFY(first);
    QCOMPARE(first->pos(), QPointF(30, 40));
    QCOMPARE(first->font(), QFont(QStringLiteral("DejaVu Sans"), 24, -1, false));
    QVERIFY(first->frame && !first->filled && !first->shadow);
    QCOMPARE(first->frameWidth, 3);
    QCOMPARE(first->textInteractionFlags(), Qt::TextEditorInteraction);
    QCOMPARE(capture.scene->focusItem(), first);

    // A press elsewhere drops the empty box and opens a new one there.
    capture.click(QPointF(200, 100));
    QCOMPARE(capture.marks<CDrawTextItem>().size(), 1);
    CDrawTextItem* second = capture.marks<CDrawTextItem>().value(0);
    QCOMPARE(second->pos(), QPointF(200, 100));
    // Typed text stays, no longer editable.
    second->setPlainText(QStringLiteral("kept"));
    capture.click(QPointF(300, 200));
    QCOMPARE(capture.marks<CDrawTextItem>().size(), 2);
    QCOMPARE(second->textInteractionFlags(), Qt::NoTextInteraction);
    // On the new box itself a double click is the editor's (word selection);
    // away from it, it drops the empty box and finishes.
    capture.doubleClick(QPointF(300, 200));
    QVERIFY(!capture.finished());
    capture.doubleClick(QPointF(350, 20));
    QVERIFY(capture.finished());
    QCOMPARE(capture.marks<CDrawTextItem>(), QList<CDrawTextItem*>{second});
}

void TestSceneTools::oneEraseReleaseRemovesAllMarksUnderThePointer()
{
    Capture capture(DrawMode::Rectangle);
    capture.drag(QPointF(10, 10), QPointF(100, 100));
    capture.drag(QPointF(50, 50), QPointF(150, 150));
    capture.drag(QPointF(200, 200), QPointF(250, 250));
    capture.view->editDialog()->setDrawMode(DrawMode::Line);
    capture.drag(QPointF(60, 20), QPointF(60, 140));
    capture.view->editDialog()->setDrawMode(DrawMode::Erase);
    capture.hover(QPointF(60, 75));
    QVERIFY(capture.marks<CDrawObjectItem>().value(3)->hovered); // the topmost one
    capture.click(QPointF(60, 75));
    QCOMPARE(capture.marks<CDrawObjectItem>().size(), 1);
    QCOMPARE(capture.marks<CDrawRectItem>().value(0)->rect(), QRectF(200, 200, 50, 50));
    QCOMPARE(capture.scene->items().size(), 2); // and the background
    capture.hover(QPointF(350, 20));
    capture.click(QPointF(350, 20));
    QCOMPARE(capture.marks<CDrawObjectItem>().size(), 1);
    QVERIFY(!capture.finished());
}

void TestSceneTools::movedMarksAppearWhereTheyWereMoved()
{
    AppConfig.FillCheck = true;
    AppConfig.SnapshotShadow = false;
    Capture capture(DrawMode::Rectangle);
    capture.drag(QPointF(10, 10), QPointF(50, 50));
    capture.view->editDialog()->setDrawMode(DrawMode::Text);
    capture.click(QPointF(100, 10));
    capture.marks<CDrawTextItem>().value(0)->setPlainText(QStringLiteral("WWW"));
    capture.view->editDialog()->setDrawMode(DrawMode::Select);
    // Dragged with Select: the toolkit moves marks by their position.
    for (QGraphicsItem* mark : capture.scene->items())
        if (mark != capture.scene->backgroundItem())
            mark->moveBy(200, 150);
    const QImage picture = capture.scene->renderSelection();
    QCOMPARE(picture.pixelColor(230, 180), QColor(Qt::blue));
    QCOMPARE(picture.pixelColor(30, 30), QColor(Qt::darkGray));
    CDrawTextItem* text = capture.marks<CDrawTextItem>().value(0);
    QCOMPARE(text->pos(), QPointF(300, 160));
    const QRect box = text->textBox().translated(text->pos()).toRect();
    QCOMPARE(picture.pixelColor(box.center().x(), box.top()), QColor(Qt::red)); // the frame
    QCOMPARE(picture.pixelColor(box.center().x(), 10), QColor(Qt::darkGray));
}

QTEST_MAIN(TestSceneTools)
#include "tst_scenetools.moc"
