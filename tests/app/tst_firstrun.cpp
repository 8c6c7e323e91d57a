// What a newcomer is told on the first start: the tray message names the
// start key (the keys in the tray menu and on the Capture button are checked
// with the options dialog, which changes them).
#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "config/AppConfig.h"

#include <QtTest>

class TestFirstRun : public QObject
{
    Q_OBJECT
private slots:
    void messageNamesTheStartKey();
};

void TestFirstRun::messageNamesTheStartKey()
{
    AppConfig = CAppConfig::defaults();
    AppConfig.ShortcutStartSnapshot = QStringLiteral("Ctrl + Shift + F5");
    QCOMPARE(Vireoscape::firstStartMessage(),
             QStringLiteral("Vireoscape runs in the tray. Press Ctrl + Shift + F5 to take a snapshot."));
    AppConfig.ShortcutStartSnapshot.clear();
    QCOMPARE(Vireoscape::firstStartMessage(),
             QStringLiteral("Vireoscape runs in the tray. Click its icon twice to take a snapshot."));
}

QTEST_MAIN(TestFirstRun)
#include "tst_firstrun.moc"
