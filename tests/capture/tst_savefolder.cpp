// Where "Save picture" opens and what it remembers, through the dialog as a
// user fills it in.
#include "QuietPlatform.h"
#include "app/Startup.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "output/PictureFiles.h"
#include "support/TestSupport.h"

#include <QFileDialog>
#include <QImageReader>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Answers the next modal dialog: the file dialog with a typed name (empty:
// cancel), a message box by closing it. Records what it saw.
struct Answer
{
    QString startFolder;
    QString startName;
    QStringList titles;
};

void answerDialogs(QTimer* timer, Answer& answer, const QString& typed)
{
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [&answer, typed] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        answer.titles << modal->windowTitle();
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            answer.startFolder = dialog->directory().absolutePath();
            answer.startName = edit ? edit->text() : QString();
            if (typed.isEmpty() || !edit) {
                dialog->reject();
                return;
            }
            edit->setText(typed);
            static_cast<QDialog*>(dialog)->accept();
            return;
        }
        modal->close();
    });
    timer->start();
}

} // namespace

class TestSaveFolder : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void firstTimeInTheSnapshotFolder();
    void remembersTheFolderOfASave();
    void nameWithoutSuffixGetsPng();
    void unknownSuffixIsRefusedAndForgotten();

private:
    QString savePicture(const QString& typed, Answer& answer);
    QTemporaryDir m_dir;
    CDrawView* m_view = nullptr;
};

void TestSaveFolder::initTestCase()
{
    quietOffscreenWarnings();
    initVireoscapeResources();
    setApplicationIdentity();
}

void TestSaveFolder::init()
{
    AppConfig = CAppConfig::defaults();
    AppConfig.SnapshotFilePath = m_dir.filePath(QStringLiteral("shots"));
    QDir().mkpath(AppConfig.SnapshotFilePath);
    m_view = new CDrawView(QPixmap::fromImage(TestSupport::makeTestPattern(QSize(320, 240), 2)), nullptr);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view));
    m_view->snapshotScene()->backgroundItem()->setSelectionRect(QRectF(10, 20, 30, 40));
}

void TestSaveFolder::cleanup()
{
    delete m_view;
    m_view = nullptr;
}

QString TestSaveFolder::savePicture(const QString& typed, Answer& answer)
{
    QTimer timer;
    answerDialogs(&timer, answer, typed);
    m_view->savePicture();
    return AppConfig.LastOpenFileName;
}

void TestSaveFolder::firstTimeInTheSnapshotFolder()
{
    Answer answer;
    QCOMPARE(savePicture(QString(), answer), QString()); // cancelled: nothing remembered
    QCOMPARE(answer.startFolder, QDir(AppConfig.SnapshotFilePath).absolutePath());
    // The name the pattern gives now (the seconds may have moved on).
    const QString expected = expandFileName(AppConfig.SnapshotFileName) + QStringLiteral(".png");
    QCOMPARE(answer.startName.left(answer.startName.lastIndexOf(QLatin1Char('_'))),
             expected.left(expected.lastIndexOf(QLatin1Char('_'))));
    QVERIFY(answer.startName.endsWith(QStringLiteral(".png")));
}

void TestSaveFolder::remembersTheFolderOfASave()
{
    const QString other = m_dir.filePath(QStringLiteral("elsewhere"));
    QDir().mkpath(other);
    Answer first;
    const QString saved = QDir(other).filePath(QStringLiteral("mine.bmp"));
    QCOMPARE(savePicture(saved, first), saved);
    QCOMPARE(QImage(saved).size(), QSize(30, 40));

    Answer second;
    savePicture(QString(), second);
    QCOMPARE(second.startFolder, QDir(other).absolutePath());
    QVERIFY2(second.startName.endsWith(QStringLiteral(".bmp")), qPrintable(second.startName));
    QVERIFY(second.startName != QStringLiteral("mine.bmp")); // never proposes replacing it
    QCOMPARE(AppConfig.LastOpenFileName, saved);
}

void TestSaveFolder::nameWithoutSuffixGetsPng()
{
    Answer answer;
    const QString typed = m_dir.filePath(QStringLiteral("plain"));
    QCOMPARE(savePicture(typed, answer), typed + QStringLiteral(".png"));
    QImageReader reader(typed + QStringLiteral(".png"));
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), QByteArray("png"));
    QVERIFY(!QFileInfo::exists(typed));
}

void TestSaveFolder::unknownSuffixIsRefusedAndForgotten()
{
    Answer answer;
    const QString typed = m_dir.filePath(QStringLiteral("odd.tif"));
    QCOMPARE(savePicture(typed, answer), QString());
    QCOMPARE(answer.titles, (QStringList{QStringLiteral("Save"), QStringLiteral("Unsupportted Format")}));
    QVERIFY(!QFileInfo::exists(typed));
}

QTEST_MAIN(TestSaveFolder)
#include "tst_savefolder.moc"
