// What a newcomer is told on the first start: the tray message names the
// start key, and that the program now starts with the system and where that
// is changed (the keys in the tray menu and on the Capture button are
// checked with the options dialog, which changes them); and every entry of
// the tray menu does what it says.
#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "config/AppConfig.h"
#include "options/KeyText.h"
#include "platform/GlobalShortcut.h"

#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

class TestFirstRun : public QObject
{
    Q_OBJECT
private slots:
    void message_data();
    void message();
    void storedHotKeys_data();
    void storedHotKeys();
    void trayMenuEntries();
};

void TestFirstRun::message_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("autoRun");
    QTest::addColumn<bool>("firstStart");
    QTest::addColumn<QString>("failures"); // hot keys that could not be registered
    QTest::addColumn<QString>("expected");
    const QString autoRun =
        QStringLiteral(" It also starts with the system from now on: to change that, untick "
                       "\"Auto run when start up\" in Option... > General.");
    const QString press =
        QStringLiteral("Vireoscape runs in the tray. Press Shift + Ctrl + F5 to take a snapshot.");
    const QString click =
        QStringLiteral("Vireoscape runs in the tray. Click its icon twice to take a snapshot.");
    const QString held = QStringLiteral("The hot key Shift + Ctrl + F5 (Start snapshot) could not be "
                                        "registered: another program holds it.");
    const QString key = QStringLiteral("Shift + Ctrl + F5");
    QTest::newRow("a start key, starting with the system") << key << true << true << "" << press + autoRun;
    QTest::newRow("a start key, not starting with the system") << key << false << true << "" << press;
    QTest::newRow("no start key, starting with the system") << "" << true << true << "" << click + autoRun;
    QTest::newRow("no start key, not starting with the system") << "" << false << true << "" << click;
    // A key another program holds is not promised: it is said that it failed.
    QTest::newRow("the start key held elsewhere at the first start")
        << key << true << true << held << click + autoRun + " " + held;
    QTest::newRow("the start key held elsewhere at a later start") << key << true << false << held << held;
    QTest::newRow("nothing to say at a later start") << key << true << false << ""
                                                     << "";
}

void TestFirstRun::message()
{
    QFETCH(QString, key);
    QFETCH(bool, autoRun);
    QFETCH(bool, firstStart);
    QFETCH(QString, failures);
    QFETCH(QString, expected);
    AppConfig = CAppConfig::defaults();
    // As the first start leaves it.
    QVERIFY(AppConfig.GenAutoRun);
    AppConfig.ShortcutStartSnapshot = key;
    AppConfig.GenAutoRun = autoRun;
    QCOMPARE(Vireoscape::startMessage(firstStart, failures.isEmpty(), failures), expected);
}

void TestFirstRun::storedHotKeys_data()
{
    QTest::addColumn<QString>("stored");     // the line of the settings file after the key's "="
    QTest::addColumn<QString>("registered"); // the combination the main window registers; empty: none
    const auto row = [](const char* stored, const char* registered) {
        QTest::newRow(stored) << QString(stored) << QString(registered);
    };
    row("Alt + S", "Alt+S");
    row("Alt+S", "Alt+S");
    row(" Ctrl +Shift+ F5 ", "Ctrl+Shift+F5");
    row("S + Alt", "Alt+S");
    row("Meta + Shift + Ctrl + Alt + F12", "Meta+Ctrl+Alt+Shift+F12");
    row("Shift + 7", "Shift+7");
    row("A + B", "B");
    // Names are case-sensitive; modifiers alone and unknown keys name nothing.
    row("alt + s", "");
    row("Ctrl + Alt", "");
    row("Ctrl + F13", "");
    row("Alt + Enter", "");
    row("+", "");
    row("", "");
    // INI quoting: a value in quotes is one text; a comma outside them makes a list.
    row("\"Alt + E\"", "Alt+E");
    row("Alt + S, Alt + E", "");
}

// The start key as the settings file holds it, hand-edited or old, and the
// key the main window then registers, names in its menu and on its button.
void TestFirstRun::storedHotKeys()
{
    QFETCH(QString, stored);
    QFETCH(QString, registered);
    initVireoscapeResources();
    setApplicationIdentity();
    QFile file(QSettings().fileName());
    QVERIFY(QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly));
    file.write("[General]\nFirstRunHints=5\nShortcutStartSnapshot=" + stored.toUtf8() + "\n");
    file.close();
    AppConfig.load();
    Vireoscape window;
    const CGlobalShortcut* hotKey = window.startSnapshotShortcut();
    QCOMPARE(hotKey ? hotKey->shortcut() : QKeySequence(), QKeySequence(registered));
    const QString shown = CShortcut(registered).toString(false);
    QCOMPARE(window.trayMenu()->actions().at(0)->text(),
             registered.isEmpty() ? QStringLiteral("Start snapshot") : "Start snapshot\t" + shown);
    QCOMPARE(window.findChildren<QPushButton*>().at(0)->toolTip(),
             registered.isEmpty() ? QStringLiteral("Capture") : "Capture (" + shown + ")");
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
    // The keys in the form the options show them.
    QCOMPARE(texts, (QStringList{"Start snapshot\tAlt + S", "-", "Show Main Window\tAlt + E", "Option...",
                                 "Close all pins", "-", "Exit"}));
    // Nothing is pinned yet.
    QVERIFY(!entries.at(4)->isEnabled());

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
    QTimer::singleShot(0, entries.last(), &QAction::trigger);
    QTimer::singleShot(5000, &loop, [&loop] { loop.exit(1); });
    QCOMPARE(loop.exec(), 0);
}

QTEST_MAIN(TestFirstRun)
#include "tst_firstrun.moc"
