#include "QuietPlatform.h"
#include "annotate/DrawTextItem.h"
#include "annotate/SnapshotEdit.h"
#include "app/Startup.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "output/FinishedPicture.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGraphicsRectItem>
#include <QImageReader>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

// Runs `answer` on the next modal dialog that opens, from inside its loop.
class DialogAnswerer : public QObject
{
public:
    explicit DialogAnswerer(std::function<void(QWidget*)> answer) : m_answer(std::move(answer))
    {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                m_timer.stop();
                seen << modal->windowTitle();
                m_answer(modal);
            }
        });
        m_timer.start();
    }
    QStringList seen;

private:
    std::function<void(QWidget*)> m_answer;
    QTimer m_timer;
};

// Types the name into the file dialog, as a user would, and accepts it.
void chooseFile(QWidget* w, const QString& path)
{
    auto* dialog = qobject_cast<QFileDialog*>(w);
    QVERIFY(dialog);
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(path);
    static_cast<QDialog*>(dialog)->accept();
}

QString messageText(QWidget* w)
{
    auto* box = qobject_cast<QMessageBox*>(w);
    return box ? box->text() : QString();
}

} // namespace

class TestRenderSelection : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void picture_data();
    void picture();
    void marksAtTheirScenePosition();
    void textMarkAtItsScenePosition();
    void finishFlags_data();
    void finishFlags();
    void failedFileKeepsSnapshotOpen();
    void finishWithoutDestinationsAsks();
    void savePictureFormats_data();
    void savePictureFormats();
    void savePictureAsksBeforeReplacing();

private:
    QImage m_pattern;
    CDrawView* m_view = nullptr;
    CSGraphicsScene* m_scene = nullptr;
    QTemporaryDir m_dir;
};

void TestRenderSelection::initTestCase()
{
    quietOffscreenWarnings();
    initVireoscapeResources();
    setApplicationIdentity();
    m_pattern = TestSupport::makeTestPattern(QSize(640, 480), 7);
    QVERIFY(m_dir.isValid());
}

void TestRenderSelection::init()
{
    AppConfig = CAppConfig::defaults();
    AppConfig.SnapshotFilePath = m_dir.path();
    QDir(m_dir.path()).removeRecursively();
    QDir().mkpath(m_dir.path());
    m_view = new CDrawView(QPixmap::fromImage(m_pattern), nullptr);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view));
    m_scene = m_view->snapshotScene();
}

void TestRenderSelection::cleanup()
{
    delete m_view;
    m_view = nullptr;
}

void TestRenderSelection::picture_data()
{
    QTest::addColumn<QRectF>("selection");
    QTest::addColumn<QRect>("expected"); // the part of the desktop, in picture coordinates
    QTest::addColumn<QSize>("size");
    QTest::newRow("inside the desktop")
        << QRectF(100, 50, 200, 120) << QRect(0, 0, 200, 120) << QSize(200, 120);
    QTest::newRow("fractions truncate")
        << QRectF(100.7, 50.2, 200.9, 120.5) << QRect(0, 0, 200, 120) << QSize(200, 120);
    QTest::newRow("past the top left corner")
        << QRectF(-10, -5, 50, 40) << QRect(10, 5, 40, 35) << QSize(50, 40);
    QTest::newRow("past the bottom right corner")
        << QRectF(600, 450, 60, 50) << QRect(0, 0, 40, 30) << QSize(60, 50);
    QTest::newRow("nothing selected: the whole desktop")
        << QRectF(0, 0, 0, 0) << QRect(0, 0, 640, 480) << QSize(640, 480);
}

// Exactly the desktop's pixels: no veil, outline, label or crosshair, even
// with the pointer inside the selection and the crosshair on.
void TestRenderSelection::picture()
{
    QFETCH(QRectF, selection);
    QFETCH(QRect, expected);
    QFETCH(QSize, size);
    CSGraphicsPixmapItem* background = m_scene->backgroundItem();
    background->setSelectionRect(selection);
    background->setCursorPos(selection.center() + QPointF(3, 3));
    background->setCrosshairVisible(true);

    const QImage picture = m_scene->renderSelection();
    QCOMPARE(picture.size(), size);
    const QPoint origin(int(selection.x()), int(selection.y()));
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QRgb got = picture.pixel(x, y);
            if (expected.contains(x, y)) {
                const QRgb want = m_pattern.pixel(origin + QPoint(x, y));
                if ((got | 0xff000000) != want || qAlpha(got) != 255)
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs from the desktop").arg(x).arg(y)));
            } else if (qAlpha(got) != 0) {
                QFAIL(qPrintable(
                    QStringLiteral("pixel %1,%2 outside the desktop is not transparent").arg(x).arg(y)));
            }
        }
    }
    // The on-screen overlay is untouched by rendering.
    QVERIFY(background->crosshairVisible());
}

void TestRenderSelection::marksAtTheirScenePosition()
{
    m_scene->backgroundItem()->setSelectionRect(QRectF(100, 100, 200, 100));
    auto* moved = m_scene->addRect(QRectF(0, 0, 20, 10), Qt::NoPen, QBrush(Qt::red));
    moved->setPos(150, 120); // as if dragged with Select
    auto* cut = m_scene->addRect(QRectF(280, 180, 40, 40), Qt::NoPen, QBrush(Qt::blue));
    auto* hidden = m_scene->addRect(QRectF(110, 110, 10, 10), Qt::NoPen, QBrush(Qt::green));
    hidden->hide();
    Q_UNUSED(cut);

    const QImage picture = m_scene->renderSelection();
    QCOMPARE(picture.pixelColor(50, 20), QColor(Qt::red));
    QCOMPARE(picture.pixelColor(69, 29), QColor(Qt::red));
    QVERIFY(picture.pixelColor(71, 20) != QColor(Qt::red));
    QVERIFY(picture.pixelColor(49, 20) != QColor(Qt::red));
    // Cut at the selection's edges.
    QCOMPARE(picture.pixelColor(199, 99), QColor(Qt::blue));
    QCOMPARE(picture.pixelColor(180, 80), QColor(Qt::blue));
    QVERIFY(picture.pixelColor(12, 12) != QColor(Qt::green));
}

// A text mark being typed, moved from where it was created: its text shows
// where the user sees it, without the editor's caret or frame around it.
void TestRenderSelection::textMarkAtItsScenePosition()
{
    const QPoint origin(100, 100);
    m_scene->backgroundItem()->setSelectionRect(QRectF(origin, QSizeF(300, 200)));
    const QImage before = m_scene->renderSelection();

    auto* text = new CDrawTextItem;
    m_scene->addItem(text);
    text->shadow = false;
    QFont font(QStringLiteral("DejaVu Sans"), 20);
    QVERIFY(!QFontInfo(font).family().isEmpty());
    text->setFont(font);
    text->setDefaultTextColor(Qt::black);
    text->setPlainText(QStringLiteral("Mark"));
    text->setPos(130, 140);
    text->setPos(150, 160);
    text->setTextInteractionFlags(Qt::TextEditorInteraction);
    text->setFocus();
    m_view->viewport()->repaint();

    const QImage after = m_scene->renderSelection();
    const QRect box = text->mapRectToScene(text->boundingRect()).toAlignedRect().translated(-origin);
    int inside = 0;
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
            if (after.pixel(x, y) == before.pixel(x, y))
                continue;
            if (!box.contains(x, y))
                QFAIL(qPrintable(QStringLiteral("mark pixel at %1,%2 outside its box").arg(x).arg(y)));
            ++inside;
        }
    }
    QVERIFY2(inside > 50, qPrintable(QString::number(inside)));
    // The text starts near the box's left edge, not at the item's first position.
    int left = after.width();
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (after.pixel(x, y) != before.pixel(x, y))
                left = qMin(left, x);
    QVERIFY2(left - box.left() < 15, qPrintable(QString::number(left - box.left())));
}

void TestRenderSelection::finishFlags_data()
{
    QTest::addColumn<bool>("clipboard");
    QTest::addColumn<bool>("file");
    QTest::newRow("clipboard and file") << true << true;
    QTest::newRow("clipboard only") << true << false;
    QTest::newRow("file only") << false << true;
}

void TestRenderSelection::finishFlags()
{
    QFETCH(bool, clipboard);
    QFETCH(bool, file);
    AppConfig.CopyToClipboardAfterFinish = clipboard;
    AppConfig.SaveToFileAfterFinish = file;
    AppConfig.SnapshotFileName = QStringLiteral("pick");
    QGuiApplication::clipboard()->clear();
    const QRectF selection(30, 40, 100, 60);
    m_scene->backgroundItem()->setSelectionRect(selection);
    const QImage expected = m_pattern.copy(selection.toRect());

    DialogAnswerer unexpected([](QWidget* w) { w->close(); });
    m_view->editDialog()->OnBtnOk();
    QVERIFY2(unexpected.seen.isEmpty(), qPrintable(unexpected.seen.join(QLatin1Char(','))));
    QVERIFY(!m_view->isVisible());

    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.isNull(), !clipboard);
    if (clipboard)
        QCOMPARE(TestSupport::differingPixels(copied, expected), qint64(0));
    const QString written = QDir(m_dir.path()).filePath(QStringLiteral("pick.png"));
    waitForPictureFiles(); // written in the background
    QCOMPARE(QFileInfo::exists(written), file);
    if (file)
        QCOMPARE(TestSupport::differingPixels(QImage(written), expected), qint64(0));
}

void TestRenderSelection::failedFileKeepsSnapshotOpen()
{
    AppConfig.CopyToClipboardAfterFinish = false;
    AppConfig.SaveToFileAfterFinish = true;
    AppConfig.SnapshotFilePath = QDir(m_dir.path()).filePath(QStringLiteral("missing/dir"));
    m_scene->backgroundItem()->setSelectionRect(QRectF(30, 40, 100, 60));
    m_view->placeEditDialog(QRectF(30, 40, 100, 60));

    QString text;
    DialogAnswerer answer([&text](QWidget* w) {
        text = messageText(w);
        w->close();
    });
    m_view->editDialog()->OnBtnOk();
    QCOMPARE(answer.seen, QStringList{QStringLiteral("Error")});
    QVERIFY2(text.contains(QStringLiteral("missing/dir/Snapshot_")), qPrintable(text));
    QVERIFY(m_view->isVisible());
    QVERIFY(m_view->editDialog()->isVisible());
}

void TestRenderSelection::finishWithoutDestinationsAsks()
{
    AppConfig.CopyToClipboardAfterFinish = false;
    AppConfig.SaveToFileAfterFinish = false;
    bool isFileDialog = false;
    DialogAnswerer answer([&isFileDialog](QWidget* w) {
        isFileDialog = qobject_cast<QFileDialog*>(w) != nullptr;
        static_cast<QDialog*>(w)->reject();
    });
    m_view->editDialog()->OnBtnOk();
    QVERIFY(isFileDialog);
    QCOMPARE(answer.seen, QStringList{QStringLiteral("Save")});
    // Cancelled: nothing is lost, the snapshot goes on.
    QVERIFY(m_view->isVisible());
}

void TestRenderSelection::savePictureFormats_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format"); // empty: refused
    QTest::newRow("png") << QStringLiteral("a.png") << QByteArray("png");
    QTest::newRow("suffix case is ignored") << QStringLiteral("b.Png") << QByteArray("png");
    QTest::newRow("jpg") << QStringLiteral("c.jpg") << QByteArray("jpeg");
    QTest::newRow("jpeg") << QStringLiteral("d.JPEG") << QByteArray("jpeg");
    QTest::newRow("bmp") << QStringLiteral("e.bmp") << QByteArray("bmp");
    QTest::newRow("xbm") << QStringLiteral("f.xbm") << QByteArray("xbm");
    QTest::newRow("tif is refused") << QStringLiteral("g.tif") << QByteArray();
    QTest::newRow("no suffix is refused") << QStringLiteral("h") << QByteArray();
}

void TestRenderSelection::savePictureFormats()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    m_scene->backgroundItem()->setSelectionRect(QRectF(30, 40, 100, 60));
    const QString path = QDir(m_dir.path()).filePath(name);
    QString boxText;
    DialogAnswerer fileDialog([&path](QWidget* w) { chooseFile(w, path); });
    std::unique_ptr<DialogAnswerer> box;
    if (format.isEmpty()) {
        QTimer::singleShot(0, this, [&box, &boxText] {
            box.reset(new DialogAnswerer([&boxText](QWidget* w) {
                boxText = messageText(w);
                w->close();
            }));
        });
    }
    m_view->savePicture();
    QVERIFY(m_view->isVisible()); // saving never ends the snapshot
    if (format.isEmpty()) {
        QVERIFY(box);
        QCOMPARE(box->seen, QStringList{QStringLiteral("Unsupportted Format")});
        QCOMPARE(boxText, QStringLiteral("Unsupportted Image Format"));
        QVERIFY(!QFileInfo::exists(path));
    } else {
        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        QCOMPARE(reader.format(), format);
        QCOMPARE(reader.size(), QSize(100, 60));
    }
}

void TestRenderSelection::savePictureAsksBeforeReplacing()
{
    m_scene->backgroundItem()->setSelectionRect(QRectF(30, 40, 100, 60));
    const QString path = QDir(m_dir.path()).filePath(QStringLiteral("old.png"));
    QImage old(7, 7, QImage::Format_RGB32);
    old.fill(Qt::yellow);
    QVERIFY(old.save(path));

    for (const auto button : {QMessageBox::No, QMessageBox::Yes}) {
        DialogAnswerer fileDialog([&path](QWidget* w) { chooseFile(w, path); });
        std::unique_ptr<DialogAnswerer> ask;
        QTimer::singleShot(0, this, [&ask, button] {
            ask.reset(new DialogAnswerer([button](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                box->button(button)->click();
            }));
        });
        m_view->savePicture();
        QVERIFY(ask);
        QCOMPARE(ask->seen.size(), 1);
        QCOMPARE(QImage(path).size(), button == QMessageBox::No ? QSize(7, 7) : QSize(100, 60));
    }
}

QTEST_MAIN(TestRenderSelection)
#include "tst_renderselection.moc"
