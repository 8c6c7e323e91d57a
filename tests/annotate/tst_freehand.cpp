// Long free-hand strokes: painting a part of one gives the same pixels as
// painting all of it, and a growing stroke repaints only its new piece.
#include "annotate/DrawPolygonItem.h"

#include <QGraphicsScene>
#include <QGraphicsView>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QtTest>

#include <cmath>

namespace {

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

class TestFreehand : public QObject
{
    Q_OBJECT
private slots:
    void partialPaintMatchesWholePaint_data();
    void partialPaintMatchesWholePaint();
    void growingStrokeRepaintsOnlyItsNewPiece();
};

void TestFreehand::partialPaintMatchesWholePaint_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("shadow");
    QTest::addColumn<int>("tile");
    QTest::newRow("one pixel, shadow, small tiles") << 1 << true << 17;
    QTest::newRow("two pixels, shadow, small tiles") << 2 << true << 17;
    QTest::newRow("wide pen, shadow, odd tiles") << 9 << true << 23;
    QTest::newRow("wide pen, no shadow, large tiles") << 6 << false << 64;
}

void TestFreehand::partialPaintMatchesWholePaint()
{
    QFETCH(int, width);
    QFETCH(bool, shadow);
    QFETCH(int, tile);
    CDrawPolygonItem item;
    item.setFreehand(true);
    item.shadow = shadow;
    item.setPen(QPen(QColor(230, 40, 40, 170), width));
    item.setPolygon(scribble(900));

    const QImage whole = paint(item, {QRect(0, 0, 420, 320)});
    QList<QRect> tiles;
    for (int y = 0; y < 320; y += tile)
        for (int x = 0; x < 420; x += tile)
            tiles << QRect(x, y, tile, tile);
    const QImage pieces = paint(item, tiles);
    QCOMPARE(pieces, whole);
    QVERIFY(whole != paint(item, {})); // the stroke did paint something
}

namespace {
struct PaintLog : QObject
{
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};
} // namespace

void TestFreehand::growingStrokeRepaintsOnlyItsNewPiece()
{
    QGraphicsScene scene(0, 0, 2000, 1200);
    QGraphicsView view(&scene);
    view.setFrameShape(QFrame::NoFrame);
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
    view.resize(2000, 1200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    auto* item = new CDrawPolygonItem;
    item->setFreehand(true);
    item->setPen(QPen(Qt::red, 4));
    scene.addItem(item);
    item->setPolygon(QPolygonF({QPointF(100, 100), QPointF(100, 100)}));

    // A stroke across most of the scene, then one more point.
    const auto at = [](int i) { return QPointF(100 + i * 0.8, 100 + 900 * std::abs(std::sin(i * 0.01))); };
    for (int i = 1; i <= 2000; ++i)
        item->appendStrokePoint(at(i));
    QTest::qWait(50);
    PaintLog log;
    view.viewport()->installEventFilter(&log);
    item->appendStrokePoint(at(2001));
    QTRY_VERIFY(!log.painted.isEmpty());
    const QRect dirty = log.painted.boundingRect();
    QVERIFY2(dirty.width() < 40 && dirty.height() < 40,
             qPrintable(QStringLiteral("%1x%2").arg(dirty.width()).arg(dirty.height())));
    QVERIFY(dirty.contains(at(2001).toPoint()));

    // The points are all there, and ending the stroke keeps them.
    QCOMPARE(item->polygon().size(), 2003);
    item->endStroke();
    QCOMPARE(item->polygon().size(), 2003);
    QCOMPARE(item->QGraphicsPolygonItem::polygon().size(), 2003);
    QVERIFY(item->boundingRect().contains(at(2001)));
}

QTEST_MAIN(TestFreehand)
#include "tst_freehand.moc"
