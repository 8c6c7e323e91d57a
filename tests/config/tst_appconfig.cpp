#include "app/Startup.h"
#include "config/AppConfig.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QSettings>
#include <QtTest>

// Every test works on the INI store of the test's own temporary home.
class TestAppConfig : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void saveThenLoadGivesTheSameRecord();
    void qualityRule_data();
    void qualityRule();
    void coloursKeepTheirAlpha_data();
    void coloursKeepTheirAlpha();
    void garbageValues_data();
    void garbageValues();

private:
    QString storePath() const;
    void writeRaw(const QString& key, const QString& value);
};

void TestAppConfig::initTestCase()
{
    setApplicationIdentity();
    QVERIFY2(QDir::homePath() != QDir::rootPath(), "tests need their own home");
}

void TestAppConfig::init()
{
    QFile::remove(storePath());
    AppConfig = CAppConfig();
}

QString TestAppConfig::storePath() const
{
    return QSettings().fileName();
}

void TestAppConfig::writeRaw(const QString& key, const QString& value)
{
    // Written as text, the way a hand-edited or damaged INI file holds it.
    QSettings store;
    store.setValue(key, value);
    store.sync();
}

void TestAppConfig::saveThenLoadGivesTheSameRecord()
{
    AppConfig = TestSupport::unusualSettings();
    AppConfig.ShortcutShowMainWnd = QString();
    AppConfig.ImageQuality = 0;
    const QMap<QString, QString> saved = TestSupport::settingsAsText(AppConfig);
    AppConfig.save();

    AppConfig = CAppConfig();
    AppConfig.load();
    QCOMPARE(TestSupport::settingsAsText(AppConfig), saved);
    QCOMPARE(saved.size(), 26);
}

void TestAppConfig::qualityRule_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("loaded");
    QTest::newRow("101 is out of range") << "101" << 50;
    QTest::newRow("negative is out of range") << "-1" << 50;
    QTest::newRow("most negative") << "-2147483648" << 50;
    QTest::newRow("0 is kept") << "0" << 0;
    QTest::newRow("100 is kept") << "100" << 100;
    QTest::newRow("29 is kept") << "29" << 29;
    QTest::newRow("not a number loads as 0") << "high" << 0;
}

void TestAppConfig::qualityRule()
{
    QFETCH(QString, stored);
    QFETCH(int, loaded);
    writeRaw(QStringLiteral("ImageQuality"), stored);
    AppConfig.load();
    QCOMPARE(AppConfig.ImageQuality, loaded);
}

void TestAppConfig::coloursKeepTheirAlpha_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("opaque red") << QString::number(0xffff0000u) << QColor(255, 0, 0, 255);
    QTest::newRow("half-transparent red") << QString::number(0x80ff0000u) << QColor(255, 0, 0, 128);
    QTest::newRow("transparent white") << QString::number(0x00ffffffu) << QColor(255, 255, 255, 0);
    QTest::newRow("garbage is black with alpha 0") << "blue" << QColor(0, 0, 0, 0);
}

void TestAppConfig::coloursKeepTheirAlpha()
{
    QFETCH(QString, stored);
    QFETCH(QColor, expected);
    for (const char* key : {"FontColor", "FrameColor", "FillColor"})
        writeRaw(QLatin1String(key), stored);
    AppConfig.load();
    QCOMPARE(AppConfig.FontColor.rgba(), expected.rgba());
    QCOMPARE(AppConfig.FrameColor.rgba(), expected.rgba());
    QCOMPARE(AppConfig.FillColor.rgba(), expected.rgba());

    // And back: the stored number carries alpha in its top byte.
    AppConfig.save();
    QCOMPARE(QSettings().value(QStringLiteral("FillColor")).toUInt(), expected.rgba());
}

void TestAppConfig::garbageValues_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QVariant>("loaded");
    QTest::newRow("word for an integer") << "IntervalSnap" << "soon" << QVariant(0);
    QTest::newRow("float for an integer") << "FontSize" << "12.5" << QVariant(0);
    QTest::newRow("out-of-range number") << "FrameWidth" << "99999999999" << QVariant(0);
    QTest::newRow("action kept as stored") << "GenActionAfterFinish" << "7" << QVariant(7);
    QTest::newRow("bool false") << "GenAutoHide" << "false" << QVariant(false);
    QTest::newRow("bool true") << "GenAutoHide" << "true" << QVariant(true);
    QTest::newRow("bool zero") << "FillCheck" << "0" << QVariant(false);
}

void TestAppConfig::garbageValues()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QVariant, loaded);
    writeRaw(key, stored);
    AppConfig.load();
    bool found = false;
    CAppConfig::visit(AppConfig, [&](const char* k, const auto& field, const auto&) {
        if (key != QLatin1String(k))
            return;
        found = true;
        if constexpr (std::is_same_v<std::decay_t<decltype(field)>, int>)
            QCOMPARE(field, loaded.toInt());
        else if constexpr (std::is_same_v<std::decay_t<decltype(field)>, bool>)
            QCOMPARE(field, loaded.toBool());
    });
    QVERIFY(found);
}

QTEST_GUILESS_MAIN(TestAppConfig)
#include "tst_appconfig.moc"
