#include "app/MyCleanlooksStyle.h"
#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "config/AppConfig.h"
#include "platform/GlobalShortcut.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

#include <limits>

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void styleColours();
    void buttonsAndTrayMenu();
    void startSnapshotHidesAndWaits_data();
    void startSnapshotHidesAndWaits();
    void trayDoubleClick_data();
    void trayDoubleClick();
    void showMainWndReturnsToRememberedPlace();
    void shortcutsFollowTheSettings();
    void closeWithoutTrayHostEndsTheProgram_data();
    void closeWithoutTrayHostEndsTheProgram();
    void destructorSavesTheSettings();
    void exitEndsTheEventLoop();
};

void TestMainWindow::initTestCase()
{
    initVireoscapeResources();
    setApplicationIdentity();
}

void TestMainWindow::init()
{
    QFile::remove(QSettings().fileName());
    AppConfig = CAppConfig::defaults();
}

void TestMainWindow::styleColours()
{
    QApplication::setStyle(new CMyCleanlooksStyle);
    const QPalette palette = QApplication::palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        QCOMPARE(palette.color(group, QPalette::Window), QColor(240, 243, 243));
        QCOMPARE(palette.color(group, QPalette::Button), QColor(230, 233, 233));
    }
    // Everything else is Fusion's own.
    QPalette fusion = QApplication::style()->standardPalette();
    QCOMPARE(palette.color(QPalette::Active, QPalette::Text), fusion.color(QPalette::Active, QPalette::Text));
    QCOMPARE(QString::fromLatin1(QApplication::style()->metaObject()->className()),
             QStringLiteral("CMyCleanlooksStyle"));
}

void TestMainWindow::buttonsAndTrayMenu()
{
    Vireoscape window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Vireoscape"));
    QVERIFY(!window.windowIcon().isNull());
    const auto buttons = window.findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), 2);
    QCOMPARE(buttons[0]->toolTip(), QStringLiteral("Capture (%1)").arg(AppConfig.ShortcutStartSnapshot));
    QCOMPARE(buttons[1]->toolTip(), QStringLiteral("Option..."));
    for (QPushButton* b : buttons) {
        QVERIFY(b->text().isEmpty());
        QVERIFY(!b->icon().isNull());
        QCOMPARE(b->iconSize(), QSize(32, 32));
    }

    QStringList entries;
    for (QAction* a : window.trayMenu()->actions())
        entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(entries, (QStringList{QStringLiteral("Start snapshot"), QStringLiteral("-"),
                                   QStringLiteral("Show Main Window"), QStringLiteral("Option..."),
                                   QStringLiteral("-"), QStringLiteral("Exit")}));
    QCOMPARE(window.trayIcon()->toolTip(), QStringLiteral("Vireoscape"));
    QCOMPARE(window.trayIcon()->contextMenu(), window.trayMenu());
    QVERIFY(window.trayIcon()->isVisible());
}

void TestMainWindow::startSnapshotHidesAndWaits_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("delay");
    QTest::newRow("as stored") << 1234 << 1234;
    QTest::newRow("negative: at once") << -5 << 0;
    QTest::newRow("most negative: at once") << std::numeric_limits<int>::min() << 0;
    QTest::newRow("one minute") << 60000 << 60000;
    QTest::newRow("an hour: capped at a minute") << 3600000 << 60000;
}

void TestMainWindow::startSnapshotHidesAndWaits()
{
    QFETCH(int, stored);
    QFETCH(int, delay);
    AppConfig.IntervalSnap = stored;
    Vireoscape window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(window.findChildren<QPushButton*>().first(), Qt::LeftButton);
    QVERIFY(!window.isVisible());
    QVERIFY(window.delayTimer().isActive());
    QCOMPARE(window.delayTimer().interval(), delay);
    QCOMPARE(AppConfig.IntervalSnap, stored); // the setting itself is left alone

    // The timer fires once per start.
    AppConfig.IntervalSnap = 0;
    window.startSnapshot();
    QTRY_VERIFY(!window.delayTimer().isActive());
}

void TestMainWindow::trayDoubleClick_data()
{
    QTest::addColumn<bool>("snapshotOnDoubleClick");
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("snapshotStarted");
    QTest::addColumn<bool>("windowShown");
    QTest::newRow("double click starts a snapshot") << true << int(QSystemTrayIcon::DoubleClick) << true << false;
    QTest::newRow("double click shows the window") << false << int(QSystemTrayIcon::DoubleClick) << false << true;
    QTest::newRow("single click does nothing") << true << int(QSystemTrayIcon::Trigger) << false << false;
    QTest::newRow("middle click does nothing") << false << int(QSystemTrayIcon::MiddleClick) << false << false;
}

void TestMainWindow::trayDoubleClick()
{
    QFETCH(bool, snapshotOnDoubleClick);
    QFETCH(int, reason);
    QFETCH(bool, snapshotStarted);
    QFETCH(bool, windowShown);
    AppConfig.SnapshotAfterDlbClk = snapshotOnDoubleClick;
    AppConfig.IntervalSnap = 60000;
    Vireoscape window;
    QVERIFY(!window.isVisible());
    emit window.trayIcon()->activated(QSystemTrayIcon::ActivationReason(reason));
    QCOMPARE(window.delayTimer().isActive(), snapshotStarted);
    QCOMPARE(window.isVisible(), windowShown);
}

void TestMainWindow::showMainWndReturnsToRememberedPlace()
{
    Vireoscape window;
    window.move(100, 120);
    window.showMainWnd();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint first = window.frameGeometry().topLeft();
    window.move(300, 40);
    window.hide();
    window.showMainWnd();
    QVERIFY(window.isVisible());
    QCOMPARE(window.frameGeometry().topLeft(), first);

    window.showMinimized();
    window.showMainWnd();
    QVERIFY(!window.isMinimized());
}

void TestMainWindow::shortcutsFollowTheSettings()
{
    Vireoscape window;
    QVERIFY(window.startSnapshotShortcut());
    QCOMPARE(window.startSnapshotShortcut()->shortcut(), QKeySequence(Qt::ALT | Qt::Key_S));
    QCOMPARE(window.showMainWndShortcut()->shortcut(), QKeySequence(Qt::ALT | Qt::Key_E));

    AppConfig.ShortcutStartSnapshot = QStringLiteral("Shift + Ctrl + F5");
    AppConfig.ShortcutShowMainWnd = QString();
    QPointer<CGlobalShortcut> old = window.startSnapshotShortcut();
    window.setupShortcuts();
    QVERIFY(old.isNull()); // the old grab is released with its object
    QCOMPARE(window.startSnapshotShortcut()->shortcut(), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_F5));
    QVERIFY(!window.showMainWndShortcut());
}

void TestMainWindow::closeWithoutTrayHostEndsTheProgram_data()
{
    QTest::addColumn<bool>("shown");
    QTest::newRow("shown window") << true;
    QTest::newRow("hidden window, as after a snapshot") << false;
}

void TestMainWindow::closeWithoutTrayHostEndsTheProgram()
{
    QFETCH(bool, shown);
    // Offscreen there is no tray host: hiding to a tray nobody shows would
    // leave the user without a way back, so the close ends the program.
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    AppConfig.GenCloseToTray = true;
    Vireoscape window;
    window.setVisible(shown);
    bool closed = false;
    QTimer::singleShot(0, &window, [&] { closed = window.close(); });
    bool watchdog = false;
    QTimer::singleShot(5000, &window, [&] {
        watchdog = true;
        QCoreApplication::exit(99);
    });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!watchdog);
    QVERIFY(closed);
    QVERIFY(!window.isVisible());
}

void TestMainWindow::destructorSavesTheSettings()
{
    AppConfig.IntervalSnap = 321;
    {
        Vireoscape window;
    }
    QSettings store;
    QCOMPARE(store.value(QStringLiteral("IntervalSnap")).toInt(), 321);
    QCOMPARE(store.allKeys().size(), 26);
}

void TestMainWindow::exitEndsTheEventLoop()
{
    Vireoscape window;
    window.show();
    QAction* exit = window.trayMenu()->actions().last();
    QCOMPARE(exit->text(), QStringLiteral("Exit"));
    QTimer::singleShot(0, exit, &QAction::trigger);
    // A watchdog turns a loop that never ends into a failure, not a hang.
    bool watchdog = false;
    QTimer::singleShot(5000, &window, [&] {
        watchdog = true;
        QCoreApplication::exit(99);
    });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!watchdog);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
