#include "app/Startup.h"
#include "config/AppConfig.h"
#include "output/PictureFiles.h"
#include "output/PngWriter.h"
#include "output/SafeFile.h"
#include "platform/LargeImage.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <QtTest>

#include <csignal>
#include <png.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

// Picture files: their names, formats and write failures, and the fast PNG
// writer's files.
namespace {

// A desktop picture as finishing hands it over: a pattern, with a margin of
// transparent pixels (outside the desktop) and a few half-transparent ones
// whose colour channels must survive as they are.
QImage withTransparency(const QSize& size)
{
    QImage image = TestSupport::makeTestPattern(size, 3).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (x < 3 || y >= image.height() - 2)
                line[x] = 0;
            else if ((x + y) % 7 == 0)
                line[x] = (line[x] & 0x00ffffffu) | (quint32((x * 13 + y) & 0xff) << 24);
        }
    }
    return image;
}

// The file as libpng reads it, strictly: a wrong chunk or zlib checksum,
// missing or extra data fail the read (Qt's reader lets a wrong zlib
// checksum pass). Straight 8-bit BGRA: QImage's ARGB32 in memory.
QImage strictlyDecoded(const QByteArray& png, bool* withAlpha)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.constData(), size_t(png.size())))
        return QImage();
    *withAlpha = image.format & PNG_FORMAT_FLAG_ALPHA;
    image.format = PNG_FORMAT_BGRA;
    QImage decoded(int(image.width), int(image.height), QImage::Format_ARGB32);
    const bool read =
        png_image_finish_read(&image, nullptr, decoded.bits(), int(decoded.bytesPerLine()), nullptr);
    if (!read || image.warning_or_error) {
        qWarning("libpng: %s", image.message);
        return QImage();
    }
    return decoded;
}

// The types of a PNG file's chunks, in order.
QByteArrayList chunkTypes(const QByteArray& png)
{
    QByteArrayList types;
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + at);
        types << png.mid(at + 4, 4);
        at += 12 + qsizetype(length);
    }
    return types;
}

} // namespace

class TestPictureFiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void expandFileName_data();
    void expandFileName();
    void takenNamesAreSkipped();
    void namesStayInTheFolder_data();
    void namesStayInTheFolder();
    void pictureAppearsOnlyWhenComplete();
    void staleTemporaryFilesGo();
    void nameChoosesTheFormat_data();
    void nameChoosesTheFormat();
    void replacingWriteKeepsTheOldFileOnFailure();
    void pngDecodesToTheImage_data();
    void pngDecodesToTheImage();
    void qualityReachesTheFile_data();
    void qualityReachesTheFile();
    void largePageImageHoldsItsPixels();

private:
    const QImage m_picture = TestSupport::makeTestPattern(QSize(37, 23));
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

void TestPictureFiles::expandFileName_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("expanded");
    const QDateTime morning(QDate(2024, 2, 3), QTime(9, 5, 7));
    QTest::newRow("default pattern, no leading zeros")
        << "Snapshot_%Y_%M_%D_%h_%m_%s" << morning << "Snapshot_2024_2_3_9_5_7";
    QTest::newRow("two digits stay two")
        << "%D-%M %h:%m:%s" << QDateTime(QDate(2024, 11, 19), QTime(23, 59, 0)) << "19-11 23:59:0";
    QTest::newRow("double percent then year") << "%%%Y" << morning << "%2024";
    // Other letters (case matters) are no field; the percent sign goes.
    QTest::newRow("no field") << "100%x_%y_%H_ä%" << morning << "100x_y_H_ä";
    // A name, never a path (see namesStayInTheFolder): "%/" is no field either.
    QTest::newRow("percent slash") << "%/x" << morning << "_x";
}

void TestPictureFiles::expandFileName()
{
    QFETCH(QString, pattern);
    QFETCH(QDateTime, when);
    QFETCH(QString, expanded);
    QCOMPARE(::expandFileName(pattern, when), expanded);
}

void TestPictureFiles::takenNamesAreSkipped()
{
    AppConfig.SnapshotFileName = QStringLiteral("same");
    const QDir dir(m_dir->path());
    const auto name = [&dir](int n) {
        return dir.filePath(n ? QStringLiteral("same_%1.png").arg(n) : QStringLiteral("same.png"));
    };
    // A file and a dangling symbolic link take the first two names; neither is
    // written, nor written through.
    QFile file(name(0));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("precious") == 8);
    file.close();
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone/same.png")), name(1)));
    SaveResult result = saveImageToFile(m_picture);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.fileName, name(2));
    QVERIFY(!dir.exists(QStringLiteral("gone")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), "precious");

    // Every suffix taken: the save fails and says so.
    for (int n = 3; n <= kLastNameSuffix; ++n)
        QVERIFY(QFile(name(n)).open(QIODevice::WriteOnly));
    result = saveImageToFile(m_picture);
    QVERIFY(!result.ok);
    for (const QString& part : {QStringLiteral("same.png"), QStringLiteral("taken"),
                                QStringLiteral("same_%1.png").arg(kLastNameSuffix)})
        QVERIFY2(result.error.contains(part), qPrintable(result.error));
}

// Hand-edited settings that name another place: the picture goes into the
// folder all the same, under the name with "_" for what cannot be in one.
void TestPictureFiles::namesStayInTheFolder_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QString>("written");
    const auto row = [](const char* name, const QString& pattern, const char* ext, const char* written) {
        QTest::newRow(name) << pattern << QString(ext) << QString(written);
    };
    row("parent folder", "../up", ".png", ".._up.png");
    row("absolute name", "/tmp/abs", ".png", "_tmp_abs.png");
    row("extension with a path", "x", "/../y.png", "x_.._y.png");
    row("NUL and newline in the name", QStringLiteral("a%1b\nc").arg(QChar(0)), ".png", "a_b_c.png");
}

void TestPictureFiles::namesStayInTheFolder()
{
    QFETCH(QString, pattern);
    QFETCH(QString, ext);
    QFETCH(QString, written);
    const QString folder = m_dir->filePath(QStringLiteral("in"));
    QVERIFY(QDir().mkpath(folder));
    AppConfig.SnapshotFilePath = folder;
    AppConfig.SnapshotFileName = pattern;
    AppConfig.SnapshotFileNameExt = ext;
    const SaveResult result = saveImageToFile(m_picture);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.fileName, QDir(folder).filePath(written));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{written});
    // Nothing beside the folder.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("in")});
}

// Until the picture is complete no file has its name: a kill meanwhile
// leaves no empty or partial picture. The name is chosen when it is given,
// so a name taken meanwhile is skipped, and the taker's file kept.
void TestPictureFiles::pictureAppearsOnlyWhenComplete()
{
    AppConfig.SnapshotFileName = QStringLiteral("same");
    const QDir dir(m_dir->path());
    PictureFile file;
    const SaveResult created = createPictureFile(m_picture, &file);
    QVERIFY2(created.ok, qPrintable(created.error));
    QCOMPARE(created.fileName, dir.filePath(QStringLiteral("same.png")));
    QCOMPARE(dir.entryList(QDir::Files), QStringList());
    const QStringList hidden = dir.entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(hidden.size(), 1);
    QVERIFY2(CSafeFile::isTemporaryName(hidden.first()), qPrintable(hidden.first()));

    QFile taker(dir.filePath(QStringLiteral("same.png")));
    QVERIFY(taker.open(QIODevice::NewOnly) && taker.write("mine") == 4);
    taker.close();
    const SaveResult filled = fillPictureFile(&file, m_picture);
    QVERIFY2(filled.ok, qPrintable(filled.error));
    QCOMPARE(filled.fileName, dir.filePath(QStringLiteral("same_1.png")));
    QCOMPARE(dir.entryList(QDir::Files | QDir::Hidden),
             (QStringList{QStringLiteral("same.png"), QStringLiteral("same_1.png")}));
    QCOMPARE(TestSupport::differingPixels(QImage(filled.fileName), m_picture), qint64(0));
    QVERIFY(taker.open(QIODevice::ReadOnly));
    QCOMPARE(taker.readAll(), "mine");

    // A write that fails leaves nothing, hidden or not.
    PictureFile failing;
    QVERIFY(createPictureFile(m_picture, &failing).ok);
    const SaveResult failed = fillPictureFile(&failing, QImage());
    QVERIFY(!failed.ok);
    QCOMPARE(dir.entryList(QDir::Files | QDir::Hidden).size(), 2);
}

// Hidden files of writers that died go at the next start; those of running
// writers, of other machines, and anything else stay.
void TestPictureFiles::staleTemporaryFilesGo()
{
    const QDir dir(m_dir->path());
    const auto put = [&dir](const QString& name) {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::NewOnly) && file.write("partial") == 7;
    };
    // A process id that is no longer in use, and one that is.
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    QVERIFY(dead > 0 && ::waitpid(dead, nullptr, 0) == dead);
    QProcess running;
    running.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    QVERIFY(running.waitForStarted());
    const QString host = QSysInfo::machineHostName();
    const QString ofDead = QStringLiteral(".vireoscape-%1-%2-0badf00d.tmp").arg(host).arg(dead);
    const QString ofRunning =
        QStringLiteral(".vireoscape-%1-%2-0badf00d.tmp").arg(host).arg(running.processId());
    const QString ofOtherHost = QStringLiteral(".vireoscape-elsewhere-%1-0badf00d.tmp").arg(dead);
    for (const QString& name : {ofDead, ofRunning, ofOtherHost, QStringLiteral(".vireoscape-notes.tmp")})
        QVERIFY(put(name));
    // One of a writer of this very process, being written now.
    PictureFile writing;
    QVERIFY(createPictureFile(m_picture, &writing).ok);
    const QStringList before = dir.entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(before.size(), 5);
    QCOMPARE(removeStaleTemporaryFiles(dir.path()), 1);
    QStringList after = before;
    after.removeOne(ofDead);
    QCOMPARE(dir.entryList(QDir::Files | QDir::Hidden), after);
    running.kill();
    running.waitForFinished();
    QVERIFY(fillPictureFile(&writing, m_picture).ok);
}

void TestPictureFiles::nameChoosesTheFormat_data()
{
    QTest::addColumn<QString>("folder"); // in the temporary one
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format"); // what the content is; empty: the save fails
    QTest::addColumn<QString>("reason");
    const auto row = [](const char* name, const char* folder, const char* file, const char* format,
                        const char* reason) {
        QTest::newRow(name) << QString(folder) << QString(file) << QByteArray(format) << QString(reason);
    };
    row("upper-case JPG is JPEG", "", "a.JPG", "jpeg", "");
    row("empty pattern names the file .png", "", ".png", "png", "");
    row("missing folder: made", "no/such/dir", "x.png", "png", "");
    row("format nobody writes", "", "x.gif", "", "unsupported");
}

void TestPictureFiles::nameChoosesTheFormat()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(QString, reason);
    AppConfig.SnapshotFilePath = m_dir->filePath(folder);
    AppConfig.SnapshotFileName = name.section(QLatin1Char('.'), 0, 0);
    AppConfig.SnapshotFileNameExt = QLatin1Char('.') + name.section(QLatin1Char('.'), 1);
    const SaveResult result = saveImageToFile(m_picture);
    QCOMPARE(result.ok, !format.isEmpty());
    QVERIFY2(result.error.contains(reason, Qt::CaseInsensitive), qPrintable(result.error));
    QVERIFY(result.fileName.endsWith(QLatin1Char('/') + name));
    // The content decides, not the name; nothing half-written is left behind.
    QCOMPARE(QImageReader(result.fileName).format(), format);
    QCOMPARE(QFileInfo(result.fileName).dir().entryList(QDir::Files | QDir::Hidden).size(),
             result.ok ? 1 : 0);
}

// A replacing write replaces; a refused or failing one leaves the file as it was.
void TestPictureFiles::replacingWriteKeepsTheOldFileOnFailure()
{
    const QString target = m_dir->filePath(QStringLiteral("chosen.png"));
    const QImage other = TestSupport::makeTestPattern(QSize(5, 5));
    QVERIFY(writeImageFile(m_picture, target, "PNG", 80, true).ok);
    QVERIFY(writeImageFile(other, target, "PNG", 80, true).ok);
    QVERIFY(!writeImageFile(m_picture, target, "PNG", 80, false).ok); // without replace: refused
    QVERIFY(!writeImageFile(m_picture, target, "NOPE", 80, true).ok); // an unknown format
    QCOMPARE(TestSupport::differingPixels(QImage(target), other), 0);
}

void TestPictureFiles::pngDecodesToTheImage_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<int>("filter");
    QTest::addColumn<int>("bands");
    QTest::addColumn<int>("level");

    const QImage opaque = TestSupport::makeTestPattern(QSize(640, 480), 1);
    const QImage transparent = withTransparency(QSize(640, 480));
    for (int filter = 0; filter <= 2; ++filter) {
        for (int bands : {1, 3, 0}) {
            const QByteArray tag = "f" + QByteArray::number(filter) + " b" + QByteArray::number(bands);
            QTest::newRow("opaque " + tag) << opaque << filter << bands << 1;
            QTest::newRow("transparent " + tag) << transparent << filter << bands << 1;
        }
    }
    // As many bands as cores, on machines of 2 to 16 cores; 64 rows at least each.
    const QImage tall = withTransparency(QSize(301, 1100));
    for (int bands : {2, 4, 5, 8, 16, 17, 40})
        QTest::addRow("%d bands", bands) << tall << 2 << bands << 1;
    QTest::newRow("opaque stored") << opaque << 2 << 2 << 0;
    QTest::newRow("transparent level 9") << transparent << 1 << 2 << 9;
    QTest::newRow("premultiplied source")
        << transparent.convertToFormat(QImage::Format_ARGB32_Premultiplied) << 2 << 0 << 1;
    // An opaque picture in a format with alpha; one pixel of alpha 254 keeps the alpha channel.
    QImage nearlyOpaque = opaque.convertToFormat(QImage::Format_ARGB32);
    QTest::newRow("opaque with alpha channel") << nearlyOpaque << 1 << 2 << 1;
    nearlyOpaque.setPixel(639, 479, qRgba(10, 20, 30, 254));
    QTest::newRow("last pixel not opaque") << nearlyOpaque << 1 << 2 << 1;
    for (const QSize size : {QSize(333, 200), QSize(1, 257), QSize(1001, 1), QSize(1, 1), QSize(7680, 4320)})
        QTest::addRow("%dx%d", size.width(), size.height()) << withTransparency(size) << 2 << 0 << 1;
    QTest::newRow("odd width 7, rgb") << TestSupport::makeTestPattern(QSize(7, 301), 5) << 2 << 3 << 1;
}

// The very pixels, all four channels, as Qt and as libpng read them; RGB
// when every pixel is opaque, else RGBA.
void TestPictureFiles::pngDecodesToTheImage()
{
    QFETCH(QImage, image);
    QFETCH(int, filter);
    QFETCH(int, bands);
    QFETCH(int, level);
    PngWriter::Options options;
    options.filter = PngWriter::Filter(filter);
    options.bands = bands;
    options.level = level;
    const QByteArray png = PngWriter::encode(image, options);
    const QImage straight = image.convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(TestSupport::differingPixels(QImage::fromData(png, "PNG"), straight), qint64(0));
    bool withAlpha = false;
    const QImage strict = strictlyDecoded(png, &withAlpha);
    QCOMPARE(strict.size(), image.size());
    QCOMPARE(TestSupport::differingPixels(strict, straight), qint64(0));
    bool opaque = true;
    for (int y = 0; y < straight.height() && opaque; ++y)
        for (int x = 0; x < straight.width() && opaque; ++x)
            opaque = qAlpha(straight.pixel(x, y)) == 255;
    QCOMPARE(withAlpha, !opaque);
    // One data chunk per band (as many as asked, or as cores, but of 64 rows
    // at least), between the zlib header's and the checksum's.
    const int wanted = bands > 0 ? bands : QThread::idealThreadCount();
    const int used = std::max(1, std::min(wanted, image.height() / 64));
    QByteArrayList expected{"IHDR"};
    for (int i = 0; i < used + 2; ++i)
        expected << "IDAT";
    expected << "IEND";
    QCOMPARE(chunkTypes(png), expected);
}

void TestPictureFiles::qualityReachesTheFile_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<int>("quality");
    QTest::addColumn<int>("level"); // of the fast PNG writer; -1: Qt's writer at that quality
    QTest::newRow("JPEG 30") << ".jpg" << 30 << -1;
    QTest::newRow("JPEG 95") << ".jpg" << 95 << -1;
    // Qt's writer takes (100 - quality) * 9 / 91 as its zlib level; where
    // that is 1 or 0 the fast writer makes the file.
    QTest::newRow("PNG 79") << ".png" << 79 << -1;
    QTest::newRow("PNG 80") << ".png" << 80 << 1;
    QTest::newRow("PNG 89") << ".png" << 89 << 1;
    QTest::newRow("PNG 90") << ".png" << 90 << 0;
    QTest::newRow("PNG 100") << ".png" << 100 << 0;
}

// The quality of the settings reaches the saved file.
void TestPictureFiles::qualityReachesTheFile()
{
    QFETCH(QString, extension);
    QFETCH(int, quality);
    QFETCH(int, level);
    const QImage picture = withTransparency(QSize(400, 300));
    AppConfig.SnapshotFileNameExt = extension;
    AppConfig.ImageQuality = quality;
    const SaveResult saved = saveImageToFile(picture);
    QVERIFY2(saved.ok, qPrintable(saved.error));
    QFile file(saved.fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray expected;
    if (level >= 0) {
        PngWriter::Options options;
        options.level = level;
        expected = PngWriter::encode(picture, options);
    } else {
        QBuffer buffer(&expected);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QImageWriter writer(&buffer, extension.mid(1).toLatin1());
        writer.setQuality(quality);
        QVERIFY(writer.write(picture));
    }
    QCOMPARE(file.readAll(), expected);
    if (level == 0) // stored: larger than the pixels themselves
        QVERIFY(file.size() > picture.width() * picture.height() * 4);
}

// A desktop-sized picture in memory of its own mapping (odd width: rows padded)
// holds what is painted into it, and encodes to it.
void TestPictureFiles::largePageImageHoldsItsPixels()
{
    const QImage source = withTransparency(QSize(2501, 1203));
    QImage large = newLargeImage(source.size(), QImage::Format_ARGB32);
    QCOMPARE(large.size(), source.size());
    QPainter painter(&large);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, source);
    painter.end();
    QCOMPARE(TestSupport::differingPixels(large, source), qint64(0));
    const QImage back = QImage::fromData(PngWriter::encode(large), "PNG");
    QCOMPARE(TestSupport::differingPixels(back, source), qint64(0));
}

QTEST_MAIN(TestPictureFiles)
#include "tst_picturefiles.moc"
