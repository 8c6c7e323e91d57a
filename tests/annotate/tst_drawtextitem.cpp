#include "ItemPainting.h"

#include "annotate/DrawTextItem.h"
#include "tests/support/TestSupport.h"

#include <QFontInfo>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QTextCursor>
#include <QtTest>

namespace {

const QColor kWhite(Qt::white);
const QColor kFrameColor(Qt::blue);
const QColor kFillColor(255, 255, 0, 128);

struct Probe : CDrawTextItem
{
    using CDrawTextItem::keyPressEvent;
    using CDrawTextItem::keyReleaseEvent;
    using CDrawTextItem::mouseDoubleClickEvent;
};

QFont testFont()
{
    return QFont(QStringLiteral("DejaVu Sans"), 20);
}

void setUp(CDrawTextItem& item, bool frame, bool filled, bool shadow, const QColor& textColor)
{
    item.setFont(testFont());
    item.setPlainText(QStringLiteral("WWW"));
    item.setDefaultTextColor(textColor);
    item.setFrame(frame);
    item.setFilled(filled);
    item.setFrameColor(kFrameColor);
    item.setFillColor(kFillColor);
    item.setFrameWidth(1);
    item.shadow = shadow;
    item.setTextInteractionFlags(Qt::NoTextInteraction);
}

// Paints the item with its origin at (10, 10) of a white image.
QImage paintAtOffset(CDrawTextItem& item, QStyle::State state = QStyle::State_None)
{
    QImage image(220, 90, QImage::Format_ARGB32);
    image.fill(kWhite);
    QPainter painter(&image);
    painter.translate(10, 10);
    QStyleOptionGraphicsItem option;
    option.state = state;
    option.exposedRect = item.boundingRect();
    item.paint(&painter, &option, nullptr);
    return image;
}

bool isGrey(const QColor& c)
{
    return c != kWhite && qAbs(c.red() - c.green()) < 8 && qAbs(c.green() - c.blue()) < 8;
}

// What the picture renderer does for a mark: the painter placed at the
// item's scene position, a default option, the export flag around paint().
QImage exportPaint(QGraphicsScene& scene, CDrawTextItem& item)
{
    QImage image(scene.sceneRect().size().toSize(), QImage::Format_ARGB32);
    image.fill(kWhite);
    QPainter painter(&image);
    painter.setTransform(item.sceneTransform());
    QStyleOptionGraphicsItem option;
    item.setExportPaint(true);
    item.paint(&painter, &option, nullptr);
    item.setExportPaint(false);
    return image;
}

QImage sceneRender(QGraphicsScene& scene)
{
    QImage image(scene.sceneRect().size().toSize(), QImage::Format_ARGB32);
    image.fill(kWhite);
    QPainter painter(&image);
    scene.render(&painter, QRectF(image.rect()), scene.sceneRect());
    return image;
}

} // namespace

class TestDrawTextItem : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void constructedState();
    void boxAndShadowCombinations_data();
    void boxAndShadowCombinations();
    void textIsDrawnInItsColour();
    void hoverHighlightOnlyWithMouseOverAndKeepsTheText();
    void exportPaintDrawsAtTheItemsPosition();
    void exportPaintLeavesOutTheEditor();
    void paintingLeavesTheItemAsItWas();
    void keysAreAlwaysAccepted_data();
    void keysAreAlwaysAccepted();
    void doubleClickEditsAgain();
    void castsToTheMixIn();
};

void TestDrawTextItem::initTestCase()
{
    QVERIFY2(!QFontInfo(testFont()).family().isEmpty(), "no font available for the text tests");
}

void TestDrawTextItem::constructedState()
{
    CDrawTextItem item;
    QVERIFY(item.shadow);
    QVERIFY(!item.hovered);
    QVERIFY(!item.filled);
    QVERIFY(!item.exportPaint);
    QVERIFY(!item.fillColor.isValid());
    QVERIFY(!item.frameColor.isValid());
    QCOMPARE(item.textInteractionFlags(), Qt::TextEditorInteraction);
}

void TestDrawTextItem::boxAndShadowCombinations_data()
{
    QTest::addColumn<bool>("frame");
    QTest::addColumn<bool>("filled");
    QTest::addColumn<bool>("shadow");
    QTest::addColumn<bool>("textShadow");
    QTest::addColumn<bool>("boxShadow");
    QTest::newRow("neither frame nor fill: text shadow only") << false << false << true << true << false;
    QTest::newRow("filled with shadow: grey box, no text shadow") << false << true << true << false << true;
    QTest::newRow("frame without fill: grey frame and grey text") << true << false << true << true << true;
    QTest::newRow("frame and fill with shadow") << true << true << true << false << true;
    QTest::newRow("frame and fill without shadow") << true << true << false << false << false;
    QTest::newRow("bare text without shadow") << false << false << false << false << false;
}

void TestDrawTextItem::boxAndShadowCombinations()
{
    QFETCH(bool, frame);
    QFETCH(bool, filled);
    QFETCH(bool, shadow);
    QFETCH(bool, textShadow);
    QFETCH(bool, boxShadow);
    // With an invisible text colour, any glyph that shows is the shadow's.
    CDrawTextItem item;
    setUp(item, frame, filled, shadow, QColor(0, 0, 0, 0));
    const QImage image = paintAtOffset(item);
    const QRect box = item.textBox().translated(10, 10).toRect();
    QVERIFY(box.width() > 40 && box.height() > 20);

    QSet<QRgb> inside;
    for (int y = box.top() + 4; y < box.bottom() - 2; ++y)
        for (int x = box.left() + 4; x < box.right() - 2; ++x)
            inside.insert(image.pixel(x, y));
    QCOMPARE(inside.size() > 1, textShadow);
    if (filled)
        QVERIFY(inside.contains(blendOver(kFillColor, blendOver(DrawPaint::shadowColor(), kWhite)).rgb()) ||
                inside.contains(blendOver(kFillColor, kWhite).rgb()));

    const QColor top = image.pixelColor(box.center().x(), box.top());
    if (frame)
        QCOMPARE(top, kFrameColor);
    else if (filled)
        QVERIFY2(nearColor(top, blendOver(kFillColor, kWhite)), qPrintable(describe(top)));
    else
        QCOMPARE(top, kWhite);

    bool greyBeyondRight = false;
    for (int x = box.right() + 1; x <= box.right() + 3; ++x)
        greyBeyondRight = greyBeyondRight || isGrey(image.pixelColor(x, box.center().y()));
    QCOMPARE(greyBeyondRight, boxShadow);
    QCOMPARE(image.pixelColor(box.right() + 6, box.center().y()), kWhite);
    QCOMPARE(image.pixelColor(box.left() - 2, box.center().y()), kWhite);
}

void TestDrawTextItem::textIsDrawnInItsColour()
{
    CDrawTextItem item;
    setUp(item, false, false, false, QColor(Qt::black));
    const QImage image = paintAtOffset(item);
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += image.pixelColor(x, y).value() < 60 ? 1 : 0;
    QVERIFY2(dark > 100, qPrintable(QString::number(dark)));
    QCOMPARE(item.defaultTextColor(), QColor(Qt::black));
}

void TestDrawTextItem::hoverHighlightOnlyWithMouseOverAndKeepsTheText()
{
    CDrawTextItem item;
    setUp(item, false, true, true, QColor(Qt::black));
    item.setFillColor(QColor(Qt::red));
    const QImage plain = paintAtOffset(item);
    const QImage hovered = paintAtOffset(item, QStyle::State_MouseOver);
    QCOMPARE(highlightPixels(plain), 0);
    QVERIFY(highlightPixels(hovered) > 20);
    // Away from the dashed edge the hovered picture equals the plain one:
    // the fill is not drawn again over the text.
    const QRect inner = item.textBox().translated(10, 10).toRect().adjusted(3, 3, -3, -3);
    QCOMPARE(hovered.copy(inner), plain.copy(inner));
}

void TestDrawTextItem::exportPaintDrawsAtTheItemsPosition()
{
    QGraphicsScene scene(0, 0, 300, 160);
    auto* item = new CDrawTextItem;
    scene.addItem(item);
    setUp(*item, true, true, true, QColor(Qt::darkGreen));
    item->setPos(40, 30);

    const QImage exported = exportPaint(scene, *item);
    QCOMPARE(TestSupport::differingPixels(exported, sceneRender(scene)), 0);
    // Nothing at the scene origin: the position is applied once.
    QVERIFY(nearColor(exported.pixelColor(45, 35),
                      blendOver(kFillColor, blendOver(DrawPaint::shadowColor(), kWhite))));
    QCOMPARE(exported.pixelColor(5, 5), kWhite);

    // Dragged with Select: the picture follows.
    item->setPos(120, 90);
    const QImage moved = exportPaint(scene, *item);
    QCOMPARE(TestSupport::differingPixels(moved, sceneRender(scene)), 0);
    QVERIFY(TestSupport::differingPixels(moved, exported) > 100);
}

void TestDrawTextItem::exportPaintLeavesOutTheEditor()
{
    QGraphicsScene scene(0, 0, 300, 160);
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&scene, &activate);
    auto* item = new CDrawTextItem;
    scene.addItem(item);
    setUp(*item, false, false, false, QColor(Qt::black));
    item->setPos(20, 20);
    const QImage idle = exportPaint(scene, *item);

    item->setTextInteractionFlags(Qt::TextEditorInteraction);
    item->setFocus(Qt::OtherFocusReason);
    QVERIFY(item->hasFocus());
    QTextCursor cursor = item->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(2, QTextCursor::KeepAnchor);
    item->setTextCursor(cursor);
    // On screen the editor shows (selection, focus frame) ...
    QVERIFY(TestSupport::differingPixels(sceneRender(scene), idle) > 0);
    // ... but the picture holds only the text.
    QCOMPARE(TestSupport::differingPixels(exportPaint(scene, *item), idle), 0);
}

void TestDrawTextItem::paintingLeavesTheItemAsItWas()
{
    CDrawTextItem item;
    setUp(item, true, true, true, QColor(10, 20, 30, 200));
    const QRectF bounds = item.boundingRect();
    for (bool exported : {false, true}) {
        item.setExportPaint(exported);
        paintAtOffset(item, QStyle::State_MouseOver);
        QCOMPARE(item.defaultTextColor(), QColor(10, 20, 30, 200));
        QCOMPARE(item.boundingRect(), bounds);
        QCOMPARE(item.toPlainText(), QStringLiteral("WWW"));
    }
    // The whole paint lies inside the bounding rectangle.
    const QImage image = paintAtOffset(item, QStyle::State_MouseOver);
    const QRect inside = bounds.translated(10, 10).toAlignedRect();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!inside.contains(x, y))
                QVERIFY2(image.pixelColor(x, y) == kWhite,
                         qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
}

void TestDrawTextItem::keysAreAlwaysAccepted_data()
{
    QTest::addColumn<int>("flags");
    QTest::newRow("while editing") << int(Qt::TextEditorInteraction);
    QTest::newRow("finished text") << int(Qt::NoTextInteraction);
}

void TestDrawTextItem::keysAreAlwaysAccepted()
{
    QFETCH(int, flags);
    Probe item;
    item.setTextInteractionFlags(Qt::TextInteractionFlags(flags));
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, Qt::Key_F13, Qt::NoModifier);
        event.ignore();
        if (type == QEvent::KeyPress)
            item.keyPressEvent(&event);
        else
            item.keyReleaseEvent(&event);
        QVERIFY(event.isAccepted());
    }
}

void TestDrawTextItem::doubleClickEditsAgain()
{
    QGraphicsScene scene;
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&scene, &activate);
    auto* item = new Probe;
    scene.addItem(item);
    item->setPlainText(QStringLiteral("done"));
    item->setTextInteractionFlags(Qt::NoTextInteraction);
    QVERIFY(!item->hasFocus());

    QGraphicsSceneMouseEvent event(QEvent::GraphicsSceneMouseDoubleClick);
    event.setButton(Qt::LeftButton);
    event.setButtons(Qt::LeftButton);
    event.setPos(QPointF(5, 5));
    event.ignore();
    item->mouseDoubleClickEvent(&event);
    QVERIFY(event.isAccepted());
    QVERIFY(item->hasFocus());
    QCOMPARE(item->textInteractionFlags(), Qt::TextEditorInteraction);
}

void TestDrawTextItem::castsToTheMixIn()
{
    CDrawTextItem item;
    auto* mixIn = static_cast<CDrawObjectItem*>(&item);
    QCOMPARE(item.qt_metacast("CDrawObjectItem"), static_cast<void*>(mixIn));
    QCOMPARE(item.qt_metacast("CDrawTextItem"), static_cast<void*>(&item));
    QCOMPARE(qobject_cast<CDrawObjectItem*>(&item), mixIn);
    QGraphicsItem* graphicsItem = &item;
    QCOMPARE(dynamic_cast<CDrawObjectItem*>(graphicsItem), mixIn);
}

QTEST_MAIN(TestDrawTextItem)
#include "tst_drawtextitem.moc"
