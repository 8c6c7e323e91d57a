#include "ItemPainting.h"

#include "annotate/DrawEllipseItem.h"
#include "annotate/DrawPolygonItem.h"
#include "annotate/DrawRectItem.h"

#include <QGraphicsSceneHoverEvent>
#include <QtTest>

#include <memory>

namespace {

const QColor kWhite(Qt::white);
const QColor kShadowOnWhite = blendOver(QColor(125, 125, 125, 125), kWhite);

enum class Kind
{
    Rect,
    Ellipse,
    Polygon
};

// A box-like mark over (20, 20)-(80, 60) with the scene's pen and brush.
std::unique_ptr<QAbstractGraphicsShapeItem> makeBox(Kind kind, const QPen& pen, const QBrush& brush,
                                                    bool filled, bool shadow)
{
    const QRectF r(20, 20, 60, 40);
    std::unique_ptr<QAbstractGraphicsShapeItem> item;
    if (kind == Kind::Rect) {
        auto* rect = new CDrawRectItem;
        rect->setRect(r);
        rect->setFilled(filled);
        rect->shadow = shadow;
        item.reset(rect);
    } else if (kind == Kind::Ellipse) {
        auto* ellipse = new CDrawEllipseItem;
        ellipse->setRect(r);
        ellipse->setFilled(filled);
        ellipse->shadow = shadow;
        item.reset(ellipse);
    } else {
        auto* polygon = new CDrawPolygonItem;
        polygon->setPolygon(QPolygonF(r));
        polygon->setFilled(filled);
        polygon->shadow = shadow;
        item.reset(polygon);
    }
    item->setPen(pen);
    item->setBrush(brush);
    return item;
}

template <class Item> struct HoverProbe : Item
{
    using Item::hoverEnterEvent;
    using Item::hoverLeaveEvent;
};

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestDrawBoxItems : public QObject
{
    Q_OBJECT
private slots:
    void shadowPass_data();
    void shadowPass();
    void shadowIgnoresPenTransparency_data();
    void shadowIgnoresPenTransparency();
    void penAndBrushAfterPainting_data();
    void penAndBrushAfterPainting();
    void hoverHighlightOnlyWithMouseOver_data();
    void hoverHighlightOnlyWithMouseOver();
    void ellipseLeavesTheCornersAlone();
    void selfCrossingPolygonUsesOddEvenFill();
    void freehandStrokeStaysOpenAndUnfilled();
    void freehandShadowIsTheSameStrokeShifted();
    void polygonOfTwoEqualPoints();
    void paintingCoversOnlyTheBoundingRect_data();
    void paintingCoversOnlyTheBoundingRect();
    void hoveredFollowsEnterAndLeave();
};

void TestDrawBoxItems::shadowPass_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("shadow");
    QTest::newRow("rectangle with shadow") << Kind::Rect << true;
    QTest::newRow("rectangle without shadow") << Kind::Rect << false;
    QTest::newRow("ellipse with shadow") << Kind::Ellipse << true;
    QTest::newRow("ellipse without shadow") << Kind::Ellipse << false;
    QTest::newRow("polygon with shadow") << Kind::Polygon << true;
    QTest::newRow("polygon without shadow") << Kind::Polygon << false;
}

void TestDrawBoxItems::shadowPass()
{
    QFETCH(Kind, kind);
    QFETCH(bool, shadow);
    auto item = makeBox(kind, QPen(Qt::red), QBrush(Qt::blue), true, shadow);
    const QImage image = paintItem(*item, false);

    // Inside: the coloured fill on top of the shadow.
    QCOMPARE(image.pixelColor(50, 40), QColor(Qt::blue));
    // Two pixels right of and below the right and bottom edges only the grey
    // shadow shows; left of and above the shape nothing does.
    const QColor expected = shadow ? kShadowOnWhite : kWhite;
    QVERIFY2(nearColor(image.pixelColor(82, 40), expected), qPrintable(describe(image.pixelColor(82, 40))));
    QVERIFY2(nearColor(image.pixelColor(50, 62), expected), qPrintable(describe(image.pixelColor(50, 62))));
    QCOMPARE(image.pixelColor(19, 40), kWhite);
    QCOMPARE(image.pixelColor(50, 19), kWhite);
    QCOMPARE(image.pixelColor(83, 40), kWhite);
}

void TestDrawBoxItems::shadowIgnoresPenTransparency_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("rectangle") << Kind::Rect;
    QTest::newRow("ellipse") << Kind::Ellipse;
    QTest::newRow("polygon") << Kind::Polygon;
}

void TestDrawBoxItems::shadowIgnoresPenTransparency()
{
    QFETCH(Kind, kind);
    QPen pen(QColor(255, 0, 0, 128));
    pen.setWidth(3);
    auto item = makeBox(kind, pen, QBrush(Qt::blue), false, true);
    const QImage image = paintItem(*item, false);
    // The right outline covers x 79..81, its shadow two pixels further.
    QVERIFY2(nearColor(image.pixelColor(82, 40), kShadowOnWhite),
             qPrintable(describe(image.pixelColor(82, 40))));
    // Unfilled: the inside shows the background, not the brush nor a grey box.
    QCOMPARE(image.pixelColor(50, 40), kWhite);
}

void TestDrawBoxItems::penAndBrushAfterPainting_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("filled");
    QTest::addColumn<bool>("freehand");
    QTest::addColumn<bool>("brushKept");
    QTest::newRow("filled rectangle keeps its brush") << Kind::Rect << true << false << true;
    QTest::newRow("unfilled rectangle loses its brush") << Kind::Rect << false << false << false;
    QTest::newRow("filled ellipse keeps its brush") << Kind::Ellipse << true << false << true;
    QTest::newRow("unfilled ellipse loses its brush") << Kind::Ellipse << false << false << false;
    QTest::newRow("filled polygon keeps its brush") << Kind::Polygon << true << false << true;
    QTest::newRow("unfilled polygon loses its brush") << Kind::Polygon << false << false << false;
    QTest::newRow("filled free hand loses its brush") << Kind::Polygon << true << true << false;
}

void TestDrawBoxItems::penAndBrushAfterPainting()
{
    QFETCH(Kind, kind);
    QFETCH(bool, filled);
    QFETCH(bool, freehand);
    QFETCH(bool, brushKept);
    QPen pen(QColor(10, 200, 30, 127));
    pen.setWidth(4);
    const QBrush brush(QColor(0, 0, 255, 127));
    auto item = makeBox(kind, pen, brush, filled, true);
    if (freehand)
        static_cast<CDrawPolygonItem*>(item.get())->setFreehand(true);
    const QRectF bounds = item->boundingRect();
    for (bool mouseOver : {false, true}) {
        paintItem(*item, mouseOver);
        QCOMPARE(item->pen(), pen);
        QCOMPARE(item->brush(), brushKept ? brush : QBrush(Qt::NoBrush));
        QCOMPARE(item->boundingRect(), bounds);
    }
}

void TestDrawBoxItems::hoverHighlightOnlyWithMouseOver_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("filled");
    QTest::newRow("filled rectangle") << Kind::Rect << true;
    QTest::newRow("outlined rectangle") << Kind::Rect << false;
    QTest::newRow("filled ellipse") << Kind::Ellipse << true;
    QTest::newRow("filled polygon") << Kind::Polygon << true;
    QTest::newRow("outlined polygon") << Kind::Polygon << false;
}

void TestDrawBoxItems::hoverHighlightOnlyWithMouseOver()
{
    QFETCH(Kind, kind);
    QFETCH(bool, filled);
    auto item = makeBox(kind, QPen(Qt::red), QBrush(Qt::blue), filled, true);
    QCOMPARE(highlightPixels(paintItem(*item, false)), 0);
    const QImage hovered = paintItem(*item, true);
    QVERIFY(highlightPixels(hovered) > 20);
    // The highlight follows the outline, not the inside.
    QCOMPARE(hovered.pixelColor(50, 40), filled ? QColor(Qt::blue) : kWhite);
}

void TestDrawBoxItems::ellipseLeavesTheCornersAlone()
{
    auto ellipse = makeBox(Kind::Ellipse, QPen(Qt::red), QBrush(Qt::blue), true, true);
    auto rect = makeBox(Kind::Rect, QPen(Qt::red), QBrush(Qt::blue), true, true);
    QCOMPARE(paintItem(*ellipse, false).pixelColor(23, 23), kWhite);
    QCOMPARE(paintItem(*rect, false).pixelColor(23, 23), QColor(Qt::blue));
}

void TestDrawBoxItems::selfCrossingPolygonUsesOddEvenFill()
{
    // A five-pointed star drawn in one go: its centre is covered twice.
    QPolygonF star;
    for (int i = 0; i < 5; ++i) {
        const double angle = -M_PI / 2 + i * 4 * M_PI / 5;
        star << QPointF(60 + 50 * std::cos(angle), 60 + 50 * std::sin(angle));
    }
    CDrawPolygonItem item;
    item.setPolygon(star);
    item.setPen(QPen(Qt::red));
    item.setBrush(QBrush(Qt::blue));
    item.setFilled(true);
    item.shadow = false;
    const QImage image = paintItem(item, false);
    QCOMPARE(image.pixelColor(60, 60), kWhite);           // centre: covered twice
    QCOMPARE(image.pixelColor(60, 20), QColor(Qt::blue)); // top point: covered once
}

void TestDrawBoxItems::freehandStrokeStaysOpenAndUnfilled()
{
    // A U-shaped stroke; a closed polygon would add the edge along the top.
    const QPolygonF stroke({QPointF(20, 20), QPointF(20, 80), QPointF(80, 80), QPointF(80, 20)});
    for (bool freehand : {true, false}) {
        CDrawPolygonItem item;
        item.setPolygon(stroke);
        item.setPen(QPen(Qt::red));
        item.setBrush(QBrush(Qt::blue));
        item.setFilled(true);
        item.setFreehand(freehand);
        item.shadow = false;
        const QImage image = paintItem(item, false);
        QCOMPARE(image.pixelColor(20, 50), QColor(Qt::red));
        QCOMPARE(image.pixelColor(50, 80), QColor(Qt::red));
        QCOMPARE(image.pixelColor(50, 20), freehand ? kWhite : QColor(Qt::red));
        QCOMPARE(image.pixelColor(50, 50), freehand ? kWhite : QColor(Qt::blue));
    }
}

void TestDrawBoxItems::freehandShadowIsTheSameStrokeShifted()
{
    CDrawPolygonItem item;
    item.setPolygon(QPolygonF({QPointF(10, 10), QPointF(100, 10), QPointF(100, 100)}));
    item.setPen(QPen(Qt::black));
    item.setFreehand(true);
    const QImage image = paintItem(item, false);
    QCOMPARE(image.pixelColor(50, 10), QColor(Qt::black));
    QVERIFY(nearColor(image.pixelColor(50, 12), kShadowOnWhite));
    QVERIFY(nearColor(image.pixelColor(102, 60), kShadowOnWhite));
    QCOMPARE(image.pixelColor(50, 11), kWhite);
    QCOMPARE(image.pixelColor(50, 8), kWhite);
}

void TestDrawBoxItems::polygonOfTwoEqualPoints()
{
    for (bool freehand : {false, true}) {
        CDrawPolygonItem item;
        item.setPolygon(QPolygonF({QPointF(30, 30), QPointF(30, 30)}));
        item.setPen(QPen(Qt::red));
        item.setBrush(QBrush(Qt::blue));
        item.setFilled(true);
        item.setFreehand(freehand);
        const QImage image = paintItem(item, true);
        QCOMPARE(image.pixelColor(60, 60), kWhite);
        QCOMPARE(item.polygon().size(), 2);
    }
}

void TestDrawBoxItems::paintingCoversOnlyTheBoundingRect_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("penWidth");
    QTest::newRow("thin rectangle") << Kind::Rect << 1;
    QTest::newRow("wide rectangle") << Kind::Rect << 5;
    QTest::newRow("wide ellipse") << Kind::Ellipse << 5;
    QTest::newRow("thin polygon") << Kind::Polygon << 1;
}

void TestDrawBoxItems::paintingCoversOnlyTheBoundingRect()
{
    // A view repaints only bounding rectangles: the shadow and the highlight
    // must lie inside, or moving a mark leaves traces behind.
    QFETCH(Kind, kind);
    QFETCH(int, penWidth);
    QPen pen(Qt::red);
    pen.setWidth(penWidth);
    auto item = makeBox(kind, pen, QBrush(Qt::blue), true, true);
    const QRect bounds = item->boundingRect().toAlignedRect();
    const QImage image = paintItem(*item, true);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!bounds.contains(x, y))
                QVERIFY2(image.pixelColor(x, y) == kWhite,
                         qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
        }
    }
}

void TestDrawBoxItems::hoveredFollowsEnterAndLeave()
{
    HoverProbe<CDrawRectItem> rect;
    HoverProbe<CDrawEllipseItem> ellipse;
    HoverProbe<CDrawPolygonItem> polygon;
    QVERIFY(!rect.hovered && !ellipse.hovered && !polygon.hovered);
    QVERIFY(rect.shadow && ellipse.shadow && polygon.shadow);
    QGraphicsSceneHoverEvent enter(QEvent::GraphicsSceneHoverEnter);
    QGraphicsSceneHoverEvent leave(QEvent::GraphicsSceneHoverLeave);
    rect.hoverEnterEvent(&enter);
    ellipse.hoverEnterEvent(&enter);
    polygon.hoverEnterEvent(&enter);
    QVERIFY(rect.hovered && ellipse.hovered && polygon.hovered);
    rect.hoverLeaveEvent(&leave);
    ellipse.hoverLeaveEvent(&leave);
    polygon.hoverLeaveEvent(&leave);
    QVERIFY(!rect.hovered && !ellipse.hovered && !polygon.hovered);

    // The scene finds marks through the mix-in.
    QGraphicsItem* item = &polygon;
    QVERIFY(dynamic_cast<CDrawObjectItem*>(item) == static_cast<CDrawObjectItem*>(&polygon));
}

QTEST_MAIN(TestDrawBoxItems)
#include "tst_drawboxitems.moc"
