#include "ItemPainting.h"

#include "annotate/DrawLineItem.h"

#include <QtTest>

class TestDrawLineItem : public QObject
{
    Q_OBJECT
private slots:
    void arrowHeadGeometry_data();
    void arrowHeadGeometry();
    void shadowAlpha_data();
    void shadowAlpha();
    void paint_data();
    void paint();
};

void TestDrawLineItem::arrowHeadGeometry_data()
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

void TestDrawLineItem::arrowHeadGeometry()
{
    QFETCH(QLineF, line);
    QFETCH(int, penWidth);
    QFETCH(QPolygon, triangle);
    QFETCH(QPoint, shaftEnd);
    const ArrowHead head = arrowHead(line, penWidth);
    QCOMPARE(head.triangle, triangle);
    QCOMPARE(head.shaftEnd, shaftEnd);
}

void TestDrawLineItem::shadowAlpha_data()
{
    QTest::addColumn<int>("penAlpha");
    QTest::addColumn<int>("shadowAlpha");
    QTest::newRow("opaque pen") << 255 << 235;
    QTest::newRow("alpha 26 is the last above the floor") << 26 << 6;
    QTest::newRow("alpha 25 hits the floor") << 25 << 5;
    QTest::newRow("smallest transparency, alpha 12") << 12 << 5;
}

void TestDrawLineItem::shadowAlpha()
{
    QFETCH(int, penAlpha);
    QFETCH(int, shadowAlpha);
    QCOMPARE(lineShadowColor(QColor(200, 10, 30, penAlpha)), QColor(125, 125, 125, shadowAlpha));
}

void TestDrawLineItem::paint_data()
{
    QTest::addColumn<bool>("arrow");
    QTest::addColumn<bool>("shadow");
    QTest::addColumn<int>("penAlpha");
    QTest::newRow("arrow with shadow") << true << true << 255;
    QTest::newRow("arrow without shadow") << true << false << 255;
    QTest::newRow("plain line with shadow") << false << true << 255;
    QTest::newRow("half-transparent plain line") << false << true << 127;
}

void TestDrawLineItem::paint()
{
    QFETCH(bool, arrow);
    QFETCH(bool, shadow);
    QFETCH(int, penAlpha);
    CDrawLineItem item;
    const QLineF line(10, 60, 110, 60);
    const QPen pen(QColor(255, 0, 0, penAlpha));
    item.setLine(line);
    item.setPen(pen);
    item.arrow = arrow;
    item.shadow = shadow;
    const QRectF bounds = item.boundingRect();
    const QImage image = paintItem(item, false);

    const QColor stroke = blendOver(pen.color());
    QCOMPARE(image.pixelColor(50, 60), stroke);                              // the shaft
    QCOMPARE(image.pixelColor(103, 58), arrow ? stroke : QColor(Qt::white)); // inside the head
    QCOMPARE(image.pixelColor(103, 61), arrow ? stroke : QColor(Qt::white));
    QCOMPARE(image.pixelColor(98, 56), QColor(Qt::white));  // beside the barbs
    QCOMPARE(image.pixelColor(112, 60), QColor(Qt::white)); // past the tip
    // The shadow two pixels down, grey with the pen's alpha less 20; below
    // the head's lower edge for an arrow.
    const QColor grey = shadow ? blendOver(lineShadowColor(pen.color())) : QColor(Qt::white);
    QVERIFY(nearColor(image.pixelColor(50, 62), grey));
    QCOMPARE(image.pixelColor(50, 61), QColor(Qt::white));
    QVERIFY(nearColor(image.pixelColor(104, 65), arrow ? grey : QColor(Qt::white)));

    QCOMPARE(highlightPixels(image), 0);
    const QImage hovered = paintItem(item, true);
    QVERIFY(highlightPixels(hovered) > 20);
    // Head and shadow are painted inside the bounds; the eraser still hits
    // only the line itself, not the barbs.
    QVERIFY(paintedOnlyInside(hovered, bounds.toAlignedRect()));
    QVERIFY(!item.shape().contains(QPointF(101, 56)));
    QVERIFY(item.shape().contains(QPointF(60, 60)));
    QCOMPARE(item.line(), line);
    QCOMPARE(item.pen(), pen);
    QCOMPARE(item.boundingRect(), bounds);
}

QTEST_MAIN(TestDrawLineItem)
#include "tst_drawlineitem.moc"
