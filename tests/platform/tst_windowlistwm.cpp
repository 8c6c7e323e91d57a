// The window list read under a reparenting window manager (openbox): the
// top-level windows are frames, the application windows sit inside them.
#include "X11Clients.h"
#include "platform/WindowList.h"
#include "platform/X11Connection.h"

#include <QGuiApplication>
#include <QtTest>

#include <xcb/xcb.h>

#include <cstring>

namespace {

QRect frameAround(quint32 client)
{
    const QList<int> e = cardinalProperty(client, "_NET_FRAME_EXTENTS"); // left, right, top, bottom
    if (e.size() != 4)
        return QRect();
    return xwininfoRect(client).adjusted(-e[0], -e[2], e[1], e[3]);
}

const CWindowNode* topLevelHolding(const CWindowList& list, quint32 id)
{
    for (const CWindowNode& top : list.topLevels()) {
        for (const CWindowNode& child : top.children) {
            if (child.id == id)
                return &top;
        }
    }
    return nullptr;
}

void collectIds(const CWindowNode& node, QList<quint32>& ids)
{
    for (const CWindowNode& child : node.children) {
        ids.append(child.id);
        collectIds(child, ids);
    }
}

xcb_atom_t internAtom(xcb_connection_t* c, const char* name)
{
    XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

class TestWindowListWm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void applicationWindowAndFrame();
    void nativeChildWindows();
    void overlappingWindows();
    void clientSideDecorations_data();
    void clientSideDecorations();

private:
    quint32 createCsdWindow(const QRect& rect, const QMargins& shadow, bool decorated);

    X11Clients m_clients;
    QList<quint32> m_ownWindows;
};

void TestWindowListWm::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    QVERIFY2(TestSupport::runTool("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).out.contains("window id"),
             "needs a window manager");
}

void TestWindowListWm::cleanup()
{
    m_clients.stopAll();
    xcb_connection_t* c = x11Connection();
    for (quint32 id : m_ownWindows)
        xcb_destroy_window(c, id);
    xcb_flush(c);
    m_ownWindows.clear();
    QTRY_VERIFY(CWindowList::fromX11().topLevels().isEmpty());
}

void TestWindowListWm::applicationWindowAndFrame()
{
    const quint32 client = m_clients.start("xlogo", {"-geometry", "300x200+100+80"}, "logoA");
    QVERIFY(client);
    const QRect clientRect = xwininfoRect(client);
    const QRect frame = frameAround(client);
    QVERIFY(frame.isValid());
    QVERIFY(frame.top() < clientRect.top()); // a title bar

    const CWindowList list = CWindowList::fromX11();
    const CWindowNode* top = topLevelHolding(list, client);
    QVERIFY(top);
    QCOMPARE(top->rect, frame);

    QCOMPARE(list.windowRectAt(clientRect.center()), clientRect);
    QCOMPARE(list.windowRectAt(clientRect.topLeft()), clientRect);
    QCOMPARE(list.windowRectAt(clientRect.bottomRight()), clientRect);
    QCOMPARE(list.windowRectAt(QPoint(clientRect.center().x(), frame.top() + 2)), frame);
    QCOMPARE(list.windowRectAt(QPoint(clientRect.center().x(), frame.bottom())), frame);
    QCOMPARE(list.windowRectAt(frame.topLeft()), frame);
    QVERIFY(!list.windowRectAt(frame.bottomRight() + QPoint(0, 1)).isValid());
    QVERIFY(!list.windowRectAt(frame.bottomRight() + QPoint(1, 0)).isValid());

    // The frame holds title bar, buttons and handles as windows of its own;
    // only the application window and what lies inside it are offered.
    QVERIFY(xwininfoChildren(top->id).size() > 1);
    QList<quint32> offered;
    collectIds(*top, offered);
    const QList<quint32> inside = QList<quint32>{client} + xwininfoChildren(client, true);
    for (quint32 id : offered)
        QVERIFY2(inside.contains(id), qPrintable(QString::number(id, 16)));
}

void TestWindowListWm::nativeChildWindows()
{
    // The frame does not use up a level of the descent: the scroll bar, a
    // child of xterm's text area, is found as it is without a frame.
    const quint32 id = m_clients.start("xterm", {"-sb", "-geometry", "40x10+200+150"}, "termA");
    QVERIFY(id);
    const QList<quint32> shellChildren = xwininfoChildren(id);
    QCOMPARE(shellChildren.size(), 1);
    const QRect textRect = xwininfoRect(shellChildren.first());
    const QList<quint32> textChildren = xwininfoChildren(shellChildren.first());
    QCOMPARE(textChildren.size(), 1);
    const QRect scrollBar = xwininfoRect(textChildren.first()) & textRect;

    const CWindowList list = CWindowList::fromX11();
    QCOMPARE(list.windowRectAt(scrollBar.center()), scrollBar);
    QCOMPARE(list.windowRectAt(QPoint(scrollBar.right() + 1, scrollBar.center().y())), textRect);
    QCOMPARE(list.windowRectAt(QPoint(scrollBar.right() + 1, textRect.top() - 2)), frameAround(id));
}

void TestWindowListWm::overlappingWindows()
{
    const quint32 a = m_clients.start("xlogo", {"-geometry", "300x200+100+80"}, "logoA");
    const quint32 b = m_clients.start("xlogo", {"-geometry", "300x200+250+180"}, "logoB");
    QVERIFY(a && b);
    const QPoint overlap(300, 240);
    QVERIFY(xwininfoRect(a).contains(overlap) && xwininfoRect(b).contains(overlap));

    // Front-to-back order follows the stacking of the frames.
    for (quint32 raised : {a, b, a}) {
        TestSupport::runTool("xdotool", {"windowraise", QString::number(raised)});
        QTRY_COMPARE(CWindowList::fromX11().windowRectAt(overlap), xwininfoRect(raised));
        const CWindowList list = CWindowList::fromX11();
        QCOMPARE(topLevelHolding(list, raised), &list.topLevels().first());
    }

    // Ignoring the application window (a in front) skips its frame as well.
    const QPoint titleBar(150, frameAround(a).top() + 2);
    const CWindowList all = CWindowList::fromX11();
    QCOMPARE(all.windowRectAt(titleBar), frameAround(a));
    QCOMPARE(all.windowRectAt(overlap, a), xwininfoRect(b));
    QVERIFY(!all.windowRectAt(titleBar, a).isValid());
    const CWindowList withoutA = CWindowList::fromX11({a});
    QVERIFY(!topLevelHolding(withoutA, a));
    QCOMPARE(withoutA.windowRectAt(overlap), xwininfoRect(b));
    QVERIFY(!withoutA.windowRectAt(titleBar).isValid());
}

quint32 TestWindowListWm::createCsdWindow(const QRect& rect, const QMargins& shadow, bool decorated)
{
    xcb_connection_t* c = x11Connection();
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, x11RootWindow(), int16_t(rect.x()), int16_t(rect.y()),
                      uint16_t(rect.width()), uint16_t(rect.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    m_ownWindows.append(w);
    if (!decorated) {
        // _MOTIF_WM_HINTS: flags = decorations given, decorations = none.
        const uint32_t motif[5] = {2, 0, 0, 0, 0};
        const xcb_atom_t atom = internAtom(c, "_MOTIF_WM_HINTS");
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom, atom, 32, 5, motif);
    }
    const uint32_t extents[4] = {uint32_t(shadow.left()), uint32_t(shadow.right()), uint32_t(shadow.top()),
                                 uint32_t(shadow.bottom())};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, internAtom(c, "_GTK_FRAME_EXTENTS"), XCB_ATOM_CARDINAL,
                        32, 4, extents);
    xcb_map_window(c, w);
    xcb_flush(c);
    return w;
}

void TestWindowListWm::clientSideDecorations_data()
{
    QTest::addColumn<bool>("decorated");
    QTest::addColumn<QMargins>("shadow");

    QTest::newRow("undecorated frame loses the shadow too") << false << QMargins(10, 30, 20, 40);
    QTest::newRow("decorated frame keeps its edges") << true << QMargins(10, 30, 20, 40);
}

void TestWindowListWm::clientSideDecorations()
{
    QFETCH(bool, decorated);
    QFETCH(QMargins, shadow);
    const quint32 id = createCsdWindow(QRect(200, 150, 300, 200), shadow, decorated);
    QTRY_VERIFY(isViewable(id));
    QTRY_VERIFY(cardinalProperty(id, "_NET_FRAME_EXTENTS").size() == 4);
    const QRect content = xwininfoRect(id).marginsRemoved(shadow);
    const QRect frame = frameAround(id);

    const CWindowList list = CWindowList::fromX11();
    const CWindowNode* top = topLevelHolding(list, id);
    QVERIFY(top);
    QCOMPARE(list.windowRectAt(content.center()), content);
    QCOMPARE(list.windowRectAt(content.topLeft()), content);
    QCOMPARE(list.windowRectAt(content.bottomRight()), content);
    const QPoint onShadow = content.topLeft() - QPoint(1, 1);
    if (decorated) {
        QVERIFY(frame.top() < xwininfoRect(id).top());
        QCOMPARE(top->rect, frame);
        QCOMPARE(list.windowRectAt(onShadow), frame);
    } else {
        QCOMPARE(frame, xwininfoRect(id));
        QCOMPARE(top->rect, content);
        QVERIFY(!list.windowRectAt(onShadow).isValid());
        QVERIFY(!list.windowRectAt(frame.topLeft()).isValid());
    }
}

QTEST_MAIN(TestWindowListWm)
#include "tst_windowlistwm.moc"
