// Copy text, Pin and Hide's text buttons in a snapshot on a real X server.
#include "annotate/DrawObjectItem.h"
#include "annotate/SnapshotEdit.h"
#include "annotate/SnapshotProp.h"
#include "annotate/ToolState.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "ocr/TextRecognizer.h"
#include "support/TestSupport.h"

#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QUndoStack>
#include <QtTest>

using namespace TestSupport;

class TestCopyText : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void copyTextThenPaste();
    void pinEndsTheSnapshotOnly();
    void emptyPickIsTheDesktop();
    void hidePersonalData();

private:
    std::unique_ptr<CDrawView> openSnapshot();
    QImage m_desktop;
    QList<QRect> m_private, m_public; // the ink of the mail's personal data, and of the rest
};

namespace {

const QStringList kLines{QStringLiteral("Segmentation fault in module render"),
                         QStringLiteral("Core dumped after signal eleven")};

// What xclip pastes, read while this loop serves the clipboard.
QString paste()
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    if (!xclip.waitForStarted(5000))
        return QStringLiteral("(no xclip)");
    QElapsedTimer clock;
    clock.start();
    while (xclip.state() != QProcess::NotRunning && clock.elapsed() < 10000)
        QTest::qWait(20);
    return QString::fromUtf8(xclip.readAllStandardOutput());
}

// A mail window: personal data after the other text of its line.
const QRect kMail(640, 320, 600, 232);
const QColor kPaper(255, 255, 255);
const QList<QPair<QString, QString>> kMailLines{
    {QStringLiteral("From: Anna Berg"), QStringLiteral("<anna.berg@example.org>")},
    {QStringLiteral("Phone:"), QStringLiteral("+49 30 1234 5678")},
    {QStringLiteral("Please send the report by Friday"), QString()},
    {QStringLiteral("Card"), QStringLiteral("4111 1111 1111 1111")},
    {QStringLiteral("Server"), QStringLiteral("192.168.1.20")},
    {QStringLiteral("PIN="), QStringLiteral("4711")}, // stuck to its label
};

QRect inkIn(const QImage& picture, const QRect& area)
{
    QRect ink;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (picture.pixel(x, y) != kPaper.rgba())
                ink |= QRect(x, y, 1, 1);
    return ink;
}

// The picture with the pixels in (or outside) a region made transparent.
QImage masked(QImage picture, const QRegion& region, bool inside)
{
    picture = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (region.contains(QPoint(x, y)) == inside)
                picture.setPixel(x, y, 0);
    return picture;
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
    painter.drawText(QPoint(210, 500), QStringLiteral("Outside the picked area"));
    painter.fillRect(kMail, kPaper);
    painter.setPen(QColor(30, 30, 30));
    font.setFamily(QStringLiteral("DejaVu Sans"));
    painter.setFont(font);
    const QFontMetrics metrics(font);
    QList<QRect> rest, personal;
    for (int i = 0; i < kMailLines.size(); ++i) {
        const QPoint origin(kMail.left() + 20, kMail.top() + 40 + 32 * i);
        const auto& [text, data] = kMailLines.at(i);
        const int dataLeft = metrics.horizontalAdvance(text.endsWith('=') ? text : text + QLatin1Char(' '));
        painter.drawText(origin, text);
        painter.drawText(origin + QPoint(dataLeft, 0), data);
        const int top = origin.y() - metrics.ascent();
        rest << QRect(origin.x(), top, metrics.horizontalAdvance(text), metrics.height());
        if (!data.isEmpty())
            personal << QRect(origin.x() + dataLeft, top, metrics.horizontalAdvance(data), metrics.height());
    }
    painter.end();
    for (const QRect& area : std::as_const(rest))
        m_public << inkIn(m_desktop, area);
    for (const QRect& area : std::as_const(personal))
        m_private << inkIn(m_desktop, area);
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
    QCOMPARE(paste(), QStringLiteral("kept"));
    QCOMPARE(QDir(AppConfig.SnapshotFilePath).entryList(QDir::Files), filesBefore);
}

// A click with no window under it picks nothing: as OK puts out the whole
// desktop then, Copy text reads it and Pin pins it.
void TestCopyText::emptyPickIsTheDesktop()
{
    auto view = std::make_unique<CDrawView>(QPixmap::fromImage(m_desktop), nullptr);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    view->activateWindow();
    QTest::qWait(200);
    runXdotool(QStringLiteral("mousemove 400 700 click 1"));
    CSGraphicsScene* scene = view->snapshotScene();
    QTRY_VERIFY(scene->isPicked());
    QVERIFY(!scene->hasPick());
    QCOMPARE(scene->renderedArea(), m_desktop.rect());
    if (CTextRecognizer::whatIsMissing(AppConfig.SnapshotTextLanguage).isEmpty()) {
        QSignalSpy copied(view.get(), &CDrawView::textCopied);
        runXdotool(QStringLiteral("key ctrl+shift+c"));
        QTRY_VERIFY_WITH_TIMEOUT(copied.count() == 1, 30000);
        const QString text = paste();
        QVERIFY2(text.contains(kLines.at(0)) && text.contains(QStringLiteral("Outside the picked area")),
                 qPrintable(text));
    }
    QSignalSpy pinned(view.get(), &CDrawView::pinned);
    runXdotool(QStringLiteral("key ctrl+p"));
    QTRY_COMPARE(pinned.count(), 1);
    QCOMPARE(pinned.at(0).at(1).toRect(), m_desktop.rect());
    QCOMPARE(differingPixels(pinned.at(0).at(0).value<QImage>(), m_desktop), 0);
    QTRY_VERIFY(!view->isVisible());
}

// Hide personal data, then Hide all text: the marks cover what they should
// and nothing else, show nothing of what is under them, go with one undo.
void TestCopyText::hidePersonalData()
{
    if (!CTextRecognizer::whatIsMissing(AppConfig.SnapshotTextLanguage).isEmpty())
        QSKIP(qPrintable(CTextRecognizer::whatIsMissing(AppConfig.SnapshotTextLanguage)));
    std::unique_ptr<CDrawView> view = openSnapshot();
    QVERIFY(view);
    CSGraphicsScene* scene = view->snapshotScene();
    QTRY_VERIFY(scene->hasPick());
    dragWithMouse(kMail.topLeft(), kMail.topLeft() + QPoint(kMail.width(), kMail.height()));
    QTRY_COMPARE(scene->renderedArea(), kMail);
    runXdotool(QStringLiteral("key h"));
    QTRY_COMPARE(scene->drawMode(), DrawMode::Hide);
    CSnapshotProp* strip = view->editDialog()->propDialog();
    QTRY_VERIFY(strip->hidePersonalButton()->isVisible());
    QVERIFY(strip->hideTextButton()->isVisible());
    QVERIFY(strip->hidePersonalButton()->isEnabled());
    QSignalSpy hidden(view.get(), &CDrawView::textHidden);
    const auto covered = [scene](QList<QRect>* areas = nullptr) {
        QRegion region;
        for (CDrawObjectItem* mark : scene->marks()) {
            const QRect area = mark->item()->mapRectToScene(mark->state().rect).toRect();
            region += area;
            if (areas)
                *areas << area;
            if (mark->kind() != DrawMode::Hide)
                return QRegion();
        }
        return region;
    };

    QTest::mouseClick(strip->hidePersonalButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(hidden.count() == 1, 30000);
    QCOMPARE(hidden.at(0).at(0).toInt(), int(m_private.size()));
    QCOMPARE(view->noticeText(), QStringLiteral("Hid %1 items").arg(m_private.size()));
    // Not under the strips, which lie below the pick.
    const QLabel* notice = view->findChild<QLabel*>(QStringLiteral("notice"));
    const QRect noticePlace(notice->mapToGlobal(QPoint(0, 0)), notice->size());
    for (const QWidget* below : {static_cast<QWidget*>(view->editDialog()), static_cast<QWidget*>(strip)})
        QVERIFY(below->isVisible() && !below->frameGeometry().intersects(noticePlace));
    QList<QRect> areas;
    const QRegion personal = covered(&areas);
    for (const QRect& ink : std::as_const(m_private))
        QVERIFY2((QRegion(ink) - personal).isEmpty(),
                 qPrintable(QStringLiteral("%1,%2").arg(ink.x()).arg(ink.y())));
    for (const QRect& ink : std::as_const(m_public))
        QVERIFY2(!personal.intersects(ink), qPrintable(QStringLiteral("%1,%2").arg(ink.x()).arg(ink.y())));
    // Outside the marks the picture is the screen, all four channels.
    const QImage picture = scene->renderSelection().convertToFormat(QImage::Format_ARGB32);
    const QRegion inPicture = personal.translated(-kMail.topLeft());
    QCOMPARE(
        differingPixels(masked(picture, inPicture, true), masked(m_desktop.copy(kMail), inPicture, true)), 0);
    // Other addresses and numbers under the same marks: the same picture.
    QImage other = m_desktop;
    {
        QPainter painter(&other);
        painter.setPen(QColor(200, 20, 20));
        for (const QRect& ink : std::as_const(m_private)) {
            painter.fillRect(ink, kPaper);
            painter.drawText(ink, Qt::AlignCenter, QStringLiteral("otto.kurz@example.net 0170 9876543"));
        }
    }
    CDrawView otherView(QPixmap::fromImage(other), nullptr);
    CSGraphicsScene* otherScene = otherView.snapshotScene();
    otherScene->toolState()->setLook(scene->look());
    otherScene->pick().setRect(QRectF(kMail));
    otherScene->addHideMarks(areas);
    QVERIFY(differingPixels(masked(other.copy(kMail), inPicture, false),
                            masked(m_desktop.copy(kMail), inPicture, false)) > 0);
    QCOMPARE(differingPixels(otherScene->renderSelection().convertToFormat(QImage::Format_ARGB32), picture),
             0);

    // Each mark deletes on its own; one undo takes them all back.
    scene->selectMark(scene->marks().first());
    scene->deleteSelectedMark();
    QCOMPARE(scene->marks().size(), m_private.size() - 1);
    scene->undo();
    QCOMPARE(scene->marks().size(), m_private.size());
    scene->undo();
    QVERIFY(scene->marks().isEmpty());

    // Every line.
    strip->hideTextButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(hidden.count() == 2, 30000);
    QCOMPARE(hidden.at(1).at(0).toInt(), int(kMailLines.size()));
    QCOMPARE(view->noticeText(), QStringLiteral("Hid %1 lines").arg(kMailLines.size()));
    const QRegion lines = covered();
    for (const QRect& ink : m_private + m_public)
        QVERIFY2((QRegion(ink) - lines).isEmpty(),
                 qPrintable(QStringLiteral("%1,%2").arg(ink.x()).arg(ink.y())));
    scene->undo();
    QVERIFY(scene->marks().isEmpty());
    QCOMPARE(scene->undoStack()->index(), 0);
}

QTEST_MAIN(TestCopyText)
#include "tst_copytext.moc"
