// The options dialog of the running program, driven with xdotool as a user
// would: a new start-snapshot combination is captured, confirmed with OK and
// works at once, and the old one is released.
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

using namespace TestSupport;

namespace {

bool xdotool(const QStringList& arguments)
{
    return runTool(QStringLiteral("xdotool"), arguments).exitCode == 0;
}

struct Geometry
{
    int x = 0, y = 0, width = 0, height = 0;
};

// xwininfo, not xdotool: under a reparenting window manager xdotool adds the
// frame offset twice.
Geometry windowGeometry(const QString& id)
{
    const ToolResult r = runTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
    Geometry g;
    for (const QByteArray& raw : r.out.split('\n')) {
        const QByteArray line = raw.trimmed();
        const int colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray key = line.left(colon);
        const int value = line.mid(colon + 1).trimmed().toInt();
        if (key == "Absolute upper-left X")
            g.x = value;
        else if (key == "Absolute upper-left Y")
            g.y = value;
        else if (key == "Width")
            g.width = value;
        else if (key == "Height")
            g.height = value;
    }
    return g;
}

bool clickAt(int x, int y)
{
    return xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(x),
                    QString::number(y)}) &&
           xdotool({QStringLiteral("click"), QStringLiteral("1")});
}

bool pressKeys(const QString& keys)
{
    return xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
}

const QString kMainWindow = QStringLiteral("^Vireoscape$");
const QString kDialog = QStringLiteral("^Config Dialog$");

} // namespace

class TestHotKeyChange : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void newStartSnapshotKeyWorksAtOnce();

private:
    QProcess* m_program = nullptr;
};

void TestHotKeyChange::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    for (const char* tool : {"xdotool", "xwininfo"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QSKIP("xdotool or xwininfo is missing");
    }
    QVERIFY(QFile::exists(programPath()));
}

void TestHotKeyChange::cleanup()
{
    stopProgram(m_program);
}

void TestHotKeyChange::newStartSnapshotKeyWorksAtOnce()
{
    m_program = startProgram({});
    QVERIFY(m_program->waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(kMainWindow).size(), 1, 10000);
    const QString mainId = visibleWindows(kMainWindow).first();
    QVERIFY(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), mainId}));

    // "Option..." is the right one of the two equal buttons: margins 20, spacing 40.
    const Geometry main = windowGeometry(mainId);
    QVERIFY(main.width > 80);
    const int buttonWidth = (main.width - 80) / 2;
    QVERIFY(clickAt(main.x + main.width - 20 - buttonWidth / 2, main.y + main.height / 2));
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(kDialog).size(), 1, 10000);
    const QString dialogId = visibleWindows(kDialog).first();
    QVERIFY(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), dialogId}));

    // The page list has the focus: find "Shortcut" by typing, Tab into the
    // table (row "Show Main Window"), Down to "Start snapshot", press the keys.
    QVERIFY(xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"),
                     QStringLiteral("Shortcut")}));
    QVERIFY(pressKeys(QStringLiteral("Tab")));
    QVERIFY(pressKeys(QStringLiteral("Down")));
    QVERIFY(pressKeys(QStringLiteral("ctrl+alt+k")));

    // OK sits in the bottom-right corner (text buttons are at least 80 wide).
    const Geometry dialog = windowGeometry(dialogId);
    QVERIFY(clickAt(dialog.x + dialog.width - 45, dialog.y + dialog.height - 20));
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(kDialog).isEmpty(), 10000);
    QCOMPARE(visibleWindows(kMainWindow).size(), 1);

    // OK saved at once.
    const QString conf = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                             .filePath(QStringLiteral("Valdo Software/Vireoscape.conf"));
    QSettings store(conf, QSettings::IniFormat);
    QCOMPARE(store.value(QStringLiteral("ShortcutStartSnapshot")).toString(),
             QStringLiteral("Ctrl + Alt + K"));
    QCOMPARE(store.value(QStringLiteral("ShortcutShowMainWnd")).toString(), QStringLiteral("Alt + E"));
    QCOMPARE(store.allKeys().size(), 26);

    // The new combination starts a snapshot: the main window hides.
    QVERIFY(pressKeys(QStringLiteral("ctrl+alt+k")));
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(kMainWindow).isEmpty(), 10000);
    QVERIFY(pressKeys(QStringLiteral("alt+e")));
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(kMainWindow).size(), 1, 10000);

    // The old one is released: it no longer hides the window.
    QVERIFY(pressKeys(QStringLiteral("alt+s")));
    QTest::qWait(1500);
    QCOMPARE(visibleWindows(kMainWindow).size(), 1);

    // And once more, to be sure the new one was not a one-off.
    QVERIFY(pressKeys(QStringLiteral("ctrl+alt+k")));
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(kMainWindow).isEmpty(), 10000);
}

QTEST_MAIN(TestHotKeyChange)
#include "tst_hotkeychange.moc"
