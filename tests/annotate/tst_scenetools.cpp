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
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"

#include <QApplication>
#include <QFontInfo>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(DrawMode)

namespace {

constexpr Qt::MouseButtons kNone = Qt::NoButton;
constexpr Qt::MouseButtons kLeft = Qt::LeftButton;
constexpr Qt::MouseButtons kRight = Qt::RightButton;

// One capture in progress: the view with its scene and both strips.
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
        event.setButtonDownScreenPos(button, pos.toPoint());
        event.setAccepted(false);
        QApplication::sendEvent(scene, &event);
    }
    void press(const QPointF& pos, Qt::MouseButton button = Qt::LeftButton)
    {
        mouse(QEvent::GraphicsSceneMousePress, pos, button, button);
    }
    void move(const QPointF& pos, Qt::MouseButtons buttons)
    {
        mouse(QEvent::GraphicsSceneMouseMove, pos, Qt::NoButton, buttons);
    }
    void release(const QPointF& pos, Qt::MouseButton button = Qt::LeftButton)
    {
        mouse(QEvent::GraphicsSceneMouseRelease, pos, button, Qt::NoButton);
    }
    void doubleClick(const QPointF& pos)
    {
        mouse(QEvent::GraphicsSceneMouseDoubleClick, pos, Qt::LeftButton, Qt::LeftButton);
    }
    void hover(const QPointF& pos)
    {
        QGraphicsSceneHoverEvent event(QEvent::GraphicsSceneHoverMove);
        event.setScenePos(pos);
        event.setScreenPos(pos.toPoint());
        QApplication::sendEvent(scene, &event);
    }
    // Press, drag and release with the left button.
    void drag(const QPointF& from, const QPointF& to)
    {
        press(from);
        move((from + to) / 2, kLeft);
        move(to, kLeft);
        release(to);
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

void setColor(CSnapshotProp& prop, const char* box, const QColor& color)
{
    prop.findChild<ColorComboBox*>(QLatin1String(box))->setColor(color);
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
    void lineFollowsTheLeftButton_data();
    void lineFollowsTheLeftButton();
    void otherButtonOnlyForgetsTheCurrentItem_data();
    void otherButtonOnlyForgetsTheCurrentItem();
    void lineDoubleClickDropsItsLineAndFinishes();
    void boxSpansFromThePressPoint_data();
    void boxSpansFromThePressPoint();
    void polygonClickedPointByPoint_data();
    void polygonClickedPointByPoint();
    void polygonDoubleClickEndsWithoutFinishing();
    void freehandStroke();
    void freehandStrokeWithoutMovement();
    void textBoxTakesTheProperties();
    void textPressDropsAnEmptyBox();
    void textPressKeepsTypedText();
    void textDoubleClickFinishesWithoutAStrayBox();
    void oneEraseReleaseRemovesAllMarksUnderThePointer();

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
    AppConfig.FillCheck = true;
    AppConfig.Transparent = 100;
    AppConfig.SnapshotShadow = true;
    // Finishing writes its picture into a directory of the test's own.
    AppConfig.CopyToClipboardAfterFinish = false;
    AppConfig.SaveToFileAfterFinish = true;
    AppConfig.SnapshotFilePath = m_pictures.path();
    AppConfig.GenActionAfterFinish = 1;
}

void TestSceneTools::transparencyBecomesAlpha_data()
{
    QTest::addColumn<int>("transparency");
    QTest::addColumn<int>("alpha");
    QTest::newRow("opaque") << 100 << 255;
    QTest::newRow("half, truncated") << 50 << 127;
    QTest::newRow("the smallest the strip allows") << 5 << 12;
    QTest::newRow("the default") << 80 << 204;
}

void TestSceneTools::transparencyBecomesAlpha()
{
    QFETCH(int, transparency);
    QFETCH(int, alpha);
    AppConfig.Transparent = transparency;
    {
        Capture capture(DrawMode::Rectangle);
        capture.drag(QPointF(10, 10), QPointF(50, 50));
        const auto boxes = capture.marks<CDrawRectItem>();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first()->pen().color(), QColor(255, 0, 0, alpha));
        QCOMPARE(boxes.first()->brush().color(), QColor(0, 0, 255, alpha));
        QCOMPARE(boxes.first()->brush().style(), Qt::SolidPattern);
        QCOMPARE(boxes.first()->pen().width(), 3);
    }
    {
        Capture capture(DrawMode::Text);
        capture.press(QPointF(20, 20));
        const auto texts = capture.marks<CDrawTextItem>();
        QCOMPARE(texts.size(), 1);
        QCOMPARE(texts.first()->frameColor, QColor(255, 0, 0, alpha));
        QCOMPARE(texts.first()->fillColor, QColor(0, 0, 255, alpha));
        QCOMPARE(texts.first()->defaultTextColor(), QColor(0, 0, 0, alpha));
    }
}

void TestSceneTools::laterPropertyChangesKeepOldMarks()
{
    Capture capture(DrawMode::Line);
    capture.drag(QPointF(10, 10), QPointF(100, 10));
    setColor(capture.prop(), "frameColorComboBox", QColor(Qt::green));
    capture.prop().findChild<QSlider*>(QStringLiteral("transparentSlider"))->setValue(50);
    capture.drag(QPointF(10, 50), QPointF(100, 50));
    const auto lines = capture.marks<CDrawLineItem>();
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0)->pen().color(), QColor(255, 0, 0, 255));
    QCOMPARE(lines.at(1)->pen().color(), QColor(0, 255, 0, 127));
}

void TestSceneTools::lineFollowsTheLeftButton_data()
{
    QTest::addColumn<DrawMode>("mode");
    QTest::addColumn<bool>("shadow");
    QTest::newRow("line") << DrawMode::Line << true;
    QTest::newRow("arrow") << DrawMode::LineArrow << true;
    QTest::newRow("line without shadow setting") << DrawMode::Line << false;
}

void TestSceneTools::lineFollowsTheLeftButton()
{
    QFETCH(DrawMode, mode);
    QFETCH(bool, shadow);
    AppConfig.SnapshotShadow = shadow;
    Capture capture(mode);
    capture.press(QPointF(10, 20));
    const auto lines = capture.marks<CDrawLineItem>();
    QCOMPARE(lines.size(), 1);
    CDrawLineItem* line = lines.first();
    QCOMPARE(line->line(), QLineF(10, 20, 10, 20));
    QCOMPARE(line->arrow, mode == DrawMode::LineArrow);
    QCOMPARE(line->shadow, shadow);
    QCOMPARE(line->pos(), QPointF(0, 0));
    capture.move(QPointF(50, 60), kLeft);
    QCOMPARE(line->line(), QLineF(10, 20, 50, 60));
    capture.move(QPointF(70, 80), kNone); // without the button the line stays
    QCOMPARE(line->line(), QLineF(10, 20, 50, 60));
    capture.release(QPointF(90, 25));
    QCOMPARE(line->line(), QLineF(10, 20, 90, 25));
    // Still current until the next press, so that Escape can take it back.
    QCOMPARE(capture.scene->currentItem(), line);
    capture.press(QPointF(200, 200));
    QVERIFY(capture.scene->currentItem() != line);
    QCOMPARE(capture.marks<CDrawLineItem>().size(), 2);
}

void TestSceneTools::otherButtonOnlyForgetsTheCurrentItem_data()
{
    QTest::addColumn<DrawMode>("mode");
    QTest::newRow("line") << DrawMode::Line;
    QTest::newRow("arrow") << DrawMode::LineArrow;
    QTest::newRow("rectangle") << DrawMode::Rectangle;
    QTest::newRow("ellipse") << DrawMode::Ellipse;
}

void TestSceneTools::otherButtonOnlyForgetsTheCurrentItem()
{
    QFETCH(DrawMode, mode);
    Capture capture(mode);
    capture.press(QPointF(10, 10));
    capture.move(QPointF(40, 40), kLeft);
    QVERIFY(capture.scene->currentItem());
    const int items = capture.scene->items().size();
    capture.press(QPointF(60, 60), Qt::RightButton);
    QCOMPARE(capture.scene->currentItem(), nullptr);
    QCOMPARE(capture.scene->items().size(), items);
    capture.move(QPointF(80, 80), kRight);
    capture.release(QPointF(80, 80), Qt::RightButton);
    QCOMPARE(capture.scene->items().size(), items);
}

void TestSceneTools::lineDoubleClickDropsItsLineAndFinishes()
{
    Capture capture(DrawMode::LineArrow);
    capture.drag(QPointF(10, 10), QPointF(100, 100));
    capture.press(QPointF(150, 150));
    capture.release(QPointF(150, 150));
    capture.doubleClick(QPointF(150, 150));
    QCOMPARE(capture.marks<CDrawLineItem>().size(), 1);
    QCOMPARE(capture.marks<CDrawLineItem>().first()->line(), QLineF(10, 10, 100, 100));
    QVERIFY(capture.finished());
}

void TestSceneTools::boxSpansFromThePressPoint_data()
{
    QTest::addColumn<DrawMode>("mode");
    QTest::addColumn<bool>("fill");
    QTest::newRow("filled rectangle") << DrawMode::Rectangle << true;
    QTest::newRow("outlined rectangle") << DrawMode::Rectangle << false;
    QTest::newRow("filled ellipse") << DrawMode::Ellipse << true;
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
    QVERIFY(item);
    auto rectOf = [item]() {
        if (auto* r = dynamic_cast<CDrawRectItem*>(item))
            return r->rect();
        return dynamic_cast<CDrawEllipseItem*>(item)->rect();
    };
    auto filledOf = [item]() {
        if (auto* r = dynamic_cast<CDrawRectItem*>(item))
            return r->filled;
        return dynamic_cast<CDrawEllipseItem*>(item)->filled;
    };
    QCOMPARE(dynamic_cast<CDrawRectItem*>(item) != nullptr, mode == DrawMode::Rectangle);
    QCOMPARE(dynamic_cast<CDrawEllipseItem*>(item) != nullptr, mode == DrawMode::Ellipse);
    QCOMPARE(rectOf(), QRectF(100, 80, 1, 1));
    QCOMPARE(filledOf(), fill);
    // Dragging up and left spans the rectangle the other way; a move with
    // no button held still reshapes it.
    capture.move(QPointF(40, 30), kLeft);
    QCOMPARE(rectOf(), QRectF(40, 30, 60, 50));
    capture.move(QPointF(130, 90), kNone);
    QCOMPARE(rectOf(), QRectF(100, 80, 30, 10));
    capture.release(QPointF(20, 200));
    QCOMPARE(rectOf(), QRectF(20, 80, 80, 120));
    QCOMPARE(capture.scene->currentItem(), nullptr);
    capture.move(QPointF(300, 300), kNone);
    QCOMPARE(rectOf(), QRectF(20, 80, 80, 120));
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
    capture.press(QPointF(10, 10));
    capture.release(QPointF(10, 10));
    const auto polygons = capture.marks<CDrawPolygonItem>();
    QCOMPARE(polygons.size(), 1);
    CDrawPolygonItem* polygon = polygons.first();
    QVERIFY(!polygon->freehand);
    QVERIFY(polygon->filled);
    QCOMPARE(polygon->polygon(), QPolygonF({QPointF(10, 10), QPointF(10, 10)}));
    // The rubber band follows the pointer without a button held.
    capture.move(QPointF(50, 10), kNone);
    QCOMPARE(polygon->polygon(), QPolygonF({QPointF(10, 10), QPointF(50, 10)}));
    capture.press(QPointF(50, 10));
    capture.release(QPointF(50, 10));
    capture.move(QPointF(50, 50), kNone);
    QCOMPARE(polygon->polygon(), QPolygonF({QPointF(10, 10), QPointF(50, 10), QPointF(50, 50)}));
    // A right press ends it without the rubber-band point.
    capture.press(QPointF(50, 50), Qt::RightButton);
    QCOMPARE(polygon->polygon(), QPolygonF({QPointF(10, 10), QPointF(50, 10)}));
    QCOMPARE(capture.scene->currentItem(), nullptr);
    QVERIFY(capture.scene->polygonPoints().isEmpty());
    capture.move(QPointF(90, 90), kNone);
    QCOMPARE(polygon->polygon().size(), 2);
}

void TestSceneTools::polygonDoubleClickEndsWithoutFinishing()
{
    Capture capture(DrawMode::Polygon);
    capture.press(QPointF(10, 10));
    capture.release(QPointF(10, 10));
    capture.move(QPointF(60, 10), kNone);
    capture.press(QPointF(60, 10));
    capture.release(QPointF(60, 10));
    capture.doubleClick(QPointF(60, 10));
    QVERIFY(!capture.finished());
    QCOMPARE(capture.scene->currentItem(), nullptr);
    QCOMPARE(capture.marks<CDrawPolygonItem>().first()->polygon().size(), 3);
    // With nothing in progress the double click finishes.
    capture.doubleClick(QPointF(60, 10));
    QVERIFY(capture.finished());
}

void TestSceneTools::freehandStroke()
{
    Capture capture(DrawMode::Draw);
    capture.press(QPointF(10, 10));
    capture.move(QPointF(20, 15), kLeft);
    capture.move(QPointF(30, 25), kLeft);
    capture.release(QPointF(30, 25));
    capture.move(QPointF(90, 90), kNone);
    const auto strokes = capture.marks<CDrawPolygonItem>();
    QCOMPARE(strokes.size(), 1);
    QVERIFY(strokes.first()->freehand);
    QCOMPARE(strokes.first()->polygon(),
             QPolygonF({QPointF(10, 10), QPointF(10, 10), QPointF(20, 15), QPointF(30, 25)}));
    QCOMPARE(capture.scene->currentItem(), nullptr);
    // The next press starts a new stroke.
    capture.drag(QPointF(100, 100), QPointF(120, 100));
    QCOMPARE(capture.marks<CDrawPolygonItem>().size(), 2);
    QVERIFY(!capture.finished());
    capture.doubleClick(QPointF(120, 100));
    QVERIFY(capture.finished());
}

void TestSceneTools::freehandStrokeWithoutMovement()
{
    Capture capture(DrawMode::Draw);
    capture.press(QPointF(33, 44));
    capture.release(QPointF(33, 44));
    const auto strokes = capture.marks<CDrawPolygonItem>();
    QCOMPARE(strokes.size(), 1);
    QCOMPARE(strokes.first()->polygon(), QPolygonF({QPointF(33, 44), QPointF(33, 44)}));
}

void TestSceneTools::textBoxTakesTheProperties()
{
    AppConfig.FillCheck = false;
    AppConfig.FrameCheck = true;
    AppConfig.SnapshotShadow = false;
    Capture capture(DrawMode::Text);
    QVERIFY(!QFontInfo(QFont(capture.prop().fontFamily())).family().isEmpty());
    capture.press(QPointF(30, 40));
    const auto texts = capture.marks<CDrawTextItem>();
    QCOMPARE(texts.size(), 1);
    CDrawTextItem* text = texts.first();
    QCOMPARE(text->pos(), QPointF(30, 40));
    QCOMPARE(text->font().family(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(text->font().pointSize(), 24);
    QVERIFY(!text->font().italic());
    QVERIFY(text->frame);
    QVERIFY(!text->filled);
    QVERIFY(!text->shadow);
    QCOMPARE(text->frameWidth, 3);
    QCOMPARE(text->textInteractionFlags(), Qt::TextEditorInteraction);
    QCOMPARE(capture.scene->focusItem(), text);
    QCOMPARE(capture.scene->currentItem(), text);
}

void TestSceneTools::textPressDropsAnEmptyBox()
{
    Capture capture(DrawMode::Text);
    capture.press(QPointF(30, 40));
    capture.release(QPointF(30, 40));
    capture.press(QPointF(200, 100));
    auto texts = capture.marks<CDrawTextItem>();
    QCOMPARE(texts.size(), 1);
    QCOMPARE(texts.first()->pos(), QPointF(200, 100));
    // A right press ends the empty box without starting another.
    capture.press(QPointF(250, 150), Qt::RightButton);
    QCOMPARE(capture.marks<CDrawTextItem>().size(), 0);
}

void TestSceneTools::textPressKeepsTypedText()
{
    Capture capture(DrawMode::Text);
    capture.press(QPointF(30, 40));
    capture.release(QPointF(30, 40));
    auto* first = capture.marks<CDrawTextItem>().first();
    first->setPlainText(QStringLiteral("note"));
    capture.press(QPointF(200, 200));
    const auto texts = capture.marks<CDrawTextItem>();
    QCOMPARE(texts.size(), 2);
    QCOMPARE(texts.at(0), first);
    QCOMPARE(first->textInteractionFlags(), Qt::NoTextInteraction);
    QCOMPARE(texts.at(1)->textInteractionFlags(), Qt::TextEditorInteraction);
}

void TestSceneTools::textDoubleClickFinishesWithoutAStrayBox()
{
    Capture capture(DrawMode::Text);
    capture.press(QPointF(30, 40));
    capture.release(QPointF(30, 40));
    capture.marks<CDrawTextItem>().first()->setPlainText(QStringLiteral("kept"));
    capture.press(QPointF(200, 200));
    capture.release(QPointF(200, 200));
    // On the new box itself the double click is the editor's (word selection).
    capture.doubleClick(QPointF(200, 200));
    capture.release(QPointF(200, 200));
    QVERIFY(!capture.finished());
    QCOMPARE(capture.marks<CDrawTextItem>().size(), 2);
    // Away from any box it ends the edit, drops the empty box and finishes.
    capture.doubleClick(QPointF(350, 20));
    QVERIFY(capture.finished());
    const auto texts = capture.marks<CDrawTextItem>();
    QCOMPARE(texts.size(), 1);
    QCOMPARE(texts.first()->toPlainText(), QStringLiteral("kept"));
    QCOMPARE(texts.first()->textInteractionFlags(), Qt::NoTextInteraction);
}

void TestSceneTools::oneEraseReleaseRemovesAllMarksUnderThePointer()
{
    Capture capture(DrawMode::Rectangle);
    capture.drag(QPointF(10, 10), QPointF(100, 100));
    capture.drag(QPointF(50, 50), QPointF(150, 150));
    capture.drag(QPointF(200, 200), QPointF(250, 250));
    capture.view->editDialog()->setDrawMode(DrawMode::Line);
    capture.drag(QPointF(60, 20), QPointF(60, 140));
    QCOMPARE(capture.marks<CDrawObjectItem>().size(), 4);

    capture.view->editDialog()->setDrawMode(DrawMode::Erase);
    capture.hover(QPointF(60, 75));
    const auto marks = capture.marks<CDrawObjectItem>();
    QVERIFY(marks.last()->hovered); // the topmost one under the pointer
    capture.press(QPointF(60, 75));
    capture.release(QPointF(60, 75));
    const auto left = capture.marks<CDrawRectItem>();
    QCOMPARE(capture.marks<CDrawObjectItem>().size(), 1);
    QCOMPARE(left.size(), 1);
    QCOMPARE(left.first()->rect(), QRectF(200, 200, 50, 50));
    QVERIFY(
        capture.scene->items().contains(reinterpret_cast<QGraphicsItem*>(capture.scene->backgroundItem())));
    QVERIFY(!capture.finished());

    // A release over nothing erases nothing.
    capture.hover(QPointF(350, 20));
    capture.press(QPointF(350, 20));
    capture.release(QPointF(350, 20));
    QCOMPARE(capture.marks<CDrawObjectItem>().size(), 1);
}

QTEST_MAIN(TestSceneTools)
#include "tst_scenetools.moc"
