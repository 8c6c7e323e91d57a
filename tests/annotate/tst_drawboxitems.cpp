#include "ItemPainting.h"

#include "annotate/DrawEllipseItem.h"
#include "annotate/DrawPolygonItem.h"
#include "annotate/DrawRectItem.h"

#include <QtTest>

#include <memory>

namespace {

enum class Kind
{
    Rect,
    Ellipse,
    Polygon,
    Freehand
};

// A mark over (20, 20)-(80, 60) with the given pen, a blue brush and shadow.
std::unique_ptr<QAbstractGraphicsShapeItem> makeMark(Kind kind, bool filled, bool shadow,
                                                     const QPen& pen = QPen(Qt::red))
{
    const QRectF r(20, 20, 60, 40);
    std::unique_ptr<QAbstractGraphicsShapeItem> item;
    CDrawObjectItem* mark = nullptr;
    if (kind == Kind::Rect) {
        auto* rect = new CDrawRectItem;
        rect->setRect(r);
        rect->setFilled(filled);
        item.reset(rect);
        mark = rect;
    } else if (kind == Kind::Ellipse) {
        auto* ellipse = new CDrawEllipseItem;
        ellipse->setRect(r);
        ellipse->setFilled(filled);
        item.reset(ellipse);
        mark = ellipse;
    } else {
        auto* polygon = new CDrawPolygonItem;
        polygon->setPolygon(QPolygonF(r));
        polygon->setFilled(filled);
        polygon->setFreehand(kind == Kind::Freehand);
        item.reset(polygon);
        mark = polygon;
    }
    mark->shadow = shadow;
    item->setPen(pen);
    item->setBrush(QBrush(Qt::blue));
    return item;
}

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestDrawBoxItems : public QObject
{
    Q_OBJECT
private slots:
    void paintScheme_data();
    void paintScheme();
    void shadowIgnoresPenTransparency();
    void ellipseLeavesTheCornersAlone();
    void selfCrossingPolygonUsesOddEvenFill();
    void freehandStrokeStaysOpenAndUnfilled();
    void polygonOfTwoEqualPoints();
};

void TestDrawBoxItems::paintScheme_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("filled");
    QTest::addColumn<bool>("shadow");
    QTest::newRow("filled rectangle with shadow") << Kind::Rect << true << true;
    QTest::newRow("outlined rectangle with shadow") << Kind::Rect << false << true;
    QTest::newRow("filled rectangle without shadow") << Kind::Rect << true << false;
    QTest::newRow("filled ellipse with shadow") << Kind::Ellipse << true << true;
    QTest::newRow("outlined ellipse without shadow") << Kind::Ellipse << false << false;
    QTest::newRow("filled polygon with shadow") << Kind::Polygon << true << true;
    QTest::newRow("outlined polygon with shadow") << Kind::Polygon << false << true;
    QTest::newRow("free hand asked to fill") << Kind::Freehand << true << true;
}

void TestDrawBoxItems::paintScheme()
{
    QFETCH(Kind, kind);
    QFETCH(bool, filled);
    QFETCH(bool, shadow);
    QPen pen(Qt::red);
    pen.setWidth(1);
    auto item = makeMark(kind, filled, shadow, pen);
    const bool fills = filled && kind != Kind::Freehand;
    const QRectF bounds = item->boundingRect();
    const QImage plain = paintItem(*item, false);

    QCOMPARE(plain.pixelColor(50, 40), fills ? QColor(Qt::blue) : QColor(Qt::white));
    QCOMPARE(plain.pixelColor(80, 40), QColor(Qt::red)); // right edge
    // The grey shadow two pixels right and down, never left or up.
    const QColor expected = shadow ? shadowOnWhite() : QColor(Qt::white);
    QVERIFY(nearColor(plain.pixelColor(82, 40), expected));
    QVERIFY(nearColor(plain.pixelColor(50, 62), expected));
    QCOMPARE(plain.pixelColor(83, 40), QColor(Qt::white));
    QCOMPARE(plain.pixelColor(18, 40), QColor(Qt::white));
    QCOMPARE(plain.pixelColor(50, 18), QColor(Qt::white));
    if (shadow && !fills)
        QCOMPARE(plain.pixelColor(60, 45), QColor(Qt::white)); // no grey box under an outline

    // The highlight only with the mouse-over state, along the outline.
    QCOMPARE(highlightPixels(plain), 0);
    const QImage hovered = paintItem(*item, true);
    QVERIFY(highlightPixels(hovered) > 20);
    QCOMPARE(hovered.pixelColor(50, 40), plain.pixelColor(50, 40));
    QVERIFY(paintedOnlyInside(hovered, item->boundingRect().toAlignedRect()));

    // Painting changes nothing but the brush of a mark that does not fill.
    QCOMPARE(item->pen(), pen);
    QCOMPARE(item->brush(), fills ? QBrush(Qt::blue) : QBrush(Qt::NoBrush));
    QCOMPARE(item->boundingRect(), bounds);
}

void TestDrawBoxItems::shadowIgnoresPenTransparency()
{
    QPen pen(QColor(255, 0, 0, 128));
    pen.setWidth(3);
    for (Kind kind : {Kind::Rect, Kind::Ellipse, Kind::Polygon}) {
        auto item = makeMark(kind, false, true, pen);
        const QImage image = paintItem(*item, false);
        // The outline covers x 79..81, its fixed grey shadow reaches 83.
        QVERIFY(nearColor(image.pixelColor(82, 40), shadowOnWhite()));
        QVERIFY(paintedOnlyInside(paintItem(*item, true), item->boundingRect().toAlignedRect()));
    }
}

void TestDrawBoxItems::ellipseLeavesTheCornersAlone()
{
    QCOMPARE(paintItem(*makeMark(Kind::Ellipse, true, true), false).pixelColor(23, 23), QColor(Qt::white));
    QCOMPARE(paintItem(*makeMark(Kind::Rect, true, true), false).pixelColor(23, 23), QColor(Qt::blue));
}

void TestDrawBoxItems::selfCrossingPolygonUsesOddEvenFill()
{
    // A five-pointed star drawn in one go: its centre is covered twice.
    QPolygonF star;
    for (int i = 0; i < 5; ++i)
        star << QPointF(60 + 50 * std::cos(-M_PI / 2 + i * 4 * M_PI / 5),
                        60 + 50 * std::sin(-M_PI / 2 + i * 4 * M_PI / 5));
    CDrawPolygonItem item;
    item.setPolygon(star);
    item.setBrush(QBrush(Qt::blue));
    item.setFilled(true);
    const QImage image = paintItem(item, false);
    QCOMPARE(image.pixelColor(60, 60), QColor(Qt::white));
    QCOMPARE(image.pixelColor(60, 20), QColor(Qt::blue));
}

void TestDrawBoxItems::freehandStrokeStaysOpenAndUnfilled()
{
    // A U-shaped stroke; a closed polygon would add the edge along the top.
    for (bool freehand : {true, false}) {
        CDrawPolygonItem item;
        item.setPolygon(QPolygonF({QPointF(20, 20), QPointF(20, 80), QPointF(80, 80), QPointF(80, 20)}));
        item.setPen(QPen(Qt::red));
        item.setBrush(QBrush(Qt::blue));
        item.setFilled(true);
        item.setFreehand(freehand);
        const QImage image = paintItem(item, false);
        QCOMPARE(image.pixelColor(20, 50), QColor(Qt::red));
        if (freehand) // the same stroke in grey, under the fill otherwise
            QVERIFY(nearColor(image.pixelColor(22, 50), shadowOnWhite()));
        QCOMPARE(image.pixelColor(50, 20), freehand ? QColor(Qt::white) : QColor(Qt::red));
        QCOMPARE(image.pixelColor(50, 50), freehand ? QColor(Qt::white) : QColor(Qt::blue));
        // The eraser finds a stroke on its line, not inside the loop it makes.
        QCOMPARE(item.shape().contains(QPointF(50, 50)), !freehand);
        QVERIFY(!freehand || item.shape().contains(QPointF(20, 50)));
    }
}

void TestDrawBoxItems::polygonOfTwoEqualPoints()
{
    for (bool freehand : {false, true}) {
        CDrawPolygonItem item;
        item.setPolygon(QPolygonF({QPointF(30, 30), QPointF(30, 30)}));
        item.setFilled(true);
        item.setFreehand(freehand);
        QVERIFY(paintedOnlyInside(paintItem(item, true), item.boundingRect().toAlignedRect()));
    }
}

QTEST_MAIN(TestDrawBoxItems)
#include "tst_drawboxitems.moc"
