// The portal path: one output's part of the layout's picture, failures, the
// file an answer names, and `-s` against a fake Screenshot portal.
#include "app/Startup.h"
#include "config/AppConfig.h"
#include "output/PngWriter.h"
#include "platform/DesktopSource.h"
#include "platform/PortalPicture.h"
#include "platform/PortalRequest.h"
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QImageReader>
#include <QUrl>
#include <QtTest>

#include <csignal>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

using namespace TestSupport;

namespace {

// This program run with --fake-portal: every Screenshot request is answered
// with VS_FAKE_URI, after copying VS_FAKE_COPY there.
class FakeScreenshotPortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
public slots:
    QDBusObjectPath Screenshot(const QString&, const QVariantMap& options, const QDBusMessage& call)
    {
        const QString sender = call.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
        const QDBusObjectPath path(
            QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                .arg(sender, options.value(QStringLiteral("handle_token")).toString()));
        const QString uri = qEnvironmentVariable("VS_FAKE_URI");
        const QString copy = qEnvironmentVariable("VS_FAKE_COPY");
        QTimer::singleShot(100, this, [path, uri, copy] {
            if (!copy.isEmpty())
                QFile::copy(copy, QUrl(uri).toLocalFile());
            QDBusMessage response = QDBusMessage::createSignal(
                path.path(), QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
            response << 0u << QVariantMap{{QStringLiteral("uri"), uri}};
            QDBusConnection::sessionBus().send(response);
        });
        return path;
    }
};

int runFakePortal(int argc, char** argv)
{
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    QCoreApplication app(argc, argv);
    FakeScreenshotPortal portal;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")))
        return 1;
    return app.exec();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestPortalPieces : public QObject
{
    Q_OBJECT
private slots:
    void outputPicture_data();
    void outputPicture();
    void failureNamesWhatIsMissing_data();
    void failureNamesWhatIsMissing();
    void answeredFile_data();
    void answeredFile();
    void hostileAnswers_data();
    void hostileAnswers();
    void cleanupTestCase();

private:
    QProcess m_bus;
};

void TestPortalPieces::outputPicture_data()
{
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<QRect>("layout"); // of all outputs, logical pixels
    QTest::addColumn<QRect>("output");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QRect>("expectedPart"); // in the layout picture
    // Drawn at the highest scale: a scale-2 output keeps its pixels.
    QTest::newRow("scaled output") << QSize(2000, 800) << QRect(0, 0, 1000, 400) << QRect(640, 0, 360, 300)
                                   << 2.0 << QRect(1280, 0, 720, 600);
    const QRect leftOf(-640, 0, 1000, 400);
    QTest::newRow("output at a negative x")
        << QSize(1000, 400) << leftOf << QRect(-640, 0, 640, 400) << 1.0 << QRect(0, 0, 640, 400);
    QTest::newRow("primary right of it")
        << QSize(1000, 400) << leftOf << QRect(0, 100, 360, 300) << 1.0 << QRect(640, 100, 360, 300);
    // A scale-1 output in a layout drawn at scale 2: its part is halved.
    QTest::newRow("scale 1 below one at negative y")
        << QSize(2000, 1600) << QRect(-200, -400, 1000, 800) << QRect(0, 0, 800, 400) << 1.0
        << QRect(400, 800, 1600, 800);
}

void TestPortalPieces::outputPicture()
{
    QFETCH(QSize, pictureSize);
    QFETCH(QRect, layout);
    QFETCH(QRect, output);
    QFETCH(qreal, ratio);
    QFETCH(QRect, expectedPart);
    const QImage whole = makeTestPattern(pictureSize, 4).convertToFormat(QImage::Format_ARGB32);
    const QImage part = ::outputPicture(whole, layout, output, ratio);
    QCOMPARE(part.devicePixelRatio(), 1.0);
    QImage expected = whole.copy(expectedPart);
    if (expected.size() != output.size() * ratio)
        expected = expected.scaled(output.size() * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QCOMPARE(differingPixels(part, expected), qint64(0));
}

void TestPortalPieces::failureNamesWhatIsMissing_data()
{
    QTest::addColumn<QString>("errorName");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("expected");
    const QString noPortal = QStringLiteral("no screenshot portal is running");
    QTest::newRow("no portal service")
        << "org.freedesktop.DBus.Error.ServiceUnknown" << QString() << noPortal;
    QTest::newRow("portal without a backend")
        << "org.freedesktop.DBus.Error.InvalidArgs"
        << "No such interface \"org.freedesktop.portal.Screenshot\"" << noPortal;
}

void TestPortalPieces::failureNamesWhatIsMissing()
{
    QFETCH(QString, errorName);
    QFETCH(QString, message);
    QFETCH(QString, expected);
    const QString text = describePortalFailure(QStringLiteral("screenshot"), errorName, message);
    QVERIFY2(text.contains(expected), qPrintable(text));
    QVERIFY(!text.contains(QLatin1Char('\n')));
}

void TestPortalPieces::answeredFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("read");     // a picture comes of it
    QTest::addColumn<QString>("error"); // else what the failure says
    QTest::addColumn<bool>("removed");
    QTest::newRow("the portal's picture") << "fresh" << true << QString() << true;
    QTest::newRow("a damaged picture of the portal") << "junk" << false << "cannot be read" << true;
    QTest::newRow("a picture wider than 16384") << "wide" << false << "larger than 16384 x 16384" << true;
    QTest::newRow("a picture older than the request") << "old" << true << QString() << false;
    QTest::newRow("a user's picture elsewhere") << "elsewhere" << true << QString() << false;
    QTest::newRow("a second name of a user's picture") << "hardlink" << true << QString() << false;
    QTest::newRow("a link to a user's picture") << "symlink" << false << "is not a regular file" << false;
    QTest::newRow("a FIFO") << "fifo" << false << "is not a regular file" << false;
    QTest::newRow("nothing") << "missing" << false << "No such file" << false;
}

// What is read, and that only the portal's own file for this request goes.
void TestPortalPieces::answeredFile()
{
    QFETCH(QString, kind);
    QFETCH(bool, read);
    QFETCH(QString, error);
    QFETCH(bool, removed);
    const QImage picture = makeTestPattern(QSize(64, 48), 2);
    const QString portalFolder = QDir::tempPath();
    const QString userFolder = QDir::home().filePath(QStringLiteral("pictures"));
    QVERIFY(QDir().mkpath(userFolder));
    const QString mine = QDir(userFolder).filePath(QStringLiteral("mine.png"));
    QVERIFY(writeFile(mine, PngWriter::encode(picture)));
    const QString answer =
        kind == QLatin1String("elsewhere") ? mine : QDir(portalFolder).filePath(QStringLiteral("shot.png"));
    QFile::remove(answer == mine ? QString() : answer);
    const qint64 asked = QDateTime::currentMSecsSinceEpoch();
    if (kind == QLatin1String("fresh") || kind == QLatin1String("old"))
        QVERIFY(writeFile(answer, PngWriter::encode(picture)));
    if (kind == QLatin1String("old")) {
        const utimbuf hourAgo{::time(nullptr) - 3600, ::time(nullptr) - 3600};
        QCOMPARE(::utime(QFile::encodeName(answer).constData(), &hourAgo), 0);
    }
    if (kind == QLatin1String("junk"))
        QVERIFY(writeFile(answer, QByteArray("\x89PNG\r\n\x1a\nnot quite")));
    if (kind == QLatin1String("wide"))
        QVERIFY(writeFile(answer, PngWriter::encode(makeTestPattern(QSize(kLargestPortalSide + 1, 2)))));
    if (kind == QLatin1String("hardlink"))
        QCOMPARE(::link(QFile::encodeName(mine).constData(), QFile::encodeName(answer).constData()), 0);
    if (kind == QLatin1String("symlink"))
        QVERIFY(QFile::link(mine, answer));
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(answer).constData(), 0600), 0);

    const PortalPicture got = takePortalPicture(answer, portalPictureFolders(), asked);
    QCOMPARE(!got.image.isNull(), read);
    if (read)
        QCOMPARE(differingPixels(got.image, picture), qint64(0));
    else
        QVERIFY2(got.error.contains(error) && got.error.contains(answer), qPrintable(got.error));
    QCOMPARE(got.removed, removed);
    QFileInfo left(answer);
    QCOMPARE(left.exists() || left.isSymLink(), !removed && kind != QLatin1String("missing"));
    QCOMPARE(QImage(mine).size(), picture.size()); // the user's picture is always kept
    QFile::remove(answer == mine ? QString() : answer);
}

void TestPortalPieces::hostileAnswers_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");  // on standard error
    QTest::addColumn<QSize>("written"); // the size of the picture saved
    QTest::newRow("a FIFO") << "fifo" << 1 << "is not a regular file" << QSize();
    QTest::newRow("a user's picture outside the portal's folder")
        << "mine" << 0 << QString() << QSize(64, 48);
    QTest::newRow("an 11520 x 4320 picture of the portal") << "large" << 0 << QString() << QSize(11520, 4320);
    QTest::newRow("a URI that is no file") << "web" << 1 << "https://example.org/shot.png" << QSize();
}

// `-s` against the fake portal: it ends, says what is wrong, deletes only the
// portal's picture and saves a large one whole.
void TestPortalPieces::hostileAnswers()
{
    QFETCH(QString, kind);
    QFETCH(int, status);
    QFETCH(QString, said);
    QFETCH(QSize, written);
    if (m_bus.state() == QProcess::NotRunning)
        QVERIFY2(startSessionBus(m_bus), "dbus-daemon did not start");
    setApplicationIdentity();
    QDir shots(QDir::home().filePath(QStringLiteral("portal-shots")));
    QVERIFY(shots.removeRecursively() && QDir().mkpath(shots.path()));
    AppConfig = CAppConfig::defaults();
    AppConfig.GenAutoRun = false;
    AppConfig.SnapshotFilePath = shots.path();
    QVERIFY(AppConfig.save().ok);

    const QString mine = QDir::home().filePath(QStringLiteral("mine.png"));
    QVERIFY(writeFile(mine, PngWriter::encode(makeTestPattern(QSize(64, 48), 2))));
    const QString fifo = QDir::tempPath() + QStringLiteral("/answer.fifo");
    const QString large = QDir::tempPath() + QStringLiteral("/Screenshot.png");
    QString uri = QStringLiteral("https://example.org/shot.png");
    QString copy;
    if (kind == QLatin1String("fifo")) {
        QFile::remove(fifo);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        uri = QUrl::fromLocalFile(fifo).toString();
    } else if (kind == QLatin1String("mine")) {
        uri = QUrl::fromLocalFile(mine).toString();
    } else if (kind == QLatin1String("large")) {
        QImage flat(11520, 4320, QImage::Format_RGB32);
        flat.fill(qRgb(20, 90, 160));
        copy = QDir::home().filePath(QStringLiteral("large-source.png"));
        QVERIFY(writeFile(copy, PngWriter::encode(flat)));
        uri = QUrl::fromLocalFile(large).toString();
    }
    QProcess portal;
    portal.setProcessChannelMode(QProcess::ForwardedChannels);
    portal.setEnvironment(QProcess::systemEnvironment() << "VS_FAKE_URI=" + uri << "VS_FAKE_COPY=" + copy);
    portal.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--fake-portal")});
    const auto stop = qScopeGuard([&portal] {
        portal.kill();
        portal.waitForFinished(3000);
    });
    QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered(
                                 QStringLiteral("org.freedesktop.portal.Desktop")),
                             10000);

    const ToolResult run = runTool(programPath(), {QStringLiteral("-s")}, 60000, {},
                                   {"XDG_SESSION_TYPE=wayland", "QT_QPA_PLATFORM=offscreen"});
    QVERIFY2(run.exitCode == status, run.err.constData());
    QVERIFY2(said.isEmpty() ? run.err.isEmpty() : run.err.contains(said.toUtf8()), run.err.constData());
    const QStringList pictures = shots.entryList(QDir::Files);
    QCOMPARE(pictures.size(), written.isValid() ? 1 : 0);
    if (written.isValid())
        QCOMPARE(QImageReader(shots.filePath(pictures.first())).size(), written);
    QVERIFY(QFileInfo::exists(mine));
    QCOMPARE(QFileInfo(fifo).exists(), kind == QLatin1String("fifo"));
    QVERIFY(!QFileInfo::exists(large));
    QFile::remove(fifo);
}

void TestPortalPieces::cleanupTestCase()
{
    m_bus.terminate();
    m_bus.waitForFinished(3000);
}

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--fake-portal") == 0)
        return runFakePortal(argc, argv);
    QCoreApplication app(argc, argv);
    TestPortalPieces test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_portalpieces.moc"
