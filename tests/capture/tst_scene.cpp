// One snapshot driven through its scene with synthesized mouse and key
// events, as the capture view hands them on (scene positions in desktop
// pixels): picking a window or an area and adjusting it, the marks the tools
// draw and their handles, undo and redo, the rendered picture, finishing or
// saving it; and the veil over the desktop and where the strips go.
#include "annotate/ColorComboBox.h"
#include "annotate/DrawRectItem.h"
#include "annotate/DrawTextItem.h"
#include "annotate/MarkState.h"
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
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionGraphicsItem>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

using TestSupport::differingPixels;
using TestSupport::over;

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
    bool yes = false; // a question is answered Yes, not closed
    explicit Answers(const QString& name = QString()) : typed(name)
    {
        connect(this, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            titles << modal->windowTitle();
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box)
                text = box->text();
            if (box && yes && box->button(QMessageBox::Yes)) {
                box->button(QMessageBox::Yes)->click();
                return;
            }
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

// The tool strip's buttons from left to right, and the modes by number.
const QStringList kButtons = {"Select", "Line", "LineArrow", "Rectangle", "Polygon", "Ellipse",
                              "Draw",   "Text", "Erase",     "Save",      "Cancel",  "Ok"};
const QStringList kModes = {"None",    "Select",  "Line", "LineArrow", "Rectangle", "Ellipse",
                            "Polygon", "Curve",   "Draw", "Text",      "Erase"};

QPointF point(const QString& text)
{
    return QPointF(text.section(QLatin1Char(','), 0, 0).toDouble(), text.section(QLatin1Char(','), 1, 1).toDouble());
}

QRect rect(const QString& text)
{
    const QStringList v = text.split(QLatin1Char(','));
    return QRect(v.value(0).toInt(), v.value(1).toInt(), v.value(2).toInt(), v.value(3).toInt());
}

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
    void markPixels_data();
    void markPixels();
    void toolsKeysAndMenus_data();
    void toolsKeysAndMenus();
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
    // The marks of a kind, bottom first.
    template <class T = CDrawObjectItem> QList<T*> marks() const
    {
        QList<T*> found;
        for (QGraphicsItem* item : m_scene->marks())
            if (auto* mark = dynamic_cast<T*>(item))
                found << mark;
        return found;
    }
    // A step of a scripted snapshot (see toolsKeysAndMenus) and its checks.
    void step(const QString& step);
    void expect(const QStringList& words);
    void chooseFromMenu(const QPointF& at, const QString& entry);
    // The screen without the crosshair, and the picture, at a scene pixel.
    QRgb onScreen(const QPoint& p);
    QRgb inPicture(const QPoint& p);
    QStringList m_ended; // how the snapshot ended: finished, abandoned, restart

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
    m_view->setRestartKey(QKeySequence(QStringLiteral("Alt+S")));
    m_ended.clear();
    connect(m_view.get(), &CDrawView::finished, this, [this] { m_ended << QStringLiteral("finished"); });
    connect(m_view.get(), &CDrawView::abandoned, this, [this] { m_ended << QStringLiteral("abandoned"); });
    connect(m_view.get(), &CDrawView::restartRequested, this, [this] { m_ended << QStringLiteral("restart"); });
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
    // Only a left click picks (and shows the tool strip). A drawing tool's
    // property strip hangs under it: right edges a pixel apart, 4 pixels between.
    CSnapshotEdit* strip = m_view->editDialog();
    QCOMPARE(strip->isVisible(), button == Qt::LeftButton);
    setMode(DrawMode::Ellipse);
    const QRect under = strip->propDialog()->frameGeometry();
    QCOMPARE(under.right(), strip->frameGeometry().right() - 1);
    QCOMPARE(under.top(), strip->frameGeometry().bottom() + 5);
}

void TestScene::adjustPick_data()
{
    QTest::addColumn<QPointF>("from"); // a handle dragged, unless a key is given
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<int>("keyCode");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QRectF>("expected");
    const auto handle = [](const char* name, QPointF from, QPointF to, QRectF expected) {
        QTest::newRow(name) << from << to << 0 << 0 << expected;
    };
    // The eight handles, clockwise from the top left corner.
    handle("top left, a pixel off", {101, 99}, {90, 95}, {90, 95, 210, 155});
    handle("top edge", {200, 100}, {200, 60}, {100, 60, 200, 190});
    handle("top right to the desktop's corner", {300, 100}, {639, 0}, {100, 0, 539, 250});
    handle("right edge", {300, 175}, {420, 180}, {100, 100, 320, 150});
    handle("bottom right", {300, 250}, {341, 283}, {100, 100, 241, 183});
    handle("bottom edge onto the top one", {200, 250}, {200, 100}, {100, 100, 200, 1});
    handle("bottom left", {100, 250}, {60, 300}, {60, 100, 240, 200});
    handle("left edge past the right one", {100, 175}, {350, 175}, {300, 100, 50, 150});
    const auto keyRow = [](const char* name, Qt::Key key, int modifiers, QRectF expected) {
        QTest::newRow(name) << QPointF() << QPointF() << int(key) << modifiers << expected;
    };
    keyRow("Left moves", Qt::Key_Left, 0, {99, 100, 200, 150});
    keyRow("Right moves", Qt::Key_Right, 0, {101, 100, 200, 150});
    keyRow("Up moves", Qt::Key_Up, 0, {100, 99, 200, 150});
    keyRow("Down moves", Qt::Key_Down, 0, {100, 101, 200, 150});
    keyRow("Shift+Right grows", Qt::Key_Right, Qt::ShiftModifier, {100, 100, 201, 150});
    keyRow("Shift+Left shrinks", Qt::Key_Left, Qt::ShiftModifier, {100, 100, 199, 150});
    keyRow("Shift+Down grows", Qt::Key_Down, Qt::ShiftModifier, {100, 100, 200, 151});
    keyRow("Shift+Up shrinks", Qt::Key_Up, Qt::ShiftModifier, {100, 100, 200, 149});
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

void TestScene::markPixels_data()
{
    QTest::addColumn<bool>("shadow");
    QTest::addColumn<bool>("frame");
    QTest::addColumn<int>("transparency");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("paint"); // RECT COLOUR [ALPHA], laid over the desktop in this order
    QTest::addColumn<QString>("skip");  // rectangles not compared: antialiased corners
    const auto row = [](const char* name, bool shadow, bool frame, int transparency, const char* steps,
                        const char* paint, const char* skip) {
        QTest::newRow(name) << shadow << frame << transparency << QString(steps) << QString(paint) << QString(skip);
    };
    // A 4-pixel pen centred on whole pixels covers whole pixels; square caps
    // reach half the pen beyond a line's ends. A line's shadow is grey with
    // the pen's alpha less 20, that of the other marks grey with alpha 125,
    // two pixels right and down, under the mark.
    row("line", true, true, 100, "tool Line; drag 100,100 200,100", "100,100,104,4 grey 235; 98,98,104,4 red", "");
    row("line without shadow", false, true, 100, "tool Line; drag 100,100 200,100", "98,98,104,4 red", "");
    // Bevelled joins leave the outer corner squares partly covered.
    row("framed rectangle", true, true, 100, "tool Rectangle; drag 100,100 200,160",
        "100,100,104,64 grey 125; 98,98,104,64 red; 102,102,96,56 blue",
        "98,98,2,2 200,98,2,2 98,160,2,2 200,160,2,2 202,100,2,2 100,162,2,2 202,162,2,2");
    // The shadow shows through a translucent fill.
    row("half-transparent fill, no frame", true, false, 50, "tool Rectangle; drag 100,100 200,160",
        "102,102,100,60 grey 125; 100,100,100,60 blue 127", "");
    row("polygon", true, false, 50, "tool Polygon; click 100,100; click 200,100; click 200,160; click 100,160; rclick 100,160",
        "102,102,100,60 grey 125; 100,100,100,60 blue 127", "");
    row("polygon without shadow", false, false, 50, "tool Polygon; click 100,100; click 200,100; click 200,160; click 100,160; rclick 100,160",
        "100,100,100,60 blue 127", "");
    // An open stroke: nothing filled inside its corner.
    row("free hand", true, true, 100,
        "tool Draw; press 100,100; move 150,100 left; move 200,100 left; move 200,130 left; move 200,160 left; release 200,160",
        "100,100,102,4 grey 125; 200,102,4,62 grey 125; 98,98,102,4 red; 198,100,4,62 red", "200,98,2,2 202,100,2,2");
}

// Marks drawn with the tools, against pixels worked out from where they were
// dragged: the same in the picture and on the screen.
void TestScene::markPixels()
{
    QFETCH(bool, shadow);
    QFETCH(bool, frame);
    QFETCH(int, transparency);
    QFETCH(QString, steps);
    QFETCH(QString, paint);
    QFETCH(QString, skip);
    AppConfig.SnapshotShadow = shadow;
    AppConfig.FrameCheck = frame;
    AppConfig.Transparent = transparency;
    AppConfig.FrameWidth = 4;
    open();
    const QRect pick(50, 50, 250, 150);
    drag(pick.topLeft(), pick.topLeft() + QPoint(pick.width(), pick.height()));
    for (const QString& s : steps.split(QLatin1Char(';')))
        step(s.trimmed());
    move({600, 450}); // the crosshair away from the marks

    QImage expected = m_desktop.convertToFormat(QImage::Format_ARGB32);
    for (const QString& op : paint.split(QLatin1Char(';'))) {
        const QStringList w = op.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QColor colour = w.value(1) == QLatin1String("grey") ? QColor(125, 125, 125) : QColor(w.value(1));
        colour.setAlpha(w.value(2, QStringLiteral("255")).toInt());
        const QRect r = rect(w.value(0));
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                expected.setPixel(x, y, over(expected.pixel(x, y), colour));
    }
    QImage picture = m_scene->renderSelection();
    QImage screen = m_view->viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32).copy(pick);
    expected = expected.copy(pick);
    // On the screen the veil's outline runs along the selection's edge pixels.
    const QRect inside = QRect(QPoint(0, 0), pick.size()).adjusted(1, 1, -1, -1);
    QPainter blank[3] = {QPainter(&picture), QPainter(&screen), QPainter(&expected)};
    for (QPainter& painter : blank) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QString& r : skip.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            painter.fillRect(rect(r).translated(-pick.topLeft()), Qt::transparent);
        painter.end();
    }
    QCOMPARE(differingPixels(picture, expected), 0);
    QCOMPARE(differingPixels(screen.copy(inside), expected.copy(inside)), 0);
}

void TestScene::toolsKeysAndMenus_data()
{
    QTest::addColumn<QString>("steps");
    const auto row = [](const char* name, const char* steps) { QTest::newRow(name) << QString(steps); };
    const char* pick = "drag 50,50 500,400; ";
    // Stacking: the mark drawn later lies on top on the screen and in the
    // picture, after every undo and redo; Select takes the one on top.
    row("erased mark comes back under the other", QByteArray(pick) +
        "tool Rectangle; drag 100,100 200,200; fill lime; drag 150,150 250,250; tool Erase; click 110,110;"
        "expect marks 1; key Ctrl+Z; expect pixel 175,175 lime; expect pixel 120,120 blue; key Ctrl+Y;"
        "expect pixel 120,120 desktop; key Ctrl+Shift+Z; key Ctrl+Z; expect marks 2; expect pixel 175,175 lime");
    row("Select takes the mark on top; Backspace removes it", QByteArray(pick) +
        "tool Rectangle; drag 100,100 200,200; fill lime; drag 150,150 250,250; tool Select; click 175,175;"
        "expect chosen 2; key Backspace; expect marks 1; expect pixel 175,175 blue; key Ctrl+Z;"
        "expect pixel 175,175 lime; click 120,120; expect chosen 1");
    row("polygon: clicks, an edge to the pointer, a right click ends it", QByteArray(pick) +
        "tool Polygon; click 100,100; click 200,100; move 220,180; expect points 100,100 200,100 220,180;"
        "click 200,160; move 130,170; rclick 130,170; expect points 100,100 200,100 200,160;"
        "expect pixel 180,120 blue; click 300,100; click 350,100; dblclick 350,150; expect view shown;"
        "expect marks 2; expect points 300,100 350,100 350,150 350,150");
    row("arrow head at the end", QByteArray(pick) +
        "tool LineArrow; drag 100,300 300,300; expect pixel 200,300 red; expect pixel 291,302 red;"
        "expect pixel 200,303 desktop; expect points 100,300 300,300");
    row("Escape while drawing drops only that mark", QByteArray(pick) +
        "tool Rectangle; drag 100,100 200,200; tool Line; press 250,250; move 300,300 left; key Escape;"
        "release 300,300; expect marks 1; expect view shown; key Ctrl+Z; expect marks 0; key Ctrl+Y;"
        "expect marks 1; key Escape; expect view hidden; expect ended abandoned");
    row("text: an empty box goes, Escape ends the typing, then the snapshot", QByteArray(pick) +
        "tool Text; click 300,300; click 120,120; type Hi; expect marks 1; key Escape; expect text Hi;"
        "expect view shown; key Escape; expect view hidden; expect ended abandoned");
    row("menu: Undo, Redo; Reselect picks anew and undo brings nothing back", QByteArray(pick) +
        "tool Rectangle; drag 100,100 200,200; menu 300,300 Undo; expect marks 0; menu 300,300 Redo;"
        "expect marks 1; menu 150,120 Reselect snapshot area; expect marks 0; expect strip hidden;"
        "expect mode None; expect magnifier shown; expect selection 100,80,200,150; key Ctrl+Z;"
        "expect marks 0; move 60,60; expect selection 50,50,500,400; click 150,120;"
        "expect selection 100,80,200,150; expect strip shown; expect pixel 150,150 desktop");
    row("every tool button; Cancel ends without a picture", QByteArray(pick) +
        "tool Line; expect mode Line; tool LineArrow; expect mode LineArrow; tool Rectangle;"
        "expect mode Rectangle; tool Polygon; expect mode Polygon; tool Ellipse; expect mode Ellipse;"
        "tool Draw; expect mode Draw; tool Text; expect mode Text; tool Erase; expect mode Erase;"
        "tool Select; expect mode Select; tool Cancel; expect view hidden; expect ended finished;"
        "expect nofile pick.png");
    row("Escape on the tool strip ends as Cancel", QByteArray(pick) +
        "strip-key Escape; expect view hidden; expect ended finished; expect nofile pick.png");
    row("the start key starts over", QByteArray(pick) + "key Alt+S; expect view hidden; expect ended restart");
    row("Save picture, over an existing name only when told", QByteArray(pick) +
        "tool Rectangle; drag 100,100 200,200; save shot.png; expect file shot.png picture; write taken.png;"
        "save taken.png no; expect file taken.png precious; tool Save taken.png yes;"
        "expect file taken.png picture; expect view shown; tool Ok; expect view hidden; expect file pick.png shot.png");
}

// A snapshot driven step by step: tools chosen with the strip's buttons,
// the mouse, the keys of the snapshot and the view's menu. Steps: tool NAME
// [FILE yes|no] · press|release|click|rclick|dblclick X,Y · move X,Y [left]
// · drag X,Y X,Y · key KEYS · strip-key KEY · type TEXT · fill COLOUR (the
// strip's fill colour) · menu X,Y ENTRY · save FILE [yes|no] (Ctrl+S, the
// answer to a question) · write FILE (one that holds "precious") · expect ...
void TestScene::toolsKeysAndMenus()
{
    QFETCH(QString, steps);
    open();
    for (const QString& s : steps.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        step(s.trimmed());
        if (QTest::currentTestFailed()) {
            qWarning("at step \"%s\"", qPrintable(s.trimmed()));
            return;
        }
    }
}

void TestScene::step(const QString& step)
{
    const QStringList w = step.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString verb = w.value(0), arg = w.value(1);
    const QPointF at = point(arg);
    if (verb == QLatin1String("tool")) {
        const QList<QPushButton*> buttons = m_view->editDialog()->findChildren<QPushButton*>();
        QVERIFY(kButtons.indexOf(arg) >= 0 && buttons.size() == kButtons.size());
        std::unique_ptr<Answers> answers;
        if (w.size() > 2) { // "Save picture" with a name and the answer to a question
            answers = std::make_unique<Answers>(m_dir.filePath(w.value(2)));
            answers->yes = w.value(3) == QLatin1String("yes");
        }
        QTest::mouseClick(buttons.at(kButtons.indexOf(arg)), Qt::LeftButton);
    } else if (verb == QLatin1String("press") || verb == QLatin1String("release")) {
        mouse(verb == QLatin1String("press") ? QEvent::GraphicsSceneMousePress : QEvent::GraphicsSceneMouseRelease,
              at, Qt::LeftButton, verb == QLatin1String("press") ? Qt::LeftButton : Qt::NoButton);
    } else if (verb == QLatin1String("click")) {
        move(at);
        click(at);
    } else if (verb == QLatin1String("rclick")) {
        press(at, Qt::RightButton);
        release(at, Qt::RightButton);
    } else if (verb == QLatin1String("dblclick")) {
        move(at);
        click(at);
        mouse(QEvent::GraphicsSceneMouseDoubleClick, at, Qt::LeftButton, Qt::LeftButton);
        release(at);
    } else if (verb == QLatin1String("move")) {
        move(at, w.value(2) == QLatin1String("left") ? Qt::LeftButton : Qt::NoButton);
    } else if (verb == QLatin1String("drag")) {
        drag(at, point(w.value(2)));
    } else if (verb == QLatin1String("key") || verb == QLatin1String("strip-key")) {
        QWidget* target = verb == QLatin1String("key") ? static_cast<QWidget*>(m_view.get()) : m_view->editDialog();
        for (const QString& k : w.mid(1)) {
            const QKeyCombination c = QKeySequence::fromString(k)[0];
            QTest::keyClick(target, c.key(), c.keyboardModifiers());
        }
    } else if (verb == QLatin1String("type")) {
        QTest::keyClicks(m_view.get(), arg);
    } else if (verb == QLatin1String("fill")) {
        m_view->editDialog()->propDialog()->findChild<ColorComboBox*>(QStringLiteral("fillColorComboBox"))->setColor(QColor(arg));
    } else if (verb == QLatin1String("menu")) {
        chooseFromMenu(at, w.mid(2).join(QLatin1Char(' ')));
    } else if (verb == QLatin1String("save")) {
        Answers answers(m_dir.filePath(arg));
        answers.yes = w.value(2) == QLatin1String("yes");
        key(Qt::Key_S, Qt::ControlModifier);
    } else if (verb == QLatin1String("write")) {
        QFile file(m_dir.filePath(arg));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("precious") == 8);
    } else if (verb == QLatin1String("expect")) {
        expect(w.mid(1));
    } else {
        QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
    }
}

QRgb TestScene::onScreen(const QPoint& p)
{
    const bool crosshair = m_background->crosshairVisible();
    m_background->setCrosshairVisible(false);
    const QImage screen = m_view->viewport()->grab().toImage();
    m_background->setCrosshairVisible(crosshair);
    return screen.pixel(p);
}

QRgb TestScene::inPicture(const QPoint& p)
{
    const QRectF selection = m_background->selectionRect();
    const QPoint origin(int(selection.x()), int(selection.y()));
    return m_scene->renderSelection().pixel(p - origin);
}

// expect marks N · expect view|strip|magnifier shown|hidden · expect mode
// NAME · expect selection X,Y,W,H · expect points X,Y... (the top mark's
// handles) · expect chosen N (the Nth mark from the bottom) · expect text
// TEXT (the top mark's, typing ended) · expect pixel X,Y COLOUR|desktop (on
// the screen and in the picture) · expect file FILE picture|precious ·
// expect nofile FILE · expect file FILE FILE (the same picture) · expect ended finished|abandoned|restart
void TestScene::expect(const QStringList& words)
{
    const QString what = words.value(0), arg = words.value(1);
    QGraphicsItem* top = m_scene->marks(Qt::DescendingOrder).value(0);
    if (what == QLatin1String("marks")) {
        QCOMPARE(m_scene->marks().size(), arg.toInt());
    } else if (what == QLatin1String("view") || what == QLatin1String("strip") || what == QLatin1String("magnifier")) {
        const bool shown = what == QLatin1String("view")    ? m_view->isVisible()
                           : what == QLatin1String("strip") ? m_view->editDialog()->isVisible()
                                                            : m_background->magnifierShown();
        QCOMPARE(shown, arg == QLatin1String("shown"));
    } else if (what == QLatin1String("mode")) {
        QCOMPARE(kModes.value(int(m_scene->drawMode())), arg);
    } else if (what == QLatin1String("selection")) {
        QCOMPARE(m_background->selectionRect(), QRectF(rect(arg)));
    } else if (what == QLatin1String("points")) {
        QVector<QPointF> points;
        for (const QString& p : words.mid(1))
            points << point(p);
        QCOMPARE(::markHandles(top), points);
    } else if (what == QLatin1String("chosen")) {
        QCOMPARE(m_scene->selectedMark(), m_scene->marks().value(arg.toInt() - 1));
    } else if (what == QLatin1String("text")) {
        auto* text = dynamic_cast<CDrawTextItem*>(top);
        QVERIFY(text && !m_scene->isTypingText());
        QCOMPARE(text->toPlainText(), arg);
    } else if (what == QLatin1String("pixel")) {
        const QPoint p = point(arg).toPoint();
        const QRgb want = words.value(2) == QLatin1String("desktop") ? m_desktop.pixel(p) : QColor(words.value(2)).rgba();
        QCOMPARE(QColor::fromRgba(onScreen(p)), QColor::fromRgba(want));
        QCOMPARE(QColor::fromRgba(inPicture(p)), QColor::fromRgba(want));
    } else if (what == QLatin1String("file") || what == QLatin1String("nofile")) {
        waitForPictureFiles();
        QFile file(m_dir.filePath(arg));
        QCOMPARE(file.open(QIODevice::ReadOnly), what == QLatin1String("file"));
        if (words.value(2) == QLatin1String("precious"))
            QCOMPARE(file.readAll(), QByteArray("precious"));
        else if (file.isOpen()) // as the picture is now, or as another file holds it
            QCOMPARE(differingPixels(QImage::fromData(file.readAll()),
                                     words.value(2) == QLatin1String("picture") ? m_scene->renderSelection()
                                                                              : QImage(m_dir.filePath(words.value(2)))),
                     0);
    } else if (what == QLatin1String("ended")) {
        QCOMPARE(m_ended, QStringList{arg});
    } else {
        QFAIL(qPrintable(QStringLiteral("unknown expectation ") + words.join(QLatin1Char(' '))));
    }
}

// A right click at a scene position, and an entry of the menu that opens
// chosen with the keyboard; a disabled entry closes the menu.
void TestScene::chooseFromMenu(const QPointF& at, const QString& entry)
{
    const QPoint local = m_view->mapFromScene(at);
    const QPoint global = m_view->viewport()->mapToGlobal(local);
    QCursor::setPos(global);
    press(at, Qt::RightButton);
    QTimer::singleShot(0, this, [entry] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (QAction* action : menu->actions()) {
            if (action->text() == entry && action->isEnabled()) {
                menu->setActiveAction(action);
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        }
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, local, global);
    QApplication::sendEvent(m_view->viewport(), &event);
    release(at, Qt::RightButton);
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
    QCOMPARE(m_scene->selectedMark(), box);
    drag({230, 200}, {260, 240}); // its bottom right handle
    QCOMPARE(markOutline(box), QRectF(130, 120, 130, 120));
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
    QCOMPARE(markOutline(box), QRectF(130, 120, 100, 80));
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(markOutline(box), QRectF(100, 100, 100, 80));
    key(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(marks().isEmpty());
    QVERIFY(!m_scene->undoStack()->canUndo());

    for (int i = 0; i < 4; ++i)
        key(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(markOutline(box), QRectF(130, 120, 130, 120));
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
    QGraphicsItem* line = m_scene->selectedMark();
    QCOMPARE(::markHandles(line), (QVector<QPointF>{{120, 200}, {280, 200}}));
    QCOMPARE(differingPixels(m_scene->renderSelection(), plain), 0);
    drag({280, 200}, {290, 240});
    QCOMPARE(::markHandles(line), (QVector<QPointF>{{120, 200}, {290, 240}}));
    drag({205, 220}, {195, 200}); // moved, its handles go with it
    QCOMPARE(::markHandles(line), (QVector<QPointF>{{110, 180}, {280, 220}}));
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
