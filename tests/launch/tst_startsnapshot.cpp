// `vireoscape --snapshot` under a private X server and a private session bus:
// it reaches the running instance through the bus, or starts the program
// with a snapshot when none runs; a plain second start is still refused.
#include "app/SnapshotService.h"
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QtTest>

using namespace TestSupport;

class TestStartSnapshot : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void reachesTheRunningInstance();
    void startsTheProgramWhenNoneRuns();

private:
    bool viewShown(int timeoutMs = 10000);
    bool serviceOnBus(int timeoutMs = 10000);
    void escapeView();

    QProcess m_bus;
    QProcess* m_program = nullptr;
};

void TestStartSnapshot::initTestCase()
{
    QVERIFY2(QFileInfo(programPath()).isExecutable(), "VIREOSCAPE_BIN must name the program");
    // A bus of our own, for the test and every program it starts.
    m_bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                QStringLiteral("--print-address=1")});
    if (!m_bus.waitForStarted())
        QSKIP("dbus-daemon is not installed");
    QVERIFY(m_bus.waitForReadyRead(5000));
    const QByteArray address = m_bus.readLine().trimmed();
    QVERIFY(!address.isEmpty());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    QVERIFY(QDBusConnection::sessionBus().isConnected());
    QVERIFY(setRootPicture(makeTestPattern(QSize(1280, 800), 3)));
}

void TestStartSnapshot::cleanupTestCase()
{
    m_bus.terminate();
    m_bus.waitForFinished(3000);
}

void TestStartSnapshot::cleanup()
{
    stopProgram(m_program);
}

bool TestStartSnapshot::viewShown(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (!visibleWindows(QStringLiteral("^Draw View$")).isEmpty())
            return true;
        QTest::qWait(50);
    }
    return false;
}

bool TestStartSnapshot::serviceOnBus(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    while (clock.elapsed() < timeoutMs) {
        if (bus->isServiceRegistered(QLatin1String(CSnapshotService::kServiceName)))
            return true;
        QTest::qWait(50);
    }
    return false;
}

void TestStartSnapshot::escapeView()
{
    const QString view = visibleWindows(QStringLiteral("^Draw View$")).value(0);
    QVERIFY(!view.isEmpty());
    runXdotool(QStringLiteral("key --window %1 Escape").arg(view));
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(QStringLiteral("^Draw View$")).isEmpty(), 5000);
}

void TestStartSnapshot::reachesTheRunningInstance()
{
    m_program = startResidentProgram({});
    QVERIFY(m_program);
    QVERIFY(serviceOnBus());
    QVERIFY(visibleWindows(QStringLiteral("^Draw View$")).isEmpty());

    // The asking process ends at once; the resident one shows the snapshot.
    QElapsedTimer clock;
    clock.start();
    const ToolResult ask = runTool(programPath(), {QStringLiteral("--snapshot")}, 10000);
    QCOMPARE(ask.exitCode, 0);
    QVERIFY2(clock.elapsed() < 5000, "the asking process waited for something");
    QVERIFY(viewShown());
    QCOMPARE(m_program->state(), QProcess::Running);
    escapeView();

    // The bus method itself, as a desktop's key binding may call it.
    const QDBusMessage reply = QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
        QLatin1String(CSnapshotService::kServiceName), QLatin1String(CSnapshotService::kObjectPath),
        QLatin1String(CSnapshotService::kServiceName), QStringLiteral("StartSnapshot")));
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QVERIFY(viewShown());
    escapeView();
    QCOMPARE(m_program->state(), QProcess::Running);
}

void TestStartSnapshot::startsTheProgramWhenNoneRuns()
{
    QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QLatin1String(CSnapshotService::kServiceName)));
    m_program = startProgram({QStringLiteral("--snapshot")});
    QVERIFY(viewShown());
    QCOMPARE(m_program->state(), QProcess::Running);
    QVERIFY(serviceOnBus());
    escapeView();

    // A plain second start is still refused with the message box.
    QProcess* second = startProgram({});
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(QStringLiteral("^Error$")).isEmpty(), 20000);
    const QString box = visibleWindows(QStringLiteral("^Error$")).first();
    runTool(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), box});
    runTool(QStringLiteral("xdotool"),
            {QStringLiteral("key"), QStringLiteral("--window"), box, QStringLiteral("Return")});
    QVERIFY(second->waitForFinished(10000));
    QCOMPARE(second->exitCode(), 0);
    delete second;
    QCOMPARE(m_program->state(), QProcess::Running);
    QVERIFY(visibleWindows(QStringLiteral("^Draw View$")).isEmpty());
}

QTEST_GUILESS_MAIN(TestStartSnapshot)
#include "tst_startsnapshot.moc"
