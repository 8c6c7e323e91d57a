// The command line under openbox: refused options, `-s` with its options
// against the screen, and `--snapshot` through a private session bus.
#include "app/SnapshotService.h"
#include "app/Startup.h"
#include "config/AppConfig.h"
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QtTest>

#include <xcb/xcb.h>

using namespace TestSupport;

namespace {

QString view()
{
    return visibleWindows(QStringLiteral("^Draw View$")).value(0);
}

bool serviceOnBus()
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QLatin1String(CSnapshotService::kServiceName));
}

// The two monitors laid over the 1280x800 screen, and the test's window.
const QRect kMonitors[] = {QRect(0, 0, 768, 800), QRect(768, 200, 512, 400)};
const QPoint kWindowAt(880, 300);
const QString kWindowTitle = QStringLiteral("vs-window");

// The window that owns the clipboard, or 0.
quint32 clipboardOwner()
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const char name[] = "CLIPBOARD";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof(name) - 1, name), nullptr);
    xcb_get_selection_owner_reply_t* owner =
        atom ? xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr) : nullptr;
    const quint32 window = owner ? owner->owner : 0;
    std::free(owner);
    std::free(atom);
    xcb_disconnect(c);
    return window;
}

bool windowExists(quint32 window)
{
    return runTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window)}).exitCode ==
           0;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void refused_data();
    void refused();
    void oneShot_data();
    void oneShot();
    void clipboardServedUntilTaken();
    void delayComesBeforeTheGrab();
    void snapshotThroughTheBus();
    void cleanupTestCase();

private:
    void escapeView(QProcess* program);
    QString file(const QString& name) const { return m_folder.filePath(name); }
    QDir m_folder;
    QImage m_screen;
    QRect m_window; // the test window's own pixels, frame left out
    QProcess m_bus;
    QProcess m_windowProgram;
};

void TestCommandLine::initTestCase()
{
    setApplicationIdentity();
    m_folder.setPath(QDir::tempPath() + QStringLiteral("/pictures"));
    QVERIFY(m_folder.mkpath(QStringLiteral(".")));
    AppConfig = CAppConfig::defaults();
    AppConfig.SnapshotFilePath = m_folder.absolutePath();
    AppConfig.GenAutoRun = false;
    QVERIFY(AppConfig.save().ok);

    // Two monitors of different sizes, one not at the top.
    const QStringList monitors[] = {{"left", "768/203x800/211+0+0", "screen"},
                                    {"right", "512/135x400/106+768+200", "none"}};
    for (const QStringList& monitor : monitors)
        QCOMPARE(runTool(QStringLiteral("xrandr"), QStringList{"--setmonitor"} + monitor).exitCode, 0);
    const QByteArray listed = runTool(QStringLiteral("xrandr"), {QStringLiteral("--listmonitors")}).out;
    QVERIFY2(listed.contains(" 0: left 768/203x800/211+0+0") &&
                 listed.contains(" 1: right 512/135x400/106+768+200"),
             listed.constData());

    QVERIFY(setRootPicture(makeTestPattern(QSize(1280, 800), 3)));
    // A window of another program, with a picture of its own.
    const QString picture = file(QStringLiteral("window.png"));
    QVERIFY(makeTestPattern(QSize(240, 160), 4).save(picture));
    m_windowProgram.start(QStringLiteral("display"),
                          {QStringLiteral("-geometry"),
                           QStringLiteral("+%1+%2").arg(kWindowAt.x()).arg(kWindowAt.y()),
                           QStringLiteral("-title"), kWindowTitle, picture});
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(QLatin1Char('^') + kWindowTitle + QLatin1Char('$')).isEmpty(),
                             20000);
    const QString window = visibleWindows(QLatin1Char('^') + kWindowTitle + QLatin1Char('$')).first();
    QTest::qWait(500); // drawn, and openbox's frame too
    m_window = windowGeometry(window);
    QCOMPARE(m_window.size(), QSize(240, 160));
    QVERIFY(m_window.top() > kWindowAt.y());
    m_screen = referenceScreenshot();
    QCOMPARE(m_screen.size(), QSize(1280, 800));
}

// Refused with no display: one line naming what is wrong, the usage only
// after an unknown option or options that ask for different things.
void TestCommandLine::refused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // how standard output starts
    QTest::addColumn<QString>("err"); // what the first line of standard error holds
    QTest::addColumn<bool>("usage");  // whether the usage follows
    const auto wrong = [](const char* name, const QStringList& arguments, const char* err) {
        QTest::newRow(name) << arguments << 2 << QString() << QString(err) << false;
    };
    const QString usage = QStringLiteral("Usage: vireoscape");
    QTest::newRow("help") << QStringList{"-s", "--help"} << 0 << usage << QString() << false;
    QTest::newRow("version") << QStringList{"--version"} << 0
                             << "vireoscape " + QStringLiteral(VIREOSCAPE_VERSION) + "\n"
                             << QString() << false;
    QTest::newRow("unknown") << QStringList{"-s", "--frobnicate"} << 2 << QString()
                             << "unknown option \"--frobnicate\"" << true;
    QTest::newRow("-s with --tray") << QStringList{"--tray", "foo", "-S"} << 2 << QString()
                                    << "--tray and -S ask for different things" << true;
    wrong("-d in seconds", {"-s", "-d", "1s"}, "-d: \"1s\" is not a delay in milliseconds from 0 to 60000");
    wrong("-d without its value", {"-s", "-d"}, "-d needs a value");
    wrong("-r without a place", {"-s", "-r", "300x200"}, "-r: \"300x200\" is not an area WxH+X+Y");
    wrong("--screen not a number", {"-s", "--screen", "left"}, "--screen: \"left\" is not a screen number");
    wrong("-o in a format with no writer", {"-s", "-o", "shot.gif"},
          "-o: no image format can be written as \"shot.gif\"");
    wrong("--window with a value", {"-s", "--window=1"}, "--window takes no value");
    wrong("-d with --tray", {"--tray", "-d", "5"}, "-d works only with -s or --snapshot");
    wrong("two areas", {"-s", "--window", "--screen", "1"}, "-r, --screen and --window each choose the area");
}

void TestCommandLine::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(bool, usage);
    const ToolResult result = runTool(programPath(), arguments, 10000, {}, {QStringLiteral("DISPLAY=")});
    QCOMPARE(result.exitCode, status);
    QVERIFY2(out.isEmpty() ? result.out.isEmpty() : result.out.startsWith(out.toUtf8()),
             result.out.constData());
    const QList<QByteArray> lines = result.err.split('\n');
    QVERIFY2(err.isEmpty() ? result.err.isEmpty() : lines.first().startsWith("vireoscape: " + err.toUtf8()),
             result.err.constData());
    QCOMPARE(result.err.contains("Usage: vireoscape"), usage);
    if (!err.isEmpty() && !usage)
        QCOMPARE(lines.size(), 2); // one line and its end
}

// `-s` with each row's options: the picture written or sent against the
// screen's part (a null part: no picture), and what was printed.
void TestCommandLine::oneShot_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QRect>("part");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err");    // what the one line on standard error holds
    QTest::addColumn<QPoint>("pointer"); // where the pointer is
    const QRect whole(0, 0, 1280, 800);
    const QPoint inWindow = kWindowAt + QPoint(100, 100);
    const QString named = file(QStringLiteral("named.png"));
    const auto shot = [&](const char* name, const QStringList& arguments, const QRect& part) {
        QTest::newRow(name) << arguments << part << 0 << QString() << inWindow;
    };
    const auto refused = [&](const char* name, const QStringList& arguments, int status, const char* err,
                             const QPoint& pointer) {
        QTest::newRow(name) << arguments << QRect() << status << QString(err) << pointer;
    };
    shot("-s alone", {"-s"}, whole);
    shot("-S after a word", {"foo", "-S"}, whole);
    shot("-r", {"-s", "-r", "300x200+10+10"}, QRect(10, 10, 300, 200));
    shot("--region= in the corner to a file", {"--region=31x17+1249+783", "-s", "--output", named},
         QRect(1249, 783, 31, 17));
    shot("-o without a suffix writes PNG", {"-s", "-o", file(QStringLiteral("plain"))}, whole);
    shot("--screen 0", {"-s", "--screen", "0"}, kMonitors[0]);
    shot("--screen 1 to standard output after -d 0", {"-s", "--screen", "1", "-d", "0", "-o", "-"},
         kMonitors[1]);
    // The window's own pixels, from a pixel inside and from its last one.
    shot("--window", {"-s", "--window"}, m_window);
    QTest::newRow("--window from its last pixel to standard output")
        << QStringList{"-s", "--window", "-o", "-"} << m_window << 0 << QString() << m_window.bottomRight();
    refused("-r beyond the screen", {"-s", "-r", "300x200+1000+700"}, 2,
            "-r: 300x200+1000+700 is not within the screen (1280x800)", inWindow);
    refused("a screen that is not there", {"-s", "--screen", "2", "-o", "-"}, 2,
            "--screen: there is no screen 2", inWindow);
    refused("no window under the pointer", {"-s", "--window"}, 1,
            "--window: there is no window under the pointer", QPoint(5, 5));
    refused("-o names a file that exists", {"-s", "-o", file(QStringLiteral("taken.png"))}, 1,
            "taken.png exists and is not replaced", inWindow);
}

void TestCommandLine::oneShot()
{
    QFETCH(QStringList, arguments);
    QFETCH(QRect, part);
    QFETCH(int, status);
    QFETCH(QString, err);
    QFETCH(QPoint, pointer);
    for (const QString& name : m_folder.entryList(
             {QStringLiteral("Snapshot_*"), QStringLiteral("named.png"), QStringLiteral("plain")}))
        QVERIFY(m_folder.remove(name));
    QFile taken(file(QStringLiteral("taken.png")));
    QVERIFY(taken.open(QIODevice::WriteOnly) && taken.write("kept") == 4);
    taken.close();
    runXdotool(QStringLiteral("mousemove %1 %2").arg(pointer.x()).arg(pointer.y()));

    const ToolResult result = runTool(programPath(), arguments, 20000);
    QCOMPARE(result.exitCode, status);
    QVERIFY2(err.isEmpty() ? result.err.isEmpty()
                           : result.err.contains(err.toUtf8()) && result.err.count('\n') == 1,
             result.err.constData());
    QFile kept(taken.fileName());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("kept"));
    const QStringList written = m_folder.entryList(
        {QStringLiteral("Snapshot_*"), QStringLiteral("named.png"), QStringLiteral("plain")});
    if (status != 0) {
        QVERIFY(result.out.isEmpty());
        QVERIFY2(written.isEmpty(), qPrintable(written.join(' ')));
        return;
    }

    QByteArray bytes;
    if (arguments.contains(QStringLiteral("-"))) {
        // No path, and the very bytes a file gets.
        QVERIFY(written.isEmpty());
        bytes = result.out;
        QStringList toFile = arguments;
        toFile.replace(toFile.indexOf(QStringLiteral("-")), file(QStringLiteral("named.png")));
        QCOMPARE(runTool(programPath(), toFile).exitCode, 0);
        QFile same(file(QStringLiteral("named.png")));
        QVERIFY(same.open(QIODevice::ReadOnly));
        QVERIFY(same.readAll() == bytes);
    } else {
        QCOMPARE(written.size(), 1);
        QCOMPARE(QString::fromUtf8(result.out), file(written.first()) + QLatin1Char('\n'));
        QFile picture(file(written.first()));
        QVERIFY(picture.open(QIODevice::ReadOnly));
        bytes = picture.readAll();
    }
    QVERIFY2(bytes.startsWith("\x89PNG\r\n\x1a\n"), "not a PNG");
    const QImage image = QImage::fromData(bytes, "PNG");
    QCOMPARE(image.size(), part.size());
    QCOMPARE(differingPixels(image, m_screen.copy(part)), qint64(0));
}

// -c ends at once inside "$(...)"; the file's PNG is served until another
// program takes the clipboard, and the server ends then.
void TestCommandLine::clipboardServedUntilTaken()
{
    const QRect part(20, 30, 100, 80);
    const ToolResult run =
        runTool(QStringLiteral("bash"),
                {QStringLiteral("-c"),
                 QStringLiteral("f=$(\"$0\" -s -c -r 100x80+20+30) && printf %s \"$f\""), programPath()},
                10000);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QFile picture(QString::fromUtf8(run.out));
    QVERIFY2(picture.open(QIODevice::ReadOnly), run.out.constData());
    const QByteArray png = picture.readAll();
    QCOMPARE(differingPixels(QImage::fromData(png, "PNG"), m_screen.copy(part)), qint64(0));

    const quint32 owner = clipboardOwner();
    QVERIFY(owner != 0);
    QVERIFY(clipboardPng() == png);
    QVERIFY(windowExists(owner));
    QVERIFY(takeClipboard());
    QTRY_VERIFY_WITH_TIMEOUT(!windowExists(owner), 10000);
}

// The screen changes during -d: the picture shows it after (and the
// pattern is gone for the tests that follow).
void TestCommandLine::delayComesBeforeTheGrab()
{
    const QString name = file(QStringLiteral("delayed.png"));
    QProcess program;
    program.start(programPath(),
                  {QStringLiteral("-s"), QStringLiteral("-d"), QStringLiteral("4000"), QStringLiteral("-r"),
                   QStringLiteral("100x100+0+0"), QStringLiteral("-o"), name});
    QVERIFY(program.waitForStarted());
    QTest::qWait(1500); // well into the delay
    QCOMPARE(program.state(), QProcess::Running);
    QCOMPARE(
        runTool(QStringLiteral("xsetroot"), {QStringLiteral("-solid"), QStringLiteral("#123456")}).exitCode,
        0);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitCode(), 0);
    QImage expected(100, 100, QImage::Format_ARGB32);
    expected.fill(qRgb(0x12, 0x34, 0x56));
    QCOMPARE(differingPixels(QImage(name), expected), qint64(0));
}

// The view shows after the delay asked for; Escape closes it, the program runs on.
void TestCommandLine::escapeView(QProcess* program)
{
    QTest::qWait(1500);
    QVERIFY2(view().isEmpty(), "the view came before the delay");
    QTRY_VERIFY_WITH_TIMEOUT(!view().isEmpty(), 10000);
    runXdotool(QStringLiteral("key --window %1 Escape").arg(view()));
    QTRY_VERIFY_WITH_TIMEOUT(view().isEmpty(), 5000);
    QCOMPARE(program->state(), QProcess::Running);
}

void TestCommandLine::snapshotThroughTheBus()
{
    QVERIFY2(startSessionBus(m_bus), "dbus-daemon did not start");
    QProcess* program =
        startProgram({QStringLiteral("--snapshot"), QStringLiteral("-d"), QStringLiteral("2500")});
    const auto stop = qScopeGuard([&program] { stopProgram(program); });
    escapeView(program);
    QTRY_VERIFY_WITH_TIMEOUT(serviceOnBus(), 10000);

    // The asking process ends at once; the resident one shows the snapshot.
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(runTool(programPath(), {QStringLiteral("--snapshot"), QStringLiteral("--delay=2500")}, 10000)
                 .exitCode,
             0);
    QVERIFY2(clock.elapsed() < 2000, "the asking process waited for something");
    escapeView(program);
}

void TestCommandLine::cleanupTestCase()
{
    m_bus.terminate();
    m_bus.waitForFinished(3000);
    m_windowProgram.kill();
    m_windowProgram.waitForFinished(3000);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
