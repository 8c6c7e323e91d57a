// The marks painted on their own, as the picture renderer paints them: the
// arrow head's geometry, text marks at their position without the editor,
// and long free-hand strokes that paint the same in pieces as whole.
#include "annotate/DrawLineItem.h"
#include "annotate/DrawPolygonItem.h"
#include "annotate/DrawTextItem.h"
#include "support/TestSupport.h"

#include <QFontInfo>
#include <QGraphicsScene>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QTextCursor>
#include <QtTest>

#include <cmath>

namespace {

const QColor kFrameColor(Qt::blue);
const QColor kFillColor(255, 255, 0, 128);

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

// A scribble that crosses itself many times.
QPolygonF scribble(int points)
{
    QPolygonF p;
    for (int i = 0; i < points; ++i)
        p << QPointF(200 + 150 * std::sin(i * 0.173) + i * 0.05, 150 + 110 * std::cos(i * 0.071));
    return p;
}

QImage paint(CDrawPolygonItem& item, const QList<QRect>& tiles)
{
    QImage image(420, 320, QImage::Format_RGB32);
    image.fill(QColor(40, 90, 160));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const QRect& tile : tiles) {
        painter.save();
        painter.setClipRect(tile);
        QStyleOptionGraphicsItem option;
        option.exposedRect = tile;
        item.paint(&painter, &option, nullptr);
        painter.restore();
    }
    return image;
}

} // namespace

class TestItems : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(!QFontInfo(QFont(QStringLiteral("DejaVu Sans"), 20)).family().isEmpty()); }
    void arrowHeadGeometry_data();
    void arrowHeadGeometry();
    void exportPaintDrawsAtTheItemsPosition();
    void exportPaintLeavesOutTheEditor();
};

void TestItems::arrowHeadGeometry_data()
{
    QTest::addColumn<QLineF>("line");
    QTest::addColumn<int>("penWidth");
    QTest::addColumn<QPolygon>("triangle");
    QTest::addColumn<QPoint>("shaftEnd");
    QTest::newRow("horizontal, to the right")
        << QLineF(0, 0, 100, 0) << 1 << QPolygon({QPoint(90, -5), QPoint(100, 0), QPoint(90, 5)})
        << QPoint(90, 0);
    QTest::newRow("horizontal, reversed")
        << QLineF(100, 0, 0, 0) << 1 << QPolygon({QPoint(9, 5), QPoint(0, 0), QPoint(9, -5)}) << QPoint(9, 0);
    QTest::newRow("vertical, downwards")
        << QLineF(0, 0, 0, 100) << 1 << QPolygon({QPoint(5, 90), QPoint(0, 100), QPoint(-5, 90)})
        << QPoint(0, 90);
    QTest::newRow("zero length points towards negative x")
        << QLineF(5, 5, 5, 5) << 1 << QPolygon({QPoint(14, 10), QPoint(5, 5), QPoint(14, 0)})
        << QPoint(14, 5);
    QTest::newRow("5-pixel pen: barbs of 15")
        << QLineF(0, 0, 100, 0) << 5 << QPolygon({QPoint(87, -7), QPoint(100, 0), QPoint(87, 7)})
        << QPoint(87, 0);
    // sin(A) is a hair under 0.5 (A is not pi / 6): the barbs stop short of -5 and 6.
    QTest::newRow("fractional end point shows the angle constant")
        << QLineF(0.5, 0.5, 100.7, 0.5) << 1 << QPolygon({QPoint(91, -4), QPoint(100, 0), QPoint(91, 5)})
        << QPoint(91, 0);
}

void TestItems::arrowHeadGeometry()
{
    QFETCH(QLineF, line);
    QFETCH(int, penWidth);
    QFETCH(QPolygon, triangle);
    QFETCH(QPoint, shaftEnd);
    const ArrowHead head = arrowHead(line, penWidth);
    QCOMPARE(head.triangle, triangle);
    QCOMPARE(head.shaftEnd, shaftEnd);
}

void TestItems::exportPaintDrawsAtTheItemsPosition()
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

void TestItems::exportPaintLeavesOutTheEditor()
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

QTEST_MAIN(TestItems)
#include "tst_items.moc"
