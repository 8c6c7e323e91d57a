#include "QuietPlatform.h"
#include "app/Startup.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QGraphicsScene>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleOptionGraphicsItem>
#include <QtTest>

namespace {

const QColor kDesktop(40, 90, 200);

QColor veiled(const QColor& under)
{
    QImage one(1, 1, QImage::Format_RGB32);
    one.fill(under);
    QPainter p(&one);
    p.fillRect(one.rect(), QColor(150, 150, 150, 100));
    p.end();
    return one.pixelColor(0, 0);
}

QImage paintItem(CSGraphicsPixmapItem& item)
{
    QImage image(item.pixmap().size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QStyleOptionGraphicsItem option;
    option.exposedRect = item.boundingRect();
    item.paint(&p, &option, nullptr);
    p.end();
    return image;
}

QPixmap uniformDesktop(const QSize& size)
{
    QPixmap pixmap(size);
    pixmap.fill(kDesktop);
    return pixmap;
}

// Collects the areas the viewport repaints.
class PaintLog : public QObject
{
public:
    QRegion painted;
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
            ++paints;
        }
        return false;
    }
};

qint64 area(const QRegion& region)
{
    qint64 sum = 0;
    for (const QRect& r : region)
        sum += qint64(r.width()) * r.height();
    return sum;
}

} // namespace

class TestSelectionOverlay : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void labelText_data();
    void labelText();
    void veilAndHole_data();
    void veilAndHole();
    void partialRepaintMatchesFullRepaint();
};

void TestSelectionOverlay::initTestCase()
{
    quietOffscreenWarnings();
    initVireoscapeResources();
    setApplicationIdentity();
}

void TestSelectionOverlay::labelText_data()
{
    QTest::addColumn<QRectF>("selection");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole pixels") << QRectF(0, 0, 640, 480) << QStringLiteral("(640 * 480)");
    QTest::newRow("fractions shown as such") << QRectF(3, 4, 120.5, 80) << QStringLiteral("(120.5 * 80)");
    QTest::newRow("six significant digits")
        << QRectF(0, 0, 1234567, 3) << QStringLiteral("(1.23457e+06 * 3)");
}

void TestSelectionOverlay::labelText()
{
    QFETCH(QRectF, selection);
    QFETCH(QString, text);
    QCOMPARE(CSGraphicsPixmapItem::sizeLabelText(selection), text);
}

void TestSelectionOverlay::veilAndHole_data()
{
    QTest::addColumn<QRectF>("selection");
    QTest::addColumn<bool>("hole");
    QTest::newRow("nothing selected: all veiled") << QRectF(0, 0, 0, 0) << false;
    QTest::newRow("zero width counts as nothing") << QRectF(50, 60, 0, 50) << false;
    QTest::newRow("a selection leaves a clear hole") << QRectF(50, 60, 100, 40) << true;
}

void TestSelectionOverlay::veilAndHole()
{
    QFETCH(QRectF, selection);
    QFETCH(bool, hole);
    CSGraphicsPixmapItem item(uniformDesktop(QSize(300, 200)));
    item.setSelectionRect(selection);
    const QImage image = paintItem(item);

    const QColor grey = veiled(kDesktop);
    // Inside the selection (away from its outline) and far outside it.
    QCOMPARE(image.pixelColor(100, 80), hole ? kDesktop : grey);
    QCOMPARE(image.pixelColor(51, 61), hole ? kDesktop : grey);
    QCOMPARE(image.pixelColor(148, 98), hole ? kDesktop : grey);
    QCOMPARE(image.pixelColor(250, 150), grey);
    QCOMPARE(image.pixelColor(20, 180), grey);
    // Just outside the selection's right and bottom edges: veil, plus outline.
    QVERIFY(image.pixelColor(152, 80) == grey);
    QVERIFY(image.pixelColor(100, 102) == grey);
    if (!hole) {
        // No label anywhere above the would-be selection.
        QCOMPARE(image.pixelColor(55, 50), grey);
    }
}

// On the real view: moving the pointer and the highlight repaints only a
// thin area, and what is on the screen then equals a full repaint.
void TestSelectionOverlay::partialRepaintMatchesFullRepaint()
{
    const QSize size = QGuiApplication::primaryScreen()->size();
    const QImage pattern = TestSupport::makeTestPattern(size, 3);
    CDrawView view(QPixmap::fromImage(pattern), nullptr);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    CSGraphicsPixmapItem* item = view.snapshotScene()->backgroundItem();
    item->setCrosshairVisible(true);
    item->setCursorPos(QPointF(100, 100));
    item->setSelectionRect(QRectF(200, 150, 120, 80));
    QTest::qWait(50);

    PaintLog log;
    view.viewport()->installEventFilter(&log);
    const struct
    {
        QPointF cursor;
        QRectF selection;
    } steps[] = {
        {QPointF(101, 100), QRectF(200, 150, 120, 80)},
        {QPointF(140, 133), QRectF(200, 150, 120, 80)},
        {QPointF(141, 134), QRectF(210, 160, 300, 200)},
        {QPointF(141.5, 134.25), QRectF(10, 10, 30, 30)},
        // Corners and edges of the desktop, and a selection touching them.
        {QPointF(0, 0), QRectF(0, 0, 64, 48)},
        {QPointF(size.width() - 1, size.height() - 1), QRectF(0, 0, 64, 48)},
        {QPointF(2, size.height() - 2), QRectF(size.width() - 50, size.height() - 40, 50, 40)},
        {QPointF(size.width() / 2.0, 3.5), QRectF(1, 1, size.width() - 2, 20.5)},
        // The crosshair running along the selection's edges; then fractional
        // edges, where the veil must not be blended twice along its seams.
        {QPointF(300, 240), QRectF(300, 240, 100, 100)},
        {QPointF(400, 340), QRectF(300, 240, 100, 100)},
        {QPointF(399, 339), QRectF(300.5, 240.5, 99, 99)},
    };
    for (const auto& step : steps) {
        log.painted = QRegion();
        log.paints = 0;
        item->setCursorPos(step.cursor);
        item->setSelectionRect(step.selection);
        QTRY_VERIFY(log.paints > 0);
        QTest::qWait(20);
        const QRect whole(QPoint(0, 0), size);
        QVERIFY2(area(log.painted) < qint64(size.width()) * size.height() / 3,
                 qPrintable(QStringLiteral("repainted %1 of %2 pixels")
                                .arg(area(log.painted))
                                .arg(qint64(size.width()) * size.height())));
        QVERIFY(!log.painted.contains(whole.center() + QPoint(size.width() / 3, size.height() / 3)));
        // What the partial repaints left on the screen ...
        const QImage onScreen = QGuiApplication::primaryScreen()->grabWindow(view.winId()).toImage();
        // ... against everything painted afresh.
        const QImage full = view.viewport()->grab().toImage();
        QCOMPARE(TestSupport::differingPixels(onScreen, full), qint64(0));
    }
}

QTEST_MAIN(TestSelectionOverlay)
#include "tst_selectionoverlay.moc"
