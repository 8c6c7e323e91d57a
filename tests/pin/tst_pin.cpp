// Pins: a pick kept on the screen at its place, zoomed, copied, saved, closed.
#include "pin/PinBoard.h"
#include "pin/PinWindow.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace TestSupport;

class TestPin : public QObject
{
    Q_OBJECT
private slots:
    void placeAndPixels_data();
    void placeAndPixels();
    void zoomAroundPointerAndBack_data();
    void zoomAroundPointerAndBack();
    void menuOpacityAndCopy();
    void saveLikeTheSnapshot();
    void closing_data();
    void closing();
    void asUserWould();
};

namespace {

// Opaque, every pixel different in each channel: any shift or blending shows.
QImage pickPicture(const QSize& size = QSize(120, 80))
{
    return makeTestPattern(size, 7).convertToFormat(QImage::Format_ARGB32);
}

QImage shown(CPinWindow* pin)
{
    return pin->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

void wheel(CPinWindow* pin, const QPoint& at, int delta, Qt::KeyboardModifiers modifiers = {})
{
    QWheelEvent event(at, pin->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(pin, &event);
}

} // namespace

void TestPin::placeAndPixels_data()
{
    QTest::addColumn<qreal>("scale");
    QTest::addColumn<QRect>("area");   // the pick, device pixels
    QTest::addColumn<QRect>("window"); // the pin's window, device pixels
    QTest::newRow("scale 1") << 1.0 << QRect(200, 150, 120, 80) << QRect(200, 150, 120, 80);
    // A window edge lies on an even device pixel: the desktop fills the gap.
    QTest::newRow("scale 2, odd left") << 2.0 << QRect(203, 151, 117, 79) << QRect(202, 150, 118, 80);
    QTest::newRow("scale 2, odd right") << 2.0 << QRect(200, 150, 117, 79) << QRect(200, 150, 118, 80);
}

void TestPin::placeAndPixels()
{
    QFETCH(qreal, scale);
    QFETCH(QRect, area);
    QFETCH(QRect, window);
    if (!qFuzzyCompare(qApp->devicePixelRatio(), scale))
        QSKIP("another scale factor");
    const QImage desktop =
        makeTestPattern(referenceScreenshot().size(), 23).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(setRootPicture(desktop));
    const int margin = int(std::ceil(scale));
    const QRect around = area.adjusted(-margin, -margin, margin, margin);
    CPinBoard board;
    CPinWindow* pin = board.pin(pickPicture(area.size()), area, scale, desktop.copy(around));
    QVERIFY(QTest::qWaitForWindowExposed(pin));
    QVERIFY(pin->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(pin->windowFlags() & Qt::FramelessWindowHint);
    const auto onDevice = [scale](const QRect& r) { return QRect(r.topLeft() * scale, r.size() * scale); };
    QTRY_COMPARE(onDevice(pin->geometry()), window);
    QCOMPARE(onDevice(pin->frameGeometry()), window);
    // The X server shows the pick at its device pixels, the desktop around.
    QImage expected = desktop.copy(around);
    QPainter(&expected).drawImage(QPoint(margin, margin), pickPicture(area.size()));
    QTRY_COMPARE(differingPixels(referenceScreenshot().copy(around), expected), 0);
    QCOMPARE(board.count(), 1);
    // A second one next to it; both stay.
    CPinWindow* second = board.pin(pickPicture(), QRect(400, 300, 120, 80), scale);
    QVERIFY(QTest::qWaitForWindowExposed(second));
    QCOMPARE(board.count(), 2);
    QCOMPARE(onDevice(second->geometry()), QRect(400, 300, 120, 80));
}

void TestPin::zoomAroundPointerAndBack_data()
{
    QTest::addColumn<int>("notches");
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<qreal>("zoom");
    QTest::newRow("in three") << 3 << QPoint(30, 20) << 1.331;
    QTest::newRow("in to the limit") << 40 << QPoint(0, 0) << CPinWindow::kMaxZoom;
    QTest::newRow("out to the limit") << -40 << QPoint(119, 79) << CPinWindow::kMinZoom;
}

void TestPin::zoomAroundPointerAndBack()
{
    QFETCH(int, notches);
    QFETCH(QPoint, pointer);
    QFETCH(qreal, zoom);
    CPinBoard board;
    CPinWindow* pin = board.pin(pickPicture(), QRect(300, 200, 120, 80));
    QVERIFY(QTest::qWaitForWindowExposed(pin));
    QTRY_COMPARE(pin->pos(), QPoint(300, 200));
    const QPoint globalPointer = pin->mapToGlobal(pointer);
    for (int i = 0; i < std::abs(notches); ++i)
        wheel(pin, pin->mapFromGlobal(globalPointer), notches > 0 ? 120 : -120);
    QVERIFY(qAbs(pin->zoom() - zoom) < 1e-6);
    QTRY_COMPARE(pin->size(), QSize(qRound(120 * zoom), qRound(80 * zoom)));
    // The picture point under the pointer stays there (one step's rounding a notch).
    const QPointF pictureAt = QPointF(pin->mapFromGlobal(globalPointer)) / pin->zoom();
    QVERIFY2((pictureAt - QPointF(pointer)).manhattanLength() <= 2 + std::abs(notches) / pin->zoom(),
             qPrintable(QStringLiteral("%1,%2").arg(pictureAt.x()).arg(pictureAt.y())));
    // Zoom 100 %: the picture as it was picked, pixel for pixel.
    pin->resetZoom();
    QCOMPARE(pin->zoom(), 1.0);
    QTRY_COMPARE(pin->size(), QSize(120, 80));
    QCOMPARE(differingPixels(shown(pin), pickPicture()), 0);
}

void TestPin::menuOpacityAndCopy()
{
    CPinBoard board;
    CPinWindow* pin = board.pin(pickPicture(), QRect(10, 10, 120, 80));
    QVERIFY(QTest::qWaitForWindowExposed(pin));
    // Ctrl+wheel: opacity, not zoom, within its limits.
    wheel(pin, QPoint(5, 5), -120, Qt::ControlModifier);
    QVERIFY(qAbs(pin->opacity() - 0.9) < 0.01);
    QCOMPARE(pin->zoom(), 1.0);
    for (int i = 0; i < 20; ++i)
        wheel(pin, QPoint(5, 5), -120, Qt::ControlModifier);
    QVERIFY(qAbs(pin->opacity() - CPinWindow::kMinOpacity) < 0.01);
    for (int i = 0; i < 20; ++i)
        wheel(pin, QPoint(5, 5), 120, Qt::ControlModifier);
    QVERIFY(qAbs(pin->opacity() - 1.0) < 0.01);

    QStringList texts;
    for (QAction* action : pin->menu()->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(texts, (QStringList{"Copy", "Save picture…", "Zoom 100 %", "-", "Close"}));
    // Copied zoomed: still the picture as picked.
    pin->setZoom(2.5, QPointF(10, 10));
    QApplication::clipboard()->clear();
    pin->menu()->actions().at(0)->trigger();
    QTRY_VERIFY(QApplication::clipboard()->mimeData()->hasImage());
    const QImage copied = QApplication::clipboard()->image().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(differingPixels(copied, pickPicture()), 0);
    pin->menu()->actions().at(2)->trigger();
    QCOMPARE(pin->size(), QSize(120, 80));
    pin->menu()->actions().at(4)->trigger();
    QTRY_COMPARE(board.count(), 0);
}

// "Save picture…" is the snapshot's own: it opens where the last picture was
// saved, remembers the folder, and asks before it replaces a file.
void TestPin::saveLikeTheSnapshot()
{
    QTemporaryDir dir;
    AppConfig = CAppConfig::defaults();
    AppConfig.SnapshotFilePath = dir.path();
    AppConfig.SnapshotFileName = QStringLiteral("pick");
    CPinBoard board;
    CPinWindow* pin = board.pin(pickPicture(), QRect(10, 10, 120, 80));
    QDir(dir.path()).mkdir(QStringLiteral("elsewhere"));
    const QString saved = dir.filePath(QStringLiteral("elsewhere/pinned.png"));
    Answers answers(saved);
    pin->menu()->actions().at(1)->trigger();
    QCOMPARE(answers.proposed, QDir(dir.path()).absoluteFilePath(QStringLiteral("pick.png")));
    QCOMPARE(AppConfig.LastOpenFileName, saved);
    QCOMPARE(differingPixels(QImage(saved).convertToFormat(QImage::Format_ARGB32), pickPicture()), 0);
    // The same name again, from there: asked, and kept on No.
    QFile(saved).resize(10);
    answers.titles.clear();
    pin->savePicture();
    QCOMPARE(answers.proposed, QDir(dir.path()).absoluteFilePath(QStringLiteral("elsewhere/pick.png")));
    QCOMPARE(answers.titles, (QStringList{QStringLiteral("Save"), QStringLiteral("Save")}));
    QVERIFY2(answers.text.contains(QLatin1String("pinned.png already exists")), qPrintable(answers.text));
    QCOMPARE(QFileInfo(saved).size(), 10);
}

void TestPin::closing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("escape") << "escape";
    QTest::newRow("all") << "all";
}

void TestPin::closing()
{
    QFETCH(QString, how);
    CPinBoard board;
    QSignalSpy counts(&board, &CPinBoard::countChanged);
    QPointer<CPinWindow> first = board.pin(pickPicture(), QRect(10, 10, 120, 80));
    QPointer<CPinWindow> second = board.pin(pickPicture(), QRect(300, 10, 120, 80));
    QVERIFY(QTest::qWaitForWindowExposed(first));
    if (how == QLatin1String("escape"))
        QTest::keyClick(first, Qt::Key_Escape);
    else
        board.closeAll();
    QTRY_VERIFY(!first);
    QCOMPARE(bool(second), how != QLatin1String("all"));
    QCOMPARE(board.count(), how == QLatin1String("all") ? 0 : 1);
    QCOMPARE(counts.last().at(0).toInt(), board.count());
}

// With the real pointer: dragged, zoomed with the wheel, closed by a double click.
void TestPin::asUserWould()
{
    CPinBoard board;
    QPointer<CPinWindow> pin = board.pin(pickPicture(), QRect(100, 100, 120, 80));
    QVERIFY(QTest::qWaitForWindowExposed(pin));
    QTRY_COMPARE(pin->pos(), QPoint(100, 100));
    QTest::qWait(100);
    runXdotool(QStringLiteral("mousemove 150 140 mousedown 1 mousemove 200 180 mousemove 350 290 mouseup 1"));
    QTRY_COMPARE(pin->pos(), QPoint(300, 250));
    QCOMPARE(pin->size(), QSize(120, 80));
    // Two notches in, at the pin's corner: it grows away from the corner.
    runXdotool(QStringLiteral("mousemove 300 250 click 4 click 4"));
    QTRY_COMPARE(pin->size(), QSize(qRound(120 * 1.21), qRound(80 * 1.21)));
    QCOMPARE(pin->pos(), QPoint(300, 250));
    runXdotool(QStringLiteral("click 5 click 5"));
    QTRY_COMPARE(pin->size(), QSize(120, 80));
    QCOMPARE(differingPixels(shown(pin), pickPicture()), 0);
    runXdotool(QStringLiteral("mousemove 330 280 click --repeat 2 --delay 80 1"));
    QTRY_VERIFY(!pin);
    QCOMPARE(board.count(), 0);
}

QTEST_MAIN(TestPin)
#include "tst_pin.moc"
