#include "app/Startup.h"
#include "config/AppConfig.h"
#include "config/AutoRun.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QtTest>

class TestAutoRun : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void entryFollowsTheSetting();
    void sessionStartsTheProgram_data();
    void sessionStartsTheProgram();
};

void TestAutoRun::initTestCase()
{
    setApplicationIdentity();
}

void TestAutoRun::init()
{
    QDir(QFileInfo(autoRunEntryPath()).absolutePath()).removeRecursively();
    QFile::remove(QSettings().fileName());
}

void TestAutoRun::entryFollowsTheSetting()
{
    const QString path = autoRunEntryPath();
    QVERIFY(path.endsWith(QLatin1String("/autostart/Vireoscape.desktop")));
    QVERIFY(path.startsWith(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"))));

    QVERIFY(applyAutoRun(true));
    QVERIFY(QFile::exists(path));
    QSettings entry(path, QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    QCOMPARE(entry.value(QStringLiteral("Type")).toString(), QStringLiteral("Application"));
    QCOMPARE(entry.value(QStringLiteral("Name")).toString(), QStringLiteral("Vireoscape"));

    QVERIFY(applyAutoRun(false));
    QVERIFY(!QFile::exists(path));
    QVERIFY(applyAutoRun(false)); // removing an absent entry is no failure
}

void TestAutoRun::sessionStartsTheProgram_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("plain path") << "bin";
    QTest::newRow("spaces") << "a user/My Programs";
    QTest::newRow("quotes and dollar") << "it's \"new\"/$HOME";
    QTest::newRow("backslash and backtick") << "back\\slash/`tick`";
    // No row with '%': GLib looks for the program before it turns "%%"
    // into '%', so it refuses every entry whose path holds one.
    QTest::newRow("non-ASCII") << "Bildschirmfotos für Jörg";
}

// The entry is started as a desktop session starts it (GLib's launcher):
// the program that runs is the one the entry names, whatever its path.
void TestAutoRun::sessionStartsTheProgram()
{
    QFETCH(QString, folder);
    const QString dir = QDir::tempPath() + QLatin1Char('/') + folder;
    QVERIFY(QDir().mkpath(dir));
    const QString program = dir + QStringLiteral("/vireoscape");
    const QString ran = QDir::tempPath() + QStringLiteral("/ran");
    QFile::remove(ran);
    QFile file(program);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("#!/bin/sh\nprintf %s \"$0\" > '%1'\n").arg(ran).toUtf8());
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));

    QVERIFY(applyAutoRun(true, program));
    QProcess gio;
    gio.start(QStringLiteral("gio"), {QStringLiteral("launch"), autoRunEntryPath()});
    QVERIFY(gio.waitForFinished(10000));
    QVERIFY2(gio.exitCode() == 0, gio.readAllStandardError().constData());
    QTRY_VERIFY(QFileInfo(ran).size() > 0);
    QFile result(ran);
    QVERIFY(result.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(result.readAll()), program);
}

QTEST_GUILESS_MAIN(TestAutoRun)
#include "tst_autorun.moc"
