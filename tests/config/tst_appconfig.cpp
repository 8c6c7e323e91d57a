#include "app/Startup.h"
#include "config/AppConfig.h"
#include "config/AutoRun.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QtTest>

Q_DECLARE_METATYPE(TestSupport::Settings)

// The settings and the autostart entry, in the test's own temporary home.
class TestAppConfig : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void storeHoldsTheTable_data();
    void storeHoldsTheTable();
    void storedTextLoads_data();
    void storedTextLoads();
    void junkInTheFileIsNoWriteFailure();
    void textsTooLongAreRefused();
    void sessionStartsTheProgram_data();
    void sessionStartsTheProgram();
};

void TestAppConfig::initTestCase()
{
    setApplicationIdentity();
    QVERIFY2(QDir::homePath() != QDir::rootPath(), "tests need their own home");
}

void TestAppConfig::init()
{
    QFile::remove(QSettings().fileName());
    AppConfig = CAppConfig();
}

void TestAppConfig::storeHoldsTheTable_data()
{
    QTest::addColumn<TestSupport::Settings>("stored"); // before the start
    QTest::addColumn<TestSupport::Settings>("loaded");
    QTest::newRow("first run") << TestSupport::Settings() << TestSupport::firstRunSettings();
    QTest::newRow("every value unusual") << TestSupport::unusualSettings() << TestSupport::unusualSettings();
}

// Every key under its own name with its default or the stored value, each
// field from the key of its name; loading brings the autostart entry in line
// (a stale one goes), saving writes every key back as it was.
void TestAppConfig::storeHoldsTheTable()
{
    QFETCH(TestSupport::Settings, stored);
    QFETCH(TestSupport::Settings, loaded);
    if (!stored.isEmpty())
        TestSupport::storeSettings(stored);
    QVERIFY(applyAutoRun(true));
    AppConfig.load();
    QCOMPARE(TestSupport::settingsAsText(AppConfig), loaded);
    QCOMPARE(QFile::exists(autoRunEntryPath()), loaded.value("GenAutoRun") == QLatin1String("true"));
    QVERIFY(AppConfig.save().ok);
    QCOMPARE(TestSupport::storedSettings(), loaded);
}

void TestAppConfig::storedTextLoads_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("loaded"); // as the store holds it
    const auto row = [](const char* name, const char* key, const char* stored, const char* loaded) {
        QTest::newRow(name) << QString(key) << QString(stored) << QString(loaded);
    };
    row("quality 101 is out of range", "ImageQuality", "101", "50");
    row("negative quality is out of range", "ImageQuality", "-1", "50");
    row("quality 0 is kept", "ImageQuality", "0", "0");
    row("quality 100 is kept", "ImageQuality", "100", "100");
    row("quality not a number loads as 0", "ImageQuality", "high", "0");
    row("word for an integer", "IntervalSnap", "soon", "0");
    row("action kept as stored", "GenActionAfterFinish", "7", "7");
    row("bool zero", "FillCheck", "0", "false");
    row("bool word", "GenAutoHide", "true", "true");
    // Colours are stored as numbers with alpha in the top byte: 0x80ff0000,
    // 0x00ffffff.
    row("half-transparent red", "FrameColor", "2164195328", "2164195328");
    row("transparent white", "FillColor", "16777215", "16777215");
    row("garbage colour is black with alpha 0", "FontColor", "blue", "0");
    // Nothing stored: the highlighter's colour is yellow, Hide's blocks 12.
    row("missing highlighter colour", "HighlighterColor", "", "4294967040");
    row("missing Hide block size", "HideBlockSize", "", "12");
}

void TestAppConfig::storedTextLoads()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QString, loaded);
    // Written as text, the way a hand-edited or damaged INI file holds it.
    if (!stored.isEmpty())
        QSettings().setValue(key, stored);
    AppConfig.load();
    QCOMPARE(TestSupport::settingsAsText(AppConfig).value(key), loaded);
}

// A file full of bytes QSettings cannot parse is written all the same: the
// save says so, and the record reads back.
void TestAppConfig::junkInTheFileIsNoWriteFailure()
{
    const QString file = QSettings().fileName();
    for (quint32 seed = 1; seed <= 5; ++seed) {
        QRandomGenerator random(seed);
        QByteArray junk(400, Qt::Uninitialized);
        for (char& c : junk)
            c = char(random.bounded(256));
        TestSupport::storeSettings(TestSupport::unusualSettings());
        AppConfig.load();
        QFile damaged(file);
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(junk) == junk.size());
        damaged.close();
        const ConfigSaveResult saved = AppConfig.save();
        QVERIFY2(saved.ok, qPrintable(QStringLiteral("seed %1: %2").arg(seed).arg(saved.error)));
        CAppConfig loaded;
        loaded.load();
        QCOMPARE(TestSupport::settingsAsText(loaded), TestSupport::settingsAsText(AppConfig));
    }
    // A file that cannot be written still fails, junk or not.
    QFile::remove(file);
    QVERIFY(QDir().mkpath(file));
    QVERIFY(!AppConfig.save().ok);
    QVERIFY(QDir(file).removeRecursively());
}

// Texts no sound setting holds (a megabyte of name) load as the default,
// and load() says which.
void TestAppConfig::textsTooLongAreRefused()
{
    QSettings store;
    store.setValue(QStringLiteral("SnapshotFileName"), QString(1 << 20, QLatin1Char('a')));
    store.setValue(QStringLiteral("SnapshotFileNameExt"), QString(256, QLatin1Char('e')));
    store.setValue(QStringLiteral("SnapshotFilePath"), QStringLiteral("/") + QString(5000, QLatin1Char('p')));
    store.setValue(QStringLiteral("LastOpenFileName"), QStringLiteral("/kept/last.png"));
    store.sync();
    const QStringList problems = AppConfig.load();
    const CAppConfig defaults = CAppConfig::defaults();
    QCOMPARE(AppConfig.SnapshotFileName, defaults.SnapshotFileName);
    QCOMPARE(AppConfig.SnapshotFileNameExt, defaults.SnapshotFileNameExt);
    QCOMPARE(AppConfig.SnapshotFilePath, defaults.SnapshotFilePath);
    QCOMPARE(AppConfig.LastOpenFileName, QStringLiteral("/kept/last.png"));
    QCOMPARE(problems.size(), 3);
    QVERIFY2(problems.join(QLatin1Char('\n'))
                 .contains(QStringLiteral("SnapshotFileName is 1048576 characters long")),
             qPrintable(problems.join(QLatin1Char('\n'))));
}

void TestAppConfig::sessionStartsTheProgram_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("spaces") << "a user/My Programs";
    QTest::newRow("quotes, dollar, backslash and backtick") << "it's \"new\"/$HOME/back\\slash/`tick`";
    QTest::newRow("non-ASCII") << "Bildschirmfotos für Jörg";
}

// The entry is started as a desktop session starts it (GLib's launcher):
// the program that runs is the one the entry names, whatever its path.
void TestAppConfig::sessionStartsTheProgram()
{
    QFETCH(QString, folder);
    const QString path = autoRunEntryPath();
    QVERIFY(path.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/autostart/")));
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
    gio.start(QStringLiteral("gio"), {QStringLiteral("launch"), path});
    QVERIFY(gio.waitForFinished(10000));
    QVERIFY2(gio.exitCode() == 0, gio.readAllStandardError().constData());
    QTRY_VERIFY(QFileInfo(ran).size() > 0);
    QFile result(ran);
    QVERIFY(result.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(result.readAll()), program);

    QVERIFY(applyAutoRun(false));
    QVERIFY(!QFile::exists(path));
    QVERIFY(applyAutoRun(false)); // removing an absent entry is no failure

    // A '%' is written "%%" (a single one starts a field code), though GLib
    // then refuses to launch it: it looks for the program first.
    QVERIFY(applyAutoRun(true, QStringLiteral("/opt/100% sure/vireoscape")));
    QFile entry(path);
    QVERIFY(entry.open(QIODevice::ReadOnly));
    QVERIFY(entry.readAll().contains("\nExec=\"/opt/100%% sure/vireoscape\"\n"));
}

QTEST_GUILESS_MAIN(TestAppConfig)
#include "tst_appconfig.moc"
