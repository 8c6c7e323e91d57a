// The tray as a user meets it: openbox as window manager and trayer as the
// tray host, driven with xdotool.
#include "app/Startup.h"
#include "support/TestSupport.h"

#include <QSettings>
#include <QtTest>

#include <functional>

using namespace TestSupport;

namespace {

QString xdotool(const QStringList& args)
{
    return QString::fromLatin1(runTool(QStringLiteral("xdotool"), args).out).trimmed();
}

QRect windowRect(const QString& id)
{
    // "Position: 6,6 (screen: 0)" and "Geometry: 22x30" from getwindowgeometry.
    const QString out = xdotool({QStringLiteral("getwindowgeometry"), id});
    const QRegularExpressionMatch p = QRegularExpression(QStringLiteral("Position: (-?\\d+),(-?\\d+)")).match(out);
    const QRegularExpressionMatch g = QRegularExpression(QStringLiteral("Geometry: (\\d+)x(\\d+)")).match(out);
    if (!p.hasMatch() || !g.hasMatch())
        return QRect();
    return QRect(p.captured(1).toInt(), p.captured(2).toInt(), g.captured(1).toInt(), g.captured(2).toInt());
}

QSize windowSize(const QString& id)
{
    return windowRect(id).size();
}

} // namespace

class TestTray : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void closeHidesToTheTray();
    void doubleClickOnTheIcon_data();
    void doubleClickOnTheIcon();
    void rightClickOpensTheMenu();
    void withoutTrayHostCloseEnds();

private:
    void start(const QVariantMap& settings = {});
    QString trayIcon() const;
    QStringList ourWindows() const;
    QString newWindow(const QStringList& before) const;
    QString mainWindow() const;
    void doubleClick(const QString& window);
    // Closes the main window the way a user does, with the window manager's
    // Alt+F4; a key pressed before openbox has moved the focus is lost, so
    // it is pressed again until `closed` holds.
    bool closeMainWindow(const std::function<bool()>& closed);

    QProcess m_trayer;
    QProcess* m_program = nullptr;
};

void TestTray::initTestCase()
{
    setApplicationIdentity();
    m_trayer.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"),
                                              QStringLiteral("--align"), QStringLiteral("left"),
                                              QStringLiteral("--widthtype"), QStringLiteral("pixel"),
                                              QStringLiteral("--width"), QStringLiteral("300"),
                                              QStringLiteral("--height"), QStringLiteral("32")});
    QVERIFY(m_trayer.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(!xdotool({QStringLiteral("search"), QStringLiteral("--class"),
                                       QStringLiteral("trayer")}).isEmpty(), 10000);
}

void TestTray::cleanupTestCase()
{
    m_trayer.kill();
    m_trayer.waitForFinished(3000);
}

void TestTray::init()
{
    QFile::remove(QSettings().fileName());
}

void TestTray::cleanup()
{
    if (m_program) {
        m_program->kill();
        m_program->waitForFinished(5000);
        delete m_program;
        m_program = nullptr;
    }
}

void TestTray::start(const QVariantMap& settings)
{
    QSettings store;
    for (auto it = settings.begin(); it != settings.end(); ++it)
        store.setValue(it.key(), it.value());
    store.sync();
    m_program = startProgram({});
    QVERIFY(m_program->waitForStarted());
    if (!settings.value(QStringLiteral("GenAutoHide")).toBool())
        QTRY_VERIFY_WITH_TIMEOUT(!mainWindow().isEmpty(), 10000);
}

QStringList TestTray::ourWindows() const
{
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--class"),
                    QStringLiteral("^vireoscape$")})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString TestTray::newWindow(const QStringList& before) const
{
    for (const QString& id : ourWindows()) {
        if (!before.contains(id))
            return id;
    }
    return QString();
}

QString TestTray::trayIcon() const
{
    // The icon is a small window of ours embedded in the tray host; it has
    // our class but no plain WM_NAME, so search by class.
    for (const QString& id : ourWindows()) {
        const QSize size = windowSize(id);
        if (size.isValid() && size.width() <= 40 && size.height() <= 40)
            return id;
    }
    return QString();
}

QString TestTray::mainWindow() const
{
    for (const QString& id : visibleWindows(QStringLiteral("^Vireoscape$"))) {
        if (windowSize(id).width() > 40)
            return id;
    }
    return QString();
}

void TestTray::doubleClick(const QString& window)
{
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QStringLiteral("5"),
             QStringLiteral("5")});
    xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"), QStringLiteral("--delay"),
             QStringLiteral("80"), QStringLiteral("1")});
}

bool TestTray::closeMainWindow(const std::function<bool()>& closed)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QString window = mainWindow();
        if (!window.isEmpty()) {
            xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
            xdotool({QStringLiteral("key"), QStringLiteral("alt+F4")});
        }
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 3000) {
            if (closed())
                return true;
            QTest::qWait(50);
        }
    }
    return false;
}

void TestTray::closeHidesToTheTray()
{
    start();
    QTRY_VERIFY_WITH_TIMEOUT(!trayIcon().isEmpty(), 10000);
    QVERIFY(closeMainWindow([this] { return mainWindow().isEmpty(); }));
    QTest::qWait(300);
    QCOMPARE(m_program->state(), QProcess::Running);
    QVERIFY(!trayIcon().isEmpty());
}

void TestTray::doubleClickOnTheIcon_data()
{
    QTest::addColumn<bool>("snapshotOnDoubleClick");
    QTest::newRow("shows the main window") << false;
    QTest::newRow("starts a snapshot") << true;
}

void TestTray::doubleClickOnTheIcon()
{
    QFETCH(bool, snapshotOnDoubleClick);
    start({{QStringLiteral("SnapshotAfterDlbClk"), snapshotOnDoubleClick},
           {QStringLiteral("GenAutoHide"), !snapshotOnDoubleClick}});
    QTRY_VERIFY_WITH_TIMEOUT(!trayIcon().isEmpty(), 10000);
    if (!snapshotOnDoubleClick) {
        // Started hidden: only the tray icon shows until the double click.
        QTRY_VERIFY_WITH_TIMEOUT(mainWindow().isEmpty(), 5000);
        doubleClick(trayIcon());
        QTRY_VERIFY_WITH_TIMEOUT(!mainWindow().isEmpty(), 5000);
    } else {
        QVERIFY(!mainWindow().isEmpty());
        doubleClick(trayIcon());
        QTRY_VERIFY_WITH_TIMEOUT(mainWindow().isEmpty(), 5000); // hidden for the grab
    }
}

void TestTray::rightClickOpensTheMenu()
{
    start();
    QTRY_VERIFY_WITH_TIMEOUT(!trayIcon().isEmpty(), 10000);
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), trayIcon(), QStringLiteral("5"),
             QStringLiteral("5")});
    QTest::qWait(300);
    const QStringList before = ourWindows();
    // The release of the right button may reach the menu that its press
    // opened and close it again, depending on timing: open until it stays.
    QString menu;
    for (int attempt = 0; attempt < 5 && menu.isEmpty(); ++attempt) {
        xdotool({QStringLiteral("click"), QStringLiteral("3")});
        QTest::qWait(500);
        menu = newWindow(before);
    }
    QVERIFY(!menu.isEmpty());
    // Four entries and two separators, next to the icon.
    const QRect r = windowRect(menu);
    QVERIFY2(r.height() > 70 && r.width() > 100, qPrintable(QStringLiteral("%1x%2").arg(r.width()).arg(r.height())));
    QVERIFY(r.top() < 100);
    QCOMPARE(m_program->state(), QProcess::Running);
}

void TestTray::withoutTrayHostCloseEnds()
{
    m_trayer.kill();
    m_trayer.waitForFinished(3000);
    start();
    QVERIFY(!mainWindow().isEmpty());
    // With nowhere to hide, closing the window ends the program.
    QVERIFY(closeMainWindow([this] { return m_program->state() == QProcess::NotRunning; }));
    QCOMPARE(m_program->exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestTray)
#include "tst_tray.moc"
