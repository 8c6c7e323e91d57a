// The tray as a user meets it: openbox as window manager and trayer as the
// tray host, driven with xdotool.
#include "app/Startup.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QSettings>
#include <QtTest>

#include <csignal>
#include <functional>

using namespace TestSupport;

namespace {

QString xdotool(const QStringList& args)
{
    return QString::fromLatin1(runTool(QStringLiteral("xdotool"), args).out).trimmed();
}

QRect windowRect(const QString& id)
{
    // "Position: 6,6 (screen: 0)" and "Geometry: 22x30" from getwindowgeometry.
    const QString out = xdotool({QStringLiteral("getwindowgeometry"), id});
    const QRegularExpressionMatch p = QRegularExpression(QStringLiteral("Position: (-?\\d+),(-?\\d+)")).match(out);
    const QRegularExpressionMatch g = QRegularExpression(QStringLiteral("Geometry: (\\d+)x(\\d+)")).match(out);
    if (!p.hasMatch() || !g.hasMatch())
        return QRect();
    return QRect(p.captured(1).toInt(), p.captured(2).toInt(), g.captured(1).toInt(), g.captured(2).toInt());
}

QSize windowSize(const QString& id)
{
    return windowRect(id).size();
}

} // namespace

class TestTray : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void closeHidesToTheTray();
    void doubleClickOnTheIcon_data();
    void doubleClickOnTheIcon();
    void rightClickOpensTheMenu();
    void endingTheProgram_data();
    void endingTheProgram();
    void exitApplicationAfterFinishing_data();
    void exitApplicationAfterFinishing();
    void withoutTrayHostCloseEnds();

private:
    void setTrayHost(bool running);
    void start(const QVariantMap& settings = {});
    // Opens the tray icon's menu with a right click; returns its window.
    QString openTrayMenu();
    QString trayIcon() const;
    QStringList ourWindows() const;
    QString newWindow(const QStringList& before) const;
    QString mainWindow() const;
    void doubleClick(const QString& window);
    // Closes the main window the way a user does, with the window manager's
    // Alt+F4; a key pressed before openbox has moved the focus is lost, so
    // it is pressed again until `closed` holds.
    bool closeMainWindow(const std::function<bool()>& closed);

    QProcess m_trayer;
    QProcess* m_program = nullptr;
};

void TestTray::initTestCase()
{
    setApplicationIdentity();
    setTrayHost(true);
}

void TestTray::setTrayHost(bool running)
{
    if (!running) {
        m_trayer.kill();
        m_trayer.waitForFinished(3000);
        return;
    }
    if (m_trayer.state() != QProcess::NotRunning)
        return;
    m_trayer.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"),
                                              QStringLiteral("--align"), QStringLiteral("left"),
                                              QStringLiteral("--widthtype"), QStringLiteral("pixel"),
                                              QStringLiteral("--width"), QStringLiteral("300"),
                                              QStringLiteral("--height"), QStringLiteral("32")});
    QVERIFY(m_trayer.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(!xdotool({QStringLiteral("search"), QStringLiteral("--class"),
                                       QStringLiteral("trayer")}).isEmpty(), 10000);
}

void TestTray::cleanupTestCase()
{
    setTrayHost(false);
}

void TestTray::init()
{
    QFile::remove(QSettings().fileName());
}

void TestTray::cleanup()
{
    if (m_program) {
        m_program->kill();
        m_program->waitForFinished(5000);
        delete m_program;
        m_program = nullptr;
    }
}

void TestTray::start(const QVariantMap& settings)
{
    QSettings store;
    for (auto it = settings.begin(); it != settings.end(); ++it)
        store.setValue(it.key(), it.value());
    store.sync();
    m_program = startProgram({});
    QVERIFY(m_program->waitForStarted());
    if (!settings.value(QStringLiteral("GenAutoHide")).toBool())
        QTRY_VERIFY_WITH_TIMEOUT(!mainWindow().isEmpty(), 10000);
}

QStringList TestTray::ourWindows() const
{
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--class"),
                    QStringLiteral("^vireoscape$")})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString TestTray::newWindow(const QStringList& before) const
{
    for (const QString& id : ourWindows()) {
        if (!before.contains(id))
            return id;
    }
    return QString();
}

QString TestTray::trayIcon() const
{
    // The icon is a small window of ours embedded in the tray host; it has
    // our class but no plain WM_NAME, so search by class.
    for (const QString& id : ourWindows()) {
        const QSize size = windowSize(id);
        if (size.isValid() && size.width() <= 40 && size.height() <= 40)
            return id;
    }
    return QString();
}

QString TestTray::mainWindow() const
{
    for (const QString& id : visibleWindows(QStringLiteral("^Vireoscape$"))) {
        if (windowSize(id).width() > 40)
            return id;
    }
    return QString();
}

void TestTray::doubleClick(const QString& window)
{
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QStringLiteral("5"),
             QStringLiteral("5")});
    xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"), QStringLiteral("--delay"),
             QStringLiteral("80"), QStringLiteral("1")});
}

bool TestTray::closeMainWindow(const std::function<bool()>& closed)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QString window = mainWindow();
        if (!window.isEmpty()) {
            xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
            xdotool({QStringLiteral("key"), QStringLiteral("alt+F4")});
        }
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 3000) {
            if (closed())
                return true;
            QTest::qWait(50);
        }
    }
    return false;
}

void TestTray::closeHidesToTheTray()
{
    start();
    QTRY_VERIFY_WITH_TIMEOUT(!trayIcon().isEmpty(), 10000);
    QVERIFY(closeMainWindow([this] { return mainWindow().isEmpty(); }));
    QTest::qWait(300);
    QCOMPARE(m_program->state(), QProcess::Running);
    QVERIFY(!trayIcon().isEmpty());
}

void TestTray::doubleClickOnTheIcon_data()
{
    QTest::addColumn<bool>("snapshotOnDoubleClick");
    QTest::newRow("shows the main window") << false;
    QTest::newRow("starts a snapshot") << true;
}

void TestTray::doubleClickOnTheIcon()
{
    QFETCH(bool, snapshotOnDoubleClick);
    start({{QStringLiteral("SnapshotAfterDlbClk"), snapshotOnDoubleClick},
           {QStringLiteral("GenAutoHide"), !snapshotOnDoubleClick}});
    QTRY_VERIFY_WITH_TIMEOUT(!trayIcon().isEmpty(), 10000);
    if (!snapshotOnDoubleClick) {
        // Started hidden: only the tray icon shows until the double click.
        QTRY_VERIFY_WITH_TIMEOUT(mainWindow().isEmpty(), 5000);
        doubleClick(trayIcon());
        QTRY_VERIFY_WITH_TIMEOUT(!mainWindow().isEmpty(), 5000);
    } else {
        QVERIFY(!mainWindow().isEmpty());
        doubleClick(trayIcon());
        QTRY_VERIFY_WITH_TIMEOUT(mainWindow().isEmpty(), 5000); // hidden for the grab
    }
}

QString TestTray::openTrayMenu()
{
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), trayIcon(), QStringLiteral("5"),
             QStringLiteral("5")});
    QTest::qWait(300);
    const QStringList before = ourWindows();
    // The release of the right button may reach the menu that its press
    // opened and close it again, depending on timing: open until it stays.
    QString menu;
    for (int attempt = 0; attempt < 5 && menu.isEmpty(); ++attempt) {
        xdotool({QStringLiteral("click"), QStringLiteral("3")});
        QTest::qWait(500);
        menu = newWindow(before);
    }
    return menu;
}

void TestTray::rightClickOpensTheMenu()
{
    start();
    QTRY_VERIFY_WITH_TIMEOUT(!trayIcon().isEmpty(), 10000);
    const QString menu = openTrayMenu();
    QVERIFY(!menu.isEmpty());
    // Four entries and two separators, next to the icon.
    const QRect r = windowRect(menu);
    QVERIFY2(r.height() > 70 && r.width() > 100, qPrintable(QStringLiteral("%1x%2").arg(r.width()).arg(r.height())));
    QVERIFY(r.top() < 100);
    QCOMPARE(m_program->state(), QProcess::Running);
}

// A log-out (SIGTERM, SIGHUP), Ctrl+C and the tray's "Exit" end the program
// at once, also when closing its window would only hide it to the tray.
void TestTray::endingTheProgram_data()
{
    QTest::addColumn<int>("signal"); // 0: the tray menu's "Exit"
    QTest::addColumn<bool>("shown");
    QTest::newRow("SIGTERM, window shown") << int(SIGTERM) << true;
    QTest::newRow("SIGINT, window shown") << int(SIGINT) << true;
    QTest::newRow("SIGHUP, window in the tray") << int(SIGHUP) << false;
    QTest::newRow("tray menu Exit, window shown") << 0 << true;
}

void TestTray::endingTheProgram()
{
    QFETCH(int, signal);
    QFETCH(bool, shown);
    // Qt asks the windows to close in an order that changes from run to run;
    // a quit that a hiding window can cancel fails in about half the runs.
    for (int run = 0; run < 3; ++run) {
        cleanup();
        init();
        start({{QStringLiteral("GenAutoHide"), !shown},
               {QStringLiteral("GenCloseToTray"), true},
               {QStringLiteral("IntervalSnap"), 345}});
        QTRY_VERIFY_WITH_TIMEOUT(!trayIcon().isEmpty(), 10000);
        QVERIFY(waitUntilResident(m_program));
        if (signal) {
            ::kill(pid_t(m_program->processId()), signal);
        } else {
            QVERIFY(!openTrayMenu().isEmpty());
            xdotool(
                {QStringLiteral("key"), QStringLiteral("Up"), QStringLiteral("Return")}); // the last entry
        }
        QVERIFY2(m_program->waitForFinished(5000), qPrintable(QStringLiteral("run %1").arg(run)));
        QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program->exitCode(), 0);
        QSettings store;
        QCOMPARE(store.allKeys().size(), 26); // written by the program
        QCOMPARE(store.value(QStringLiteral("IntervalSnap")).toInt(), 345);
    }
}

// "Exit application" after a snapshot ends the program wherever closing the
// main window would: the window is hidden then, so Qt's last-window rule
// never fires.
void TestTray::exitApplicationAfterFinishing_data()
{
    QTest::addColumn<bool>("trayHost");
    QTest::addColumn<bool>("closeToTray");
    QTest::addColumn<bool>("clipboard");
    QTest::addColumn<bool>("ends");
    QTest::newRow("close-to-tray off: ends") << true << false << false << true;
    QTest::newRow("no tray host: ends") << false << true << false << true;
    QTest::newRow("clipboard held: ends once another program takes it") << true << false << true << true;
    QTest::newRow("close-to-tray on: goes to the tray") << true << true << false << false;
}

void TestTray::exitApplicationAfterFinishing()
{
    QFETCH(bool, trayHost);
    QFETCH(bool, closeToTray);
    QFETCH(bool, clipboard);
    QFETCH(bool, ends);
    setTrayHost(trayHost);
    const QString shots = QDir::home().filePath(QStringLiteral("shots"));
    QDir(shots).removeRecursively();
    QVERIFY(QDir().mkpath(shots));
    start({{QStringLiteral("GenAutoHide"), true},
           {QStringLiteral("GenActionAfterFinish"), 2},
           {QStringLiteral("GenCloseToTray"), closeToTray},
           {QStringLiteral("CopyToClipboardAfterFinish"), clipboard},
           {QStringLiteral("SaveToFileAfterFinish"), true},
           {QStringLiteral("SnapshotFilePath"), shots}});
    QVERIFY(waitUntilResident(m_program));

    runXdotool(QStringLiteral("key alt+s"));
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(QStringLiteral("^Draw View$")).isEmpty(), 10000);
    QTest::qWait(300);
    dragWithMouse(QPoint(100, 120), QPoint(300, 250));
    runXdotool(QStringLiteral("mousemove 200 200 click --repeat 2 --delay 60 1"));
    QTRY_COMPARE_WITH_TIMEOUT(QDir(shots).entryList(QDir::Files).size(), 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(QStringLiteral("^Draw View$")).isEmpty(), 5000);

    QProcess taker;
    if (clipboard) {
        // Still serving the picture, with the hot keys and the guard gone.
        QTest::qWait(500);
        QCOMPARE(m_program->state(), QProcess::Running);
        QVERIFY(visibleWindows(QStringLiteral("^Vireoscape$")).isEmpty());
        taker.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                              QStringLiteral("-i"), QStringLiteral("-quiet")});
        QVERIFY(taker.waitForStarted(5000));
        taker.write("taken");
        QVERIFY(taker.waitForBytesWritten(5000));
        taker.closeWriteChannel();
    }
    if (ends) {
        QVERIFY(m_program->waitForFinished(5000));
        QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program->exitCode(), 0);
    } else {
        QTest::qWait(1000);
        QCOMPARE(m_program->state(), QProcess::Running);
        QVERIFY(!trayIcon().isEmpty());
        QVERIFY(mainWindow().isEmpty());
    }
    taker.kill();
    taker.waitForFinished(2000);
}

void TestTray::withoutTrayHostCloseEnds()
{
    setTrayHost(false);
    start();
    QVERIFY(!mainWindow().isEmpty());
    // With nowhere to hide, closing the window ends the program.
    QVERIFY(closeMainWindow([this] { return m_program->state() == QProcess::NotRunning; }));
    QCOMPARE(m_program->exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestTray)
#include "tst_tray.moc"
