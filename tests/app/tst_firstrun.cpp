// The main window's tray: the message a newcomer is told on the first start
// names the start key (the keys in the tray menu and on the Capture button
// are checked with the options dialog, which changes them), and every entry
// of the tray menu does what it says.
#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "config/AppConfig.h"

#include <QMenu>
#include <QtTest>

class TestFirstRun : public QObject
{
    Q_OBJECT
private slots:
    void messageNamesTheStartKey();
    void trayMenuEntries();
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

// Last: "Exit" ends every event loop of this process.
void TestFirstRun::trayMenuEntries()
{
    initVireoscapeResources();
    setApplicationIdentity();
    AppConfig = CAppConfig::defaults();
    AppConfig.IntervalSnap = 4321; // the snapshot does not start during the test
    Vireoscape window;
    const QList<QAction*> entries = window.trayMenu()->actions();
    QStringList texts;
    for (const QAction* entry : entries)
        texts << (entry->isSeparator() ? QStringLiteral("-") : entry->text());
    QCOMPARE(texts, (QStringList{"Start snapshot", "-", "Show Main Window", "Option...", "-", "Exit"}));

    entries.at(2)->trigger();
    QVERIFY(window.isVisible());
    entries.at(0)->trigger();
    QVERIFY(!window.isVisible());
    QVERIFY(window.delayTimer().isActive());
    QCOMPARE(window.delayTimer().interval(), 4321);
    // The options dialog, modal; the hidden window stays hidden.
    QString title;
    QTimer::singleShot(0, this, [&title] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        title = dialog->windowTitle();
        dialog->close();
    });
    entries.at(3)->trigger();
    QCOMPARE(title, QStringLiteral("Config Dialog"));
    QVERIFY(!window.isVisible());
    // "Exit" ends the program, also where closing would hide it to the tray.
    AppConfig.GenCloseToTray = true;
    QEventLoop loop;
    QTimer::singleShot(0, entries.at(5), &QAction::trigger);
    QTimer::singleShot(5000, &loop, [&loop] { loop.exit(1); });
    QCOMPARE(loop.exec(), 0);
}

QTEST_MAIN(TestFirstRun)
#include "tst_firstrun.moc"
