// The program as a user runs it, under a private X server: the one-shot
// capture, the single-instance guard, the hot keys and the settings on exit.
#include "app/Startup.h"
#include "config/AppConfig.h"
#include "platform/ScreenGrab.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

#include <csignal>
#include <unistd.h>

using namespace TestSupport;

class TestProgram : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void oneShotWritesTheScreen_data();
    void oneShotWritesTheScreen();
    void oneShotCoversEveryMonitor();
    void grabIsOpaque();
    void oneShotFailures_data();
    void oneShotFailures();
    void oneShotsInOneSecondKeepBothPictures();
    void startupFailuresAreReported_data();
    void startupFailuresAreReported();
    void secondStartIsRefused();
    void killedInstanceDoesNotLockOut();
    void hotKeysHideAndShow();
    void terminationSavesSettings();
    void settingsThatCannotBeSavedAtExit_data();
    void settingsThatCannotBeSavedAtExit();

private:
    QStringList pictures() const;
    void writeSetting(const QString& key, const QVariant& value);
    QProcess* startInteractive();
    bool waitForMainWindow(bool visible, int timeoutMs = 10000);
    // Starts the program with `folder` on an 8 KiB tmpfs of a private mount
    // namespace, "small" (empty), "full" or "read-only": a full or read-only
    // disk without root privileges. With `list`, what the folder held when
    // the program had ended follows on standard output. With no disk it runs
    // as it is.
    QProcess* startOnDisk(const QString& disk, const QString& folder, const QStringList& arguments,
                          bool list);

    bool m_privateMounts = false;
    QImage m_screen;
    QList<QProcess*> m_running;
};

void TestProgram::initTestCase()
{
    setApplicationIdentity();
    QVERIFY2(QFileInfo(programPath()).isExecutable(), "VIREOSCAPE_BIN must name the program");
    const QImage pattern = makeTestPattern(QSize(1280, 800), 7);
    QVERIFY(setRootPicture(pattern));
    m_screen = referenceScreenshot();
    QCOMPARE(m_screen.size(), QSize(1280, 800));
    QCOMPARE(differingPixels(m_screen, pattern), 0);
    const ToolResult mount =
        runTool(QStringLiteral("unshare"),
                {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"),
                 QStringLiteral("mount -t tmpfs none \"$1\""), QStringLiteral("sh"), QDir::tempPath()});
    m_privateMounts = mount.exitCode == 0;
}

void TestProgram::init()
{
    QFile::remove(QSettings().fileName());
    for (const QString& name : pictures())
        QFile::remove(QDir::home().filePath(name));
}

void TestProgram::cleanup()
{
    for (QProcess* p : std::as_const(m_running)) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(5000);
        }
        delete p;
    }
    m_running.clear();
}

QStringList TestProgram::pictures() const
{
    return QDir::home().entryList({QStringLiteral("Snapshot_*")}, QDir::Files, QDir::Name);
}

void TestProgram::writeSetting(const QString& key, const QVariant& value)
{
    QSettings store;
    store.setValue(key, value);
    store.sync();
}

QProcess* TestProgram::startInteractive()
{
    QProcess* p = startProgram({});
    m_running << p;
    return p;
}

QProcess* TestProgram::startOnDisk(const QString& disk, const QString& folder, const QStringList& arguments,
                                   bool list)
{
    auto* p = new QProcess;
    m_running << p;
    if (disk.isEmpty()) {
        p->start(programPath(), arguments);
        return p;
    }
    const QString script = QStringLiteral(R"(d=$1; disk=$2; list=$3; shift 3
case $disk in read-only) o=ro,size=8k ;; *) o=size=8k ;; esac
mount -t tmpfs -o $o none "$d" || exit 97
[ "$disk" = full ] && cat /dev/zero >"$d/filler" 2>/dev/null
[ -z "$list" ] && exec "$@"
"$@"; s=$?; ls -A "$d"; exit $s)");
    p->start(QStringLiteral("unshare"),
             QStringList{QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"), script,
                         QStringLiteral("sh"), folder, disk, list ? QStringLiteral("1") : QString(),
                         programPath()} +
                 arguments);
    return p;
}

bool TestProgram::waitForMainWindow(bool visible, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (visibleWindows(QStringLiteral("^Vireoscape$")).isEmpty() != visible)
            return true;
        QTest::qWait(50);
    }
    return false;
}

void TestProgram::oneShotWritesTheScreen_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("-s") << QStringList{QStringLiteral("-s")};
    QTest::newRow("-S") << QStringList{QStringLiteral("-S")};
    // Unknown options are refused now (tests/launch); Qt's own still pass.
    QTest::newRow("after Qt's options") << QStringList{QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("-s")};
}

void TestProgram::oneShotWritesTheScreen()
{
    QFETCH(QStringList, arguments);
    const ToolResult r = runTool(programPath(), arguments);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.isEmpty(), r.err.constData());
    const QStringList files = pictures();
    QCOMPARE(files.size(), 1);
    QVERIFY(QRegularExpression(QStringLiteral("^Snapshot_\\d{4}_\\d{1,2}_\\d{1,2}_\\d{1,2}_\\d{1,2}_\\d{1,2}\\.png$"))
                .match(files.first())
                .hasMatch());
    const QImage written(QDir::home().filePath(files.first()));
    QCOMPARE(written.size(), m_screen.size());
    QCOMPARE(differingPixels(written, m_screen), 0);
    // No window was shown, and a one-shot run saves no settings.
    QVERIFY(!QFile::exists(QSettings().fileName()));
}

void TestProgram::oneShotCoversEveryMonitor()
{
    // Two monitors side by side on the one X screen, as RandR shows them.
    const auto xrandr = [](const QStringList& args) { return runTool(QStringLiteral("xrandr"), args).exitCode; };
    QCOMPARE(xrandr({QStringLiteral("--setmonitor"), QStringLiteral("LEFT"), QStringLiteral("800/211x800/211+0+0"),
                     QStringLiteral("screen")}), 0);
    QCOMPARE(xrandr({QStringLiteral("--setmonitor"), QStringLiteral("RIGHT"),
                     QStringLiteral("480/127x600/158+800+0"), QStringLiteral("none")}), 0);
    const ToolResult r = runTool(programPath(), {QStringLiteral("-s")});
    xrandr({QStringLiteral("--delmonitor"), QStringLiteral("LEFT")});
    xrandr({QStringLiteral("--delmonitor"), QStringLiteral("RIGHT")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(pictures().size(), 1);
    const QImage written(QDir::home().filePath(pictures().first()));
    QCOMPARE(written.size(), m_screen.size());
    QCOMPARE(differingPixels(written, m_screen), 0);
}

// Xvfb sends 0 in the fourth byte of every 32-bit pixel; the grab must
// still be opaque, or every picture made from it is invisible.
void TestProgram::grabIsOpaque()
{
    const QImage grabbed = grabDesktopImage();
    QCOMPARE(grabbed.size(), m_screen.size());
    qint64 transparent = 0;
    for (int y = 0; y < grabbed.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(grabbed.constScanLine(y));
        for (int x = 0; x < grabbed.width(); ++x)
            transparent += qAlpha(line[x]) != 255;
    }
    QCOMPARE(transparent, qint64(0));
    QCOMPARE(differingPixels(grabbed, m_screen), 0);
}

void TestProgram::oneShotFailures_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("disk");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing directory") << "missing/dir" << ".png" << "" << "No such file";
    QTest::newRow("format without a writer") << "" << ".gif" << "" << "unsupported";
    QTest::newRow("directory is a file") << "afile" << ".png" << "" << "directory";
    QTest::newRow("disk full in mid-write") << "tiny" << ".png" << "small" << "No space left on device";
}

void TestProgram::oneShotFailures()
{
    QFETCH(QString, directory);
    QFETCH(QString, extension);
    QFETCH(QString, disk);
    QFETCH(QString, reason);
    if (!disk.isEmpty() && !m_privateMounts)
        QSKIP("unshare -rm cannot mount here: no way to make a small disk");
    QFile blocker(QDir::home().filePath(QStringLiteral("afile")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    writeSetting(QStringLiteral("SnapshotFilePath"), QDir::home().filePath(directory));
    writeSetting(QStringLiteral("SnapshotFileName"), QStringLiteral("fail"));
    writeSetting(QStringLiteral("SnapshotFileNameExt"), extension);

    QVERIFY(QDir::home().mkpath(QStringLiteral("tiny")));
    QProcess* p = startOnDisk(disk, QDir::home().filePath(directory), {QStringLiteral("-s")}, true);
    QVERIFY(p->waitForFinished(20000));
    QVERIFY(p->exitCode() > 0 && p->exitCode() != 97);
    const QString err = QString::fromLocal8Bit(p->readAllStandardError());
    // Nothing half-written stays on the disk.
    QVERIFY2(!p->readAllStandardOutput().contains("fail"), "a partial picture was left");
    QCOMPARE(err.count(QLatin1Char('\n')), 1);
    QVERIFY2(err.contains(QStringLiteral("fail") + extension), qPrintable(err));
    QVERIFY2(err.contains(reason, Qt::CaseInsensitive), qPrintable(err));
    QCOMPARE(QDir::home().entryList({QStringLiteral("fail*")}, QDir::Files), QStringList());
    blocker.remove();
    QDir::home().rmdir(QStringLiteral("tiny"));
}

void TestProgram::oneShotsInOneSecondKeepBothPictures()
{
    writeSetting(QStringLiteral("SnapshotFileName"), QStringLiteral("Snapshot_same"));
    QCOMPARE(runTool(programPath(), {QStringLiteral("-s")}).exitCode, 0);
    QCOMPARE(runTool(programPath(), {QStringLiteral("-s")}).exitCode, 0);
    QCOMPARE(pictures(), (QStringList{QStringLiteral("Snapshot_same.png"), QStringLiteral("Snapshot_same_1.png")}));
    for (const QString& name : pictures())
        QCOMPARE(differingPixels(QImage(QDir::home().filePath(name)), m_screen), 0);
}

void TestProgram::startupFailuresAreReported_data()
{
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message"); // empty: the program works
    const QStringList oneShot{QStringLiteral("-s")};
    QTest::newRow("DISPLAY names no server") << "DISPLAY" << ":4242" << QStringList() << "display";
    QTest::newRow("DISPLAY not set") << "DISPLAY" << "" << QStringList() << "display";
    QTest::newRow("platform plugin not installed")
        << "QT_QPA_PLATFORM" << "nosuch" << QStringList() << "\"nosuch\"";
    QTest::newRow("fallback list of missing plugins, with options")
        << "QT_QPA_PLATFORM" << "nosuch:size=2;NoneEither" << QStringList() << "\"noneeither\"";
    QTest::newRow("missing plugin, then X11") << "QT_QPA_PLATFORM" << "nosuch;xcb" << oneShot << "";
    QTest::newRow("-s where the screen cannot be read")
        << "QT_QPA_PLATFORM" << "offscreen" << oneShot << "cannot read the screen";
}

// A clean message and status 1, never an abort with a core dump.
void TestProgram::startupFailuresAreReported()
{
    QFETCH(QString, variable);
    QFETCH(QString, value);
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(variable, value);
    p.setProcessEnvironment(env);
    p.start(programPath(), arguments);
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    if (message.isEmpty()) {
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(pictures().size(), 1);
        return;
    }
    QCOMPARE(p.exitCode(), 1);
    QCOMPARE(err.count(QLatin1Char('\n')), 1);
    QVERIFY2(err.startsWith(QStringLiteral("vireoscape: ")) && err.contains(message), qPrintable(err));
    QVERIFY(pictures().isEmpty());
}

void TestProgram::secondStartIsRefused()
{
    QProcess* first = startInteractive();
    QVERIFY(waitForMainWindow(true));

    QProcess* second = startInteractive();
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(QStringLiteral("^Error$")).isEmpty(), 10000);
    QVERIFY(second->state() == QProcess::Running);
    const QString box = visibleWindows(QStringLiteral("^Error$")).first();
    runTool(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), box});
    runTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("--window"), box, QStringLiteral("Return")});
    QVERIFY(second->waitForFinished(10000));
    QCOMPARE(second->exitCode(), 0);

    // The first instance goes on untouched, and a one-shot run still works.
    QCOMPARE(first->state(), QProcess::Running);
    QVERIFY(waitForMainWindow(true));
    QCOMPARE(runTool(programPath(), {QStringLiteral("-s")}).exitCode, 0);
}

void TestProgram::killedInstanceDoesNotLockOut()
{
    QProcess* first = startInteractive();
    QVERIFY(waitForMainWindow(true));
    ::kill(pid_t(first->processId()), SIGKILL);
    QVERIFY(first->waitForFinished(5000));
    QVERIFY(waitForMainWindow(false));

    QProcess* next = startInteractive();
    QVERIFY(waitForMainWindow(true));
    QTest::qWait(300);
    QCOMPARE(next->state(), QProcess::Running);
    QVERIFY(visibleWindows(QStringLiteral("^Error$")).isEmpty());
}

void TestProgram::hotKeysHideAndShow()
{
    startInteractive();
    QVERIFY(waitForMainWindow(true));
    runTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("alt+s")});
    QVERIFY(waitForMainWindow(false));
    // Caps Lock must not matter.
    runTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Caps_Lock")});
    runTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("alt+e")});
    runTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Caps_Lock")});
    QVERIFY(waitForMainWindow(true));
}

void TestProgram::terminationSavesSettings()
{
    writeSetting(QStringLiteral("IntervalSnap"), 345);
    QProcess* p = startInteractive();
    QVERIFY(waitForMainWindow(true));
    ::kill(pid_t(p->processId()), SIGTERM);
    QVERIFY(p->waitForFinished(10000));
    QCOMPARE(p->exitStatus(), QProcess::NormalExit);
    QCOMPARE(p->exitCode(), 0);
    QSettings store;
    QCOMPARE(store.allKeys().size(), 25);
    QCOMPARE(store.value(QStringLiteral("IntervalSnap")).toInt(), 345);
    QCOMPARE(store.value(QStringLiteral("ShortcutStartSnapshot")).toString(), QStringLiteral("Alt + S"));
}

// The settings store cannot take the settings at the end: one line on
// standard error names the file and the reason, and the status is not 0.
void TestProgram::settingsThatCannotBeSavedAtExit_data()
{
    QTest::addColumn<QString>("disk");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a folder in the file's place") << "" << "Is a directory";
    QTest::newRow("full disk") << "full" << "No space left on device";
    QTest::newRow("read-only file system") << "read-only" << "Read-only file system";
}

void TestProgram::settingsThatCannotBeSavedAtExit()
{
    QFETCH(QString, disk);
    QFETCH(QString, reason);
    if (!disk.isEmpty() && !m_privateMounts)
        QSKIP("unshare -rm cannot mount here: no way to make a full or read-only disk");
    const QString file = QSettings().fileName();
    if (disk.isEmpty())
        QVERIFY(QDir().mkpath(file));
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QProcess* p = startOnDisk(disk, config, {}, false);
    const bool shown = waitForMainWindow(true);
    ::kill(pid_t(p->processId()), SIGTERM);
    const bool finished = p->waitForFinished(10000);
    QDir(file).removeRecursively();
    QVERIFY(shown && finished);
    QCOMPARE(p->exitStatus(), QProcess::NormalExit);
    QCOMPARE(p->exitCode(), 1);
    const QString err = QString::fromLocal8Bit(p->readAllStandardError());
    QCOMPARE(err.count(QLatin1Char('\n')), 1);
    QVERIFY2(err.contains(QStringLiteral("cannot save the settings to ") + file) && err.contains(reason),
             qPrintable(err));
}

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
