// One snapshot driven through its scene with synthesized mouse and key
// events, as the capture view hands them on (scene positions in desktop
// pixels): picking a window or an area and adjusting it, the marks the tools
// draw and their handles, undo and redo, the rendered picture, finishing or
// saving it; and the veil over the desktop and where the strips go.
#include "annotate/ColorComboBox.h"
#include "annotate/DrawRectItem.h"
#include "annotate/DrawTextItem.h"
#include "annotate/SnapshotEdit.h"
#include "annotate/SnapshotProp.h"
#include "annotate/StripGeometry.h"
#include "app/Startup.h"
#include "capture/DrawView.h"
#include "capture/EditPlacement.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "output/FinishedPicture.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QClipboard>
#include <QFileDialog>
#include <QGraphicsSceneMouseEvent>
#include <QImageReader>
#include <QImageWriter>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionGraphicsItem>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

using TestSupport::differingPixels;

namespace {

// The offscreen platform warns about every raise() and size hint; those
// lines would bury real warnings.
void quietOffscreenWarnings()
{
    static QtMessageHandler previous = nullptr;
    previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (!message.startsWith(QLatin1String("This plugin does not support")))
                previous(type, context, message);
        });
}

// Two windows, one in front of the other, as the window list would answer.
QRect fakeWindowAt(const QPoint& p, quint32)
{
    for (const QRect& r : {QRect(100, 80, 200, 150), QRect(50, 50, 500, 400)})
        if (r.contains(p))
            return r;
    return QRect();
}

// Answers every modal dialog while it lives: the file dialog with the typed
// name (empty: cancel), a message box by closing it. Records what it saw.
struct Answers : QTimer
{
    QString typed, proposed, text; // proposed: the file dialog's folder and proposed name
    QStringList titles;
    explicit Answers(const QString& name = QString()) : typed(name)
    {
        connect(this, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            titles << modal->windowTitle();
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                text = box->text();
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            auto* edit = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
            if (edit)
                proposed = dialog->directory().absoluteFilePath(edit->text());
            if (edit && !typed.isEmpty()) {
                edit->setText(typed);
                static_cast<QDialog*>(dialog)->accept();
            } else {
                modal->close();
            }
        });
        start(20);
    }
};

// A desktop of one colour, and that colour under the veil.
const QColor kDesktop(40, 90, 200), kVeiled(83, 114, 181);

// Counts the pixels the viewport repaints.
class PaintLog : public QObject
{
public:
    qint64 pixels = 0;
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        if (event->type() == QEvent::Paint)
            for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
                pixels += qint64(r.width()) * r.height();
        return false;
    }
};

} // namespace

class TestScene : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void pick_data();
    void pick();
    void adjustPick_data();
    void adjustPick();
    void picture_data();
    void picture();
    void marksLookAsTheStripShows_data();
    void marksLookAsTheStripShows();
    void undoAndRedoEveryChange();
    void handles();
    void finish_data();
    void finish();
    void failedWrites();
    void saveFolder();
    void labelText();
    void veilAndHole_data();
    void veilAndHole();
    void partialRepaintMatchesFullRepaint();
    void strips();

private:
    // A snapshot of the test's desktop, with the settings as they are now.
    void open();
    void setMode(DrawMode mode) { m_view->editDialog()->setDrawMode(mode); }
    void mouse(QEvent::Type type, const QPointF& pos, Qt::MouseButton button, Qt::MouseButtons held);
    void press(const QPointF& p, Qt::MouseButton b = Qt::LeftButton)
    {
        mouse(QEvent::GraphicsSceneMousePress, p, b, b);
    }
    void move(const QPointF& p, Qt::MouseButtons held = Qt::NoButton)
    {
        mouse(QEvent::GraphicsSceneMouseMove, p, Qt::NoButton, held);
    }
    void release(const QPointF& p, Qt::MouseButton b = Qt::LeftButton)
    {
        mouse(QEvent::GraphicsSceneMouseRelease, p, b, Qt::NoButton);
    }
    void click(const QPointF& p)
    {
        press(p);
        release(p);
    }
    // A move to the start (windows are detected on hover), the press, a move
    // halfway and the release.
    void drag(const QPointF& from, const QPointF& to)
    {
        move(from);
        press(from);
        move((from + to) / 2, Qt::LeftButton);
        move(to, Qt::LeftButton);
        release(to);
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(m_view.get(), Qt::Key(key), modifiers);
    }
    template <class T = CDrawObjectItem> QList<T*> marks() const
    {
        QList<T*> found;
        for (QGraphicsItem* item : m_scene->items(Qt::AscendingOrder))
            if (auto* mark = dynamic_cast<T*>(item))
                found << mark;
        return found;
    }

    QImage m_desktop;
    QTemporaryDir m_dir;
    std::unique_ptr<CDrawView> m_view;
    CSGraphicsScene* m_scene = nullptr;
    CSGraphicsPixmapItem* m_background = nullptr;
};

void TestScene::initTestCase()
{
    quietOffscreenWarnings();
    initVireoscapeResources();
    setApplicationIdentity();
    // Detail everywhere, so that its PNG runs to some kilobytes.
    m_desktop = TestSupport::makeTestPattern(QSize(640, 480), 5);
}

void TestScene::init()
{
    AppConfig = CAppConfig::defaults();
    AppConfig.FrameColor = QColor(Qt::red);
    AppConfig.FillColor = QColor(Qt::blue);
    AppConfig.FontColor = QColor(Qt::black);
    AppConfig.FrameWidth = 3;
    AppConfig.FrameCheck = true;
    AppConfig.Transparent = 100;
    AppConfig.SnapshotShadow = false;
    // A finish writes its picture into the test's own directory.
    AppConfig.CopyToClipboardAfterFinish = false;
    AppConfig.SnapshotFilePath = m_dir.path();
    AppConfig.SnapshotFileName = QStringLiteral("pick");
    QDir(m_dir.path()).removeRecursively();
    QDir().mkpath(m_dir.path());
    QGuiApplication::clipboard()->clear();
}

void TestScene::cleanup()
{
    waitForPictureFiles();
    m_view.reset();
}

void TestScene::open()
{
    m_view = std::make_unique<CDrawView>(QPixmap::fromImage(m_desktop), nullptr);
    m_scene = m_view->snapshotScene();
    m_scene->setWindowFinder(fakeWindowAt);
    m_background = m_scene->backgroundItem();
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
}

void TestScene::mouse(QEvent::Type type, const QPointF& pos, Qt::MouseButton button, Qt::MouseButtons held)
{
    QGraphicsSceneMouseEvent event(type);
    event.setScenePos(pos);
    event.setButton(button);
    event.setButtons(held);
    if (button != Qt::NoButton)
        event.setButtonDownScenePos(button, pos);
    event.setAccepted(false);
    QApplication::sendEvent(m_scene, &event);
}

void TestScene::pick_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QRectF>("selection");
    const QRectF window(100, 80, 200, 150);
    QTest::newRow("click keeps the highlighted window") << Qt::LeftButton << QPointF(120, 90) << window;
    QTest::newRow("right click: no tool strip") << Qt::RightButton << QPointF(120, 90) << window;
    QTest::newRow("2 px across keeps the window") << Qt::LeftButton << QPointF(122, 190) << window;
    QTest::newRow("2 px down keeps the window") << Qt::LeftButton << QPointF(220, 92) << window;
    QTest::newRow("3 x 3 px spans an area") << Qt::LeftButton << QPointF(123, 93) << QRectF(120, 90, 3, 3);
    QTest::newRow("up and left spans the same way")
        << Qt::LeftButton << QPointF(20, 40) << QRectF(20, 40, 100, 50);
}

// A press at (120, 90) over the front window, dragged or not; after it
// the highlight no longer follows the pointer.
void TestScene::pick()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(QPointF, to);
    QFETCH(QRectF, selection);
    open();
    move(QPointF(120, 90));
    press(QPointF(120, 90), button);
    move(to, button);
    release(to, button);
    move(QPointF(500, 420));
    QCOMPARE(m_background->selectionRect(), selection);
    // Only a left click picks (and shows the tool strip).
    QCOMPARE(m_view->editDialog()->isVisible(), button == Qt::LeftButton);
}

void TestScene::adjustPick_data()
{
    QTest::addColumn<QPointF>("from"); // a handle dragged, unless a key is given
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<int>("keyCode");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QRectF>("expected");
    const QPointF none;
    QTest::newRow("bottom right") << QPointF(300, 250) << QPointF(341, 283) << 0 << 0
                                  << QRectF(100, 100, 241, 183);
    QTest::newRow("top left, a pixel off")
        << QPointF(101, 99) << QPointF(90, 95) << 0 << 0 << QRectF(90, 95, 210, 155);
    QTest::newRow("left edge past the right one")
        << QPointF(100, 175) << QPointF(350, 175) << 0 << 0 << QRectF(300, 100, 50, 150);
    QTest::newRow("bottom edge onto the top one")
        << QPointF(200, 250) << QPointF(200, 100) << 0 << 0 << QRectF(100, 100, 200, 1);
    QTest::newRow("top right to the desktop's corner")
        << QPointF(300, 100) << QPointF(639, 0) << 0 << 0 << QRectF(100, 0, 539, 250);
    QTest::newRow("left moves") << none << none << int(Qt::Key_Left) << 0 << QRectF(99, 100, 200, 150);
    QTest::newRow("Shift+Right grows")
        << none << none << int(Qt::Key_Right) << int(Qt::ShiftModifier) << QRectF(100, 100, 201, 150);
    QTest::newRow("Shift+Up shrinks")
        << none << none << int(Qt::Key_Up) << int(Qt::ShiftModifier) << QRectF(100, 100, 200, 149);
}

// An area picked from (100, 100) to (300, 250), then adjusted with a handle
// (the magnifier shows the pixels under the pointer meanwhile, beside it) or
// a key; the picture is exactly the adjusted area, without the handles.
void TestScene::adjustPick()
{
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(int, keyCode);
    QFETCH(int, modifiers);
    QFETCH(QRectF, expected);
    open();
    drag({100, 100}, {300, 250});
    QVERIFY(m_background->handlesShown());
    QSignalSpy picked(m_scene, &CSGraphicsScene::picked);
    if (keyCode) {
        key(keyCode, Qt::KeyboardModifiers(modifiers));
    } else {
        press(from);
        move(to, Qt::LeftButton);
        QVERIFY(m_background->magnifierShown());
        const QRect box = m_background->magnifierRect(to);
        QVERIFY(!box.adjusted(-5, -5, 5, 5).contains(to.toPoint()));
        QVERIFY(m_desktop.rect().contains(box));
        const QImage screen = m_view->viewport()->grab().toImage();
        const int zoom = m_background->magnifierZoom();
        const int reach = CSGraphicsPixmapItem::kMagnifierReach;
        // Each desktop pixel is a square of zoom by zoom screen pixels, the
        // one under the pointer in the middle.
        for (const QPoint d : {QPoint(0, 0), QPoint(-2, 1)}) {
            const QPoint cell = box.topLeft() + QPoint(1, 1) + (QPoint(reach, reach) + d) * zoom;
            QCOMPARE(screen.pixel(cell + QPoint(zoom / 2, zoom / 2)), m_desktop.pixel(to.toPoint() + d));
        }
        release(to);
        QVERIFY(!m_background->magnifierShown());
        QCOMPARE(picked.size(), 1); // the strips follow
    }
    QCOMPARE(m_background->selectionRect(), expected);
    QCOMPARE(differingPixels(m_scene->renderSelection(), m_desktop.copy(expected.toRect())), 0);
}

void TestScene::picture_data()
{
    QTest::addColumn<QRectF>("selection");
    QTest::addColumn<QRect>("expected"); // the part of the desktop, in picture coordinates
    QTest::addColumn<QSize>("size");
    QTest::newRow("fractions truncate")
        << QRectF(100.7, 50.2, 200.9, 120.5) << QRect(0, 0, 200, 120) << QSize(200, 120);
    QTest::newRow("past the top left corner")
        << QRectF(-10, -5, 50, 40) << QRect(10, 5, 40, 35) << QSize(50, 40);
    QTest::newRow("nothing selected: the whole desktop")
        << QRectF(0, 0, 0, 0) << QRect(0, 0, 640, 480) << QSize(640, 480);
}

// Exactly the desktop's pixels, opaque, and transparent outside it: no veil,
// outline, label or crosshair, even with the crosshair on in the selection.
void TestScene::picture()
{
    QFETCH(QRectF, selection);
    QFETCH(QRect, expected);
    QFETCH(QSize, size);
    open();
    m_background->setSelectionRect(selection);
    m_background->setCursorPos(selection.center() + QPointF(3, 3));
    m_background->setCrosshairVisible(true);

    QImage want(size, QImage::Format_ARGB32);
    want.fill(Qt::transparent);
    QPainter(&want).drawImage(expected.topLeft(), m_desktop,
                              expected.translated(int(selection.x()), int(selection.y())));
    QCOMPARE(differingPixels(m_scene->renderSelection(), want), 0);
}

void TestScene::marksLookAsTheStripShows_data()
{
    QTest::addColumn<bool>("firstRun");
    QTest::addColumn<bool>("frame");
    QTest::addColumn<int>("transparency");
    QTest::addColumn<QColor>("outline");
    QTest::addColumn<QColor>("fill");
    // A first run's colours (0) select "transparent"; the mark's alpha comes
    // from the transparency (80 %): black, not invisible.
    QTest::newRow("first run: black fill, no frame")
        << true << false << 80 << QColor() << QColor(0, 0, 0, 204);
    QTest::newRow("half transparent: alpha truncated")
        << false << true << 50 << QColor(255, 0, 0, 127) << QColor(0, 0, 255, 127);
    QTest::newRow("fill only: no outline") << false << false << 100 << QColor() << QColor(Qt::blue);
}

// A rectangle, an ellipse and a text mark drawn with the strip as the
// settings left it.
void TestScene::marksLookAsTheStripShows()
{
    QFETCH(bool, firstRun);
    QFETCH(bool, frame);
    QFETCH(int, transparency);
    QFETCH(QColor, outline);
    QFETCH(QColor, fill);
    if (firstRun)
        AppConfig = CAppConfig::defaults();
    AppConfig.FrameCheck = frame;
    AppConfig.Transparent = transparency;
    open();
    QCOMPARE(m_view->editDialog()->propDialog()->isFrameChecked(), frame);
    QVERIFY(m_view->editDialog()->propDialog()->isFillChecked());
    setMode(DrawMode::Rectangle);
    drag(QPointF(10, 10), QPointF(50, 50));
    setMode(DrawMode::Ellipse);
    drag(QPointF(100, 10), QPointF(150, 50));
    const QList<QAbstractGraphicsShapeItem*> shapes = marks<QAbstractGraphicsShapeItem>();
    QCOMPARE(shapes.size(), 2);
    for (QAbstractGraphicsShapeItem* shape : shapes) {
        QCOMPARE(shape->pen().style() != Qt::NoPen, outline.isValid());
        if (outline.isValid())
            QCOMPARE(shape->pen().color(), outline);
        QCOMPARE(shape->brush().color(), fill);
    }
    setMode(DrawMode::Text);
    press(QPointF(200, 200));
    CDrawTextItem* text = marks<CDrawTextItem>().value(0);
    QVERIFY(text);
    QCOMPARE(text->fillColor, fill);
    QCOMPARE(text->defaultTextColor().alpha(), fill.alpha());
    // Drawn without a pick, the marks are on the picture of the whole desktop.
    const QImage picture = m_scene->renderSelection();
    QCOMPARE(picture.size(), m_desktop.size());
    QVERIFY(picture.pixel(30, 30) != m_desktop.pixel(30, 30));
    // The text is in the picture too (the picture is painted away from the
    // scene's thread, the text laid out beforehand), inside its box only.
    text->setPlainText(QStringLiteral("Hello"));
    const QImage withText = m_scene->renderSelection();
    const QColor ink = text->defaultTextColor();
    text->setDefaultTextColor(Qt::transparent);
    const QImage inkless = m_scene->renderSelection();
    text->setDefaultTextColor(ink);
    const QRect box = text->mapRectToScene(text->boundingRect()).toAlignedRect();
    QVERIFY(differingPixels(withText.copy(box), inkless.copy(box)) > 20);
    QImage outside = withText;
    QPainter(&outside).drawImage(box.topLeft(), inkless.copy(box));
    QCOMPARE(differingPixels(outside, inkless), 0);
    QCOMPARE(differingPixels(m_scene->renderSelectionForTheLastTime(), withText), 0);
}

// One scenario through every kind of change, each taken back with Ctrl+Z
// and made again with Ctrl+Y or Ctrl+Shift+Z: a mark added, moved, reshaped
// with a handle, recoloured through the property strip, two marks erased
// with one click, one deleted with the Delete key; a new change then drops
// what could be redone.
void TestScene::undoAndRedoEveryChange()
{
    open();
    drag({50, 40}, {550, 420}); // the pick
    setMode(DrawMode::Rectangle);
    drag({100, 100}, {200, 180});
    CDrawRectItem* box = marks<CDrawRectItem>().value(0);
    QVERIFY(box);
    setMode(DrawMode::Select);
    drag({100, 140}, {130, 160}); // on its left edge: a move
    QCOMPARE(m_scene->selectedMark(), static_cast<CDrawObjectItem*>(box));
    drag({230, 200}, {260, 240}); // its bottom right handle
    QCOMPARE(box->outline(), QRectF(130, 120, 130, 120));
    // The moved mark is in the picture where it is now, not where drawn.
    const QImage moved = m_scene->renderSelection();
    QCOMPARE(moved.pixel(QPoint(195, 180) - QPoint(50, 40)), qRgb(0, 0, 255));
    QCOMPARE(moved.pixel(QPoint(110, 110) - QPoint(50, 40)), m_desktop.pixel(110, 110));

    // The property strip shows the chosen mark's look; a new colour there
    // recolours that mark.
    CSnapshotProp* prop = m_view->editDialog()->propDialog();
    QVERIFY(prop->isVisible());
    auto* frameColor = prop->findChild<ColorComboBox*>(QStringLiteral("frameColorComboBox"));
    frameColor->setColor(QColor(Qt::blue));
    QCOMPARE(box->pen().color(), QColor(Qt::blue));
    const QImage recoloured = m_scene->renderSelection();
    QVERIFY(differingPixels(recoloured, moved) > 0);

    setMode(DrawMode::Rectangle);
    drag({200, 200}, {300, 300}); // over the first one
    setMode(DrawMode::Line);
    drag({120, 380}, {400, 380});
    const QImage all = m_scene->renderSelection();
    setMode(DrawMode::Erase);
    click({230, 220}); // on both rectangles
    QCOMPARE(marks().size(), 1);

    key(Qt::Key_Z, Qt::ControlModifier); // both back, in one step
    QCOMPARE(marks().size(), 3);
    QCOMPARE(differingPixels(m_scene->renderSelection(), all), 0);
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(marks(), QList<CDrawObjectItem*>{box});
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(box->pen().color(), QColor(Qt::red));
    QCOMPARE(differingPixels(m_scene->renderSelection(), moved), 0);
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(box->outline(), QRectF(130, 120, 100, 80));
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(box->outline(), QRectF(100, 100, 100, 80));
    key(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(marks().isEmpty());
    QVERIFY(!m_scene->undoStack()->canUndo());

    for (int i = 0; i < 4; ++i)
        key(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(box->outline(), QRectF(130, 120, 130, 120));
    QCOMPARE(differingPixels(m_scene->renderSelection(), recoloured), 0);
    for (int i = 0; i < 3; ++i)
        key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(marks().size(), 1);
    QVERIFY(!m_scene->undoStack()->canRedo());

    setMode(DrawMode::Select);
    click({250, 380});
    key(Qt::Key_Delete);
    QVERIFY(marks().isEmpty());
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(marks().size(), 1);
    QVERIFY(m_scene->undoStack()->canRedo());
    setMode(DrawMode::Rectangle);
    drag({300, 300}, {350, 350});
    QVERIFY(!m_scene->undoStack()->canRedo());
    // Without a chosen mark the strip only sets the look of new marks.
    CDrawRectItem* last = marks<CDrawRectItem>().value(0); // the only one left
    QVERIFY(last);
    const QColor drawn = last->pen().color();
    setMode(DrawMode::Select);
    click({500, 100});
    QVERIFY(!m_scene->selectedMark());
    frameColor->setColor(QColor(Qt::green));
    QCOMPARE(last->pen().color(), drawn);
    QVERIFY(m_view->isVisible());
    // Finishing paints into the desktop itself: the same picture.
    const QImage picture = m_scene->renderSelection();
    QCOMPARE(differingPixels(m_scene->renderSelectionForTheLastTime(), picture), 0);
}

// The pick's eight handles, clockwise from the top left, hit a little off
// too, only once an area is picked and no drawing tool is chosen; a chosen
// thin line is hit a few pixels off, its two ends are its handles and they
// move with it; no handle gets into the picture.
void TestScene::handles()
{
    AppConfig.FrameWidth = 1;
    open();
    move({150, 150}); // the front window is offered: no handles yet
    QCOMPARE(m_scene->pickHandleAt({100, 80}), -1);
    drag({100, 100}, {300, 250});
    const QList<QPointF> centres = {{100, 100}, {200, 100}, {300, 100}, {300, 175},
                                    {300, 250}, {200, 250}, {100, 250}, {100, 175}};
    for (int i = 0; i < centres.size(); ++i) {
        QCOMPARE(m_scene->pickHandleAt(centres[i] + QPointF(5, -5)), i);
        QCOMPARE(m_scene->pickHandleAt(centres[i] + QPointF(9, 9)), -1);
    }
    QCOMPARE(m_scene->pickHandleAt({200, 175}), -1);
    setMode(DrawMode::Line);
    QCOMPARE(m_scene->pickHandleAt({300, 250}), -1);
    drag({120, 200}, {280, 200});
    setMode(DrawMode::Select);
    QCOMPARE(m_scene->pickHandleAt({300, 250}), 4);
    const QImage plain = m_scene->renderSelection();

    const QList<QPair<QPointF, bool>> clicks = {{{200, 208}, false}, {{200, 203}, true},  {{200, 240}, false},
                                                {{200, 196}, true},  {{150, 170}, false}, {{283, 200}, true}};
    for (const auto& [at, hit] : clicks) {
        click(at);
        QCOMPARE(m_scene->selectedMark() != nullptr, hit);
    }
    CDrawObjectItem* line = m_scene->selectedMark();
    QVERIFY(line);
    QCOMPARE(line->handles(), (QVector<QPointF>{{120, 200}, {280, 200}}));
    QCOMPARE(differingPixels(m_scene->renderSelection(), plain), 0);
    drag({280, 200}, {290, 240});
    QCOMPARE(line->handles(), (QVector<QPointF>{{120, 200}, {290, 240}}));
    drag({205, 220}, {195, 200}); // moved, its handles go with it
    QCOMPARE(line->handles(), (QVector<QPointF>{{110, 180}, {280, 220}}));
    QCOMPARE(m_scene->markHandleAt({282, 218}), 1);
}

void TestScene::finish_data()
{
    QTest::addColumn<int>("keyCode");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("file"); // also whether the settings say to copy
    QTest::newRow("keypad Enter: file and clipboard")
        << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true;
    // Ctrl+C never writes a file, and copies even with copying off.
    QTest::newRow("Ctrl+C: the clipboard only") << int(Qt::Key_C) << int(Qt::ControlModifier) << false;
}

// The snapshot ends before the file is written; the file and the clipboard
// share one encoding.
void TestScene::finish()
{
    QFETCH(int, keyCode);
    QFETCH(int, modifiers);
    QFETCH(bool, file);
    AppConfig.SaveToFileAfterFinish = true;
    AppConfig.CopyToClipboardAfterFinish = file;
    open();
    // Past the desktop's corner: the picture has transparent pixels.
    m_background->setSelectionRect(QRectF(600, 400, 100, 120));
    const QImage expected = m_scene->renderSelection();
    QCOMPARE(expected.pixel(99, 119), 0u);
    QSignalSpy finished(m_view.get(), &CDrawView::finished);
    key(keyCode, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(finished.size(), 1);
    QVERIFY(!m_view->isVisible());
    waitForPictureFiles();
    QCOMPARE(differingPixels(QGuiApplication::clipboard()->image(), expected), 0);
    QFile written(QDir(m_dir.path()).filePath(QStringLiteral("pick.png")));
    QCOMPARE(written.open(QIODevice::ReadOnly), file);
    if (!file)
        return;
    const QByteArray bytes = written.readAll();
    QCOMPARE(differingPixels(QImage::fromData(bytes, "PNG"), expected), 0);
    const QMimeData* offered = QGuiApplication::clipboard()->mimeData();
    QCOMPARE(offered->data(QStringLiteral("image/png")), bytes);
    // Qt's own image type travels as the same PNG; the other image types are
    // made from the picture, as Qt's writer makes them.
    QCOMPARE(offered->data(QStringLiteral("application/x-qt-image")), bytes);
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(QImageWriter(&buffer, "bmp").write(expected));
    QCOMPARE(offered->data(QStringLiteral("image/bmp")), bmp);
}

// A file that cannot be created keeps the snapshot open. Then the name is
// free and the file can be created, but no more than 100 bytes can go into
// it: the write fails once the snapshot has ended. It is reported, and the
// picture is put on the clipboard though copying is off.
void TestScene::failedWrites()
{
    AppConfig.SaveToFileAfterFinish = true;
    AppConfig.SnapshotFilePath = QDir(m_dir.path()).filePath(QStringLiteral("missing/dir"));
    open();
    const QRectF selection(20, 30, 400, 300);
    drag(selection.topLeft(), selection.bottomRight());
    Answers answers;
    m_view->editDialog()->OnBtnOk();
    QCOMPARE(answers.titles, QStringList{QStringLiteral("Error")});
    QVERIFY2(answers.text.contains(QStringLiteral("missing/dir/pick.png")), qPrintable(answers.text));
    QVERIFY(m_view->isVisible());
    QVERIFY(m_view->editDialog()->isVisible());

    AppConfig.SnapshotFilePath = m_dir.path();
    answers.titles.clear();
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 100;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    m_view->editDialog()->OnBtnOk();
    const bool endedAtOnce = !m_view->isVisible();
    QTRY_VERIFY_WITH_TIMEOUT(!answers.titles.isEmpty(), 10000);
    setrlimit(RLIMIT_FSIZE, &old);
    QVERIFY(endedAtOnce);

    QCOMPARE(answers.titles, QStringList{QStringLiteral("Error")});
    const QString name = QDir(m_dir.path()).filePath(QStringLiteral("pick.png"));
    const QString& text = answers.text;
    QVERIFY2(text.contains(name) && text.contains(QString::fromLocal8Bit(strerror(EFBIG))), qPrintable(text));
    QVERIFY2(!QFileInfo::exists(name), "a truncated file was left behind");
    QCOMPARE(differingPixels(QGuiApplication::clipboard()->image(), m_desktop.copy(selection.toRect())), 0);
}

// Where "Save picture" opens and what it remembers (LastOpenFileName),
// through the dialog as a user fills it in (cancelled when nothing is typed).
void TestScene::saveFolder()
{
    open();
    m_background->setSelectionRect(QRectF(10, 20, 30, 40));
    Answers answers;
    m_view->savePicture();
    QCOMPARE(answers.proposed, QDir(m_dir.path()).absoluteFilePath(QStringLiteral("pick.png")));
    QCOMPARE(AppConfig.LastOpenFileName, QString());
    const QString other = m_dir.filePath(QStringLiteral("elsewhere"));
    QDir().mkpath(other);
    answers.typed = QDir(other).filePath(QStringLiteral("mine.bmp"));
    m_view->savePicture();
    QCOMPARE(AppConfig.LastOpenFileName, answers.typed);
    QCOMPARE(QImage(answers.typed).size(), QSize(30, 40));
    // The next one starts there, with the same suffix and the pattern's name.
    answers.typed.clear();
    m_view->savePicture();
    QCOMPARE(answers.proposed, QDir(other).absoluteFilePath(QStringLiteral("pick.bmp")));
    // A name without a suffix is saved as PNG.
    const QString plain = m_dir.filePath(QStringLiteral("plain"));
    answers.typed = plain;
    m_view->savePicture();
    QCOMPARE(AppConfig.LastOpenFileName, plain + QStringLiteral(".png"));
    QCOMPARE(QImageReader::imageFormat(AppConfig.LastOpenFileName), QByteArray("png"));
    answers.typed = m_dir.filePath(QStringLiteral("odd.tif"));
    answers.titles.clear();
    m_view->savePicture();
    QCOMPARE(answers.titles, (QStringList{QStringLiteral("Save"), QStringLiteral("Unsupportted Format")}));
    QVERIFY(!QFileInfo::exists(answers.typed));
    QCOMPARE(AppConfig.LastOpenFileName, plain + QStringLiteral(".png")); // the refused name is not kept
}

void TestScene::labelText()
{
    QCOMPARE(CSGraphicsPixmapItem::sizeLabelText(QRectF(0, 0, 640, 480)), QStringLiteral("(640 * 480)"));
    QCOMPARE(CSGraphicsPixmapItem::sizeLabelText(QRectF(3, 4, 120.5, 80)), QStringLiteral("(120.5 * 80)"));
}

void TestScene::veilAndHole_data()
{
    QTest::addColumn<QRectF>("selection");
    QTest::addColumn<bool>("hole");
    QTest::newRow("nothing selected: all veiled") << QRectF(0, 0, 0, 0) << false;
    QTest::newRow("zero width counts as nothing") << QRectF(50, 60, 0, 50) << false;
    QTest::newRow("a selection leaves a clear hole") << QRectF(50, 60, 100, 40) << true;
}

void TestScene::veilAndHole()
{
    QFETCH(QRectF, selection);
    QFETCH(bool, hole);
    QPixmap desktop(300, 200);
    desktop.fill(kDesktop);
    CSGraphicsPixmapItem item(desktop);
    item.setSelectionRect(selection);
    QImage image(desktop.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    QStyleOptionGraphicsItem option;
    option.exposedRect = item.boundingRect();
    item.paint(&painter, &option, nullptr);
    painter.end();

    // Inside the selection (away from its outline), far outside it, just
    // outside its right and bottom edges, and where a label would be.
    QCOMPARE(image.pixelColor(51, 61), hole ? kDesktop : kVeiled);
    QCOMPARE(image.pixelColor(148, 98), hole ? kDesktop : kVeiled);
    for (const QPoint p : {QPoint(250, 150), QPoint(152, 80), QPoint(100, 102), QPoint(hole ? 20 : 55, 50)})
        QCOMPARE(image.pixelColor(p), kVeiled);
}

// On the real view: moving the pointer and the highlight repaints only a
// thin area, and what is on the screen then equals a full repaint.
void TestScene::partialRepaintMatchesFullRepaint()
{
    const QSize size = QGuiApplication::primaryScreen()->size();
    const QImage pattern = TestSupport::makeTestPattern(size, 3);
    CDrawView view(QPixmap::fromImage(pattern), nullptr);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    CSGraphicsPixmapItem* item = view.snapshotScene()->backgroundItem();
    // Everything that follows the pointer or lies in its way: the crosshair,
    // the magnifier with its coordinates, and the newcomer's hint.
    const QString hint = CDrawView::firstRunHintText(true);
    qreal interfaceScale = 1;
    auto showAll = [&hint, &interfaceScale](CSGraphicsPixmapItem* i) {
        i->setInterfaceScale(interfaceScale);
        i->setCrosshairVisible(true);
        i->setMagnifierShown(true);
        i->setHint(hint);
    };
    showAll(item);
    item->setCursorPos(QPointF(100, 100));
    item->setSelectionRect(QRectF(200, 150, 120, 80));
    QTest::qWait(50);
    // The same state painted by an item that never painted before: nothing
    // kept between paints (measured texts, laid-out labels) may go stale.
    // The pick's outline and handles: none while an area is dragged, both
    // once it is picked, the outline alone while a drawing tool is chosen.
    enum Frame { Bare, Outline, Handles };
    auto setFrame = [](CSGraphicsPixmapItem* i, Frame frame) {
        i->setOutlineShown(frame != Bare);
        i->setHandlesShown(frame == Handles);
    };
    auto paintedAfresh = [&](const QPointF& cursor, const QRectF& selection, Frame frame = Bare) {
        CSGraphicsPixmapItem fresh(QPixmap::fromImage(pattern));
        showAll(&fresh);
        fresh.setCursorPos(cursor);
        fresh.setSelectionRect(selection);
        setFrame(&fresh, frame);
        QImage image(size, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QStyleOptionGraphicsItem option;
        option.exposedRect = fresh.boundingRect();
        fresh.paint(&painter, &option, nullptr);
        return image;
    };

    PaintLog log;
    view.viewport()->installEventFilter(&log);
    struct Step
    {
        QPointF cursor;
        QRectF selection;
        Frame frame = Bare;
    };
    const QList<Step> steps = {
        {QPointF(140, 133), QRectF(200, 150, 120, 80)},
        {QPointF(141, 134), QRectF(210, 160, 300, 200)},
        {QPointF(141.5, 134.25), QRectF(10, 10, 30, 30)},
        // Corners and edges of the desktop, and a selection touching them.
        {QPointF(0, 0), QRectF(0, 0, 64, 48)},
        {QPointF(2, size.height() - 2), QRectF(size.width() - 50, size.height() - 40, 50, 40)},
        {QPointF(size.width() / 2.0, 3.5), QRectF(1, 1, size.width() - 2, 20.5)},
        // The crosshair running along the selection's edges; then fractional
        // edges, where the veil must not be blended twice along its seams.
        {QPointF(400, 340), QRectF(300, 240, 100, 100)},
        {QPointF(399, 339), QRectF(300.5, 240.5, 99, 99)},
        // Picked: the handles come; a drawing tool takes them away again;
        // then a handle dragged.
        {QPointF(420, 350), QRectF(300.5, 240.5, 99, 99), Handles},
        {QPointF(421, 351), QRectF(300.5, 240.5, 99, 99), Outline},
        {QPointF(425, 355), QRectF(310, 250, 120, 90), Handles},
    };
    Step last;
    auto check = [&](const Step& step) {
        last = step;
        const auto& [cursor, selection, frame] = step;
        log.pixels = 0;
        item->setCursorPos(cursor);
        item->setSelectionRect(selection);
        setFrame(item, frame);
        QTRY_VERIFY(log.pixels > 0);
        QTest::qWait(20);
        QVERIFY2(log.pixels < qint64(size.width()) * size.height() / 3,
                 qPrintable(QString::number(log.pixels)));
        // What the partial repaints left on the screen ...
        const QImage onScreen = QGuiApplication::primaryScreen()->grabWindow(view.winId()).toImage();
        // ... against everything painted afresh.
        const QImage full = view.viewport()->grab().toImage();
        QCOMPARE(TestSupport::differingPixels(onScreen, full), qint64(0));
        QCOMPARE(TestSupport::differingPixels(onScreen, paintedAfresh(cursor, selection, frame)), qint64(0));
    };
    for (const Step& step : steps) {
        check(step);
        if (QTest::currentTestFailed())
            return;
    }
    // The interface of a scaled display: wider outline and handles.
    interfaceScale = 2;
    item->setInterfaceScale(interfaceScale); // repaints everything once
    QTest::qWait(50);
    for (const Step& step : {Step{QPointF(430, 360), QRectF(310, 250, 120, 90), Handles},
                             Step{QPointF(431, 361), QRectF(310, 250, 120, 90), Outline},
                             Step{QPointF(432, 362), QRectF(312, 251, 140, 95), Bare}}) {
        check(step);
        if (QTest::currentTestFailed())
            return;
    }
    interfaceScale = 1;
    item->setInterfaceScale(interfaceScale);
    QTest::qWait(50);

    // A fast pointer: its moves are painted once a frame, not one by one,
    // and where it stopped is on the screen.
    log.paints = 0;
    for (int i = 0; i < 30; ++i) {
        item->setCursorPos(QPointF(500 + i, 400 + i));
        QCoreApplication::processEvents();
    }
    QTRY_VERIFY(log.paints > 0);
    QTest::qWait(30);
    QVERIFY2(log.paints <= 10, qPrintable(QString::number(log.paints)));
    const QImage onScreen = QGuiApplication::primaryScreen()->grabWindow(view.winId()).toImage();
    QCOMPARE(TestSupport::differingPixels(onScreen, view.viewport()->grab().toImage()), qint64(0));
    QCOMPARE(TestSupport::differingPixels(onScreen,
                                          paintedAfresh(QPointF(529, 429), last.selection, last.frame)),
             qint64(0));
}

// The tool strip (480 x 40 here) goes beside the selection, on the
// selection's monitor; the property strip (621 px in Text mode) hangs under
// it, right edges aligned, and is moved, never resized, to stay on the monitor.
void TestScene::strips()
{
    const QSize tool(480, 40);
    const QRect monitor(0, 0, 1920, 1080), right(1920, 0, 1280, 1024);
    // Under the selection, right edges aligned, when both strips fit below;
    // one pixel short: above it; no room below nor above: over its top.
    QCOMPARE(editDialogPosition(QRectF(600, 100, 640, 890), tool, monitor), QPoint(760, 995));
    QCOMPARE(editDialogPosition(QRectF(600, 100, 640, 891), tool, monitor), QPoint(760, 55));
    QCOMPARE(editDialogPosition(QRectF(600, 30, 640, 1050), tool, monitor), QPoint(760, 30));
    QCOMPARE(editDialogPosition(QRectF(), tool, monitor), QPoint(0, 5)); // nothing selected
    // A second monitor's own bottom edge; a pick reaching past its right edge.
    QCOMPARE(editDialogPosition(QRectF(2000, 900, 300, 60), tool, right), QPoint(2000, 855));
    QCOMPARE(editDialogPosition(QRectF(3000, 100, 400, 100), tool, right), QPoint(2720, 205));
    QCOMPARE(keptInside(QRect(1800, 1060, 621, 40), monitor), QRect(1299, 1040, 621, 40));
    QCOMPARE(keptInside(QRect(1800, 500, 621, 40), right), QRect(1920, 500, 621, 40));
    // Wider than the monitor: its left edge shows.
    QCOMPARE(keptInside(QRect(-50, 10, 700, 40), QRect(0, 0, 600, 400)), QRect(0, 10, 700, 40));
}

QTEST_MAIN(TestScene)
#include "tst_scene.moc"
