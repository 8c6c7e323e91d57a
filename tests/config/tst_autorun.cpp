#include "app/Startup.h"
#include "config/AppConfig.h"
#include "config/AutoRun.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QtTest>

namespace {

// Reads the Exec= line back the way a desktop session does: first the
// string escapes of the file format, then the quoting rules of Exec.
QStringList parseExec(const QString& value)
{
    QString unescaped;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar n = value.at(++i);
            unescaped += n == QLatin1Char('s') ? QChar(QLatin1Char(' ')) : n;
        } else {
            unescaped += value.at(i);
        }
    }
    QStringList args;
    QString current;
    bool inQuotes = false, have = false;
    for (qsizetype i = 0; i < unescaped.size(); ++i) {
        const QChar c = unescaped.at(i);
        if (inQuotes) {
            if (c == QLatin1Char('\\') && i + 1 < unescaped.size())
                current += unescaped.at(++i);
            else if (c == QLatin1Char('%') && i + 1 < unescaped.size() && unescaped.at(i + 1) == QLatin1Char('%'))
                current += unescaped.at(++i);
            else if (c == QLatin1Char('"'))
                inQuotes = false;
            else
                current += c;
        } else if (c == QLatin1Char('"')) {
            inQuotes = have = true;
        } else if (c == QLatin1Char(' ')) {
            if (have)
                args << current;
            current.clear();
            have = false;
        } else if (c == QLatin1Char('%') && i + 1 < unescaped.size() && unescaped.at(i + 1) == QLatin1Char('%')) {
            current += c;
            ++i;
            have = true;
        } else {
            current += c;
            have = true;
        }
    }
    if (have)
        args << current;
    return args;
}

QString execLine(const QString& entryPath)
{
    QFile file(entryPath);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("Exec=")))
            return line.mid(5);
    }
    return QString();
}

} // namespace

class TestAutoRun : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void entryFollowsTheSetting();
    void entryPointsAtTheExecutable_data();
    void entryPointsAtTheExecutable();
    void otherEntriesAreNeverTouched();
    void loadAndSaveBringTheEntryInLine();
    void quotedPathStartsTheProgram();
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

void TestAutoRun::entryPointsAtTheExecutable_data()
{
    QTest::addColumn<QString>("executable");
    QTest::newRow("plain path") << "/usr/bin/vireoscape";
    QTest::newRow("spaces") << "/home/a user/My Programs/vireoscape";
    QTest::newRow("quotes and dollar") << "/opt/it's \"new\"/$HOME/vireoscape";
    QTest::newRow("backslash and backtick") << "/opt/back\\slash/`tick`/vireoscape";
    QTest::newRow("percent sign") << "/opt/100%/vireoscape";
    QTest::newRow("non-ASCII") << "/opt/Bildschirmfotos für Jörg/vireoscape";
}

void TestAutoRun::entryPointsAtTheExecutable()
{
    QFETCH(QString, executable);
    QVERIFY(applyAutoRun(true, executable));
    QCOMPARE(parseExec(execLine(autoRunEntryPath())), QStringList{executable});
}

void TestAutoRun::otherEntriesAreNeverTouched()
{
    const QString dir = QFileInfo(autoRunEntryPath()).absolutePath();
    QVERIFY(QDir().mkpath(dir));
    QFile other(dir + QStringLiteral("/other.desktop"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("[Desktop Entry]\nExec=other\n");
    other.close();

    QVERIFY(applyAutoRun(true));
    QVERIFY(applyAutoRun(false));
    QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("other.desktop")});
    QVERIFY(other.open(QIODevice::ReadOnly));
    QCOMPARE(other.readAll(), QByteArray("[Desktop Entry]\nExec=other\n"));
}

void TestAutoRun::loadAndSaveBringTheEntryInLine()
{
    AppConfig.load(); // first run: GenAutoRun defaults to true
    QVERIFY(QFile::exists(autoRunEntryPath()));
    QCOMPARE(parseExec(execLine(autoRunEntryPath())), QStringList{QCoreApplication::applicationFilePath()});

    AppConfig.GenAutoRun = false;
    AppConfig.save();
    QVERIFY(!QFile::exists(autoRunEntryPath()));

    QSettings().setValue(QStringLiteral("GenAutoRun"), true);
    AppConfig.load();
    QVERIFY(QFile::exists(autoRunEntryPath()));
}

void TestAutoRun::quotedPathStartsTheProgram()
{
    // A real program under a directory name with spaces, started from the
    // entry's Exec line as a session would start it.
    const QString dir = QDir::tempPath() + QStringLiteral("/dir with spaces");
    QVERIFY(QDir().mkpath(dir));
    const QString script = dir + QStringLiteral("/start me");
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\necho started\n");
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));

    QVERIFY(applyAutoRun(true, script));
    const QStringList args = parseExec(execLine(autoRunEntryPath()));
    QCOMPARE(args.size(), 1);
    QProcess process;
    process.start(args.first(), {});
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.readAllStandardOutput(), QByteArray("started\n"));
}

QTEST_GUILESS_MAIN(TestAutoRun)
#include "tst_autorun.moc"
