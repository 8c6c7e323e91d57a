// The command line: help and version end at once on standard output without
// touching any display; an unknown option is refused with the usage.
#include "app/CommandLine.h"
#include "support/TestSupport.h"

#include <QtTest>

using namespace TestSupport;

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void informationNeedsNoDisplay_data();
    void informationNeedsNoDisplay();
    void unknownOptionIsRefused_data();
    void unknownOptionIsRefused();
};

namespace {

// The program run with no display at all: any attempt to open a window or
// reach a display ends in an error.
ToolResult runWithoutDisplay(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    process.setProcessEnvironment(env);
    process.start(programPath(), arguments);
    ToolResult result;
    result.started = process.waitForStarted();
    if (!process.waitForFinished(10000))
        process.kill();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

} // namespace

void TestCommandLine::informationNeedsNoDisplay_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("expected");
    QTest::newRow("help") << "--help"
                          << "Usage: vireoscape";
    QTest::newRow("version") << "--version"
                             << "vireoscape " + QStringLiteral(VIREOSCAPE_VERSION) + "\n";
}

void TestCommandLine::informationNeedsNoDisplay()
{
    QFETCH(QString, option);
    QFETCH(QString, expected);
    const ToolResult result = runWithoutDisplay({option});
    QVERIFY(result.started);
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(result.out.startsWith(expected.toUtf8()), result.out.constData());
    QVERIFY2(result.err.isEmpty(), result.err.constData());
    if (option == QLatin1String("--help")) {
        for (const char* documented : {"-s ", "--snapshot", "--help", "--version"})
            QVERIFY2(result.out.contains(documented), documented);
    }
}

void TestCommandLine::unknownOptionIsRefused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("unknown") << QStringList{"--frobnicate"};
    QTest::newRow("after the one-shot") << QStringList{"-s", "extra"};
}

void TestCommandLine::unknownOptionIsRefused()
{
    QFETCH(QStringList, arguments);
    const ToolResult result = runWithoutDisplay(arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.out.isEmpty());
    QVERIFY2(result.err.contains(arguments.last().toUtf8()), result.err.constData());
    QVERIFY2(result.err.contains("Usage: vireoscape"), result.err.constData());
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
