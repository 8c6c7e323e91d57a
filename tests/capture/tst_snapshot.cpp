#include "support/TestSupport.h"

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

using namespace TestSupport;

// One snapshot as a user takes it: the real program under a window manager,
// the hot key, the mouse and the keyboard from xdotool, and the results read
// back from the clipboard and the disk.
class TestSnapshot : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void viewCoversDesktopAndTakesKeyboard();
    void dragAndDoubleClickPutsOutTheArea();
    void clickPicksTheWindowUnderThePointer();
    void failedSaveIsReportedAndSnapshotStays();
    void menusKeepTheSnapshot();
    void hotKeyStartsOver();

private:
    void startProgram(const QMap<QString, QVariant>& settings = {});
    void startSnapshot();
    QString viewWindow() const;
    QStringList picturesWritten() const;

    QProcess* m_program = nullptr;
    QProcess* m_client = nullptr;
    QString m_shots;
    QImage m_screen; // the screen as the user saw it before the snapshot
};

void TestSnapshot::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    m_shots = QDir::home().filePath(QStringLiteral("shots"));
    QVERIFY(setRootPicture(makeTestPattern(QGuiApplication::primaryScreen()->size(), 11)));
}

void TestSnapshot::cleanup()
{
    stopProgram(m_program);
    if (m_client) {
        m_client->kill();
        m_client->waitForFinished(2000);
        delete m_client;
        m_client = nullptr;
    }
    QDir(m_shots).removeRecursively();
}

void TestSnapshot::startProgram(const QMap<QString, QVariant>& settings)
{
    QDir().mkpath(m_shots);
    QVariantMap all{{QStringLiteral("GenActionAfterFinish"), 1},
                    {QStringLiteral("CopyToClipboardAfterFinish"), true},
                    {QStringLiteral("SaveToFileAfterFinish"), true},
                    {QStringLiteral("SnapshotFilePath"), m_shots}};
    all.insert(settings);
    // The main window stays hidden; the program is ready once resident.
    m_program = startResidentProgram(all);
    QVERIFY(m_program);
}


QString TestSnapshot::viewWindow() const
{
    return visibleWindows(QStringLiteral("^Draw View$")).value(0);
}

void TestSnapshot::startSnapshot()
{
    m_screen = referenceScreenshot();
    QVERIFY(!m_screen.isNull());
    runXdotool(QStringLiteral("key alt+s"));
    QTRY_VERIFY_WITH_TIMEOUT(!viewWindow().isEmpty(), 10000);
    QTest::qWait(300); // the first paint
}


QStringList TestSnapshot::picturesWritten() const
{
    return QDir(m_shots).entryList(QDir::Files);
}

void TestSnapshot::viewCoversDesktopAndTakesKeyboard()
{
    startProgram();
    if (QTest::currentTestFailed())
        return;
    startSnapshot();
    if (QTest::currentTestFailed())
        return;
    const ToolResult info = runTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), viewWindow()});
    const QString text = QString::fromLatin1(info.out);
    const QSize screen = QGuiApplication::primaryScreen()->size();
    QVERIFY2(text.contains(QStringLiteral("Absolute upper-left X:  0\n")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Absolute upper-left Y:  0\n")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Width: %1\n").arg(screen.width())), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Height: %1\n").arg(screen.height())), qPrintable(text));

    // Escape ends the snapshot: the main window comes back, the program lives.
    runXdotool(QStringLiteral("key Escape"));
    QTRY_VERIFY_WITH_TIMEOUT(viewWindow().isEmpty(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(QStringLiteral("^Vireoscape$")).isEmpty(), 5000);
    QTest::qWait(500);
    QCOMPARE(m_program->state(), QProcess::Running);
    QVERIFY(picturesWritten().isEmpty());

    // And a second snapshot works as the first.
    startSnapshot();
    runXdotool(QStringLiteral("key Escape"));
    QTRY_VERIFY_WITH_TIMEOUT(viewWindow().isEmpty(), 5000);
    QCOMPARE(m_program->state(), QProcess::Running);
}

void TestSnapshot::dragAndDoubleClickPutsOutTheArea()
{
    startProgram();
    if (QTest::currentTestFailed())
        return;
    startSnapshot();
    if (QTest::currentTestFailed())
        return;
    dragWithMouse(QPoint(100, 120), QPoint(400, 330));
    runXdotool(QStringLiteral("mousemove 250 220 click --repeat 2 --delay 60 1"));
    QTRY_VERIFY_WITH_TIMEOUT(viewWindow().isEmpty(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(picturesWritten().size(), 1, 5000);

    const QImage expected = m_screen.copy(100, 120, 300, 210);
    const QImage file(QDir(m_shots).filePath(picturesWritten().first()));
    QCOMPARE(file.size(), expected.size());
    QCOMPARE(differingPixels(file, expected), qint64(0));

    const ToolResult clip = runTool(
        QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                  QStringLiteral("-t"), QStringLiteral("image/png"), QStringLiteral("-o")});
    QCOMPARE(clip.exitCode, 0);
    const QImage copied = QImage::fromData(clip.out, "PNG");
    QCOMPARE(copied.size(), expected.size());
    QCOMPARE(differingPixels(copied, expected), qint64(0));
    // "Show main window" after finishing.
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(QStringLiteral("^Vireoscape$")).isEmpty(), 5000);
}

void TestSnapshot::clickPicksTheWindowUnderThePointer()
{
    m_client = new QProcess;
    m_client->start(QStringLiteral("xlogo"),
                    {QStringLiteral("-geometry"), QStringLiteral("220x160+300+200")});
    QVERIFY(m_client->waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(QStringLiteral("^xlogo$")).isEmpty(), 5000);
    QTest::qWait(300);
    const QString logo = visibleWindows(QStringLiteral("^xlogo$")).first();
    const QString info =
        QString::fromLatin1(runTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), logo}).out);
    auto field = [&info](const char* name) {
        const QRegularExpression re(QStringLiteral("%1:\\s+(-?\\d+)").arg(QLatin1String(name)));
        return re.match(info).captured(1).toInt();
    };
    const QRect window(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                       field("Height"));
    QVERIFY2(window.width() == 220 && window.height() == 160, qPrintable(info));

    startProgram();
    if (QTest::currentTestFailed())
        return;
    startSnapshot();
    if (QTest::currentTestFailed())
        return;
    const QPoint inside = window.center();
    runXdotool(QStringLiteral("mousemove %1 %2").arg(inside.x() - 5).arg(inside.y() - 5));
    runXdotool(QStringLiteral("mousemove %1 %2").arg(inside.x()).arg(inside.y()));
    QTest::qWait(200);
    runXdotool(QStringLiteral("click --repeat 2 --delay 60 1"));
    QTRY_VERIFY_WITH_TIMEOUT(viewWindow().isEmpty(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(picturesWritten().size(), 1, 5000);
    const QImage file(QDir(m_shots).filePath(picturesWritten().first()));
    // Exactly the window's pixels: not one wider or higher.
    QCOMPARE(file.size(), window.size());
    QCOMPARE(differingPixels(file, m_screen.copy(window)), qint64(0));
}

void TestSnapshot::failedSaveIsReportedAndSnapshotStays()
{
    startProgram(
        {{QStringLiteral("SnapshotFilePath"), QDir::home().filePath(QStringLiteral("no/such/dir"))}});
    if (QTest::currentTestFailed())
        return;
    startSnapshot();
    if (QTest::currentTestFailed())
        return;
    dragWithMouse(QPoint(100, 120), QPoint(300, 300));
    runXdotool(QStringLiteral("mousemove 200 200 click --repeat 2 --delay 60 1"));
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(QStringLiteral("^Error$")).isEmpty(), 5000);
    QVERIFY(!viewWindow().isEmpty());

    // The box takes the keyboard; after it the snapshot is still there.
    runXdotool(QStringLiteral("key Return"));
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(QStringLiteral("^Error$")).isEmpty(), 5000);
    QTest::qWait(300);
    QVERIFY(!viewWindow().isEmpty());
    runXdotool(QStringLiteral("key Escape"));
    QTRY_VERIFY_WITH_TIMEOUT(viewWindow().isEmpty(), 5000);
    QCOMPARE(m_program->state(), QProcess::Running);
}

// Escape in the context menu closes the menu only; "Reselect snapshot area"
// drops the pick, and the next drag makes a new one.
void TestSnapshot::menusKeepTheSnapshot()
{
    startProgram();
    if (QTest::currentTestFailed())
        return;
    startSnapshot();
    if (QTest::currentTestFailed())
        return;
    const QString view = viewWindow();
    dragWithMouse(QPoint(100, 120), QPoint(400, 330));
    runXdotool(QStringLiteral("mousemove 250 220 click 3"));
    QTest::qWait(400);
    runXdotool(QStringLiteral("key Escape"));
    QTest::qWait(400);
    QCOMPARE(viewWindow(), view);

    runXdotool(QStringLiteral("click 3"));
    QTest::qWait(400);
    runXdotool(QStringLiteral("key Down Return"));
    QTest::qWait(400);
    QCOMPARE(viewWindow(), view);
    dragWithMouse(QPoint(500, 300), QPoint(560, 350));
    runXdotool(QStringLiteral("mousemove 530 320 click --repeat 2 --delay 60 1"));
    QTRY_VERIFY_WITH_TIMEOUT(viewWindow().isEmpty(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(picturesWritten().size(), 1, 5000);
    const QImage file(QDir(m_shots).filePath(picturesWritten().first()));
    QCOMPARE(differingPixels(file, m_screen.copy(500, 300, 60, 50)), qint64(0));
}

// The hot key during a snapshot starts a new one, from a fresh grab.
void TestSnapshot::hotKeyStartsOver()
{
    startProgram();
    if (QTest::currentTestFailed())
        return;
    startSnapshot();
    if (QTest::currentTestFailed())
        return;
    const QString first = viewWindow();
    dragWithMouse(QPoint(100, 120), QPoint(400, 330));
    runXdotool(QStringLiteral("key alt+s"));
    QTRY_VERIFY_WITH_TIMEOUT(!viewWindow().isEmpty() && viewWindow() != first, 10000);
    QTest::qWait(300);
    // The new snapshot starts from scratch: a drag and a double click.
    dragWithMouse(QPoint(50, 60), QPoint(150, 140));
    runXdotool(QStringLiteral("mousemove 100 100 click --repeat 2 --delay 60 1"));
    QTRY_COMPARE_WITH_TIMEOUT(picturesWritten().size(), 1, 5000);
    const QImage file(QDir(m_shots).filePath(picturesWritten().first()));
    QCOMPARE(differingPixels(file, m_screen.copy(50, 60, 100, 80)), qint64(0));
    QCOMPARE(m_program->state(), QProcess::Running);
}

QTEST_MAIN(TestSnapshot)
#include "tst_snapshot.moc"
