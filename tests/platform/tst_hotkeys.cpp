// System-wide hot keys under a private X server, pressed with xdotool.
#include "platform/GlobalShortcut.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QSignalSpy>
#include <QtTest>

using namespace TestSupport;

namespace {
void press(const QString& keys)
{
    runTool(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
}
} // namespace

class TestHotKeys : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void pressActivates_data();
    void pressActivates();
    void lockKeysDoNotMatter();
    void releasedWhenDestroyed();
    void combinationHeldByAnotherProgram();
};

void TestHotKeys::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
}

void TestHotKeys::pressActivates_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<QString>("xdotoolKeys");
    QTest::addColumn<QString>("otherKeys");
    QTest::addColumn<bool>("grabbed");
    QTest::newRow("Alt+S") << "Alt+S" << "alt+s" << "alt+d" << true;
    QTest::newRow("Shift+Ctrl+F5") << "Shift+Ctrl+F5" << "shift+ctrl+F5" << "ctrl+F5" << true;
    QTest::newRow("Meta+7") << "Meta+7" << "super+7" << "7" << true;
    QTest::newRow("Ctrl+Alt+Z") << "Ctrl+Alt+Z" << "ctrl+alt+z" << "ctrl+alt+shift+z" << true;
    QTest::newRow("F4 alone") << "F4" << "F4" << "shift+F4" << true;
    // Keys that only type text stay with the program that has the focus.
    QTest::newRow("a letter alone") << "S" << "s" << "alt+s" << false;
    QTest::newRow("Shift with a digit") << "Shift+7" << "shift+7" << "7" << false;
    QTest::newRow("Space") << "Space" << "space" << "ctrl+space" << false;
}

void TestHotKeys::pressActivates()
{
    QFETCH(QString, sequence);
    QFETCH(QString, xdotoolKeys);
    QFETCH(QString, otherKeys);
    QFETCH(bool, grabbed);
    CGlobalShortcut shortcut{QKeySequence(sequence)};
    QCOMPARE(shortcut.isRegistered(), grabbed);
    QSignalSpy spy(&shortcut, &CGlobalShortcut::activated);
    press(otherKeys);
    press(xdotoolKeys);
    if (grabbed)
        QTRY_COMPARE(spy.count(), 1);
    QTest::qWait(100);
    QCOMPARE(spy.count(), grabbed ? 1 : 0); // the other combination did not count
}

void TestHotKeys::lockKeysDoNotMatter()
{
    CGlobalShortcut shortcut(QKeySequence(QStringLiteral("Alt+S")));
    QSignalSpy spy(&shortcut, &CGlobalShortcut::activated);
    press(QStringLiteral("Num_Lock"));
    press(QStringLiteral("alt+s"));
    QTRY_COMPARE(spy.count(), 1);
    press(QStringLiteral("Caps_Lock"));
    press(QStringLiteral("alt+s"));
    QTRY_COMPARE(spy.count(), 2);
    press(QStringLiteral("Num_Lock"));
    press(QStringLiteral("alt+s"));
    QTRY_COMPARE(spy.count(), 3);
    press(QStringLiteral("Caps_Lock"));
}

void TestHotKeys::releasedWhenDestroyed()
{
    {
        CGlobalShortcut first(QKeySequence(QStringLiteral("Alt+S")));
        QVERIFY(first.isRegistered());
    }
    // Another program can now take the combination.
    QProcess* program = startProgram({}, this);
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(QStringLiteral("^Vireoscape$")).isEmpty(), 10000);
    press(QStringLiteral("alt+s"));
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(QStringLiteral("^Vireoscape$")).isEmpty(), 5000);
    program->kill();
    program->waitForFinished(5000);
}

void TestHotKeys::combinationHeldByAnotherProgram()
{
    CGlobalShortcut held(QKeySequence(QStringLiteral("Alt+E")));
    QVERIFY(held.isRegistered());
    QProcess program;
    program.start(programPath(), {});
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(QStringLiteral("^Vireoscape$")).isEmpty(), 10000);
    // The program says which combination it could not have, and runs on
    // with the other one.
    QTest::qWait(200);
    const QByteArray err = program.readAllStandardError();
    QVERIFY2(err.contains("Alt+E") && err.contains("another program"), err.constData());

    // Held by the program, the other combination is refused to us.
    CGlobalShortcut taken(QKeySequence(QStringLiteral("Alt+S")));
    QVERIFY(!taken.isRegistered());
    program.kill();
    program.waitForFinished(5000);
}

QTEST_MAIN(TestHotKeys)
#include "tst_hotkeys.moc"
