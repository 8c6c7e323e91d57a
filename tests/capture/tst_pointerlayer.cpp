// The crosshair and the magnifier laid on the view by the view itself, under
// a real X server and real pointer events: after every step of a sweep, a
// drag and moves over the pick, the screen shows exactly the state painted
// afresh, in all four channels.
#include "capture/DrawView.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "platform/WindowList.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QtTest>

#include <memory>

class TestPointerLayer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sweep_data();
    void sweep();
    void cleanupTestCase() { m_view.reset(); }

private:
    QImage m_desktop;
    std::unique_ptr<CDrawView> m_view;
};

void TestPointerLayer::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    // The screen's own size: at a fractional scale its logical size, rounded,
    // times the ratio can miss it by a pixel.
    const QSize device = TestSupport::referenceScreenshot().size();
    m_desktop = TestSupport::makeTestPattern(device, 5);
    m_view = std::make_unique<CDrawView>(QPixmap::fromImage(m_desktop), nullptr);
    // Two windows to offer, so that the highlight moves under the layer.
    CWindowNode left, right;
    left.id = 1;
    left.rect = QRect(100, 100, 500, 400);
    right.id = 2;
    right.rect = QRect(700, 150, 400, 500);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    m_view->setWindowList(CWindowList({left, right}));
    m_view->activateWindow();
    m_view->setFocus();
    QTRY_VERIFY(m_view->snapshotScene()->backgroundItem()->crosshairVisible());
}

void TestPointerLayer::sweep_data()
{
    // Steps run in order on the one view; device pixels of the root window.
    QTest::addColumn<QString>("pointer");
    QTest::addColumn<bool>("magnifier");
    QTest::newRow("over a window") << "mousemove 300 300" << true;
    QTest::newRow("a pixel on") << "mousemove 301 301" << true;
    QTest::newRow("into the other window") << "mousemove 900 400" << true;
    QTest::newRow("between windows") << "mousemove 650 120" << true;
    QTest::newRow("top left corner") << "mousemove 0 0" << true;
    QTest::newRow("bottom right corner") << "mousemove 1279 799" << true;
    QTest::newRow("right edge") << "mousemove 1279 5" << true;
    QTest::newRow("a fast sweep")
        << "mousemove 200 200 mousemove 400 500 mousemove 1000 300 mousemove 640 420" << true;
    QTest::newRow("dragging an area")
        << "mousemove 200 180 mousedown 1 mousemove 400 300 mousemove 800 600 mousemove 810 604" << true;
    QTest::newRow("picked") << "mouseup 1" << false;
    QTest::newRow("over the pick") << "mousemove 500 400" << false;
    QTest::newRow("along its edge") << "mousemove 200 400" << false;
}

void TestPointerLayer::sweep()
{
    QFETCH(QString, pointer);
    QFETCH(bool, magnifier);
    TestSupport::runXdotool(pointer);
    CSGraphicsPixmapItem* item = m_view->snapshotScene()->backgroundItem();
    QTRY_COMPARE(item->magnifierShown(), magnifier);
    QVERIFY(item->crosshairVisible());
    // The state painted afresh: the scene, the layer over it.
    auto expected = [this, item] {
        // With alpha, from transparent: a pixel left unpainted or painted
        // see-through shows, compared in all four channels.
        QImage image(m_desktop.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        m_view->snapshotScene()->render(&painter, QRectF(image.rect()), QRectF(image.rect()));
        // Clipped, as every paint of the view is.
        painter.setClipRect(image.rect());
        item->paintPointerLayer(&painter, image.rect());
        painter.end();
        return image.convertToFormat(QImage::Format_ARGB32);
    };
    QTest::qWait(100);
    QImage shown = TestSupport::referenceScreenshot().convertToFormat(QImage::Format_ARGB32);
    QImage wanted = expected();
    // The strips are windows of their own over the view: left out of both.
    const qreal ratio = m_view->desktopRatio();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == m_view.get() || !w->isVisible())
            continue;
        const QRectF g = w->frameGeometry();
        const QRect device = QRectF(g.topLeft() * ratio, g.size() * ratio).toAlignedRect();
        QPainter(&shown).fillRect(device, Qt::magenta);
        QPainter(&wanted).fillRect(device, Qt::magenta);
    }
    QCOMPARE(TestSupport::differingPixels(shown, wanted), qint64(0));
}

QTEST_MAIN(TestPointerLayer)
#include "tst_pointerlayer.moc"
