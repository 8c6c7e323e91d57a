#include "capture/EditPlacement.h"

#include <QtTest>

// Placement of the tool strip beside a selection, on a 1920 x 1080 desktop,
// for a 480 x 40 strip.
class TestEditPlacement : public QObject
{
    Q_OBJECT
private slots:
    void position_data();
    void position();
};

void TestEditPlacement::position_data()
{
    QTest::addColumn<QRectF>("selection");
    QTest::addColumn<int>("viewBottom");
    QTest::addColumn<QPoint>("expected");

    QTest::newRow("room below: under the selection, right edges aligned")
        << QRectF(600, 100, 640, 480) << 1080 << QPoint(1240 - 480, 585);
    QTest::newRow("exactly room for both strips below")
        << QRectF(600, 100, 640, 1080 - 100 - 90) << 1080 << QPoint(760, 1080 - 90 + 5);
    QTest::newRow("one pixel short below: above the selection")
        << QRectF(600, 100, 640, 1080 - 100 - 89) << 1080 << QPoint(760, 100 - 40 - 5);
    QTest::newRow("no room below nor above: over the selection's top")
        << QRectF(600, 30, 640, 1050) << 1080 << QPoint(760, 30);
    QTest::newRow("exactly room above") << QRectF(600, 45, 640, 1035) << 1080 << QPoint(760, 0);
    QTest::newRow("narrow selection at the left edge: its left x")
        << QRectF(10, 100, 200, 100) << 1080 << QPoint(10, 205);
    QTest::newRow("nothing selected: top left") << QRectF(0, 0, 0, 0) << 1080 << QPoint(0, 5);
    QTest::newRow("fractions truncate toward zero")
        << QRectF(600.7, 100.6, 640.2, 480.3) << 1080
        << QPoint(int(600.7 + 640.2 - 480), int(100.6 + 480.3 + 5));
    QTest::newRow("whole desktop selected") << QRectF(0, 0, 1920, 1080) << 1080 << QPoint(1440, 0);
}

void TestEditPlacement::position()
{
    QFETCH(QRectF, selection);
    QFETCH(int, viewBottom);
    QFETCH(QPoint, expected);
    QCOMPARE(editDialogPosition(selection, QSize(480, 40), viewBottom), expected);
}

QTEST_APPLESS_MAIN(TestEditPlacement)
#include "tst_editplacement.moc"
