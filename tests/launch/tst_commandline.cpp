// The command line under a private X server: help and version end at once on
// standard output without touching any display, an unknown option is refused
// with the usage, and `--snapshot` (through a private session bus) starts the
// program with a snapshot when none runs, or reaches the running instance.
#include "app/SnapshotService.h"
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QtTest>

using namespace TestSupport;

namespace {

QString view()
{
    return visibleWindows(QStringLiteral("^Draw View$")).value(0);
}

bool serviceOnBus()
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QLatin1String(CSnapshotService::kServiceName));
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void options_data();
    void options();
    void snapshotThroughTheBus();
    void cleanupTestCase();

private:
    void escapeView(QProcess* program);
    QProcess m_bus;
};

void TestCommandLine::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // how standard output starts
    QTest::addColumn<QString>("err"); // what standard error holds
    const QString usage = QStringLiteral("Usage: vireoscape");
    QTest::newRow("help") << QStringList{"--help"} << 0 << usage << QString();
    QTest::newRow("version") << QStringList{"--version"} << 0
                             << "vireoscape " + QStringLiteral(VIREOSCAPE_VERSION) + "\n"
                             << QString();
    QTest::newRow("unknown") << QStringList{"--frobnicate"} << 2 << QString() << "--frobnicate";
    QTest::newRow("after the one-shot") << QStringList{"-s", "extra"} << 2 << QString() << "extra";
    QTest::newRow("tray with the one-shot") << QStringList{"--tray", "-s"} << 2 << QString() << "-s";
}

void TestCommandLine::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    // The program runs with no display at all: any attempt to open a window
    // or reach a display ends in an error.
    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    const ToolResult result = runTool(programPath(), arguments, 10000);
    qputenv("DISPLAY", display);
    QCOMPARE(result.exitCode, status);
    QVERIFY2(out.isEmpty() ? result.out.isEmpty() : result.out.startsWith(out.toUtf8()),
             result.out.constData());
    QVERIFY2(err.isEmpty() ? result.err.isEmpty() : result.err.contains(err.toUtf8()),
             result.err.constData());
    // The usage names every option, also after a refused one.
    for (const char* option : {"Usage: vireoscape", "-s ", "--snapshot", "--tray", "--help", "--version"})
        QVERIFY2(arguments.first() == "--version" || (status ? result.err : result.out).contains(option),
                 option);
}

// The snapshot view shows; Escape closes it, and the program runs on.
void TestCommandLine::escapeView(QProcess* program)
{
    QTRY_VERIFY_WITH_TIMEOUT(!view().isEmpty(), 10000);
    runXdotool(QStringLiteral("key --window %1 Escape").arg(view()));
    QTRY_VERIFY_WITH_TIMEOUT(view().isEmpty(), 5000);
    QCOMPARE(program->state(), QProcess::Running);
}

void TestCommandLine::snapshotThroughTheBus()
{
    // A bus of our own, for the test and every program it starts.
    m_bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                QStringLiteral("--print-address=1")});
    QVERIFY2(m_bus.waitForStarted() && m_bus.waitForReadyRead(5000), "dbus-daemon did not start");
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.readLine().trimmed());
    QProcess* program = startProgram({QStringLiteral("--snapshot")});
    const auto stop = qScopeGuard([&program] { stopProgram(program); });
    escapeView(program);
    QTRY_VERIFY_WITH_TIMEOUT(serviceOnBus(), 10000);

    // The asking process ends at once; the resident one shows the snapshot.
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(runTool(programPath(), {QStringLiteral("--snapshot")}, 10000).exitCode, 0);
    QVERIFY2(clock.elapsed() < 5000, "the asking process waited for something");
    escapeView(program);
}

void TestCommandLine::cleanupTestCase()
{
    m_bus.terminate();
    m_bus.waitForFinished(3000);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
