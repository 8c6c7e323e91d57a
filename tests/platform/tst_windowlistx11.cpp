// The desktop read from a real X server without a window manager: its
// pixels, and the window list (the top-level windows are the application
// windows themselves).
#include "X11Clients.h"
#include "platform/ScreenGrab.h"
#include "platform/WindowList.h"
#include "support/TestSupport.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

class TestWindowListX11 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void applicationWindow_data();
    void applicationWindow();
    void overlappingWindows();
    void grabIsOpaque();
    void gtkFrameExtents_data();
    void gtkFrameExtents();

private:
    X11Clients m_clients;
};

void TestWindowListX11::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
}

void TestWindowListX11::cleanup()
{
    m_clients.stopAll();
    QTRY_VERIFY(CWindowList::fromX11().topLevels().isEmpty());
}

void TestWindowListX11::applicationWindow_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("xlogo without a border") << QStringList{"-geometry", "300x200+100+80", "-bw", "0"};
    QTest::newRow("xlogo with a 1 px border") << QStringList{"-geometry", "300x200+100+80", "-bw", "1"};
    QTest::newRow("xlogo with a 4 px border") << QStringList{"-geometry", "300x200+100+80", "-bw", "4"};
    QTest::newRow("xlogo partly off the screen") << QStringList{"-geometry", "300x200+1100+700"};
}

void TestWindowListX11::applicationWindow()
{
    QFETCH(QStringList, arguments);
    const quint32 id = m_clients.start("xlogo", arguments, "logoA");
    QVERIFY(id);
    const QRect expected = xwininfoRect(id);
    // xlogo draws into a child window inside the shell's border.
    const QList<quint32> children = xwininfoChildren(id);
    QCOMPARE(children.size(), 1);
    const QRect inner = xwininfoRect(children.first());

    const CWindowList list = CWindowList::fromX11();
    QCOMPARE(list.topLevels().size(), 1);
    QCOMPARE(list.topLevels().first().id, id);
    QCOMPARE(list.topLevels().first().rect, expected);

    QCOMPARE(list.windowRectAt(expected.topLeft()), expected == inner ? inner : expected);
    QCOMPARE(list.windowRectAt(inner.topLeft()), inner);
    QCOMPARE(list.windowRectAt(inner.center()), inner);
    if (expected.right() < 1280 && expected.bottom() < 800) {
        QCOMPARE(list.windowRectAt(expected.bottomRight()), expected == inner ? inner : expected);
        QVERIFY(!list.windowRectAt(expected.bottomRight() + QPoint(1, 0)).isValid());
        QVERIFY(!list.windowRectAt(expected.bottomRight() + QPoint(0, 1)).isValid());
    }
}

void TestWindowListX11::overlappingWindows()
{
    const quint32 a = m_clients.start("xlogo", {"-geometry", "300x200+100+80", "-bw", "0"}, "logoA");
    const quint32 b = m_clients.start("xlogo", {"-geometry", "300x200+250+180", "-bw", "0"}, "logoB");
    QVERIFY(a && b);
    const QPoint overlap(300, 230);
    QVERIFY(xwininfoRect(a).contains(overlap) && xwininfoRect(b).contains(overlap));

    // Front-to-back order follows the stacking.
    for (quint32 raised : {a, b, a}) {
        TestSupport::runTool("xdotool", {"windowraise", QString::number(raised)});
        QTRY_COMPARE(CWindowList::fromX11().windowRectAt(overlap), xwininfoRect(raised));
        QCOMPARE(CWindowList::fromX11().topLevels().first().id, raised);
    }

    // The ignored window (a in front) uncovers the one behind it.
    QCOMPARE(CWindowList::fromX11().windowRectAt(overlap, a), xwininfoRect(b));
    const CWindowList withoutA = CWindowList::fromX11({a});
    QCOMPARE(withoutA.topLevels().size(), 1);
    QCOMPARE(withoutA.windowRectAt(overlap), xwininfoRect(b));
    QVERIFY(!withoutA.windowRectAt(QPoint(120, 100)).isValid());
}

void TestWindowListX11::gtkFrameExtents_data()
{
    QTest::addColumn<QString>("extents"); // left, right, top, bottom
    QTest::addColumn<QMargins>("margins");

    QTest::newRow("shadow on every side") << "10, 10, 10, 10" << QMargins(10, 10, 10, 10);
    QTest::newRow("different margins per side") << "10, 20, 30, 40" << QMargins(10, 30, 20, 40);
    QTest::newRow("negative extents are ignored") << "4294967286, 0, 0, 0" << QMargins();
}

void TestWindowListX11::gtkFrameExtents()
{
    QFETCH(QString, extents);
    QFETCH(QMargins, margins);
    const quint32 id = m_clients.start("xlogo", {"-geometry", "300x200+100+80"}, "logoA");
    QVERIFY(id);
    QVERIFY(setCardinalProperty(id, "_GTK_FRAME_EXTENTS", extents));
    const QRect expected = xwininfoRect(id).marginsRemoved(margins);

    const CWindowList list = CWindowList::fromX11();
    QCOMPARE(list.topLevels().first().rect, expected);
    QCOMPARE(list.windowRectAt(expected.topLeft()), expected);
    QCOMPARE(list.windowRectAt(expected.bottomRight()), expected);
    if (!margins.isNull()) {
        // The pointer on the shadow is over whatever lies behind it.
        QVERIFY(!list.windowRectAt(expected.topLeft() - QPoint(1, 1)).isValid());
        QVERIFY(!list.windowRectAt(expected.bottomRight() + QPoint(1, 1)).isValid());
    }
}

// Xvfb sends 0 in the fourth byte of every 32-bit pixel; the grab must
// still be opaque, or every picture made from it is invisible.
void TestWindowListX11::grabIsOpaque()
{
    const QImage pattern = TestSupport::makeTestPattern(QGuiApplication::primaryScreen()->size(), 7);
    QVERIFY(TestSupport::setRootPicture(pattern));
    const QImage grabbed = grabDesktopImage();
    QCOMPARE(TestSupport::differingPixels(grabbed, pattern), 0);
    QCOMPARE(TestSupport::differingPixels(grabbed, TestSupport::referenceScreenshot()), 0);
}

QTEST_MAIN(TestWindowListX11)
#include "tst_windowlistx11.moc"
