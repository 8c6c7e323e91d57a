#include "annotate/StripGeometry.h"
#include "capture/EditPlacement.h"

#include <QtTest>

// Placement of the tool strip beside a selection, on a 1920 x 1080 monitor
// unless a row says otherwise, for a 480 x 40 strip.
class TestEditPlacement : public QObject
{
    Q_OBJECT
private slots:
    void position_data();
    void position();
    void stripStaysOnTheMonitor_data();
    void stripStaysOnTheMonitor();
};

static const QRect kMonitor(0, 0, 1920, 1080);

void TestEditPlacement::position_data()
{
    QTest::addColumn<QRectF>("selection");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QPoint>("expected");

    QTest::newRow("room below: under the selection, right edges aligned")
        << QRectF(600, 100, 640, 480) << kMonitor << QPoint(1240 - 480, 585);
    QTest::newRow("exactly room for both strips below")
        << QRectF(600, 100, 640, 1080 - 100 - 90) << kMonitor << QPoint(760, 1080 - 90 + 5);
    QTest::newRow("one pixel short below: above the selection")
        << QRectF(600, 100, 640, 1080 - 100 - 89) << kMonitor << QPoint(760, 100 - 40 - 5);
    QTest::newRow("no room below nor above: over the selection's top")
        << QRectF(600, 30, 640, 1050) << kMonitor << QPoint(760, 30);
    QTest::newRow("exactly room above") << QRectF(600, 45, 640, 1035) << kMonitor << QPoint(760, 0);
    QTest::newRow("narrow selection at the left edge: its left x")
        << QRectF(10, 100, 200, 100) << kMonitor << QPoint(10, 205);
    QTest::newRow("nothing selected: top left") << QRectF(0, 0, 0, 0) << kMonitor << QPoint(0, 5);
    QTest::newRow("fractions truncate toward zero")
        << QRectF(600.7, 100.6, 640.2, 480.3) << kMonitor
        << QPoint(int(600.7 + 640.2 - 480), int(100.6 + 480.3 + 5));
    QTest::newRow("whole desktop selected") << QRectF(0, 0, 1920, 1080) << kMonitor << QPoint(1440, 0);
    const QRect right(1920, 0, 1280, 1024);
    QTest::newRow("second monitor: its own bottom")
        << QRectF(2000, 900, 300, 100) << right << QPoint(2000, 900 - 45);
    QTest::newRow("pick reaching past the monitor's right edge: kept on it")
        << QRectF(3000, 100, 400, 100) << right << QPoint(3200 - 480, 205);
}

void TestEditPlacement::position()
{
    QFETCH(QRectF, selection);
    QFETCH(QRect, area);
    QFETCH(QPoint, expected);
    QCOMPARE(editDialogPosition(selection, QSize(480, 40), area), expected);
}

// The property strip (621 px in Text mode) hangs under the tool strip,
// right edges aligned; it is moved, never resized, to stay on the monitor.
void TestEditPlacement::stripStaysOnTheMonitor_data()
{
    QTest::addColumn<QRect>("strip");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("inside: unchanged") << QRect(700, 500, 621, 40) << kMonitor << QPoint(700, 500);
    QTest::newRow("off the left edge") << QRect(-141, 500, 621, 40) << kMonitor << QPoint(0, 500);
    QTest::newRow("off the bottom right") << QRect(1800, 1060, 621, 40) << kMonitor << QPoint(1299, 1040);
    QTest::newRow("second monitor: its own left edge")
        << QRect(1800, 500, 621, 40) << QRect(1920, 0, 1280, 1024) << QPoint(1920, 500);
    QTest::newRow("wider than the monitor: its left edge shows")
        << QRect(-50, 10, 700, 40) << QRect(0, 0, 600, 400) << QPoint(0, 10);
}

void TestEditPlacement::stripStaysOnTheMonitor()
{
    QFETCH(QRect, strip);
    QFETCH(QRect, area);
    QFETCH(QPoint, expected);
    QCOMPARE(keptInside(strip, area), QRect(expected, strip.size()));
}

QTEST_APPLESS_MAIN(TestEditPlacement)
#include "tst_editplacement.moc"
