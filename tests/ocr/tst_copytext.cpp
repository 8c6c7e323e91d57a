// Copy text and Pin as a user runs them in a snapshot on a real X server:
// drag a pick over text, press the keys, paste with xclip.
#include "capture/DrawView.h"
#include "annotate/SnapshotEdit.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "ocr/TextRecognizer.h"
#include "support/TestSupport.h"

#include <QClipboard>
#include <QDir>
#include <QPainter>
#include <QPushButton>
#include <QProcess>
#include <QtTest>

using namespace TestSupport;

class TestCopyText : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void copyTextThenPaste();
    void pinEndsTheSnapshotOnly();

private:
    std::unique_ptr<CDrawView> openSnapshot();
    QImage m_desktop;
};

namespace {

const QStringList kLines{QStringLiteral("Segmentation fault in module render"),
                         QStringLiteral("Core dumped after signal eleven")};

// What xclip pastes from the clipboard, read while our loop serves it.
QString paste()
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    if (!xclip.waitForStarted(5000))
        return QStringLiteral("(no xclip)");
    QElapsedTimer clock;
    clock.start();
    while (xclip.state() != QProcess::NotRunning && clock.elapsed() < 10000)
        QTest::qWait(20);
    return QString::fromUtf8(xclip.readAllStandardOutput());
}

} // namespace

void TestCopyText::initTestCase()
{
    AppConfig = CAppConfig::defaults();
    AppConfig.SnapshotTextLanguage = QStringLiteral("eng");
    m_desktop = QImage(1280, 800, QImage::Format_ARGB32);
    m_desktop.fill(QColor(40, 44, 52));
    QPainter painter(&m_desktop);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(15);
    painter.setFont(font);
    painter.setPen(QColor(220, 220, 220));
    painter.drawText(QPoint(210, 230), kLines.at(0));
    painter.drawText(QPoint(210, 256), kLines.at(1));
    // Text outside the pick is not read.
    painter.drawText(QPoint(210, 500), QStringLiteral("Outside the picked area"));
}

std::unique_ptr<CDrawView> TestCopyText::openSnapshot()
{
    auto view = std::make_unique<CDrawView>(QPixmap::fromImage(m_desktop), nullptr);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get()))
        return nullptr;
    view->activateWindow();
    QTest::qWait(200);
    dragWithMouse(QPoint(190, 200), QPoint(620, 275));
    return view;
}

void TestCopyText::copyTextThenPaste()
{
    if (!CTextRecognizer::whatIsMissing(AppConfig.SnapshotTextLanguage).isEmpty())
        QSKIP(qPrintable(CTextRecognizer::whatIsMissing(AppConfig.SnapshotTextLanguage)));
    std::unique_ptr<CDrawView> view = openSnapshot();
    QVERIFY(view);
    QTRY_VERIFY(view->snapshotScene()->hasPick());
    QCOMPARE(view->snapshotScene()->renderedArea(), QRect(190, 200, 430, 75));
    QVERIFY(view->editDialog()->copyTextButton()->isEnabled());
    QSignalSpy copied(view.get(), &CDrawView::textCopied);
    QSignalSpy finished(view.get(), &CDrawView::finished);
    runXdotool(QStringLiteral("key ctrl+shift+c"));
    QTRY_VERIFY_WITH_TIMEOUT(copied.count() == 1, 30000);
    QCOMPARE(copied.at(0).at(0).toInt(), 2);
    QCOMPARE(view->noticeText(), QStringLiteral("Copied 2 lines"));
    QCOMPARE(paste(), kLines.join(QLatin1Char('\n')));
    // The snapshot goes on.
    QVERIFY(view->isVisible());
    QCOMPARE(finished.count(), 0);
    // Again from the strip's button, over an area without text.
    view->snapshotScene()->pick().setRect(QRectF(700, 600, 200, 100));
    view->editDialog()->copyTextButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(copied.count() == 2, 30000);
    QCOMPARE(copied.at(1).at(0).toInt(), 0);
    QCOMPARE(view->noticeText(), QStringLiteral("No text found"));
    QCOMPARE(paste(), kLines.join(QLatin1Char('\n'))); // the clipboard kept
}

void TestCopyText::pinEndsTheSnapshotOnly()
{
    AppConfig.CopyToClipboardAfterFinish = true;
    AppConfig.SaveToFileAfterFinish = true;
    AppConfig.GenActionAfterFinish = 0;
    std::unique_ptr<CDrawView> view = openSnapshot();
    QVERIFY(view);
    QTRY_VERIFY(view->snapshotScene()->hasPick());
    const QImage expected = view->snapshotScene()->renderSelection();
    QSignalSpy pinned(view.get(), &CDrawView::pinned);
    QSignalSpy finished(view.get(), &CDrawView::finished);
    const QStringList filesBefore = QDir(AppConfig.SnapshotFilePath).entryList(QDir::Files);
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    runXdotool(QStringLiteral("key ctrl+p"));
    QTRY_COMPARE(pinned.count(), 1);
    QCOMPARE(pinned.at(0).at(1).toRect(), QRect(190, 200, 430, 75));
    QCOMPARE(differingPixels(pinned.at(0).at(0).value<QImage>(), expected), 0);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).value<AfterFinish>(), AfterFinish::HideToTray);
    QTRY_VERIFY(!view->isVisible());
    // Neither the clipboard nor the snapshot folder took the picture.
    QCOMPARE(paste(), QStringLiteral("kept"));
    QCOMPARE(QDir(AppConfig.SnapshotFilePath).entryList(QDir::Files), filesBefore);
}

QTEST_MAIN(TestCopyText)
#include "tst_copytext.moc"
