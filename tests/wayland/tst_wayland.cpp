// The program in headless sway (session.sh): the portal's picture against
// grim's, the clipboard, the hot keys' portal and the windows sway shows.
#include "annotate/SnapshotEdit.h"
#include "annotate/SnapshotProp.h"
#include "app/SnapshotService.h"
#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "output/PngWriter.h"
#include "support/TestSupport.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

using namespace TestSupport;

class TestWayland : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void oneShotIsWhatTheScreenShows_data();
    void oneShotIsWhatTheScreenShows();
    void snapshotFromTheCommandEndsOnTheClipboard();
    void windowsAsTheCompositorShowsThem();
    void clipboardServedAfterTheEnd();
    // Run alone in a session without a GlobalShortcuts backend.
    void hotKeysGoThroughThePortal();
    void hotKeysNoticeWithoutBackend();

private:
    QStringList pictures() const { return m_folder.entryList(QDir::Files); }
    // A session bus of its own on which no portal can start; its address.
    QString busWithoutPortals();

    QDir m_folder;
    QImage m_screen;
    QString m_sessionDir;
    QProcess m_emptyBus;
};

// Notes a key press that reached a window.
struct KeySeen : QObject
{
    bool pressed = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        pressed = pressed || event->type() == QEvent::KeyPress;
        return false;
    }
};

// The windows of a process in sway's tree, as sway describes them.
QList<QJsonObject> swayWindows(qint64 pid)
{
    const ToolResult r =
        runTool(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_tree")});
    QList<QJsonObject> found;
    QList<QJsonObject> pending{QJsonDocument::fromJson(r.out).object()};
    while (!pending.isEmpty()) {
        const QJsonObject node = pending.takeLast();
        if (node.value(QStringLiteral("pid")).toInteger() == pid)
            found << node;
        for (const char* children : {"nodes", "floating_nodes"})
            for (const QJsonValue child : node.value(QLatin1String(children)).toArray())
                pending << child.toObject();
    }
    return found;
}

// The rectangle of a window with its border ("rect") or of its content.
QRect swayRect(const QJsonObject& node, const char* which = "rect")
{
    const QJsonObject r = node.value(QLatin1String(which)).toObject();
    return QRect(r.value(QStringLiteral("x")).toInt(), r.value(QStringLiteral("y")).toInt(),
                 r.value(QStringLiteral("width")).toInt(), r.value(QStringLiteral("height")).toInt());
}

// Picks 300x210 at 100,120 through the view's own events.
void dragPick(QWidget* area)
{
    QTest::mousePress(area, Qt::LeftButton, Qt::NoModifier, QPoint(100, 120));
    QTest::mouseMove(area, QPoint(250, 220));
    QTest::mouseMove(area, QPoint(400, 330));
    QTest::mouseRelease(area, Qt::LeftButton, Qt::NoModifier, QPoint(400, 330));
}

QImage grimScreenshot()
{
    const ToolResult r = runTool(QStringLiteral("grim"), {QStringLiteral("-")}, 30000);
    QImage image;
    if (r.exitCode == 0)
        image.loadFromData(r.out, "PNG");
    return image;
}

void TestWayland::initTestCase()
{
    QVERIFY2(QFileInfo(programPath()).isExecutable(), "VIREOSCAPE_BIN must name the program");
    m_sessionDir = qEnvironmentVariable("WL_SESSION_DIR");
    if (m_sessionDir.isEmpty() || QGuiApplication::platformName() != QLatin1String("wayland"))
        QSKIP("not inside the Wayland test session (tests/wayland/session.sh)");
    setApplicationIdentity();

    // A busy picture on the output in device pixels, drawn by swaybg.
    const QSize size =
        QGuiApplication::primaryScreen()->size() * QGuiApplication::primaryScreen()->devicePixelRatio();
    const QString background = m_sessionDir + QStringLiteral("/pattern.png");
    QVERIFY(makeTestPattern(size, 5).save(background));
    QFile::setPermissions(background,
                          QFileDevice::ReadOwner | QFileDevice::ReadOther | QFileDevice::ReadGroup);
    QCOMPARE(runTool(QStringLiteral("swaymsg"), {QStringLiteral("output * bg %1 stretch").arg(background)})
                 .exitCode,
             0);
    QTRY_VERIFY_WITH_TIMEOUT((m_screen = grimScreenshot()).pixel(size.width() / 2, size.height() / 2) !=
                                 qRgb(0x33, 0x66, 0x99),
                             20000);
    QTest::qWait(500); // swaybg has drawn once; let the frame settle
    m_screen = grimScreenshot();
    QCOMPARE(m_screen.size(), size);

    m_folder.setPath(QDir::tempPath() + QStringLiteral("/pictures"));
    QVERIFY(m_folder.mkpath(QStringLiteral(".")));
}

void TestWayland::init()
{
    AppConfig = CAppConfig::defaults();
    AppConfig.SnapshotFilePath = m_folder.absolutePath();
    AppConfig.SnapshotFileNameExt = QStringLiteral(".png");
    AppConfig.GenAutoRun = false;
    AppConfig.GenAutoHide = true;
    AppConfig.IntervalSnap = 100;
    QVERIFY(AppConfig.save().ok);
    for (const QString& file : pictures())
        QFile::remove(m_folder.filePath(file));
}

void TestWayland::cleanup()
{
    if (m_emptyBus.state() != QProcess::NotRunning) {
        m_emptyBus.terminate();
        m_emptyBus.waitForFinished(3000);
    }
}

QString TestWayland::busWithoutPortals()
{
    // No service directory: nothing can start on this bus.
    const QString config = QDir::tempPath() + QStringLiteral("/empty-bus.conf");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write("<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
               "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
               "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
    file.close();
    m_emptyBus.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                      QStringLiteral("--print-address=1")});
    if (!m_emptyBus.waitForReadyRead(5000))
        return QString();
    return QString::fromUtf8(m_emptyBus.readLine().trimmed());
}

void TestWayland::oneShotIsWhatTheScreenShows_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QRect>("part");      // of the screen; null for all of it
    QTest::addColumn<QString>("refused"); // else the one line on standard error
    const QStringList oneShot{QStringLiteral("-s")};
    QTest::newRow("native Wayland") << oneShot << QStringList() << QRect() << QString();
    // Through XWayland an X grab would see black: the portal still serves.
    QFile xDisplay(qEnvironmentVariable("WL_SESSION_DIR") + QStringLiteral("/x-display"));
    const QString display = xDisplay.open(QIODevice::ReadOnly) ? xDisplay.readAll().trimmed() : QString();
    QTest::newRow("XWayland") << oneShot << QStringList{"QT_QPA_PLATFORM=xcb", "DISPLAY=" + display}
                              << QRect() << QString();
    QTest::newRow("a region") << QStringList{"-s", "-r", "200x100+30+40"} << QStringList()
                              << QRect(30, 40, 200, 100) << QString();
    QTest::newRow("the output to standard output")
        << QStringList{"-s", "--screen", "0", "-o", "-"} << QStringList() << QRect() << QString();
    QTest::newRow("no portal on the bus") << oneShot << QStringList{"DBUS_SESSION_BUS_ADDRESS=empty"}
                                          << QRect() << "no screenshot portal is running";
    QTest::newRow("no bus at all") << oneShot
                                   << QStringList{"DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus"}
                                   << QRect() << "no session bus";
}

void TestWayland::oneShotIsWhatTheScreenShows()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environment);
    QFETCH(QRect, part);
    QFETCH(QString, refused);
    if (environment.contains(QStringLiteral("DBUS_SESSION_BUS_ADDRESS=empty"))) {
        const QString bus = busWithoutPortals();
        QVERIFY(!bus.isEmpty());
        environment = QStringList{QStringLiteral("DBUS_SESSION_BUS_ADDRESS=") + bus};
    }
    const ToolResult run = runTool(programPath(), arguments, 60000, {}, environment);
    if (!refused.isEmpty()) {
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(refused.toUtf8()) && run.err.count('\n') == 1, run.err.constData());
        QVERIFY(pictures().isEmpty());
        return;
    }
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QImage written;
    if (arguments.contains(QStringLiteral("-"))) {
        QVERIFY(pictures().isEmpty());
        written.loadFromData(run.out, "PNG");
    } else {
        QCOMPARE(pictures().size(), 1);
        QCOMPARE(QString::fromUtf8(run.out), m_folder.filePath(pictures().first()) + QLatin1Char('\n'));
        written.load(m_folder.filePath(pictures().first()));
    }
    const QImage expected = part.isNull() ? m_screen : m_screen.copy(part);
    QCOMPARE(written.size(), expected.size());
    QCOMPARE(differingPixels(written, expected), qint64(0));
}

void TestWayland::snapshotFromTheCommandEndsOnTheClipboard()
{
    AppConfig.SaveToFileAfterFinish = false;
    AppConfig.CopyToClipboardAfterFinish = true;
    AppConfig.GenActionAfterFinish = 0;
    Vireoscape window;
    QString error;
    QVERIFY2(window.publishService(&error), qPrintable(error));

    QProcess paste;
    CDrawView* view = nullptr;
    for (int round = 0; round < 3; ++round) {
        QProcess ask; // as a desktop's key binding runs it
        ask.start(programPath(), {QStringLiteral("--snapshot")});
        QTRY_VERIFY_WITH_TIMEOUT(ask.state() == QProcess::NotRunning, 20000);
        QCOMPARE(ask.exitCode(), 0);
        // A new round's snapshot replaces the old view.
        const QPointer<CDrawView> previous = view;
        QTRY_VERIFY_WITH_TIMEOUT(window.captureView() && window.captureView()->isVisible() && !previous,
                                 30000);
        view = window.captureView();
        QTRY_VERIFY_WITH_TIMEOUT(view->isFullScreen(), 5000);
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QCOMPARE(view->geometry(), QGuiApplication::primaryScreen()->geometry());
        // No window list here: no hint to click a window.
        const QString hint = view->snapshotScene()->backgroundItem()->hint();
        QVERIFY2(hint.startsWith(QLatin1String("Drag an area")), qPrintable(hint));

        QWidget* area = view->viewport();
        dragPick(area);
        QTest::qWait(200);
        // The compositor takes the clipboard only from a client that had
        // input: a virtual keyboard's press, repeated if missed, kept until pasted.
        QTRY_VERIFY_WITH_TIMEOUT(view->windowHandle()->isActive(), 10000);
        KeySeen key;
        view->windowHandle()->installEventFilter(&key);
        QProcess wtype;
        for (int attempt = 0; attempt < 3 && !key.pressed; ++attempt) {
            if (wtype.state() != QProcess::NotRunning) {
                wtype.kill();
                wtype.waitForFinished();
            }
            wtype.start(QStringLiteral("wtype"),
                        {QStringLiteral("-s"), QStringLiteral("300"), QStringLiteral("-k"),
                         QStringLiteral("Shift_L"), QStringLiteral("-s"), QStringLiteral("20000")});
            QVERIFY(wtype.waitForStarted());
            QVERIFY(QTest::qWaitFor([&key] { return key.pressed; }, 3000));
        }
        QVERIFY(key.pressed);
        QTest::mouseDClick(area, Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
        // The selection offered back says the compositor took the clipboard.
        QSignalSpy offered(QGuiApplication::clipboard(), &QClipboard::dataChanged);
        QTRY_VERIFY_WITH_TIMEOUT(!view->isVisible(), 5000);
        if (!offered.wait(5000) && round < 2) {
            qWarning("the compositor did not take the clipboard; a new snapshot");
            continue;
        }

        paste.start(QStringLiteral("wl-paste"), {QStringLiteral("--type"), QStringLiteral("image/png")});
        QTRY_VERIFY_WITH_TIMEOUT(paste.state() == QProcess::NotRunning, 20000);
        wtype.kill();
        wtype.waitForFinished();
        const QByteArray refused = paste.readAllStandardError();
        // The compositor may still refuse it (its serial check): a new round.
        if (paste.exitCode() != 0 && refused.contains("No selection") && round < 2) {
            qWarning("the compositor refused the clipboard; a new snapshot");
            continue;
        }
        QVERIFY2(paste.exitCode() == 0, refused.constData());
        break;
    }
    QImage pasted;
    const QByteArray pastedBytes = paste.readAllStandardOutput();
    QVERIFY2(pasted.loadFromData(pastedBytes, "PNG"),
             qPrintable(QStringLiteral("%1 bytes pasted, starting %2")
                            .arg(pastedBytes.size())
                            .arg(QString::fromLatin1(pastedBytes.left(16).toHex()))));
    const qreal ratio = view->devicePixelRatioF();
    const QRect seen(QPoint(100, 120) * ratio, QSize(300, 210) * ratio);
    QCOMPARE(pasted.size(), seen.size());
    QCOMPARE(differingPixels(pasted, m_screen.copy(seen)), qint64(0));
    // The program's own encoding, not one Qt made again on the paste.
    QVERIFY(pastedBytes == PngWriter::encode(pasted));
}

void TestWayland::windowsAsTheCompositorShowsThem()
{
    AppConfig.GenActionAfterFinish = 1; // show the main window
    Vireoscape window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // A fixed size: sway floats the window at it, not tiled.
    const qint64 pid = QCoreApplication::applicationPid();
    const auto floatsAtItsSize = [&] {
        const QList<QJsonObject> shown = swayWindows(pid);
        return shown.size() == 1 &&
               shown.first().value(QStringLiteral("type")) == QLatin1String("floating_con") &&
               swayRect(shown.first(), "window_rect").size() == window.size();
    };
    QTRY_VERIFY_WITH_TIMEOUT(floatsAtItsSize(), 5000);
    QVERIFY(window.width() < 400);

    window.startSnapshot();
    QTRY_VERIFY_WITH_TIMEOUT(window.captureView() && window.captureView()->isVisible(), 30000);
    CDrawView* view = window.captureView();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    QWidget* area = view->viewport();
    dragPick(area);
    CSnapshotEdit* strip = view->editDialog();
    QTRY_VERIFY(strip->isVisible());
    QTest::mouseClick(strip->buttonFor(DrawMode::Rectangle), Qt::LeftButton);
    CSnapshotProp* prop = strip->propDialog();
    QTRY_VERIFY(prop->isVisible());
    // Both strips inside the view, placed as on X11: 5 pixels under the
    // pick, at its left edge; the property strip under it, aligned right.
    for (QWidget* w : {static_cast<QWidget*>(strip), static_cast<QWidget*>(prop)})
        QVERIFY(!w->isWindow() && w->parentWidget() == view);
    QCOMPARE(strip->pos(), QPoint(100, 335));
    QCOMPARE(prop->geometry().right(), strip->geometry().right() - 1);
    QCOMPARE(prop->y(), strip->geometry().bottom() + 5);
    // One window of the program in sway's tree: the full-screen view.
    const auto onlyTheView = [&] {
        const QList<QJsonObject> shown = swayWindows(pid);
        return shown.size() == 1 && shown.first().value(QStringLiteral("fullscreen_mode")).toInt() == 1 &&
               swayRect(shown.first()) == QGuiApplication::primaryScreen()->geometry();
    };
    QTRY_VERIFY_WITH_TIMEOUT(onlyTheView(), 5000);
    const qreal ratio = view->devicePixelRatioF();
    for (QWidget* w : {static_cast<QWidget*>(strip), static_cast<QWidget*>(prop)}) {
        const QImage drawn = w->grab().toImage();
        const QRect at(w->pos() * ratio, drawn.size());
        QTRY_COMPARE_WITH_TIMEOUT(differingPixels(grimScreenshot().copy(at), drawn), qint64(0), 5000);
    }

    // After the click on a strip, a letter still chooses a tool and Escape cancels.
    QTest::keyClick(view->windowHandle(), Qt::Key_E);
    QCOMPARE(strip->drawMode(), DrawMode::Ellipse);
    QSignalSpy finished(view, &CDrawView::finished);
    QTest::keyClick(view->windowHandle(), Qt::Key_Escape);
    QCOMPARE(finished.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(floatsAtItsSize(), 5000);
}

// After "Exit application" the program serves the clipboard until it is taken.
void TestWayland::clipboardServedAfterTheEnd()
{
    AppConfig.SaveToFileAfterFinish = false;
    AppConfig.CopyToClipboardAfterFinish = true;
    AppConfig.GenActionAfterFinish = 2;
    AppConfig.GenCloseToTray = false;
    QVERIFY(AppConfig.save().ok);
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(programPath(), {QStringLiteral("--snapshot")});
    QVERIFY(program.waitForStarted());
    const auto viewShown = [&] {
        const QList<QJsonObject> shown = swayWindows(program.processId());
        return shown.size() == 1 && shown.first().value(QStringLiteral("fullscreen_mode")).toInt() == 1 &&
               shown.first().value(QStringLiteral("focused")).toBool();
    };
    QTRY_VERIFY_WITH_TIMEOUT(viewShown(), 30000);
    // Enter from a virtual keyboard (real input, for the clipboard), repeated if missed.
    for (int attempt = 0; attempt < 4 && viewShown(); ++attempt) {
        QCOMPARE(runTool(QStringLiteral("wtype"),
                         {QStringLiteral("-s"), QStringLiteral("500"), QStringLiteral("-k"),
                          QStringLiteral("Return"), QStringLiteral("-s"), QStringLiteral("300")})
                     .exitCode,
                 0);
        QTest::qWait(1500);
    }
    QVERIFY(swayWindows(program.processId()).isEmpty());
    QCOMPARE(program.state(), QProcess::Running);
    const ToolResult paste =
        runTool(QStringLiteral("wl-paste"), {QStringLiteral("--type"), QStringLiteral("image/png")});
    QVERIFY2(paste.exitCode == 0, paste.err.constData());
    QImage pasted;
    QVERIFY(pasted.loadFromData(paste.out, "PNG"));
    QCOMPARE(pasted.size(), m_screen.size());
    QCOMPARE(differingPixels(pasted, m_screen), qint64(0));
    QProcess copy;
    copy.start(QStringLiteral("wl-copy"), {QStringLiteral("taken")});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
    copy.waitForFinished(5000);
}

void TestWayland::hotKeysGoThroughThePortal()
{
    if (qEnvironmentVariable("WL_SHORTCUTS") == QLatin1String("none"))
        QSKIP("this session has no GlobalShortcuts backend");
    AppConfig.ShortcutStartSnapshot = QStringLiteral("Ctrl + Alt + F7");
    AppConfig.ShortcutShowMainWnd = QStringLiteral("Alt + E");
    Vireoscape window;
    const auto backend = [](const QString& method, const QVariantList& arguments = {}) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.impl.portal.desktop.vstest"),
                                           QStringLiteral("/org/freedesktop/portal/desktop"),
                                           QStringLiteral("org.valdo_software.VireoscapeTest"), method);
        call.setArguments(arguments);
        return QDBusConnection::sessionBus().call(call).arguments().value(0);
    };
    QTRY_COMPARE_WITH_TIMEOUT(backend(QStringLiteral("Bound")).toString(),
                              QStringLiteral("show-main-window=ALT+e\nstart-snapshot=CTRL+ALT+F7\n"), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(window.hotKeysNotice().isEmpty(), 5000);

    QVERIFY(!window.isVisible());
    QCOMPARE(backend(QStringLiteral("Activate"), {QStringLiteral("show-main-window")}).toUInt(), 1u);
    QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 5000);

    QCOMPARE(backend(QStringLiteral("Activate"), {QStringLiteral("start-snapshot")}).toUInt(), 1u);
    QTRY_VERIFY_WITH_TIMEOUT(window.captureView() && window.captureView()->isVisible(), 30000);
    window.captureView()->abandonSnapshot();
}

void TestWayland::hotKeysNoticeWithoutBackend()
{
    if (qEnvironmentVariable("WL_SHORTCUTS") != QLatin1String("none"))
        QSKIP("needs a session without a GlobalShortcuts backend (WL_SHORTCUTS=none)");
    Vireoscape window;
    QTRY_VERIFY_WITH_TIMEOUT(!window.hotKeysNotice().isEmpty(), 60000);

    // The Shortcut page says what to do instead.
    QString shown;
    bool visible = false;
    QTimer::singleShot(1000, this, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("hotKeysNotice"))) {
            shown = label->text();
            visible = !label->isHidden();
        }
        dialog->close();
    });
    window.OnOption();
    QVERIFY(visible);
    QVERIFY2(shown.contains(QLatin1String("no global shortcuts portal is running")), qPrintable(shown));
    QVERIFY2(shown.contains(QLatin1String("\"vireoscape --snapshot\"")), qPrintable(shown));
}

QTEST_MAIN(TestWayland)
#include "tst_wayland.moc"
