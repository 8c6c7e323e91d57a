// Finishing with the file written in the background: one encoding for the
// file and the clipboard, and a write that fails after the snapshot ended is
// still reported, with the picture kept.
#include "QuietPlatform.h"
#include "annotate/SnapshotEdit.h"
#include "app/Startup.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "output/FinishedPicture.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMessageBox>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

class TestFinishOutput : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void fileAndClipboardShareOneEncoding();
    void lateWriteFailureIsReported_data();
    void lateWriteFailureIsReported();

private:
    QImage m_pattern;
    CDrawView* m_view = nullptr;
    QTemporaryDir m_dir;
};

void TestFinishOutput::initTestCase()
{
    quietOffscreenWarnings();
    initVireoscapeResources();
    setApplicationIdentity();
    // A pattern with detail everywhere, so its PNG runs to some kilobytes.
    m_pattern = TestSupport::makeTestPattern(QSize(640, 480), 11);
    QVERIFY(m_dir.isValid());
}

void TestFinishOutput::init()
{
    AppConfig = CAppConfig::defaults();
    AppConfig.SnapshotFilePath = m_dir.path();
    AppConfig.SnapshotFileName = QStringLiteral("pick");
    QDir(m_dir.path()).removeRecursively();
    QDir().mkpath(m_dir.path());
    QGuiApplication::clipboard()->clear();
    m_view = new CDrawView(QPixmap::fromImage(m_pattern), nullptr);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view));
}

void TestFinishOutput::cleanup()
{
    waitForPictureFiles();
    delete m_view;
    m_view = nullptr;
}

void TestFinishOutput::fileAndClipboardShareOneEncoding()
{
    AppConfig.CopyToClipboardAfterFinish = true;
    AppConfig.SaveToFileAfterFinish = true;
    // Past the desktop's corner: the picture has transparent pixels.
    const QRectF selection(600, 400, 100, 120);
    m_view->snapshotScene()->backgroundItem()->setSelectionRect(selection);
    const QImage expected = m_view->snapshotScene()->renderSelection();
    QVERIFY(expected.pixel(99, 119) == 0);

    m_view->editDialog()->OnBtnOk();
    QVERIFY(!m_view->isVisible()); // the snapshot ends before the file is complete
    waitForPictureFiles();

    QFile file(QDir(m_dir.path()).filePath(QStringLiteral("pick.png")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    QCOMPARE(TestSupport::differingPixels(QImage::fromData(written, "PNG"), expected), qint64(0));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QVERIFY(data);
    QCOMPARE(data->data(QStringLiteral("image/png")), written);
    QCOMPARE(TestSupport::differingPixels(QGuiApplication::clipboard()->image(), expected), qint64(0));
}

void TestFinishOutput::lateWriteFailureIsReported_data()
{
    QTest::addColumn<bool>("clipboard");
    QTest::newRow("file only") << false;
    QTest::newRow("clipboard and file") << true;
}

void TestFinishOutput::lateWriteFailureIsReported()
{
    QFETCH(bool, clipboard);
    AppConfig.CopyToClipboardAfterFinish = clipboard;
    AppConfig.SaveToFileAfterFinish = true;
    const QRectF selection(20, 30, 400, 300);
    m_view->snapshotScene()->backgroundItem()->setSelectionRect(selection);
    const QImage expected = m_pattern.copy(selection.toRect());

    // The name is free and the file can be created, but no more than 100
    // bytes can go into it: the write fails once the snapshot has ended.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 100;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);

    QStringList titles;
    QString text;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            titles << box->windowTitle();
            text = box->text();
            box->close();
        }
    });
    poll.start(20);
    m_view->editDialog()->OnBtnOk();
    const bool endedAtOnce = !m_view->isVisible();
    QTRY_VERIFY_WITH_TIMEOUT(!titles.isEmpty(), 10000);
    setrlimit(RLIMIT_FSIZE, &old);
    QVERIFY(endedAtOnce);

    QCOMPARE(titles, QStringList{QStringLiteral("Error")});
    const QString name = QDir(m_dir.path()).filePath(QStringLiteral("pick.png"));
    QVERIFY2(text.contains(name) && text.contains(QString::fromLocal8Bit(strerror(EFBIG))), qPrintable(text));
    QVERIFY2(!QFileInfo::exists(name), "a truncated file was left behind");
    // Nothing is lost: the picture is on the clipboard, copied or not.
    QCOMPARE(TestSupport::differingPixels(QGuiApplication::clipboard()->image(), expected), qint64(0));
}

QTEST_MAIN(TestFinishOutput)
#include "tst_finishoutput.moc"
