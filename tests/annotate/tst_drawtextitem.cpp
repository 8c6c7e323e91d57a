#include "ItemPainting.h"

#include "annotate/DrawTextItem.h"
#include "support/TestSupport.h"

#include <QFontInfo>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QTextCursor>
#include <QtTest>

namespace {

const QColor kFrameColor(Qt::blue);
const QColor kFillColor(255, 255, 0, 128);

struct Probe : CDrawTextItem
{
    using CDrawTextItem::keyPressEvent;
    using CDrawTextItem::mouseDoubleClickEvent;
};

void setUp(CDrawTextItem& item, bool frame, bool filled, bool shadow, const QColor& textColor)
{
    item.setFont(QFont(QStringLiteral("DejaVu Sans"), 20));
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

// What the picture renderer does for a mark: the painter at the item's
// scene position, a default option, the export flag around paint().
QImage exportPaint(CDrawTextItem& item)
{
    QImage image(300, 160, QImage::Format_ARGB32);
    image.fill(Qt::white);
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
    QImage image(300, 160, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    scene.render(&painter, QRectF(image.rect()), QRectF(image.rect()));
    return image;
}

} // namespace

class TestDrawTextItem : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(!QFontInfo(QFont(QStringLiteral("DejaVu Sans"), 20)).family().isEmpty()); }
    void boxAndShadow_data();
    void boxAndShadow();
    void exportPaintDrawsAtTheItemsPosition();
    void exportPaintLeavesOutTheEditor();
    void keysAcceptedAndDoubleClickEditsAgain();
};

void TestDrawTextItem::boxAndShadow_data()
{
    QTest::addColumn<bool>("frame");
    QTest::addColumn<bool>("filled");
    QTest::addColumn<bool>("shadow");
    QTest::addColumn<bool>("textShadow");
    QTest::addColumn<bool>("boxShadow");
    QTest::newRow("neither frame nor fill: text shadow only") << false << false << true << true << false;
    QTest::newRow("filled with shadow: grey box, no text shadow") << false << true << true << false << true;
    QTest::newRow("frame without fill: grey frame and grey text") << true << false << true << true << true;
    QTest::newRow("frame and fill without shadow") << true << true << false << false << false;
}

void TestDrawTextItem::boxAndShadow()
{
    QFETCH(bool, frame);
    QFETCH(bool, filled);
    QFETCH(bool, shadow);
    QFETCH(bool, textShadow);
    QFETCH(bool, boxShadow);
    // With an invisible text colour, any glyph that shows is the shadow's.
    CDrawTextItem item;
    setUp(item, frame, filled, shadow, QColor(0, 0, 0, 0));
    const QImage image = paintItem(item, false, QPointF(10, 10));
    const QRect box = item.textBox().translated(10, 10).toRect();
    QVERIFY(box.width() > 40 && box.height() > 20);
    QSet<QRgb> inside;
    for (int y = box.top() + 4; y < box.bottom() - 2; ++y)
        for (int x = box.left() + 4; x < box.right() - 2; ++x)
            inside.insert(image.pixel(x, y));
    QCOMPARE(inside.size() > 1, textShadow);

    const QColor top = image.pixelColor(box.center().x(), box.top());
    QVERIFY(nearColor(top, frame ? kFrameColor : filled ? blendOver(kFillColor) : QColor(Qt::white)));
    bool greyBeyondRight = false;
    for (int x = box.right() + 1; x <= box.right() + 3; ++x) {
        const QColor c = image.pixelColor(x, box.center().y());
        greyBeyondRight |= c != QColor(Qt::white) && c.red() == c.green() && c.green() == c.blue();
    }
    QCOMPARE(greyBeyondRight, boxShadow);

    // The hover outline is drawn without the fill, which would hide the text.
    setUp(item, frame, filled, shadow, QColor(Qt::black));
    const QImage plain = paintItem(item, false, QPointF(10, 10));
    const QImage hovered = paintItem(item, true, QPointF(10, 10));
    QCOMPARE(highlightPixels(plain), 0);
    QVERIFY(highlightPixels(hovered) > 20);
    const QRect inner = box.adjusted(3, 3, -3, -3);
    QCOMPARE(hovered.copy(inner), plain.copy(inner));
    QVERIFY(paintedOnlyInside(hovered, item.boundingRect().translated(10, 10).toAlignedRect()));
    QCOMPARE(item.defaultTextColor(), QColor(Qt::black));
}

void TestDrawTextItem::exportPaintDrawsAtTheItemsPosition()
{
    QGraphicsScene scene;
    auto* item = new CDrawTextItem;
    scene.addItem(item);
    setUp(*item, true, true, true, QColor(Qt::darkGreen));
    item->setPos(40, 30);
    const QImage exported = exportPaint(*item);
    QCOMPARE(TestSupport::differingPixels(exported, sceneRender(scene)), 0);
    QCOMPARE(exported.pixelColor(5, 5), QColor(Qt::white)); // the position is applied once
    // Dragged with Select: the picture follows.
    item->setPos(120, 90);
    const QImage moved = exportPaint(*item);
    QCOMPARE(TestSupport::differingPixels(moved, sceneRender(scene)), 0);
    QVERIFY(TestSupport::differingPixels(moved, exported) > 100);
}

void TestDrawTextItem::exportPaintLeavesOutTheEditor()
{
    QGraphicsScene scene;
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&scene, &activate);
    auto* item = new CDrawTextItem;
    scene.addItem(item);
    setUp(*item, false, false, false, QColor(Qt::black));
    item->setPos(20, 20);
    const QImage idle = exportPaint(*item);

    item->setTextInteractionFlags(Qt::TextEditorInteraction);
    item->setFocus(Qt::OtherFocusReason);
    QTextCursor cursor = item->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(2, QTextCursor::KeepAnchor);
    item->setTextCursor(cursor);
    // The screen shows the editor (selection, focus frame), the picture not.
    QVERIFY(TestSupport::differingPixels(sceneRender(scene), idle) > 0);
    QCOMPARE(TestSupport::differingPixels(exportPaint(*item), idle), 0);
}

void TestDrawTextItem::keysAcceptedAndDoubleClickEditsAgain()
{
    QGraphicsScene scene;
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&scene, &activate);
    auto* item = new Probe;
    scene.addItem(item);
    item->setPlainText(QStringLiteral("done"));
    item->setTextInteractionFlags(Qt::NoTextInteraction);

    QKeyEvent key(QEvent::KeyPress, Qt::Key_F13, Qt::NoModifier);
    key.ignore();
    item->keyPressEvent(&key);
    QVERIFY(key.isAccepted());

    QGraphicsSceneMouseEvent click(QEvent::GraphicsSceneMouseDoubleClick);
    click.setButton(Qt::LeftButton);
    click.setButtons(Qt::LeftButton);
    click.ignore();
    item->mouseDoubleClickEvent(&click);
    QVERIFY(click.isAccepted());
    QVERIFY(item->hasFocus());
    QCOMPARE(item->textInteractionFlags(), Qt::TextEditorInteraction);
    QCOMPARE(item->qt_metacast("CDrawObjectItem"), static_cast<void*>(static_cast<CDrawObjectItem*>(item)));
}

QTEST_MAIN(TestDrawTextItem)
#include "tst_drawtextitem.moc"
