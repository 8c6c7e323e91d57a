#include "ItemPainting.h"

#include "annotate/DrawLineItem.h"

#include <QGraphicsSceneHoverEvent>
#include <QtTest>

namespace {

const QColor kWhite(Qt::white);

struct HoverProbe : CDrawLineItem
{
    using CDrawLineItem::hoverEnterEvent;
    using CDrawLineItem::hoverLeaveEvent;
};

} // namespace

class TestDrawLineItem : public QObject
{
    Q_OBJECT
private slots:
    void halfAngleIsNotPiOverSix();
    void arrowHeadGeometry_data();
    void arrowHeadGeometry();
    void shadowAlpha_data();
    void shadowAlpha();
    void paintsTheHeadAtTheEndPoint_data();
    void paintsTheHeadAtTheEndPoint();
    void plainLineShadowIsGreyTwoPixelsOff_data();
    void plainLineShadowIsGreyTwoPixelsOff();
    void headShadowFollowsThePenAlpha();
    void hoverHighlightOnlyWithMouseOver();
    void lineAndPenUnchangedByPainting();
    void headIsPaintedInsideTheBoundsButNotPartOfTheShape();
    void hoveredFollowsEnterAndLeave();
};

void TestDrawLineItem::halfAngleIsNotPiOverSix()
{
    QCOMPARE(kArrowHalfAngle, 0.5235987755966166);
    QVERIFY(kArrowHalfAngle != M_PI / 6);
}

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
    // Barbs of length 15 at about 30 degrees: 12.99 back, 7.5 aside.
    QTest::newRow("5-pixel pen makes a longer head")
        << QLineF(0, 0, 100, 0) << 5 << QPolygon({QPoint(87, -7), QPoint(100, 0), QPoint(87, 7)})
        << QPoint(87, 0);
    // sin(A) is a hair under 0.5: the barbs end just short of -5 and 6.
    QTest::newRow("fractional end point shows the angle's rounding")
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
    QTest::newRow("transparency 50") << 127 << 107;
    QTest::newRow("alpha 26 is the last above the floor") << 26 << 6;
    QTest::newRow("alpha 25 hits the floor") << 25 << 5;
    QTest::newRow("alpha 24") << 24 << 5;
    QTest::newRow("smallest transparency, alpha 12") << 12 << 5;
    QTest::newRow("invisible pen") << 0 << 5;
}

void TestDrawLineItem::shadowAlpha()
{
    QFETCH(int, penAlpha);
    QFETCH(int, shadowAlpha);
    const QColor shadow = lineShadowColor(QColor(200, 10, 30, penAlpha));
    QCOMPARE(shadow, QColor(125, 125, 125, shadowAlpha));
}

void TestDrawLineItem::paintsTheHeadAtTheEndPoint_data()
{
    QTest::addColumn<bool>("arrow");
    QTest::newRow("arrow") << true;
    QTest::newRow("plain line") << false;
}

void TestDrawLineItem::paintsTheHeadAtTheEndPoint()
{
    QFETCH(bool, arrow);
    CDrawLineItem item;
    item.setLine(10, 60, 110, 60);
    item.setPen(QPen(Qt::red));
    item.arrow = arrow;
    item.shadow = false;
    const QImage image = paintItem(item, false);
    QCOMPARE(image.pixelColor(50, 60), QColor(Qt::red));                   // the shaft
    QCOMPARE(image.pixelColor(108, 60), QColor(Qt::red));                  // shaft or head near the tip
    QCOMPARE(image.pixelColor(103, 58), arrow ? QColor(Qt::red) : kWhite); // inside the head
    QCOMPARE(image.pixelColor(103, 62), arrow ? QColor(Qt::red) : kWhite);
    QCOMPARE(image.pixelColor(96, 60), QColor(Qt::red)); // behind the head: still shaft
    QCOMPARE(image.pixelColor(98, 56), kWhite);          // outside the barbs
    QCOMPARE(image.pixelColor(112, 60), kWhite);         // nothing past the tip
}

void TestDrawLineItem::plainLineShadowIsGreyTwoPixelsOff_data()
{
    QTest::addColumn<int>("penAlpha");
    QTest::newRow("opaque line") << 255;
    QTest::newRow("half-transparent line") << 127;
    QTest::newRow("nearly invisible line") << 12;
}

void TestDrawLineItem::plainLineShadowIsGreyTwoPixelsOff()
{
    QFETCH(int, penAlpha);
    CDrawLineItem item;
    item.setLine(10, 40, 100, 40);
    item.setPen(QPen(QColor(0, 0, 255, penAlpha)));
    const QImage image = paintItem(item, false);
    const QColor expected = blendOver(lineShadowColor(item.pen().color()), kWhite);
    QVERIFY2(nearColor(image.pixelColor(50, 42), expected), qPrintable(describe(image.pixelColor(50, 42))));
    QCOMPARE(image.pixelColor(50, 41), kWhite);
    QCOMPARE(image.pixelColor(50, 39), kWhite);
    QVERIFY(nearColor(image.pixelColor(101, 42), expected));
    QCOMPARE(image.pixelColor(9, 42), kWhite);
}

void TestDrawLineItem::headShadowFollowsThePenAlpha()
{
    CDrawLineItem item;
    item.setLine(10, 60, 110, 60);
    item.setPen(QPen(QColor(255, 0, 0, 255)));
    item.arrow = true;
    const QImage image = paintItem(item, false);
    // Just below the head's lower edge, inside its shadow two pixels down.
    const QColor expected = blendOver(QColor(125, 125, 125, 235), kWhite);
    QVERIFY2(nearColor(image.pixelColor(104, 65), expected), qPrintable(describe(image.pixelColor(104, 65))));
    QCOMPARE(image.pixelColor(104, 62), QColor(Qt::red));
}

void TestDrawLineItem::hoverHighlightOnlyWithMouseOver()
{
    CDrawLineItem item;
    item.setLine(10, 60, 110, 60);
    item.setPen(QPen(Qt::red, 1));
    item.arrow = true;
    QCOMPARE(highlightPixels(paintItem(item, false)), 0);
    QVERIFY(highlightPixels(paintItem(item, true)) > 20);
}

void TestDrawLineItem::lineAndPenUnchangedByPainting()
{
    CDrawLineItem item;
    const QLineF line(12.5, 30.25, 80.75, 91.5);
    QPen pen(QColor(1, 2, 3, 100));
    pen.setWidth(4);
    item.setLine(line);
    item.setPen(pen);
    item.arrow = true;
    const QRectF bounds = item.boundingRect();
    for (bool mouseOver : {false, true}) {
        paintItem(item, mouseOver);
        QCOMPARE(item.line(), line);
        QCOMPARE(item.pen(), pen);
        QCOMPARE(item.boundingRect(), bounds);
    }
}

void TestDrawLineItem::headIsPaintedInsideTheBoundsButNotPartOfTheShape()
{
    CDrawLineItem item;
    item.setLine(30, 60, 90, 60);
    QPen pen(Qt::red);
    pen.setWidth(5);
    item.setPen(pen);
    item.arrow = true;
    const QImage image = paintItem(item, true);
    const QRect bounds = item.boundingRect().toAlignedRect();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!bounds.contains(x, y))
                QVERIFY2(image.pixelColor(x, y) == kWhite,
                         qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
    // The barb tips are painted, but the eraser only hits the line itself.
    const ArrowHead head = arrowHead(item.line(), pen.width());
    QVERIFY(!item.shape().contains(QPointF(head.triangle.at(0)) + QPointF(0, 1)));
    QVERIFY(item.shape().contains(QPointF(60, 60)));
}

void TestDrawLineItem::hoveredFollowsEnterAndLeave()
{
    HoverProbe item;
    QVERIFY(!item.hovered);
    QVERIFY(item.shadow);
    QVERIFY(!item.arrow);
    QGraphicsSceneHoverEvent enter(QEvent::GraphicsSceneHoverEnter);
    QGraphicsSceneHoverEvent leave(QEvent::GraphicsSceneHoverLeave);
    item.hoverEnterEvent(&enter);
    QVERIFY(item.hovered);
    item.hoverLeaveEvent(&leave);
    QVERIFY(!item.hovered);
}

QTEST_MAIN(TestDrawLineItem)
#include "tst_drawlineitem.moc"
