#include "platform/WindowList.h"

#include <QtTest>

namespace {

CWindowNode node(quint32 id, const QRect& rect, QList<CWindowNode> children = {})
{
    CWindowNode n;
    n.id = id;
    n.rect = rect;
    n.children = std::move(children);
    return n;
}

// Two overlapping top-levels, the front one (1) holding a panel with a button
// and a button inside that button, the back one (2) a child sticking out.
CWindowList sampleDesktop()
{
    const CWindowNode innerButton = node(113, QRect(130, 130, 10, 10));
    const CWindowNode button = node(112, QRect(120, 120, 40, 30), {innerButton});
    const CWindowNode panel = node(111, QRect(110, 110, 100, 100), {button});
    const CWindowNode sibling = node(114, QRect(250, 110, 40, 40));
    const CWindowNode front = node(1, QRect(100, 100, 300, 200), {panel, sibling});
    const CWindowNode back = node(2, QRect(300, 250, 200, 150), {node(21, QRect(420, 350, 80, 50))});
    const CWindowNode desktop = node(3, QRect(0, 0, 1280, 800));
    return CWindowList({front, back, desktop});
}

} // namespace

class TestWindowDescent : public QObject
{
    Q_OBJECT

private slots:
    void windowRectAt_data();
    void windowRectAt();
    void emptyList();
    void descentStopsAtTheSecondLevel();
    void firstContainingDescendantIsPreOrder();
};

void TestWindowDescent::windowRectAt_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<quint32>("ignored");
    QTest::addColumn<QRect>("expected");

    const QRect front(100, 100, 300, 200);
    const QRect back(300, 250, 200, 150);
    const QRect desktop(0, 0, 1280, 800);
    QTest::newRow("top-level without a child under the point") << QPoint(105, 250) << 0u << front;
    QTest::newRow("first pixel of a window") << QPoint(100, 100) << 0u << front;
    QTest::newRow("last column of a window counts") << QPoint(399, 105) << 0u << front;
    QTest::newRow("last row of a window counts") << QPoint(105, 299) << 0u << front;
    QTest::newRow("first column past a window falls through") << QPoint(400, 105) << 0u << desktop;
    QTest::newRow("first row past a window falls through") << QPoint(105, 300) << 0u << desktop;
    QTest::newRow("overlap goes to the front window") << QPoint(350, 270) << 0u << front;
    QTest::newRow("back window where the front one ends") << QPoint(350, 300) << 0u << back;
    QTest::newRow("child of the back window") << QPoint(450, 380) << 0u << QRect(420, 350, 80, 50);
    QTest::newRow("child") << QPoint(115, 115) << 0u << QRect(110, 110, 100, 100);
    QTest::newRow("grandchild") << QPoint(125, 125) << 0u << QRect(120, 120, 40, 30);
    QTest::newRow("second child of a top-level") << QPoint(260, 120) << 0u << QRect(250, 110, 40, 40);
    QTest::newRow("ignored front window uncovers the back one") << QPoint(350, 270) << 1u << back;
    QTest::newRow("top-level holding the ignored window is skipped") << QPoint(350, 270) << 113u << back;
    QTest::newRow("ignoring an unrelated window changes nothing")
        << QPoint(125, 125) << 21u << QRect(120, 120, 40, 30);
    QTest::newRow("ignoring everything under the point") << QPoint(5, 5) << 3u << QRect();
    QTest::newRow("no window at all") << QPoint(2000, 5) << 0u << QRect();
    QTest::newRow("negative point") << QPoint(-1, -1) << 0u << QRect();
}

void TestWindowDescent::windowRectAt()
{
    QFETCH(QPoint, point);
    QFETCH(quint32, ignored);
    QFETCH(QRect, expected);

    const QRect found = sampleDesktop().windowRectAt(point, ignored);
    QCOMPARE(found, expected);
    QCOMPARE(found.isValid(), expected.isValid());
}

void TestWindowDescent::emptyList()
{
    QVERIFY(!CWindowList().windowRectAt(QPoint(0, 0)).isValid());
    // The offscreen platform has no X connection: nothing to pick, no crash.
    const CWindowList withoutX11 = CWindowList::fromX11({1, 2});
    QVERIFY(withoutX11.topLevels().isEmpty());
    QVERIFY(!withoutX11.windowRectAt(QPoint(0, 0)).isValid());
}

void TestWindowDescent::descentStopsAtTheSecondLevel()
{
    // The button inside the button is a third level below the top-level: the
    // descent offers the grandchild, never deeper.
    QCOMPARE(sampleDesktop().windowRectAt(QPoint(135, 135)), QRect(120, 120, 40, 30));
}

void TestWindowDescent::firstContainingDescendantIsPreOrder()
{
    // A child that does not contain the point is passed over, but its
    // descendants are still searched before its later siblings.
    const CWindowNode deep = node(12, QRect(50, 50, 10, 10), {node(121, QRect(52, 52, 4, 4))});
    const CWindowNode shallow = node(11, QRect(0, 0, 20, 20), {deep});
    const CWindowNode later = node(13, QRect(40, 40, 40, 40));
    const CWindowList list({node(1, QRect(0, 0, 100, 100), {shallow, later})});

    QCOMPARE(list.windowRectAt(QPoint(53, 53)), QRect(52, 52, 4, 4));
    QCOMPARE(list.windowRectAt(QPoint(45, 45)), QRect(40, 40, 40, 40));
}

QTEST_MAIN(TestWindowDescent)
#include "tst_windowdescent.moc"
