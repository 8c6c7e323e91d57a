// What a newcomer is told: the first start's tray message, the hot keys in
// the tray menu and on the Capture button.
#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "config/AppConfig.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

class TestFirstRun : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void messageNamesTheStartKey();
    void menuAndButtonsShowTheKeys();
};

void TestFirstRun::initTestCase()
{
    initVireoscapeResources();
    setApplicationIdentity();
}

void TestFirstRun::init()
{
    QFile::remove(QSettings().fileName());
    AppConfig = CAppConfig::defaults();
}

void TestFirstRun::messageNamesTheStartKey()
{
    AppConfig.ShortcutStartSnapshot = QStringLiteral("Ctrl + Shift + F5");
    const QString text = Vireoscape::firstStartMessage();
    QVERIFY2(text.contains(QStringLiteral("tray")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Ctrl + Shift + F5")), qPrintable(text));
    AppConfig.ShortcutStartSnapshot.clear();
    QVERIFY(!Vireoscape::firstStartMessage().contains(QStringLiteral("Press")));
}

void TestFirstRun::menuAndButtonsShowTheKeys()
{
    AppConfig.ShortcutStartSnapshot = QStringLiteral("Alt + S");
    AppConfig.ShortcutShowMainWnd = QStringLiteral("Ctrl + F9");
    Vireoscape window;
    const QList<QAction*> actions = window.trayMenu()->actions();
    QCOMPARE(actions.at(0)->text(), QStringLiteral("Start snapshot"));
    QCOMPARE(actions.at(0)->shortcut(), QKeySequence(QStringLiteral("Alt+S")));
    QVERIFY(actions.at(0)->isShortcutVisibleInContextMenu());
    QCOMPARE(actions.at(2)->shortcut(), QKeySequence(QStringLiteral("Ctrl+F9")));
    QCOMPARE(window.findChildren<QPushButton*>().at(0)->toolTip(), QStringLiteral("Capture (Alt + S)"));

    // New keys from the options show at once.
    AppConfig.ShortcutStartSnapshot = QStringLiteral("Meta + F2");
    AppConfig.ShortcutShowMainWnd.clear();
    window.setupShortcuts();
    QCOMPARE(actions.at(0)->shortcut(), QKeySequence(QStringLiteral("Meta+F2")));
    QVERIFY(actions.at(2)->shortcut().isEmpty());
    QCOMPARE(window.findChildren<QPushButton*>().at(0)->toolTip(), QStringLiteral("Capture (Meta + F2)"));
}

QTEST_MAIN(TestFirstRun)
#include "tst_firstrun.moc"
