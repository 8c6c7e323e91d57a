// The X11 layers on a real X server: the desktop's pixels, the window list
// checked against what xwininfo says (without a window manager the top-level
// windows are the application windows themselves; under one, framedWindow
// runs alone), and hot keys pressed with xdotool.
#include "annotate/StripGeometry.h"
#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsPixmapItem.h"
#include "config/AppConfig.h"
#include "platform/GlobalShortcut.h"
#include "platform/ScreenGrab.h"
#include "platform/ServerVeil.h"
#include "platform/WindowList.h"
#include "platform/X11Connection.h"
#include "support/TestSupport.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

#include <xcb/xcb.h>

using namespace TestSupport;

namespace {

QString xwininfo(quint32 id, const QStringList& options = {})
{
    return QString::fromLatin1(runTool("xwininfo", options + QStringList{"-id", QString::number(id)}).out);
}

// The window's outer rectangle in root coordinates, border included (xwininfo
// gives the border's upper-left corner and the size inside the border).
QRect xwininfoRect(quint32 id)
{
    const QString info = xwininfo(id);
    const auto value = [&info](const char* label) {
        const QRegularExpression re(QStringLiteral("^\\s*%1:\\s*(-?\\d+)").arg(QLatin1String(label)),
                                    QRegularExpression::MultilineOption);
        return re.match(info).captured(1).toInt();
    };
    const int border = value("Border width");
    return QRect(value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width") + 2 * border,
                 value("Height") + 2 * border);
}

QString xprop(const QStringList& arguments)
{
    return QString::fromLatin1(runTool("xprop", arguments).out);
}

} // namespace

class TestPlatformX11 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void applicationWindow_data();
    void applicationWindow();
    void overlappingWindows();
    void windowTree();
    void grabIsOpaque();
    void veilBeforeFirstPaint();
    void gtkFrameExtents_data();
    void gtkFrameExtents();
    void framedWindow();
    void pressActivates();
    void combinationHeldByAnotherProgram();

private:
    // Starts an xlogo whose WM_CLASS instance is `name` and waits until its
    // window is viewable; its window id, or 0.
    quint32 startLogo(const QStringList& arguments, const QString& name = QStringLiteral("logoA"));
    void killClients()
    {
        for (QProcess* client : findChildren<QProcess*>()) {
            client->kill();
            client->waitForFinished();
            delete client;
        }
    }
};

void TestPlatformX11::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
}

void TestPlatformX11::cleanup()
{
    if (!QTest::currentTestFunction() || QByteArray(QTest::currentTestFunction()) == "framedWindow")
        return; // the window manager's own windows stay
    killClients();
    QTRY_VERIFY(CWindowList::fromX11().topLevels().isEmpty());
}

quint32 TestPlatformX11::startLogo(const QStringList& arguments, const QString& name)
{
    auto* client = new QProcess(this);
    client->start("xlogo", arguments + QStringList{"-name", name});
    if (!client->waitForStarted())
        return 0;
    const ToolResult r =
        runTool("xdotool", {"search", "--sync", "--onlyvisible", "--classname", '^' + name + '$'});
    return QString::fromLatin1(r.out).section(QLatin1Char('\n'), 0, 0).toUInt();
}

void TestPlatformX11::applicationWindow_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("a 4 px border") << QStringList{"-geometry", "300x200+100+80", "-bw", "4"};
    QTest::newRow("no border, partly off the screen")
        << QStringList{"-geometry", "300x200+1100+700", "-bw", "0"};
}

void TestPlatformX11::applicationWindow()
{
    QFETCH(QStringList, arguments);
    const quint32 id = startLogo(arguments);
    QVERIFY(id);
    const QRect expected = xwininfoRect(id);
    // xlogo draws into a child window inside the shell's border.
    const QStringList children =
        xwininfo(id, {"-children"}).split('\n').filter(QRegularExpression("^\\s+0x"));
    QCOMPARE(children.size(), 1);
    const QRect inner = xwininfoRect(children.first().trimmed().section(' ', 0, 0).toUInt(nullptr, 16));

    const CWindowList list = CWindowList::fromX11();
    QCOMPARE(list.topLevels().size(), 1);
    QCOMPARE(list.topLevels().first().id, id);
    QCOMPARE(list.topLevels().first().rect, expected);

    QCOMPARE(list.windowRectAt(expected.topLeft()), expected == inner ? inner : expected);
    QCOMPARE(list.windowRectAt(inner.topLeft()), inner);
    QCOMPARE(list.windowRectAt(inner.center()), inner);
    if (expected.right() < 1280 && expected.bottom() < 800) {
        QCOMPARE(list.windowRectAt(expected.bottomRight()), expected);
        QVERIFY(!list.windowRectAt(expected.bottomRight() + QPoint(1, 0)).isValid());
    }
}

void TestPlatformX11::overlappingWindows()
{
    const quint32 a = startLogo({"-geometry", "300x200+100+80", "-bw", "0"}, "logoA");
    const quint32 b = startLogo({"-geometry", "300x200+250+180", "-bw", "0"}, "logoB");
    QVERIFY(a && b);
    const QPoint overlap(300, 230);

    // Front-to-back order follows the stacking.
    for (quint32 raised : {a, b, a}) {
        runTool("xdotool", {"windowraise", QString::number(raised)});
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

// Windows of our own, inside each other four deep, with an input-only window
// in front of them all and, inside, an unmapped child, an input-only one and
// one reaching beyond its parent: the deepest of two levels under the
// top-level window that holds the point is offered, clipped to its parent;
// windows that show nothing never are.
void TestPlatformX11::windowTree()
{
    xcb_connection_t* c = x11Connection();
    QList<xcb_window_t> made;
    const auto make = [&](xcb_window_t parent, const QRect& r, bool inputOnly = false, bool map = true) {
        const xcb_window_t id = xcb_generate_id(c);
        const uint32_t overrideRedirect = 1;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, id, parent, int16_t(r.x()), int16_t(r.y()),
                          uint16_t(r.width()), uint16_t(r.height()), 0,
                          inputOnly ? XCB_WINDOW_CLASS_INPUT_ONLY : XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect);
        if (map)
            xcb_map_window(c, id);
        made << id;
        return id;
    };
    const xcb_window_t top = make(x11RootWindow(), {400, 300, 300, 200});
    make(make(make(top, {10, 10, 200, 150}), {20, 20, 100, 80}), {5, 5, 30, 20});
    make(top, {250, 10, 40, 40}, false, false);
    make(top, {220, 100, 60, 60}, true);
    make(top, {280, 150, 100, 100});
    make(x11RootWindow(), {380, 280, 400, 300}, true);
    xcb_flush(c);
    const CWindowList list = CWindowList::fromX11();
    const std::pair<QPoint, QRect> expected[] = {
        {{436, 336}, {430, 330, 100, 80}}, // the great-grandchild: its parent
        {{420, 320}, {410, 310, 200, 150}}, {{405, 305}, {400, 300, 300, 200}},
        {{660, 320}, {400, 300, 300, 200}},                   // the unmapped child
        {{630, 410}, {400, 300, 300, 200}},                   // the input-only child
        {{690, 460}, {680, 450, 20, 50}},   {{750, 520}, {}}, // only the input-only window
    };
    for (const auto& [at, rect] : expected)
        QCOMPARE(list.windowRectAt(at), rect);
    for (xcb_window_t id : {made.first(), made.last()})
        xcb_destroy_window(c, id);
    xcb_flush(c);
}

void TestPlatformX11::gtkFrameExtents_data()
{
    QTest::addColumn<QString>("extents"); // left, right, top, bottom
    QTest::addColumn<QMargins>("margins");
    QTest::newRow("different margins per side") << "10, 20, 30, 40" << QMargins(10, 30, 20, 40);
    QTest::newRow("negative extents are ignored") << "4294967286, 0, 0, 0" << QMargins();
}

void TestPlatformX11::gtkFrameExtents()
{
    QFETCH(QString, extents);
    QFETCH(QMargins, margins);
    const quint32 id = startLogo({"-geometry", "300x200+100+80"});
    const QString name = QStringLiteral("_GTK_FRAME_EXTENTS");
    QCOMPARE(
        runTool("xprop", {"-id", QString::number(id), "-f", name, "32c", "-set", name, extents}).exitCode, 0);
    const QRect expected = xwininfoRect(id).marginsRemoved(margins);

    const CWindowList list = CWindowList::fromX11();
    QCOMPARE(list.topLevels().first().rect, expected);
    QCOMPARE(list.windowRectAt(expected.topLeft()), expected);
    QCOMPARE(list.windowRectAt(expected.bottomRight()), expected);
    // The pointer on the shadow is over whatever lies behind it.
    if (!margins.isNull())
        QVERIFY(!list.windowRectAt(expected.topLeft() - QPoint(1, 1)).isValid());
}

// Under openbox: the window under the title bar or a frame edge is the
// frame, whose rectangle is the application window's grown by the frame
// extents the window manager tells; inside, the descent goes on as without
// a frame.
void TestPlatformX11::framedWindow()
{
    if (xprop({"-root", "_NET_SUPPORTING_WM_CHECK"}).indexOf("window id") < 0)
        QSKIP("needs a window manager");
    const quint32 id = startLogo({"-geometry", "300x200+100+80", "-bw", "0"});
    QVERIFY(id);
    QString extents;
    QTRY_VERIFY((extents = xprop({"-id", QString::number(id), "_NET_FRAME_EXTENTS"})).contains('='));
    const QStringList v = extents.section('=', 1).split(',');
    const QMargins frame(v.value(0).toInt(), v.value(2).toInt(), v.value(1).toInt(), v.value(3).toInt());
    QVERIFY2(frame.top() > 10, qPrintable(extents)); // a title bar
    QTest::qWait(200);                               // placed
    const QRect client = xwininfoRect(id);
    const QRect expected = client.marginsAdded(frame);
    const CWindowList list = CWindowList::fromX11();
    for (const QPoint p : {QPoint(client.center().x(), client.top() - frame.top() / 2), expected.topLeft(),
                           expected.bottomRight()})
        QCOMPARE(list.windowRectAt(p), expected);
    // xlogo draws into a child of its window.
    const QRect inner = list.windowRectAt(client.center());
    QVERIFY(client.contains(inner) && inner.size() == QSize(300, 200));
    QVERIFY(!list.windowRectAt(expected.bottomRight() + QPoint(1, 1)).isValid());
    killClients();
}

// Xvfb sends 0 in the fourth byte of every 32-bit pixel; the grab must
// still be opaque, or every picture made from it is invisible.
void TestPlatformX11::grabIsOpaque()
{
    const QImage pattern = makeTestPattern(QGuiApplication::primaryScreen()->size(), 7);
    QVERIFY(setRootPicture(pattern));
    const QImage grabbed = grabDesktopImage();
    QCOMPARE(differingPixels(grabbed, pattern), 0);
    QCOMPARE(differingPixels(grabbed, referenceScreenshot()), 0);
}

// A snapshot looks veiled from the moment its window is mapped: the X server
// darkens the desktop below the new window itself, and the first paint then
// puts the same pixels there (every value of every channel occurs). Only the
// desktop's outermost pixels wait for that paint, which outlines its edges.
void TestPlatformX11::veilBeforeFirstPaint()
{
    const QSize size = QGuiApplication::primaryScreen()->size();
    const QImage pattern = makeTestPattern(size, 11);
    QVERIFY(setRootPicture(pattern));
    QVERIFY(ServerVeil::windowsKeepPixelsBelow());
    QImage veiled = pattern.copy();
    QPainter painter(&veiled);
    painter.fillRect(veiled.rect(), CSGraphicsPixmapItem::veilColor());
    painter.end();
    const QRect inside = pattern.rect().adjusted(1, 1, -1, -1);

    CDrawView view(QPixmap::fromImage(pattern), nullptr);
    view.setWindowFlags(floatingWindowFlags());
    view.show();
    view.veilAhead();
    // The event loop has not run: nothing of the program's is painted yet.
    const QImage before = grabDesktopImage();
    QCOMPARE(differingPixels(before.copy(inside), veiled.copy(inside)), 0);

    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTest::qWait(300);
    const QImage after = grabDesktopImage();
    QCOMPARE(differingPixels(after.copy(inside), before.copy(inside)), 0);
}

void TestPlatformX11::pressActivates()
{
    // Keys that only type text stay with the program that has the focus.
    for (const char* text : {"S", "Shift+7", "Space"})
        QVERIFY2(!CGlobalShortcut(QKeySequence(QLatin1String(text))).isRegistered(), text);

    CGlobalShortcut shortcut(QKeySequence(QStringLiteral("Shift+Ctrl+F5")));
    QSignalSpy spy(&shortcut, &CGlobalShortcut::activated);
    // Other combinations do not count; Num Lock on, then Caps Lock as well,
    // then Caps Lock alone do not matter.
    for (const QString lock : {"", "Num_Lock", "Caps_Lock", "Num_Lock"}) {
        if (!lock.isEmpty())
            runXdotool(QStringLiteral("key ") + lock);
        runXdotool(QStringLiteral("key ctrl+F5"));
        runXdotool(QStringLiteral("key shift+ctrl+F5"));
        QTRY_COMPARE(spy.count(), 1);
        QTest::qWait(100); // a wrong activation by the other combination shows by now
        QCOMPARE(spy.count(), 1);
        spy.clear();
    }
    runXdotool(QStringLiteral("key Caps_Lock"));
    // Meta and Alt: the Super and Alt keys.
    CGlobalShortcut meta(QKeySequence(QStringLiteral("Meta+Alt+K")));
    QSignalSpy metaSpy(&meta, &CGlobalShortcut::activated);
    runXdotool(QStringLiteral("key alt+k"));
    runXdotool(QStringLiteral("key super+alt+k"));
    QTRY_COMPARE(metaSpy.count(), 1);
}

// A combination held by another client: the program says once, on one line
// of standard error, which one it could not have (in the options' form),
// and runs on with the other one, which a hot key destroyed before left
// free. A main window that cannot have its start key does not promise it at
// the first start, and its Shortcut page names it.
void TestPlatformX11::combinationHeldByAnotherProgram()
{
    {
        CGlobalShortcut first(QKeySequence(QStringLiteral("Alt+S")));
        QVERIFY(first.isRegistered());
    }
    CGlobalShortcut held(QKeySequence(QStringLiteral("Alt+E")));
    QVERIFY(held.isRegistered());
    QProcess program;
    program.start(programPath(), {});
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(QStringLiteral("^Vireoscape$")).isEmpty(), 10000);
    QTest::qWait(200);
    const QString err = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(err.count(QLatin1Char('\n')) == 1 &&
                 err.contains(QStringLiteral("Alt + E (Show Main Window)")) &&
                 err.contains(QStringLiteral("another program holds it")),
             qPrintable(err));
    QVERIFY2(!err.contains(QStringLiteral("Alt + S")), qPrintable(err));

    // Held by the program, the other combination is refused to us, and works for the program.
    CGlobalShortcut taken(QKeySequence(QStringLiteral("Alt+S")));
    QVERIFY(!taken.isRegistered());
    QCOMPARE(taken.problem(), QStringLiteral("another program holds it"));
    {
        initVireoscapeResources();
        AppConfig = CAppConfig::defaults(); // a first start
        Vireoscape window;
        QVERIFY(window.hotKeysNotice().contains(
            QStringLiteral("The hot key Alt + S (Start snapshot) could not be registered")));
        QVERIFY2(!window.shownStartMessage().contains(QStringLiteral("Press")) &&
                     window.shownStartMessage().endsWith(window.hotKeysNotice()),
                 qPrintable(window.shownStartMessage()));
        QString page;
        QTimer::singleShot(0, this, [&page] {
            QWidget* dialog = QApplication::activeModalWidget();
            auto* label = dialog ? dialog->findChild<QLabel*>(QStringLiteral("hotKeysNotice")) : nullptr;
            if (label && !label->isHidden())
                page = label->text();
            if (dialog)
                dialog->close();
        });
        window.OnOption();
        QCOMPARE(page, window.hotKeysNotice());
    }
    runXdotool(QStringLiteral("key alt+s"));
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(QStringLiteral("^Vireoscape$")).isEmpty(), 5000);
    program.kill();
    program.waitForFinished(5000);
}

QTEST_MAIN(TestPlatformX11)
#include "tst_platformx11.moc"
