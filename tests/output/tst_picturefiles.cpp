#include "output/PictureFiles.h"
#include "app/Startup.h"
#include "config/AppConfig.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

class TestPictureFiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void expandFileName_data();
    void expandFileName();
    void takenNamesAreSkipped_data();
    void takenNamesAreSkipped();
    void extensionChoosesTheFormat_data();
    void extensionChoosesTheFormat();
    void failuresAreReported_data();
    void failuresAreReported();
    void replacingWriteKeepsTheOldFileOnFailure();

private:
    QImage picture() const;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestPictureFiles::initTestCase()
{
    setApplicationIdentity();
}

void TestPictureFiles::init()
{
    AppConfig = CAppConfig::defaults();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    AppConfig.SnapshotFilePath = m_dir->path();
}

QImage TestPictureFiles::picture() const
{
    QImage image(37, 23, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 7, y * 11, (x * y) & 0xff));
    return image;
}

void TestPictureFiles::expandFileName_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("expanded");
    const QDateTime morning(QDate(2024, 2, 3), QTime(9, 5, 7));
    const QDateTime august(QDate(2024, 8, 9), QTime(23, 59, 0));
    QTest::newRow("default pattern, no leading zeros") << "Snapshot_%Y_%M_%D_%h_%m_%s" << morning
                                                       << "Snapshot_2024_2_3_9_5_7";
    QTest::newRow("day month year") << "%D-%M-%Y" << august << "9-8-2024";
    QTest::newRow("two digits stay two") << "%h:%m:%s" << august << "23:59:0";
    QTest::newRow("double percent then year") << "%%%Y" << morning << "%2024";
    QTest::newRow("percent before other letter") << "100%x" << morning << "100x";
    QTest::newRow("lower-case y is no field") << "%y" << morning << "y";
    QTest::newRow("upper-case H is no field") << "%H" << morning << "H";
    QTest::newRow("trailing percent yields nothing") << "shot%" << morning << "shot";
    QTest::newRow("empty pattern") << "" << morning << "";
    QTest::newRow("non-ASCII kept") << "Bild_%D_ä" << morning << "Bild_3_ä";
}

void TestPictureFiles::expandFileName()
{
    QFETCH(QString, pattern);
    QFETCH(QDateTime, when);
    QFETCH(QString, expanded);
    QCOMPARE(::expandFileName(pattern, when), expanded);
}

void TestPictureFiles::takenNamesAreSkipped_data()
{
    QTest::addColumn<bool>("links");    // dangling symbolic links take the names instead of files
    QTest::addColumn<int>("taken");     // how many of same.png, same_1.png, ... are taken
    QTest::addColumn<QString>("saved"); // empty when the save must fail
    QTest::newRow("existing file") << false << 1 << "same_1.png";
    QTest::newRow("dangling symbolic links, never written through") << true << 2 << "same_2.png";
    QTest::newRow("every suffix taken") << false << kLastNameSuffix + 1 << "";
}

void TestPictureFiles::takenNamesAreSkipped()
{
    QFETCH(bool, links);
    QFETCH(int, taken);
    QFETCH(QString, saved);
    AppConfig.SnapshotFileName = QStringLiteral("same");
    const QDir dir(m_dir->path());
    const auto name = [](int n) {
        return n ? QStringLiteral("same_%1.png").arg(n) : QStringLiteral("same.png");
    };
    for (int n = 0; n < taken; ++n) {
        QFile file(dir.filePath(name(n)));
        if (links)
            QVERIFY(file.link(dir.filePath(QStringLiteral("gone/") + name(n)), file.fileName()));
        else
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("precious") == 8);
    }

    const SaveResult result = saveImageToFile(picture());
    if (saved.isEmpty()) {
        QVERIFY(!result.ok);
        for (const QString& part : {name(0), name(kLastNameSuffix), QStringLiteral("taken")})
            QVERIFY2(result.error.contains(part), qPrintable(result.error));
    } else {
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.fileName, dir.filePath(saved));
        QVERIFY(!QImage(result.fileName).isNull());
    }
    // What took the names is as it was.
    QVERIFY(!dir.exists(QStringLiteral("gone")));
    QFile first(dir.filePath(name(0)));
    QCOMPARE(first.open(QIODevice::ReadOnly) ? first.readAll() : QByteArray(),
             links ? QByteArray() : "precious");
}

void TestPictureFiles::extensionChoosesTheFormat_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QByteArray>("readFormat");
    QTest::newRow("upper-case JPG is JPEG") << "a" << ".JPG" << QByteArray("jpeg");
    QTest::newRow("jpeg is JPEG") << "b" << ".jpeg" << QByteArray("jpeg");
    QTest::newRow("bmp") << "c" << ".bmp" << QByteArray("bmp");
    QTest::newRow("xbm") << "d" << ".xbm" << QByteArray("xbm");
    QTest::newRow("ppm, known to the writer by suffix") << "e" << ".ppm" << QByteArray("ppm");
    QTest::newRow("empty pattern names the file .png") << "" << ".png" << QByteArray("png");
}

void TestPictureFiles::extensionChoosesTheFormat()
{
    QFETCH(QString, pattern);
    QFETCH(QString, extension);
    QFETCH(QByteArray, readFormat);
    AppConfig.SnapshotFileName = pattern;
    AppConfig.SnapshotFileNameExt = extension;
    const SaveResult result = saveImageToFile(picture());
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(QFileInfo(result.fileName).fileName(), pattern + extension);
    // The content decides, not the name.
    QCOMPARE(QImageReader(result.fileName).format(), readFormat);
}

void TestPictureFiles::failuresAreReported_data()
{
    QTest::addColumn<QString>("subdir");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing directory") << "no/such/dir" << ".png" << "No such file";
    QTest::newRow("format nobody writes") << "" << ".gif" << "unsupported";
    QTest::newRow("no suffix at all") << "" << "" << "unsupported";
}

void TestPictureFiles::failuresAreReported()
{
    QFETCH(QString, subdir);
    QFETCH(QString, extension);
    QFETCH(QString, reason);
    AppConfig.SnapshotFilePath = m_dir->filePath(subdir);
    AppConfig.SnapshotFileName = QStringLiteral("x");
    AppConfig.SnapshotFileNameExt = extension;
    const SaveResult result = saveImageToFile(picture());
    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains(reason, Qt::CaseInsensitive), qPrintable(result.error));
    QVERIFY(result.fileName.endsWith(QStringLiteral("x") + extension));
    // Nothing half-written is left behind.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList());
}

void TestPictureFiles::replacingWriteKeepsTheOldFileOnFailure()
{
    const QString target = m_dir->filePath(QStringLiteral("chosen.png"));
    QVERIFY(writeImageFile(picture(), target, "PNG", 80, true).ok);
    QImage other(5, 5, QImage::Format_RGB32);
    other.fill(Qt::red);
    QVERIFY(writeImageFile(other, target, "PNG", 80, true).ok);
    QCOMPARE(QImage(target).size(), QSize(5, 5));

    // Without replace, the same name is refused and the file stays.
    const SaveResult refused = writeImageFile(picture(), target, "PNG", 80, false);
    QVERIFY(!refused.ok);
    QCOMPARE(QImage(target).size(), QSize(5, 5));
    // An unknown format fails before the existing file is touched.
    QVERIFY(!writeImageFile(picture(), target, "NOPE", 80, true).ok);
    QCOMPARE(QImage(target).size(), QSize(5, 5));
}

QTEST_MAIN(TestPictureFiles)
#include "tst_picturefiles.moc"
