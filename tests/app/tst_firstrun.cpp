// What a newcomer is told on the first start: the tray message names the
// start key, and that the program now starts with the system and where that
// is changed (the keys in the tray menu and on the Capture button are
// checked with the options dialog, which changes them).
#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "config/AppConfig.h"

#include <QtTest>

class TestFirstRun : public QObject
{
    Q_OBJECT
private slots:
    void message_data();
    void message();
};

void TestFirstRun::message_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("autoRun");
    QTest::addColumn<QString>("expected");
    const QString autoRun =
        QStringLiteral(" It also starts with the system from now on: to change that, untick "
                       "\"Auto run when start up\" in Option... > General.");
    const QString press =
        QStringLiteral("Vireoscape runs in the tray. Press Ctrl + Shift + F5 to take a snapshot.");
    const QString click =
        QStringLiteral("Vireoscape runs in the tray. Click its icon twice to take a snapshot.");
    QTest::newRow("a start key, starting with the system") << "Ctrl + Shift + F5" << true << press + autoRun;
    QTest::newRow("a start key, not starting with the system") << "Ctrl + Shift + F5" << false << press;
    QTest::newRow("no start key, starting with the system") << "" << true << click + autoRun;
    QTest::newRow("no start key, not starting with the system") << "" << false << click;
}

void TestFirstRun::message()
{
    QFETCH(QString, key);
    QFETCH(bool, autoRun);
    QFETCH(QString, expected);
    AppConfig = CAppConfig::defaults();
    // As the first start leaves it.
    QVERIFY(AppConfig.GenAutoRun);
    AppConfig.ShortcutStartSnapshot = key;
    AppConfig.GenAutoRun = autoRun;
    QCOMPARE(Vireoscape::firstStartMessage(), expected);
}

QTEST_MAIN(TestFirstRun)
#include "tst_firstrun.moc"
