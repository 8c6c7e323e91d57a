// A free-hand stroke drawn point by point, repainted only where the view is
// told it changed (and in thin full-width bands, as the crosshair causes),
// ends with the same pixels as the same stroke painted whole.
#include "annotate/DrawPolygonItem.h"
#include "support/TestSupport.h"

#include <QGraphicsScene>
#include <QPainter>
#include <QRandomGenerator>
#include <QStyleOptionGraphicsItem>
#include <QtTest>

#include <cmath>

namespace {

const QSize kCanvas(900, 600);

// Repaints the parts of the canvas: the background, then the stroke.
void repaint(QImage& canvas, const QImage& background, CDrawPolygonItem& item, const QList<QRect>& parts)
{
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const QRect& part : parts) {
        const QRect r = part & canvas.rect();
        if (r.isEmpty())
            continue;
        painter.save();
        painter.setClipRect(r);
        painter.drawImage(r.topLeft(), background, r);
        QStyleOptionGraphicsItem option;
        option.exposedRect = r;
        item.paint(&painter, &option, nullptr);
        painter.restore();
    }
}

QPointF scribblePoint(int i)
{
    // Back and forth across the canvas, crossing itself often.
    return QPointF(450 + 400 * std::sin(i * 0.021) + 20 * std::sin(i * 0.37),
                   300 + 260 * std::sin(i * 0.0077) + 15 * std::cos(i * 0.29));
}

} // namespace

class TestStrokePieces : public QObject
{
    Q_OBJECT
private slots:
    void grownStrokeMatchesWholeStroke_data();
    void grownStrokeMatchesWholeStroke();
};

void TestStrokePieces::grownStrokeMatchesWholeStroke_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("shadow");
    QTest::addColumn<int>("points");
    QTest::newRow("pen 3, shadow, 3000 points") << 3 << true << 3000;
    QTest::newRow("pen 8, no shadow, 1500 points") << 8 << false << 1500;
    QTest::newRow("pen 2, shadow, 400 points") << 2 << true << 400;
}

void TestStrokePieces::grownStrokeMatchesWholeStroke()
{
    QFETCH(int, width);
    QFETCH(bool, shadow);
    QFETCH(int, points);
    const QImage background = TestSupport::makeTestPattern(kCanvas, 4);
    const QPen pen(QColor(220, 30, 60, 180), width);

    QGraphicsScene scene(QRectF(QPointF(0, 0), QSizeF(kCanvas)));
    auto* grown = new CDrawPolygonItem;
    grown->setFreehand(true);
    grown->shadow = shadow;
    grown->setPen(pen);
    scene.addItem(grown);
    grown->setPolygon(QPolygonF({scribblePoint(0), scribblePoint(0)}));
    // What the item asks to have repainted reaches the scene's listeners.
    QList<QRect> dirty;
    connect(&scene, &QGraphicsScene::changed, this, [&dirty](const QList<QRectF>& rects) {
        for (const QRectF& r : rects)
            dirty << r.toAlignedRect();
    });

    QImage canvas = background.copy();
    repaint(canvas, background, *grown, {canvas.rect()});
    QRandomGenerator random(5);
    for (int i = 1; i < points; ++i) {
        grown->appendStrokePoint(scribblePoint(i));
        if (i % 7 == 0 || i == points - 1) {
            QCoreApplication::processEvents(); // the scene reports its changes
            // A crosshair through the pointer repaints a band across the
            // whole canvas each way.
            const QPoint p = scribblePoint(i).toPoint();
            dirty << QRect(0, p.y() - 1, kCanvas.width(), 3) << QRect(p.x() - 1, 0, 3, kCanvas.height())
                  << QRect(int(random.bounded(kCanvas.width())), 0, 3, kCanvas.height());
            repaint(canvas, background, *grown, dirty);
            dirty.clear();
        }
    }
    QVERIFY(grown->polygon().size() == points + 1);

    CDrawPolygonItem whole;
    whole.setFreehand(true);
    whole.shadow = shadow;
    whole.setPen(pen);
    whole.setPolygon(grown->polygon());
    QImage expected = background.copy();
    repaint(expected, background, whole, {expected.rect()});

    QVERIFY(TestSupport::differingPixels(expected, background) > 1000); // the stroke shows
    QCOMPARE(TestSupport::differingPixels(canvas, expected), qint64(0));

    // The finished stroke repainted in bands, too.
    grown->endStroke();
    QImage bands = canvas.copy();
    QList<QRect> strips;
    for (int y = 0; y < kCanvas.height(); y += 3)
        strips << QRect(0, y, kCanvas.width(), 3);
    repaint(bands, background, *grown, strips);
    QCOMPARE(TestSupport::differingPixels(bands, expected), qint64(0));
}

QTEST_MAIN(TestStrokePieces)
#include "tst_strokepieces.moc"
