// One snapshot driven through its scene: the pick, the marks, undo and redo,
// the rendered picture, finishing and saving it, the veil and the strips.
#include "SceneHarness.h"
#include "annotate/ColorComboBox.h"
#include "annotate/DrawTextItem.h"
#include "annotate/SnapshotProp.h"
#include "annotate/StripGeometry.h"
#include "annotate/ToolRegistry.h"
#include "app/Startup.h"
#include "capture/EditPlacement.h"
#include "capture/FinishNotice.h"
#include "capture/Finisher.h"
#include "capture/LabelGlyphs.h"
#include "capture/SGraphicsPixmapItem.h"
#include "config/AppConfig.h"
#include "output/FinishedPicture.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QImageReader>
#include <QImageWriter>
#include <QMenu>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStyleOptionGraphicsItem>
#include <QTemporaryDir>
#include <QUndoStack>

#include <csignal>
#include <sys/resource.h>

using TestSupport::Answers;
using TestSupport::differingPixels;
using TestSupport::over;

namespace {

// Two windows, one in front of the other.
QRect fakeWindowAt(const QPoint& p, quint32)
{
    for (const QRect& r : {QRect(100, 80, 200, 150), QRect(50, 50, 500, 400)})
        if (r.contains(p))
            return r;
    return QRect();
}

// The tool strip's buttons from left to right, the modes by number and their icons.
const QStringList kButtons = {"Select", "Line",     "LineArrow", "Rectangle", "Polygon",     "Ellipse",
                              "Draw",   "Text",     "Erase",     "Hide",      "Highlighter", "Steps",
                              "Pin",    "CopyText", "Save",      "Cancel",    "Ok"};
const QStringList kModes = {"None",  "Select", "Line", "LineArrow", "Rectangle", "Ellipse",     "Polygon",
                            "Curve", "Draw",   "Text", "Erase",     "Hide",      "Highlighter", "Steps"};
const QStringList kIcons = {"select", "select", "line", "line_arrow", "rect", "ellipse",     "polygon",
                            "",       "draw",   "text", "erase",      "hide", "highlighter", "steps"};

QPointF point(const QString& text)
{
    return QPointF(text.section(QLatin1Char(','), 0, 0).toDouble(),
                   text.section(QLatin1Char(','), 1, 1).toDouble());
}

QRect rect(const QString& text)
{
    const QStringList v = text.split(QLatin1Char(','));
    return QRect(v.value(0).toInt(), v.value(1).toInt(), v.value(2).toInt(), v.value(3).toInt());
}

const QColor kDesktop(40, 90, 200), kVeiled(83, 114, 181);

QImage paintWhole(CSGraphicsPixmapItem& item)
{
    QImage image(item.pixmap().size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QStyleOptionGraphicsItem option;
    option.exposedRect = item.boundingRect();
    item.paint(&painter, &option, nullptr);
    return image;
}

class PaintLog : public QObject
{
public:
    qint64 pixels = 0;
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        ++paints;
        for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
            pixels += qint64(r.width()) * r.height();
        return false;
    }
};

} // namespace

class TestScene : public QObject, private SceneHarness
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
    void handles();
    void restingPointer();
    void doubleClickFinishes_data();
    void doubleClickFinishes();
    void finish_data();
    void finish();
    void failedWrites();
    void finisher_data();
    void finisher();
    void saveFolder();
    void labelText();
    void veilAndHole_data();
    void veilAndHole();
    void crosshairWithinPixel();
    void partialRepaintMatchesFullRepaint();
    void movesPacedByFrames();
    void strips();

private:
    void open(bool exposed = true, bool stripsInside = false);
    void step(const QString& step); // of a scripted snapshot, see toolsKeysAndMenus
    void expect(const QStringList& words);
    void chooseFromMenu(const QPointF& at, const QString& entry);
    QImage onScreen();   // without the crosshair
    QImage inPicture();  // laid where it is on the desktop
    QStringList m_ended; // finished, abandoned, restart
    QStringList m_told;  // the finish notices
    QImage m_desktop;
    QTemporaryDir m_dir;
    CSGraphicsPixmapItem* m_background = nullptr;
};

void TestScene::initTestCase()
{
    quietOffscreenWarnings();
    initVireoscapeResources();
    setApplicationIdentity();
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
    AppConfig.CopyToClipboardAfterFinish = false;
    AppConfig.SnapshotFilePath = m_dir.path();
    AppConfig.SnapshotFileName = QStringLiteral("pick");
    QDir(m_dir.path()).removeRecursively();
    QDir().mkpath(m_dir.path());
    QGuiApplication::clipboard()->clear();
    m_told.clear();
    FinishNotice::setShower([this](const QString& text) { m_told << text; });
}

void TestScene::cleanup()
{
    waitForPictureFiles();
    m_view.reset();
    FinishNotice::setShower(nullptr);
}

void TestScene::open(bool exposed, bool stripsInside)
{
    makeView(m_desktop, stripsInside);
    m_scene->setWindowFinder(fakeWindowAt);
    m_background = m_scene->backgroundItem();
    m_view->setRestartKey(QKeySequence(QStringLiteral("Alt+S")));
    m_ended.clear();
    connect(m_view.get(), &CDrawView::finished, this, [this] { m_ended << QStringLiteral("finished"); });
    connect(m_view.get(), &CDrawView::abandoned, this, [this] { m_ended << QStringLiteral("abandoned"); });
    connect(m_view.get(), &CDrawView::restartRequested, this,
            [this] { m_ended << QStringLiteral("restart"); });
    showView(exposed);
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

// A press over the front window, dragged or not; then the highlight stays.
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
    QCOMPARE(m_view->editDialog()->isVisible(), button == Qt::LeftButton);
}

void TestScene::adjustPick_data()
{
    QTest::addColumn<QPointF>("from"); // a drag, unless a key is given
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<int>("keyCode");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QRectF>("expected");
    QTest::addColumn<bool>("moves"); // the drag moves the pick (from inside it)
    const auto handle = [](const char* name, QPointF from, QPointF to, QRectF expected, bool moves = false) {
        QTest::newRow(name) << from << to << 0 << 0 << expected << moves;
    };
    handle("top left, a pixel off", {101, 99}, {90, 95}, {90, 95, 210, 155});
    handle("top edge", {200, 100}, {200, 60}, {100, 60, 200, 190});
    handle("top right to the desktop's corner", {300, 100}, {639, 0}, {100, 0, 539, 250});
    handle("right edge", {300, 175}, {420, 180}, {100, 100, 320, 150});
    handle("right edge onto the left one", {300, 175}, {100, 175}, {100, 100, 1, 150});
    handle("bottom right", {300, 250}, {341, 283}, {100, 100, 241, 183});
    handle("bottom edge onto the top one", {200, 250}, {200, 100}, {100, 100, 200, 1});
    handle("bottom left", {100, 250}, {60, 300}, {60, 100, 240, 200});
    handle("left edge past the right one", {100, 175}, {350, 175}, {300, 100, 50, 150});
    handle("inside moves", {200, 175}, {231.4, 159.6}, {131, 85, 200, 150}, true);
    handle("inside, near a handle, moves", {112, 112}, {102, 132}, {90, 120, 200, 150}, true);
    handle("moved onto the top left corner", {200, 175}, {40, 20}, {0, 0, 200, 150}, true);
    handle("moved past the bottom right corner", {200, 175}, {900, 700}, {440, 330, 200, 150}, true);
    handle("outside replaces", {400, 300}, {500, 420}, {400, 300, 100, 120});
    // Arrows move the pick, with Shift they resize it.
    const int shift = Qt::ShiftModifier;
    for (const auto& [name, key, modifiers, expected] :
         {std::tuple{"Left", Qt::Key_Left, 0, QRectF(99, 100, 200, 150)},
          {"Right", Qt::Key_Right, 0, QRectF(101, 100, 200, 150)},
          {"Up", Qt::Key_Up, 0, QRectF(100, 99, 200, 150)},
          {"Down", Qt::Key_Down, 0, QRectF(100, 101, 200, 150)},
          {"Shift+Right", Qt::Key_Right, shift, QRectF(100, 100, 201, 150)},
          {"Shift+Left", Qt::Key_Left, shift, QRectF(100, 100, 199, 150)},
          {"Shift+Down", Qt::Key_Down, shift, QRectF(100, 100, 200, 151)},
          {"Shift+Up", Qt::Key_Up, shift, QRectF(100, 100, 200, 149)}})
        QTest::newRow(name) << QPointF() << QPointF() << int(key) << modifiers << expected << false;
}

// A pick adjusted by a handle, a key, moved from inside (the move pointer, no
// magnifier) or replaced (the magnifier beside the pointer, C copies its
// colour); the picture is exactly the adjusted area.
void TestScene::adjustPick()
{
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(int, keyCode);
    QFETCH(int, modifiers);
    QFETCH(QRectF, expected);
    QFETCH(bool, moves);
    open();
    drag({100, 100}, {300, 250});
    QVERIFY(m_background->handlesShown());
    QSignalSpy picked(m_scene, &CSGraphicsScene::picked);
    const auto pointerShape = [this] { return m_view->viewport()->cursor().shape(); };
    if (keyCode) {
        key(keyCode, Qt::KeyboardModifiers(modifiers));
    } else if (moves) {
        move(from);
        QCOMPARE(pointerShape(), Qt::SizeAllCursor);
        press(from);
        move(to, Qt::LeftButton);
        QVERIFY(!m_background->magnifierShown());
        QCOMPARE(pointerShape(), Qt::SizeAllCursor);
        release(to);
        QCOMPARE(picked.size(), 1);
        move({600, 20});
        QCOMPARE(pointerShape(), Qt::ArrowCursor);
    } else {
        move(from);
        QCOMPARE(pointerShape(), Qt::ArrowCursor);
        press(from);
        move(to, Qt::LeftButton);
        QVERIFY(m_background->magnifierShown());
        const QRect box = m_background->magnifierRect(to);
        QVERIFY(!box.adjusted(-5, -5, 5, 5).contains(to.toPoint()));
        QVERIFY(m_desktop.rect().contains(box));
        QTest::qWait(40); // the pointer layer follows once a frame
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(m_view->winId()).toImage();
        const int zoom = m_background->magnifierZoom();
        const int reach = CSGraphicsPixmapItem::kMagnifierReach;
        // Each desktop pixel is a zoom-sized square, the pointer's in the middle.
        for (const QPoint d : {QPoint(0, 0), QPoint(-2, 1)}) {
            const QPoint cell = box.topLeft() + QPoint(1, 1) + (QPoint(reach, reach) + d) * zoom;
            QCOMPARE(screen.pixel(cell + QPoint(zoom / 2, zoom / 2)), m_desktop.pixel(to.toPoint() + d));
        }
        key(Qt::Key_C);
        QCOMPARE(QGuiApplication::clipboard()->text(), m_desktop.pixelColor(to.toPoint()).name());
        release(to);
        QVERIFY(!m_background->magnifierShown());
        QCOMPARE(picked.size(), 1);
        QGuiApplication::clipboard()->clear();
        key(Qt::Key_C); // nothing without the magnifier
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    }
    QCOMPARE(m_background->selectionRect(), expected);
    QCOMPARE(differingPixels(m_scene->renderSelection(), m_desktop.copy(expected.toRect())), 0);
}

void TestScene::picture_data()
{
    QTest::addColumn<QRectF>("selection");
    QTest::addColumn<QRect>("expected"); // the desktop's part, in picture coordinates
    QTest::addColumn<QSize>("size");
    QTest::newRow("fractions truncate")
        << QRectF(100.7, 50.2, 200.9, 120.5) << QRect(0, 0, 200, 120) << QSize(200, 120);
    QTest::newRow("past the top left corner")
        << QRectF(-10, -5, 50, 40) << QRect(10, 5, 40, 35) << QSize(50, 40);
    QTest::newRow("nothing selected: the whole desktop")
        << QRectF(0, 0, 0, 0) << QRect(0, 0, 640, 480) << QSize(640, 480);
}

// The desktop's pixels, transparent outside it, with no veil or crosshair.
void TestScene::picture()
{
    QFETCH(QRectF, selection);
    QFETCH(QRect, expected);
    QFETCH(QSize, size);
    open();
    m_scene->pick().setRect(selection);
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
    QTest::addColumn<QString>("settings"); // KEY=VALUE|..., as stored
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("paint"); // RECT COLOUR [ALPHA], laid over the desktop in this order
    QTest::addColumn<QString>("skip");  // rectangles not compared: antialiased corners
    const auto row = [](const char* name, const char* settings, const char* steps, const char* paint,
                        const char* skip = "") {
        QTest::newRow(name) << QString(settings) << QString(steps) << QString(paint) << QString(skip);
    };
    const char* line = "tool Line; drag 100,100 200,100";
    const char* box = "tool Rectangle; drag 100,100 200,160";
    const char* polygon =
        "tool Polygon; click 100,100; click 200,100; click 200,160; click 100,160; rclick 100,160";
    // Square caps reach half the 4-pixel pen past a line's ends. Shadows are
    // grey, 2 px right and down: a line's with the pen's alpha less 20, others' 125.
    row("line", "", line, "100,100,104,4 grey 235; 98,98,104,4 red");
    row("line without shadow", "SnapshotShadow=false", line, "98,98,104,4 red");
    row("framed rectangle", "", box, "100,100,104,64 grey 125; 98,98,104,64 red; 102,102,96,56 blue",
        "98,98,2,2 200,98,2,2 98,160,2,2 200,160,2,2 202,100,2,2 100,162,2,2 202,162,2,2");
    row("half-transparent fill, no frame", "FrameCheck=false|Transparent=50", box,
        "102,102,100,60 grey 125; 100,100,100,60 blue 127");
    // A first run's colour 0 is black with the transparency's alpha.
    row("first run: black fill", "FrameCheck=false|Transparent=80|FillColor=0", box,
        "102,102,100,60 grey 125; 100,100,100,60 black 204");
    row("polygon", "FrameCheck=false|Transparent=50", polygon,
        "102,102,100,60 grey 125; 100,100,100,60 blue 127");
    row("polygon without shadow", "FrameCheck=false|Transparent=50|SnapshotShadow=false", polygon,
        "100,100,100,60 blue 127");
    row("free hand", "",
        "tool Draw; press 100,100; move 150,100 left; move 200,100 left; move 200,130 left;"
        "move 200,160 left; release 200,160",
        "100,100,102,4 grey 125; 200,102,4,62 grey 125; 98,98,102,4 red; 198,100,4,62 red",
        "200,98,2,2 202,100,2,2");
}

// Marks against pixels worked out from where they were dragged, in the
// picture and on the screen.
void TestScene::markPixels()
{
    QFETCH(QString, settings);
    QFETCH(QString, steps);
    QFETCH(QString, paint);
    QFETCH(QString, skip);
    AppConfig.SnapshotShadow = true;
    AppConfig.FrameWidth = 4;
    TestSupport::Settings stored = TestSupport::settingsAsText(AppConfig);
    stored.insert(TestSupport::settings(settings));
    TestSupport::storeSettings(stored);
    AppConfig.load();
    open();
    const QRect pick(50, 50, 250, 150);
    drag(pick.topLeft(), pick.topLeft() + QPoint(pick.width(), pick.height()));
    for (const QString& s : steps.split(';'))
        step(s.trimmed());
    move({600, 450}); // the crosshair away from the marks

    QImage expected = m_desktop.convertToFormat(QImage::Format_ARGB32);
    for (const QString& op : paint.split(';')) {
        const QStringList w = op.split(' ', Qt::SkipEmptyParts);
        QColor colour = w.value(1) == "grey" ? QColor(125, 125, 125) : QColor(w.value(1));
        colour.setAlpha(w.value(2, "255").toInt());
        const QRect r = rect(w.value(0));
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                expected.setPixel(x, y, over(expected.pixel(x, y), colour));
    }
    QImage picture = m_scene->renderSelection();
    QImage screen = m_view->viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32).copy(pick);
    expected = expected.copy(pick);
    QPainter blank[3] = {QPainter(&picture), QPainter(&screen), QPainter(&expected)};
    for (QPainter& painter : blank) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QString& r : skip.split(' ', Qt::SkipEmptyParts))
            painter.fillRect(rect(r).translated(-pick.topLeft()), Qt::transparent);
        painter.end();
    }
    QCOMPARE(differingPixels(picture, expected), 0);
    // On the screen the pick's outline covers its edge pixels.
    const QRect inside = QRect(QPoint(0, 0), pick.size()).adjusted(1, 1, -1, -1);
    QCOMPARE(differingPixels(screen.copy(inside), expected.copy(inside)), 0);
}

void TestScene::toolsKeysAndMenus_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("stripsInside"); // child widgets of the view, as on Wayland
    const auto row = [](const char* name, const char* steps, bool inside = false) {
        QTest::newRow(name) << QString(steps) << inside;
    };
    row("every change undone and redone",
        "tool Rectangle; drag 100,100 200,180; tool Select; drag 100,140 130,160; expect chosen 1;"
        "drag 230,200 260,240; expect outline 130,120,130,120; expect pixel 195,180 blue;"
        "expect pixel 110,110 desktop; frame lime; expect pen lime; move 600,450; expect pixel 130,180 lime;"
        "fill yellow; expect pixel 195,180 yellow; tool Rectangle; drag 200,200 300,300; tool Line;"
        "drag 120,380 400,380; tool Erase; click 230,220; expect marks 1; key Ctrl+Z; expect marks 3;"
        "expect pixel 250,380 lime; expect pixel 280,280 yellow; key Ctrl+Z Ctrl+Z; expect marks 1;"
        "key Ctrl+Z; expect pixel 195,180 blue; key Ctrl+Z; expect pen red; key Ctrl+Z;"
        "expect outline 130,120,100,80; key Ctrl+Z; expect outline 100,100,100,80; key Ctrl+Z;"
        "expect history 0 8; key Ctrl+Y Ctrl+Y Ctrl+Y Ctrl+Y Ctrl+Y; expect outline 130,120,130,120;"
        "expect pixel 130,180 lime; expect pixel 195,180 yellow; key Ctrl+Shift+Z Ctrl+Shift+Z Ctrl+Shift+Z;"
        "expect history 8 0; expect marks 1; tool Select; click 250,380; key Delete; expect marks 0;"
        "key Ctrl+Z; expect history 8 1; tool Rectangle; drag 300,300 350,350; expect history 9 0;"
        "tool Select; click 500,100; expect chosen 0; frame blue; expect pen lime; click 320,320; alpha 60;"
        "alpha 40; expect history 10 0; key Ctrl+Z; expect pen lime");
    // The later mark lies on top, on the screen and in the picture, after undo and redo.
    row("erased mark comes back under the other",
        "tool Rectangle; drag 100,100 200,200; fill lime; drag 150,150 250,250; tool Erase; click 110,110;"
        "expect marks 1; key Ctrl+Z; expect pixel 175,175 lime; expect pixel 120,120 blue; key Ctrl+Y;"
        "expect pixel 120,120 desktop; key Ctrl+Shift+Z; key Ctrl+Z; expect marks 2;"
        "expect pixel 175,175 lime");
    row("Select takes the mark on top; Backspace removes it",
        "tool Rectangle; drag 100,100 200,200; fill lime; drag 150,150 250,250; tool Select; click 175,175;"
        "expect chosen 2; key Backspace; expect marks 1; expect pixel 175,175 blue; key Ctrl+Z;"
        "expect pixel 175,175 lime; click 120,120; expect chosen 1");
    row("a line chosen, reshaped, moved and put back",
        "drag 100,100 300,250; set FrameWidth 1; tool Line; drag 120,200 280,200; tool Select; click 200,208;"
        "expect chosen 0; click 200,203; expect chosen 1; click 200,240; expect chosen 0; click 200,196;"
        "expect chosen 1; click 150,170; expect chosen 0; click 283,200; expect chosen 1;"
        "drag 280,200 290,240; expect points 120,200 290,240; drag 205,220 195,200;"
        "expect points 110,180 280,220; key Ctrl+Z; expect points 120,200 290,240; key Ctrl+Z;"
        "expect points 120,200 280,200");
    row("polygon: clicks, an edge to the pointer, a right click ends it",
        "tool Polygon; click 100,100; click 200,100; move 220,180; expect points 100,100 200,100 220,180;"
        "click 200,160; move 130,170; rclick 130,170; expect points 100,100 200,100 200,160;"
        "expect pixel 180,120 blue; tool Select; click 180,120; drag 200,160 230,180;"
        "expect points 100,100 200,100 230,180; key Ctrl+Z; expect points 100,100 200,100 200,160;"
        "tool Polygon; click 300,100; click 350,100; dblclick 350,150; expect view shown; expect marks 2;"
        "expect points 300,100 350,100 350,150 350,150");
    // The odd-even rule: a star's middle stays clear.
    row("star", "tool Polygon; click 200,100; click 259,281; click 105,169; click 295,169; click 141,281;"
                "rclick 141,281; expect pixel 200,130 blue; expect pixel 200,200 desktop");
    row("a polygon of one click", "tool Polygon; click 100,100; move 200,150; rclick 200,150;"
                                  "expect pixel 150,125 desktop");
    row("shadows of ellipses and texts, a text's fill",
        "shadow on; tool Ellipse; drag 100,100 200,160; expect shadow 200,100,6,66 some; shadow off;"
        "drag 300,100 400,160; expect shadow 400,100,6,66 none; alpha 50; frame off; tool Text;"
        "click 100,330; type Hi; key Escape; expect pixel 102,332 blue/127; fill off; click 100,250; type Hi;"
        "key Escape; expect shadow 100,250,40,30 none; shadow on; click 300,250; type Hi; key Escape;"
        "expect shadow 300,250,40,30 some");
    // An exact hit lower down wins over a near one on top.
    row("the chosen mark's look",
        "tool Rectangle; drag 100,100 200,200; set FrameWidth 1; tool Line; drag 120,150 180,150;"
        "tool Select; click 150,153; expect chosen 1; click 150,150; expect chosen 2; click 150,180;"
        "alpha 40; click 500,100; expect pixel 99,180 red/102; expect pixel 150,180 blue/102; tool Text;"
        "click 300,300; type Hi; key Escape; tool Select; click 305,305; expect chosen 3; set FrameWidth 5;"
        "expect history 5 0; key Ctrl+Z; expect history 4 1");
    row("fill ticked for the chosen box",
        "fill off; tool Rectangle; drag 100,100 200,200; expect pixel 150,150 desktop; tool Select;"
        "click 100,150; expect chosen 1; fill on; expect pixel 150,150 blue; key Ctrl+Z;"
        "expect pixel 150,150 desktop");
    row("the eraser takes a thin line from a few pixels away",
        "set FrameWidth 1; tool Line; drag 100,300 300,300; tool Erase; click 200,310; expect marks 1;"
        "click 200,303; expect marks 0");
    row("keys held down act once",
        "held-key Return Ctrl+C Ctrl+S; expect view shown; expect nofile pick.png; key Return;"
        "expect ended finished");
    row("a pick shrunk with the keys keeps a pixel",
        "drag 100,100 103,103; key Shift+Left Shift+Left Shift+Left Shift+Up Shift+Up Shift+Up;"
        "expect selection 100,100,1,1");
    row("the whole desktop picked: its picture has the marks",
        "drag 0,0 640,480; expect selection 0,0,640,480; tool Rectangle; drag 100,100 200,200;"
        "expect pixel 150,150 blue");
    row("arrow head at the end",
        "tool LineArrow; drag 100,300 300,300; expect pixel 200,300 red; expect pixel 291,302 red;"
        "expect pixel 200,303 desktop; expect points 100,300 300,300");
    row("Escape while drawing drops only that mark",
        "tool Rectangle; drag 100,100 200,200; tool Line; press 250,250; move 300,300 left; key Escape;"
        "release 300,300; expect marks 1; expect view shown; key Ctrl+Z; expect marks 0; key Ctrl+Y Ctrl+Y;"
        "expect marks 1; key Escape Escape; expect view hidden; expect ended abandoned");
    // Marks go with a second Escape within two seconds.
    row("Escape with no marks cancels at once", "key Escape; expect view hidden; expect ended abandoned");
    row("Escape over marks: the first one says how, a late second one says it again",
        "tool Rectangle; drag 100,100 200,200; key Escape; expect view shown; expect marks 1;"
        "expect hint discard; wait 2500; expect hint none; key Escape; expect view shown;"
        "expect hint discard; wait 1500; key Escape; expect view hidden; expect ended abandoned");
    row("text: an empty box goes, Escape ends the typing, then the snapshot",
        "tool Text; click 300,300; click 120,120; type Hi; expect marks 1; key Escape; expect text Hi;"
        "expect pixel 123,123 blue; expect pixel 120,130 red; expect ink 124,124,20,20 blue; key Ctrl+Z;"
        "expect marks 0; key Ctrl+Y; expect text Hi; key Escape Escape; expect view hidden;"
        "expect ended abandoned");
    row("menu: Undo, Redo; Reselect picks anew and undo brings nothing back",
        "tool Rectangle; drag 100,100 200,200; menu 300,300 Undo; expect marks 0; menu 300,300 Redo;"
        "expect marks 1; menu 150,120 Reselect snapshot area; expect marks 0; expect strip hidden;"
        "expect mode None; expect magnifier shown; expect selection 100,80,200,150; key Ctrl+Z;"
        "expect marks 0; move 60,60; expect selection 50,50,500,400; click 150,120;"
        "expect selection 100,80,200,150; expect strip shown; expect pixel 150,150 desktop");
    row("every tool button; Cancel ends without a picture",
        "tool Line; expect mode Line; tool LineArrow; expect mode LineArrow; tool Rectangle;"
        "expect mode Rectangle; tool Polygon; expect mode Polygon; tool Ellipse; expect mode Ellipse;"
        "tool Draw; expect mode Draw; tool Text; expect mode Text; tool Erase; expect mode Erase;"
        "tool Select; expect mode Select; tool Cancel; expect view hidden; expect ended finished;"
        "expect nofile pick.png");
    // After a click into a strip the keys are the strip's; Enter in its text field never finishes.
    row("the transparency typed; Enter and Escape after a click into the strips",
        "tool Rectangle; strip-click transparentEdit; key End Backspace Backspace Backspace; type 30;"
        "expect alpha 30; key Return; expect view shown; expect nofile pick.png; drag 100,100 200,200;"
        "expect pixel 150,150 blue/76; tool Line; key Escape; expect view shown; expect hint discard;"
        "key Escape; expect view hidden; expect ended finished; expect nofile pick.png");
    row("text on a box of its own colour reads in black or white",
        "alpha 100; frame off; fill on; fill black; font black; tool Text; click 120,120; type HHHH;"
        "key Escape; expect some 120,120,60,30 white 10; expect some 120,120,60,30 black 100; fill yellow;"
        "font yellow; tool Text; click 120,220; type HHHH; key Escape; expect some 120,220,60,30 black 10;"
        "fill red; font black; tool Text; click 320,220; type HHHH; key Escape;"
        "expect some 320,220,60,30 black 10");
    row("Tab, Shift+Tab and Space in the strips",
        "key Tab; key Tab; key Space; expect mode Line; key Shift+Tab; key Space; expect mode Select;"
        "tool Rectangle; key Tab; key Space; expect mode Polygon; key Shift+Tab; key Space;"
        "expect mode Rectangle");
    // Shift+Tab from the property strip's first control goes to OK, Tab back.
    for (bool inside : {false, true})
        row(inside ? "inside: Tab and Shift+Tab across the strips" : "Tab and Shift+Tab across the strips",
            "tool Rectangle; strip-click frameCheckBox; key Shift+Tab; key Tab; key Space;"
            "drag 100,100 200,200; expect pixel 100,150 red; strip-click frameCheckBox; key Shift+Tab;"
            "key Space; expect view hidden; expect ended finished",
            inside);
    for (bool inside : {false, true})
        for (const char* control : {"tool Line", "tool Rectangle; strip-click frameCheckBox"})
            QTest::newRow(
                qPrintable(QStringLiteral("%1Enter after %2").arg(inside ? "inside: " : "", control)))
                << QStringLiteral("save shot.png; %1; key Return; expect view hidden; expect ended finished;"
                                  "expect file pick.png shot.png")
                       .arg(control)
                << inside;
    row("Escape on the tool strip ends as Cancel",
        "strip-key Escape; expect view hidden; expect ended finished; expect nofile pick.png");
    // Strips inside the view keep to its edges (640x480 on an 800x600 monitor,
    // the strip 680 wide); the keys go by the focus.
    row("windows: placed beside the pick on the monitor",
        "expect strips windows; expect place 50,425; tool Rectangle; expect place 50,425");
    row("inside: over the top of a pick with no room below nor above",
        "expect strips inside; expect place 0,40", true);
    row("inside: below a pick",
        "drag 100,100 300,200; expect place 0,205; tool Rectangle; expect place 0,205", true);
    row("inside: above a pick near the bottom", "drag 200,400 600,470; expect place 0,355", true);
    row("inside: keys after a click on a strip and on the picture",
        "tool Rectangle; key E; expect mode Ellipse; drag 100,100 200,200; expect marks 1; key Escape;"
        "expect view shown; expect hint discard; tool Line; key Escape; expect view hidden;"
        "expect ended finished; expect nofile pick.png",
        true);
    row("inside: a press on the picture takes the keys back from the strip's text field",
        "tool Rectangle; strip-click transparentEdit; drag 100,100 200,200; key Return; expect view hidden;"
        "expect ended finished",
        true);
    row("the start key starts over", "key Alt+S; expect view hidden; expect ended restart");
    row("Save picture, over an existing name only when told",
        "tool Rectangle; drag 100,100 200,200; save shot.png; expect file shot.png picture;"
        "expect notice shot.png; write taken.png; save taken.png no; expect file taken.png precious;"
        "tool Save taken.png yes; expect file taken.png picture; expect view shown; tool Ok;"
        "expect view hidden; expect file pick.png shot.png");
    row("Save picture without notices",
        "notices off; save shot.png; expect file shot.png picture; expect notice none");
}

// A snapshot driven step by step (see step() and expect()), from a pick
// unless the first step drags one.
void TestScene::toolsKeysAndMenus()
{
    QFETCH(QString, steps);
    QFETCH(bool, stripsInside);
    open(true, stripsInside);
    if (!steps.startsWith("drag")) // the pick
        steps.prepend("drag 50,40 550,420;");
    for (const QString& s : steps.split(';', Qt::SkipEmptyParts)) {
        step(s.trimmed());
        if (QTest::currentTestFailed()) {
            qWarning("at step \"%s\"", qPrintable(s.trimmed()));
            return;
        }
    }
}

void TestScene::step(const QString& step)
{
    const QStringList w = step.split(' ', Qt::SkipEmptyParts);
    const QString verb = w.value(0), arg = w.value(1);
    const QPointF at = point(arg);
    CSnapshotProp* prop = m_view->editDialog()->propDialog();
    if (verb == "tool") {
        const QList<QPushButton*> buttons =
            m_view->editDialog()->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly);
        QVERIFY(kButtons.indexOf(arg) >= 0 && buttons.size() == kButtons.size());
        Answers answers(w.size() > 2 ? m_dir.filePath(w.value(2)) : QString()); // for "Save picture"
        answers.yes = w.value(3) == "yes";
        QTest::mouseClick(buttons.at(kButtons.indexOf(arg)), Qt::LeftButton);
    } else if (verb == "press" || verb == "release") {
        mouse(verb == "press" ? QEvent::GraphicsSceneMousePress : QEvent::GraphicsSceneMouseRelease, at,
              Qt::LeftButton, verb == "press" ? Qt::LeftButton : Qt::NoButton);
    } else if (verb == "click" || verb == "dblclick") {
        move(at);
        click(at);
        if (verb == "dblclick") {
            mouse(QEvent::GraphicsSceneMouseDoubleClick, at, Qt::LeftButton, Qt::LeftButton);
            release(at);
        }
    } else if (verb == "rclick") {
        press(at, Qt::RightButton);
        release(at, Qt::RightButton);
    } else if (verb == "move") {
        move(at, w.value(2) == "left" ? Qt::LeftButton : Qt::NoButton);
    } else if (verb == "drag") {
        drag(at, point(w.value(2)));
    } else if (verb == "key" || verb == "strip-key" || verb == "held-key") {
        QWidget* target = verb == "strip-key" ? m_view->editDialog() : keyTarget();
        for (const QString& k : w.mid(1)) {
            const QKeyCombination c = QKeySequence::fromString(k)[0];
            if (verb == "held-key") { // the repeats of a key held down
                QKeyEvent repeat(QEvent::KeyPress, c.key(), c.keyboardModifiers(), QString(), true);
                QApplication::sendEvent(target, &repeat);
            } else {
                QTest::keyClick(target, c.key(), c.keyboardModifiers());
            }
        }
    } else if (verb == "type") {
        QTest::keyClicks(keyTarget(), arg);
    } else if ((verb == "frame" || verb == "fill") && (arg == "on" || arg == "off")) {
        prop->findChild<QCheckBox*>(verb + "CheckBox")->setChecked(arg == "on");
    } else if (verb == "frame" || verb == "fill" || verb == "font") {
        prop->findChild<ColorComboBox*>(verb + "ColorComboBox")->setColor(QColor(arg));
    } else if (verb == "strip-click") { // a control of the property strip; keys still come to the view
        QWidget* control = prop->findChild<QWidget*>(arg);
        QVERIFY(control);
        QTest::mouseClick(control, Qt::LeftButton);
    } else if (verb == "shadow") { // as the options set it, for the marks drawn next
        AppConfig.SnapshotShadow = arg == "on";
    } else if (verb == "notices") {
        AppConfig.ShowFinishNotice = arg == "on";
    } else if (verb == "alpha") {
        prop->findChild<QSlider*>("transparentSlider")->setValue(arg.toInt());
    } else if (verb == "set") {
        prop->findChild<QComboBox*>("frameWidthComboBox")->setCurrentText(w.value(2));
    } else if (verb == "menu") {
        chooseFromMenu(at, w.mid(2).join(' '));
    } else if (verb == "save") {
        Answers answers(m_dir.filePath(arg));
        answers.yes = w.value(2) == "yes";
        key(Qt::Key_S, Qt::ControlModifier);
    } else if (verb == "write") {
        QFile file(m_dir.filePath(arg));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("precious") == 8);
    } else if (verb == "wait") {
        QTest::qWait(arg.toInt());
    } else if (verb == "expect") {
        expect(w.mid(1));
    } else {
        QFAIL(qPrintable("unknown step " + step));
    }
}

QImage TestScene::onScreen()
{
    const bool crosshair = m_background->crosshairVisible();
    m_background->setCrosshairVisible(false);
    const QImage screen = m_view->viewport()->grab().toImage();
    m_background->setCrosshairVisible(crosshair);
    return screen;
}

QImage TestScene::inPicture()
{
    const QRectF selection = m_background->selectionRect();
    QImage whole(m_desktop.size(), QImage::Format_ARGB32);
    whole.fill(Qt::transparent);
    QPainter(&whole).drawImage(QPoint(int(selection.x()), int(selection.y())), m_scene->renderSelection());
    return whole;
}

// Pictures are checked on the screen and in the picture; "chosen N" is the
// Nth mark from the bottom (0: none); points, outline and pen are those of
// the chosen or else the top mark; "ink" wants more than 20 pixels of another
// colour than the one given, "some" at least N pixels of it.
void TestScene::expect(const QStringList& words)
{
    const QString what = words.value(0), arg = words.value(1);
    const QList<CDrawObjectItem*> all = m_scene->marks();
    CDrawObjectItem* top = all.isEmpty() ? nullptr : all.last();
    CDrawObjectItem* mark = m_scene->selectedMark() ? m_scene->selectedMark() : top;
    if (what == "marks") {
        QCOMPARE(m_scene->marks().size(), arg.toInt());
    } else if (what == "view" || what == "strip" || what == "magnifier") {
        const bool shown = what == "view"    ? m_view->isVisible()
                           : what == "strip" ? m_view->editDialog()->isVisible()
                                             : m_background->magnifierShown();
        QCOMPARE(shown, arg == "shown");
    } else if (what == "strips") { // inside the view or windows of their own
        CSnapshotEdit* strip = m_view->editDialog();
        for (QWidget* w : {static_cast<QWidget*>(strip), static_cast<QWidget*>(strip->propDialog())})
            QCOMPARE(w->isWindow()                       ? QString("windows")
                     : w->parentWidget() == m_view.get() ? "inside"
                                                         : "?",
                     arg);
    } else if (what == "place") { // of the tool strip in the view; the property strip under it
        CSnapshotEdit* strip = m_view->editDialog();
        QVERIFY(strip->isVisible());
        const QRect tool(m_view->mapFromGlobal(strip->mapToGlobal(QPoint(0, 0))), strip->size());
        QCOMPARE(tool.topLeft(), point(arg).toPoint());
        CSnapshotProp* prop = strip->propDialog();
        if (prop->isVisible()) {
            const QRect under(m_view->mapFromGlobal(prop->mapToGlobal(QPoint(0, 0))), prop->size());
            const int right =
                m_view->stripsInside() ? qMin(tool.right() - 1, m_view->rect().right()) : tool.right() - 1;
            QCOMPARE(under.right(), right);
            QCOMPARE(under.top(), tool.bottom() + 5);
        }
    } else if (what == "mode") {
        QCOMPARE(kModes.value(int(m_scene->drawMode())), arg);
        CSnapshotEdit* strip = m_view->editDialog();
        QCOMPARE(strip->propDialog()->isVisible(), !QStringList({"None", "Select", "Erase"}).contains(arg));
        const QString icon = ":/Resources/ico_btn_" + kIcons.value(kModes.indexOf(arg)) + ".png";
        QCOMPARE(strip->buttonFor(m_scene->drawMode())->icon().pixmap(16).toImage(),
                 QIcon(icon).pixmap(16).toImage());
    } else if (what == "selection") {
        QCOMPARE(m_background->selectionRect(), QRectF(rect(arg)));
    } else if (what == "chosen") {
        QCOMPARE(m_scene->selectedMark(), arg.toInt() ? m_scene->marks().value(arg.toInt() - 1) : nullptr);
    } else if (what == "points") {
        QVector<QPointF> points;
        for (const QString& p : words.mid(1))
            points << point(p);
        QVERIFY(mark);
        QCOMPARE(mark->handles(), points);
    } else if (what == "outline") {
        QVERIFY(mark);
        QCOMPARE(mark->outline(), QRectF(rect(arg)));
    } else if (what == "pen") {
        QCOMPARE(dynamic_cast<QAbstractGraphicsShapeItem*>(mark->item())->pen().color(), QColor(arg));
    } else if (what == "hint") {
        const QString hint = m_scene->backgroundItem()->hint();
        QCOMPARE(hint, arg == "discard" ? CSGraphicsScene::discardHint() : QString());
        if (!hint.isEmpty()) // near the pick: over it
            QVERIFY(m_scene->backgroundItem()->hintRect().intersects(
                m_scene->backgroundItem()->selectionRect().toAlignedRect()));
    } else if (what == "text") {
        auto* text = top ? dynamic_cast<CDrawTextItem*>(top->item()) : nullptr;
        QVERIFY(text && !m_scene->isTypingText());
        QCOMPARE(text->toPlainText(), arg);
        QCOMPARE(text->font().pointSize(), AppConfig.FontSize);
    } else if (what == "pixel" || what == "ink") {
        const QRect area = what == "pixel" ? QRect(point(arg).toPoint(), QSize(1, 1)) : rect(arg);
        // COLOUR, COLOUR/ALPHA laid over the desktop, or the desktop.
        const QString name = words.value(2).section('/', 0, 0);
        QColor laid(name);
        laid.setAlpha(words.value(2).section('/', 1, 1).toInt());
        const QRgb desktop = m_desktop.pixel(area.topLeft());
        const QRgb colour = name == "desktop"              ? desktop
                            : words.value(2).contains('/') ? over(desktop, laid)
                                                           : QColor(name).rgba();
        QImage want(area.size(), QImage::Format_ARGB32);
        want.fill(colour);
        for (const QImage& seen : {onScreen().copy(area), inPicture().copy(area)}) {
            const qint64 differing = differingPixels(seen.convertToFormat(QImage::Format_ARGB32), want);
            QVERIFY2(what == "pixel" ? differing == 0 : differing > 20,
                     qPrintable(QStringLiteral("%1 is %2")
                                    .arg(arg, QColor::fromRgba(seen.pixel(0, 0)).name(QColor::HexArgb))));
        }
    } else if (what == "shadow" || what == "some") {
        const QRect area = rect(arg);
        const bool shadow = what == "shadow";
        const QRgb colour = QColor(words.value(2)).rgba();
        for (const QImage& image : {onScreen(), inPicture()}) {
            const QImage seen = image.convertToFormat(QImage::Format_ARGB32);
            int found = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    found += seen.pixel(x, y) ==
                             (shadow ? over(m_desktop.pixel(x, y), QColor(125, 125, 125, 125)) : colour);
            QVERIFY2(shadow && words.value(2) == "none" ? found == 0
                                                        : found >= (shadow ? 1 : words.value(3).toInt()),
                     qPrintable(QString::number(found)));
        }
    } else if (what == "alpha") {
        QCOMPARE(m_view->editDialog()->propDialog()->findChild<QSlider*>("transparentSlider")->value(),
                 arg.toInt());
    } else if (what == "history") {
        const QUndoStack* history = m_scene->undoStack();
        QCOMPARE(history->index(), arg.toInt());
        QCOMPARE(history->count() - history->index(), words.value(2).toInt());
    } else if (what == "file" || what == "nofile") {
        waitForPictureFiles();
        QFile file(m_dir.filePath(arg));
        QCOMPARE(file.open(QIODevice::ReadOnly), what == "file");
        if (words.value(2) == "precious")
            QCOMPARE(file.readAll(), QByteArray("precious"));
        else if (file.isOpen()) // as the picture is now, or as another file holds it
            QCOMPARE(differingPixels(QImage::fromData(file.readAll()),
                                     words.value(2) == "picture" ? m_scene->renderSelection()
                                                                 : QImage(m_dir.filePath(words.value(2)))),
                     0);
    } else if (what == "ended") {
        QCOMPARE(m_ended, QStringList{arg});
    } else if (what == "notice") { // the one near the pick after "Save picture" as FILE; none
        QCOMPARE(m_view->noticeText(),
                 arg == "none"
                     ? QString()
                     : QStringLiteral("Saved to %1. The snapshot stays open: OK saves another copy.")
                           .arg(m_dir.filePath(arg)));
    } else {
        QFAIL(qPrintable("unknown expectation " + words.join(' ')));
    }
}

// An entry of the view's menu chosen by the keyboard; a disabled one closes it.
void TestScene::chooseFromMenu(const QPointF& at, const QString& entry)
{
    const QPoint local = m_view->mapFromScene(at);
    const QPoint global = m_view->viewport()->mapToGlobal(local);
    QCursor::setPos(global);
    press(at, Qt::RightButton);
    QContextMenuEvent event(QContextMenuEvent::Mouse, local, global);
    QApplication::sendEvent(m_view->viewport(), &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    bool chosen = false;
    for (QAction* action : menu->actions()) {
        if (action->text() == entry && action->isEnabled()) {
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
            chosen = true;
            break;
        }
    }
    if (!chosen)
        menu->close();
    QCoreApplication::processEvents();
    release(at, Qt::RightButton);
}

// The pointer resting over a window when the snapshot opens, before any
// move: the window and the magnifier at once; C copies the pixel's colour.
void TestScene::restingPointer()
{
    QCursor::setPos(130, 100);
    open(false);
    m_view->offerPointerWindow(); // as the program does once the window list is known
    QCOMPARE(m_background->selectionRect(), QRectF(100, 80, 200, 150));
    QVERIFY(m_background->magnifierShown());
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    // Within a pixel whose neighbours differ.
    move({131.7, 101.6});
    const QString colour = m_desktop.pixelColor(131, 101).name();
    QVERIFY(colour != m_desktop.pixelColor(132, 102).name() &&
            colour != m_desktop.pixelColor(131, 102).name());
    key(Qt::Key_C);
    QCOMPARE(QGuiApplication::clipboard()->text(), colour);
    QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasImage());
    QCOMPARE(m_view->noticeText(), "Copied " + colour);
    QVERIFY(m_view->isVisible() && m_ended.isEmpty() && m_background->magnifierShown());
    key(Qt::Key_Return);
    QCOMPARE(m_ended, QStringList{QStringLiteral("finished")});
    waitForPictureFiles();
    QCOMPARE(QImage(m_dir.filePath("pick.png")).size(), QSize(200, 150));
}

void TestScene::doubleClickFinishes_data()
{
    QTest::addColumn<DrawMode>("mode");
    for (const ToolRow& row : toolRows())
        QTest::newRow(row.name) << row.mode;
}

// A double click finishes in every tool and leaves no mark behind.
void TestScene::doubleClickFinishes()
{
    QFETCH(DrawMode, mode);
    open();
    drag(QPointF(50, 40), QPointF(550, 420));
    setMode(mode);
    step(QStringLiteral("dblclick 300,300"));
    QCOMPARE(m_ended, QStringList{QStringLiteral("finished")});
    QCOMPARE(m_scene->marks().size(), 0);
}

// The pick's handles, clockwise from the top left, hit a little off, only
// once an area is picked and no drawing tool is chosen.
void TestScene::handles()
{
    open();
    move({150, 150}); // a window offered: no handles yet
    QCOMPARE(m_scene->pickHandleAt({100, 80}), -1);
    drag({100, 100}, {300, 250});
    int i = 0;
    for (const QString& c :
         QString("100,100 200,100 300,100 300,175 300,250 200,250 100,250 100,175").split(' ')) {
        QCOMPARE(m_scene->pickHandleAt(point(c) + QPointF(5, -5)), i++);
        QCOMPARE(m_scene->pickHandleAt(point(c) + QPointF(9, 9)), -1);
    }
    QCOMPARE(m_scene->pickHandleAt({200, 175}), -1);
    setMode(DrawMode::Line);
    QCOMPARE(m_scene->pickHandleAt({300, 250}), -1);
    setMode(DrawMode::Select);
    QCOMPARE(m_scene->pickHandleAt({300, 250}), 4);
}

void TestScene::finish_data()
{
    QTest::addColumn<QKeyCombination>("keys");
    QTest::addColumn<bool>("clipboard"); // the finish options
    QTest::addColumn<bool>("file");
    QTest::addColumn<bool>("notice");     // ShowFinishNotice
    QTest::addColumn<QString>("typed");   // in the save dialog; empty: cancelled
    QTest::addColumn<QString>("written"); // the file that holds the picture
    QTest::addColumn<QString>("told");    // DIR: the test's folder
    const auto row = [](const char* name, QKeyCombination keys, bool clipboard, bool file, bool notice,
                        const char* typed, const char* written, const char* told) {
        QTest::newRow(name) << keys << clipboard << file << notice << QString(typed) << QString(written)
                            << QString(told);
    };
    const QKeyCombination enter(Qt::Key_Return);
    row("both off: the save dialog, a name typed", enter, false, false, true, "mine.png", "mine.png",
        "Saved to DIR/mine.png.");
    row("both off: the save dialog cancelled keeps the snapshot", enter, false, false, true, "", "", "");
    row("the clipboard only", enter, true, false, true, "", "", "The picture is on the clipboard.");
    row("the file only", enter, false, true, true, "", "pick.png", "Saved to DIR/pick.png.");
    row("both, keypad Enter", Qt::KeypadModifier | Qt::Key_Enter, true, true, true, "", "pick.png",
        "Saved to DIR/pick.png and copied to the clipboard.");
    row("both, no notice", enter, true, true, false, "", "pick.png", "");
    // Ctrl+C never writes a file, and copies even with copying off.
    row("Ctrl+C: the clipboard only", Qt::ControlModifier | Qt::Key_C, false, true, true, "", "",
        "The picture is on the clipboard.");
}

// A finish with each choice of the finish options: where the picture goes,
// whether the snapshot ends, the notice; the file and the clipboard share
// one encoding.
void TestScene::finish()
{
    QFETCH(QKeyCombination, keys);
    QFETCH(bool, clipboard);
    QFETCH(bool, file);
    QFETCH(bool, notice);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QFETCH(QString, told);
    AppConfig.CopyToClipboardAfterFinish = clipboard;
    AppConfig.SaveToFileAfterFinish = file;
    AppConfig.ShowFinishNotice = notice;
    open();
    // Past the desktop's corner: the picture has transparent pixels.
    m_scene->pick().setRect(QRectF(600, 400, 100, 120));
    const QImage expected = m_scene->renderSelection();
    QCOMPARE(expected.pixel(99, 119), 0u);
    Answers answers(typed.isEmpty() ? QString() : m_dir.filePath(typed));
    key(keys.key(), keys.keyboardModifiers());
    waitForPictureFiles();
    const bool copyKey = keys.key() == Qt::Key_C, asked = !clipboard && !file && !copyKey;
    QCOMPARE(answers.titles, asked ? QStringList{QStringLiteral("Save")} : QStringList());
    QCOMPARE(m_view->isVisible(), asked && typed.isEmpty());
    QCOMPARE(m_ended, m_view->isVisible() ? QStringList() : QStringList{QStringLiteral("finished")});
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files),
             written.isEmpty() ? QStringList() : QStringList{written});
    if (!written.isEmpty())
        QCOMPARE(differingPixels(QImage(m_dir.filePath(written)), expected), 0);
    QCOMPARE(differingPixels(QGuiApplication::clipboard()->image(), expected) == 0, clipboard || copyKey);
    QCOMPARE(m_told, told.isEmpty() ? QStringList() : QStringList{told.replace("DIR", m_dir.path())});
    if (!clipboard || written != "pick.png")
        return;
    // The PNG and Qt's own type are the file's bytes; BMP as Qt's writer makes it.
    QFile png(m_dir.filePath(written));
    QVERIFY(png.open(QIODevice::ReadOnly));
    const QByteArray bytes = png.readAll();
    const QMimeData* offered = QGuiApplication::clipboard()->mimeData();
    QCOMPARE(offered->data(QStringLiteral("image/png")), bytes);
    QCOMPARE(offered->data(QStringLiteral("application/x-qt-image")), bytes);
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(QImageWriter(&buffer, "bmp").write(expected));
    QCOMPARE(offered->data(QStringLiteral("image/bmp")), bmp);
}

// A file that cannot be made keeps the snapshot open; one that fails after
// 100 bytes, once the snapshot has ended, is told, removed and the picture
// copied though copying is off.
void TestScene::failedWrites()
{
    AppConfig.SaveToFileAfterFinish = true;
    AppConfig.SnapshotFilePath = QStringLiteral("/dev/null/dir"); // a folder that cannot be made
    open();
    const QRectF selection(20, 30, 400, 300);
    drag(selection.topLeft(), selection.bottomRight());
    Answers answers;
    m_view->editDialog()->OnBtnOk();
    QCOMPARE(answers.titles, QStringList{QStringLiteral("Error")});
    QVERIFY2(answers.text.contains(QStringLiteral("/dev/null/dir/pick.png")), qPrintable(answers.text));
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

void TestScene::finisher_data()
{
    QTest::addColumn<int>("actions");
    QTest::addColumn<bool>("fileFails"); // the snapshot folder is missing
    QTest::addColumn<bool>("saved");     // the save dialog's answer
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("failed");
    using A = FinishAction;
    const auto row = [](const char* name, FinishActions actions, bool fileFails, bool saved,
                        FinishActions done, FinishActions failed) {
        QTest::newRow(name) << int(actions) << fileFails << saved << int(done) << int(failed);
    };
    const FinishActions all = A::Clipboard | A::File | A::Dialog | A::Pin | A::Text;
    row("the clipboard alone", A::Clipboard, false, true, A::Clipboard, {});
    row("a file alone", A::File, false, true, A::File, {});
    row("the dialog alone", A::Dialog, false, true, A::Dialog, {});
    row("a pin alone", A::Pin, false, true, A::Pin, {});
    row("the text alone", A::Text, false, true, A::Text, {});
    row("all together", all, false, true, all, {});
    row("the dialog cancelled", A::Dialog | A::Clipboard, false, false, A::Clipboard, A::Dialog);
    row("a file that cannot be made: told, the others still done", all, true, true,
        all & ~FinishActions(A::File), A::File);
    row("only a file that cannot be made", A::File, true, true, {}, A::File);
}

// The finisher's actions, alone and together, each with the pick's picture
// and the language of the settings at the start; a failing one is told and
// the others are still done.
void TestScene::finisher()
{
    QFETCH(int, actions);
    QFETCH(bool, fileFails);
    QFETCH(bool, saved);
    QFETCH(int, done);
    QFETCH(int, failed);
    if (fileFails)
        AppConfig.SnapshotFilePath = QStringLiteral("/dev/null/dir"); // a folder that cannot be made
    AppConfig.SnapshotTextLanguage = QStringLiteral("deu");
    open();
    const QRect pick(20, 30, 200, 100);
    m_scene->pick().setRect(pick);
    const QImage expected = m_desktop.copy(pick);
    QMap<QString, QImage> handed; // what each outlet was given
    QString language;
    QStringList told;
    CFinisher::Outlets outlets;
    outlets.dialog = [&](const QImage& picture) {
        handed.insert("dialog", picture);
        return saved;
    };
    outlets.pin = [&](const QImage& picture) {
        handed.insert("pin", picture);
        return true;
    };
    outlets.text = [&](const QImage& picture, const QString& lang) {
        handed.insert("text", picture);
        language = lang;
        return true;
    };
    outlets.failed = [&](const QString& text) { told << text; };
    const CFinisher finisher(FinishSettings::fromConfig(), outlets);
    AppConfig.SnapshotTextLanguage = QStringLiteral("eng"); // read when the finish began
    const CFinisher::Outcome outcome = finisher.finish(*m_scene, FinishActions(actions), true);
    QCOMPARE(int(outcome.done), done);
    QCOMPARE(int(outcome.failed), failed);
    waitForPictureFiles();
    handed.insert("clipboard", QGuiApplication::clipboard()->image());
    handed.insert("file", QImage(m_dir.filePath("pick.png")));
    const FinishActions asked(actions);
    // In the order of the flags; the file is there only when written.
    const QStringList names = {"clipboard", "file", "dialog", "pin", "text"};
    for (int i = 0; i < names.size(); ++i) {
        const QImage picture = handed.value(names[i]);
        QCOMPARE(!picture.isNull(), bool((i == 1 ? done : actions) & (1 << i)));
        if (!picture.isNull())
            QCOMPARE(differingPixels(picture, expected), 0);
    }
    QCOMPARE(language, asked.testFlag(FinishAction::Text) ? QStringLiteral("deu") : QString());
    QCOMPARE(told.size(), int(fileFails));
    if (fileFails)
        QVERIFY2(told.first().contains(QStringLiteral("/dev/null/dir/pick.png")), qPrintable(told.first()));
}

// Where "Save picture" opens and what it remembers (nothing typed: cancelled).
void TestScene::saveFolder()
{
    open();
    m_scene->pick().setRect(QRectF(10, 20, 30, 40));
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
    // The next one starts there, with that suffix.
    answers.typed.clear();
    m_view->savePicture();
    QCOMPARE(answers.proposed, QDir(other).absoluteFilePath(QStringLiteral("pick.bmp")));
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
    // A folder stored as the last name: the dialog opens in it.
    AppConfig.LastOpenFileName = other;
    answers.typed.clear();
    m_view->savePicture();
    QCOMPARE(answers.proposed, QDir(other).absoluteFilePath(QStringLiteral("pick.png")));
}

void TestScene::labelText()
{
    QCOMPARE(CSGraphicsPixmapItem::sizeLabelText(QRectF(0, 0, 640, 480)), QStringLiteral("(640 * 480)"));
    QCOMPARE(CSGraphicsPixmapItem::sizeLabelText(QRectF(3, 4, 120.5, 80)), QStringLiteral("(120.5 * 80)"));
    QCOMPARE(CSGraphicsPixmapItem::sizeLabelBox(QRectF(20, 30, 64, 48), QSize(50, 13)), QRect(20, 7, 60, 18));
    // The magnifier's labels, joined from cached glyphs, as the text laid out.
    const QFont font(QStringLiteral("Arial"), 8, QFont::ExtraLight);
    CLabelGlyphs glyphs;
    glyphs.setFont(font);
    for (const QString& text :
         {QStringLiteral("0, 0"), QStringLiteral("1919, 1079"), QStringLiteral("#35cc0a"),
          QStringLiteral("#ffffff"), QStringLiteral("7, 1079")}) {
        QStaticText laidOut(text);
        laidOut.prepare(QTransform(), font);
        auto painted = [&](auto draw) {
            QImage image(120, 30, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::black);
            QPainter painter(&image);
            painter.setPen(Qt::white);
            painter.setFont(font);
            draw(painter);
            return image;
        };
        const QImage shaped = painted([&](QPainter& p) { p.drawStaticText(QPointF(5, 5), laidOut); });
        const QImage joined = painted([&](QPainter& p) { p.drawGlyphRun(QPointF(5, 5), glyphs.run(text)); });
        QVERIFY2(joined == shaped, qPrintable(text));
        QVERIFY2(std::abs(glyphs.size().width() - laidOut.size().width()) < 1, qPrintable(text));
    }
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
    item.setCursorPos(QPointF(270.5, 185.5)); // the crosshair through the middle of a pixel
    item.setCrosshairVisible(true);
    const QImage image = paintWhole(item);
    // Inside, far outside, just past the right and bottom edges, at the label.
    QCOMPARE(image.pixelColor(51, 61), hole ? kDesktop : kVeiled);
    QCOMPARE(image.pixelColor(148, 98), hole ? kDesktop : kVeiled);
    for (const QPoint p : {QPoint(250, 150), QPoint(152, 80), QPoint(100, 102), QPoint(hole ? 20 : 55, 50)})
        QCOMPARE(image.pixelColor(p), kVeiled);
    for (const QPoint p : {QPoint(270, 20), QPoint(20, 185)})
        QCOMPARE(image.pixelColor(p),
                 QColor::fromRgba(TestSupport::over(kVeiled.rgba(), QColor(125, 125, 125, 90))));
}

// The crosshair looks as the painter's lines wherever it lies within a pixel,
// also after moving there from another place within one.
void TestScene::crosshairWithinPixel()
{
    QPixmap desktop(300, 200);
    desktop.fill(kDesktop);
    CSGraphicsPixmapItem item(desktop);
    item.setCrosshairVisible(true);
    for (const qreal fraction : {0.5, 0.0, 0.25, 0.75, 0.5}) {
        const QPointF at(120 + fraction, 80 + fraction);
        item.setCursorPos(at);
        const QImage image = paintWhole(item);
        QImage expected(desktop.size(), QImage::Format_ARGB32_Premultiplied);
        expected.fill(kVeiled);
        QPainter lines(&expected);
        lines.setRenderHint(QPainter::Antialiasing);
        lines.setPen(QPen(QColor(125, 125, 125, 180), 0.5));
        lines.drawLine(QPointF(-2, at.y()), QPointF(302, at.y()));
        lines.drawLine(QPointF(at.x(), -2), QPointF(at.x(), 202));
        lines.end();
        // Blending a laid-out line rounds a little differently; the outline is at the edges.
        const QRect inside = image.rect().adjusted(2, 2, -2, -2);
        QCOMPARE(TestSupport::differingPixels(image.copy(inside), expected.copy(inside), 2), 0);
        QVERIFY(image.pixelColor(10, int(at.y())) != kVeiled);
    }
}

// On the real view: moving the pointer and the highlight repaints only a
// thin area, and what is on the screen then equals a full repaint.
void TestScene::partialRepaintMatchesFullRepaint()
{
    const QSize size = QGuiApplication::primaryScreen()->size();
    const QImage pattern = TestSupport::makeTestPattern(size, 3);
    CDrawView view(QPixmap::fromImage(pattern), nullptr);
    PaintLog log;
    view.viewport()->installEventFilter(&log);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    CSGraphicsPixmapItem* item = view.snapshotScene()->backgroundItem();
    // Everything that follows the pointer: the crosshair, the magnifier with
    // its coordinates, and the newcomer's hint.
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
    // The first paints are over before the steps count theirs.
    QTRY_VERIFY(log.paints > 0);
    for (int before = -1; before != log.paints;) {
        before = log.paints;
        QTest::qWait(100);
    }
    // The pick's frame: none while an area is dragged, outline and handles
    // once picked, the outline alone while a drawing tool is chosen.
    constexpr int Bare = 0, Handles = 2; // 1: the outline alone
    auto setFrame = [](CSGraphicsPixmapItem* i, int frame) {
        i->setOutlineShown(frame != Bare);
        i->setHandlesShown(frame == Handles);
    };
    // Painted by an item that never painted before: nothing kept between
    // paints (measured texts, laid-out labels) may go stale.
    auto paintedAfresh = [&](const QPointF& cursor, const QRectF& selection, int frame) {
        CSGraphicsPixmapItem fresh(QPixmap::fromImage(pattern));
        showAll(&fresh);
        fresh.setCursorPos(cursor);
        fresh.setSelectionRect(selection);
        setFrame(&fresh, frame);
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QStyleOptionGraphicsItem option;
        option.exposedRect = fresh.boundingRect();
        fresh.paint(&painter, &option, nullptr);
        return image;
    };
    // Steps: the pointer, the selection and the frame.
    const int w = size.width(), h = size.height();
    const QStringList steps = {
        "140,133 200,150,120,80", "141,134 210,160,300,200", "141.5,134.25 10,10,30,30",
        // Quarter pixels either side of a pixel's edge.
        "150.75,140.75 10,10,30,30", "151.25,141.25 10,10,30,30", "152,142 10,10,30,30",
        // The desktop's corners and edges, a selection touching them.
        "0,0 0,0,64,48", QString("2,%1 %2,%3,50,40").arg(h - 2).arg(w - 50).arg(h - 40),
        QString("%1,3.5 1,1,%2,20.5").arg(w / 2.0).arg(w - 2),
        // Along the selection's edges, then fractional ones (the veil's seams).
        "400,340 300,240,100,100", "399,339 300.5,240.5,99,99",
        // Picked, a drawing tool chosen, a handle dragged.
        "420,350 300.5,240.5,99,99 2", "421,351 300.5,240.5,99,99 1", "425,355 310,250,120,90 2"};
    // The same at the interface scale of a scaled display.
    const QStringList scaled = {"430,360 310,250,120,90 2", "431,361 310,250,120,90 1",
                                "432,362 312,251,140,95"};
    QRectF selection;
    int frame = Bare;
    const auto onScreenOf = [](const QWidget& shown) {
        return QGuiApplication::primaryScreen()->grabWindow(shown.winId()).toImage();
    };
    auto onScreen = [&] { return onScreenOf(view); };
    const auto run = [&](CSGraphicsPixmapItem* target, const QWidget& shown) {
        for (const auto& [scale, list] : {std::pair{1.0, steps}, std::pair{2.0, scaled}}) {
            if (scale != interfaceScale) {
                interfaceScale = scale;
                target->setInterfaceScale(interfaceScale); // repaints everything once
                QTest::qWait(50);
            }
            for (const QString& step : list) {
                const QStringList v = step.split(' ');
                const QPointF cursor = point(v[0]);
                const QStringList r = v[1].split(',');
                selection = QRectF(r[0].toDouble(), r[1].toDouble(), r[2].toDouble(), r[3].toDouble());
                frame = v.value(2, "0").toInt();
                log.pixels = 0;
                target->setCursorPos(cursor);
                target->setSelectionRect(selection);
                setFrame(target, frame);
                const QImage expected = paintedAfresh(cursor, selection, frame);
                QTRY_COMPARE(differingPixels(onScreenOf(shown), expected), qint64(0));
                QVERIFY2(log.pixels < qint64(w) * h / 3, qPrintable(QString::number(log.pixels)));
            }
        }
        interfaceScale = 1;
        target->setInterfaceScale(interfaceScale);
        QTest::qWait(50);
    };
    run(item, view);
    // A fast pointer: painted once a frame, where it stopped.
    log.paints = 0;
    const int framesBefore = view.pointerLayerFrames();
    for (int i = 0; i < 30; ++i) {
        item->setCursorPos(QPointF(500 + i, 400 + i));
        QCoreApplication::processEvents();
    }
    QTRY_VERIFY(view.pointerLayerFrames() > framesBefore);
    QTest::qWait(30);
    const int frames = view.pointerLayerFrames() - framesBefore;
    QVERIFY2(frames <= 10 && log.paints == 0,
             qPrintable(QStringLiteral("%1 %2").arg(frames).arg(log.paints)));
    QCOMPARE(differingPixels(onScreen(), paintedAfresh(QPointF(529, 429), selection, frame)), qint64(0));
    // The crosshair and the magnifier painted by the scene itself, as on
    // Wayland: the thin upright band's pieces are repainted too.
    QGraphicsScene scene;
    auto* painted = new CSGraphicsPixmapItem(QPixmap::fromImage(pattern));
    scene.addItem(painted);
    scene.setSceneRect(painted->boundingRect());
    QGraphicsView plain(&scene);
    plain.setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
    plain.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    plain.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    plain.setFrameShape(QFrame::NoFrame);
    plain.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    plain.setRenderHint(QPainter::Antialiasing);
    plain.setGeometry(QRect(QPoint(), size));
    plain.viewport()->installEventFilter(&log);
    showAll(painted);
    plain.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plain));
    run(painted, plain);
}

// The tool strip goes beside the selection on its monitor; a strip is moved,
// never resized, to stay on the monitor.
// Pointer moves that come a frame apart or more are each painted as they
// come, whole; faster ones share a frame, which shows where they stopped.
void TestScene::movesPacedByFrames()
{
    const QSize size = QGuiApplication::primaryScreen()->size();
    CDrawView view(QPixmap::fromImage(TestSupport::makeTestPattern(size, 3)), nullptr);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    CSGraphicsPixmapItem* item = view.snapshotScene()->backgroundItem();
    item->setCrosshairVisible(true);
    item->setMagnifierShown(true);
    const auto onScreen = [&view] {
        return QGuiApplication::primaryScreen()->grabWindow(view.winId()).toImage();
    };
    ulong stamp = 1000;
    const auto moveTo = [&](const QPoint& at, ulong gap) {
        stamp += gap;
        QMouseEvent move(QEvent::MouseMove, at, view.viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        move.setTimestamp(stamp);
        QCoreApplication::sendEvent(view.viewport(), &move);
        // The requests the move posted, and nothing that waits for a timer.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();
    };
    moveTo(QPoint(300, 200), 0);
    QTRY_COMPARE(item->cursorPos(), QPointF(300, 200));
    QTest::qWait(100);

    // Within a few ms of each other here, but a frame apart by their stamps.
    const int slowBefore = view.pointerLayerFrames();
    int moves = 0;
    for (const ulong gap : {17, 16, 15, 40}) {
        moveTo(QPoint(300 + int(gap), 200 + int(gap)), gap);
        ++moves;
        QVERIFY2(view.pointerLayerFrames() == slowBefore + moves, qPrintable(QString::number(gap)));
    }
    // Whole: nothing of the last move was left for a later frame.
    const QImage shown = onScreen();
    QTest::qWait(40);
    QCOMPARE(view.pointerLayerFrames(), slowBefore + moves);
    QCOMPARE(TestSupport::differingPixels(shown, onScreen()), qint64(0));

    // Moves 3 ms apart: one frame for the first, then one a frame at most,
    // however slowly this machine delivers them.
    const int before = view.pointerLayerFrames();
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= 10; ++i)
        moveTo(QPoint(400 + i, 300 + i), 3);
    const int allowed = 1 + int(clock.elapsed() / 14);
    QVERIFY2(view.pointerLayerFrames() - before <= allowed,
             qPrintable(QStringLiteral("%1 %2").arg(view.pointerLayerFrames() - before).arg(allowed)));
    QTRY_VERIFY(view.pointerLayerFrames() > before);
    QTest::qWait(40);
    QCOMPARE(item->cursorPos(), QPointF(410, 310));
    const QImage settled = onScreen();
    view.viewport()->update(); // a full repaint of the same state
    QTest::qWait(60);
    QCOMPARE(TestSupport::differingPixels(settled, onScreen()), qint64(0));
}

void TestScene::strips()
{
    const QSize tool(480, 40);
    const QRect monitor(0, 0, 1920, 1080), right(1920, 0, 1280, 1024);
    // Below when both strips fit, one pixel short: above, no room: over its top.
    QCOMPARE(editDialogPosition(QRectF(600, 100, 640, 890), tool, monitor), QPoint(760, 995));
    QCOMPARE(editDialogPosition(QRectF(600, 100, 640, 891), tool, monitor), QPoint(760, 55));
    QCOMPARE(editDialogPosition(QRectF(600, 30, 640, 1050), tool, monitor), QPoint(760, 30));
    QCOMPARE(editDialogPosition(QRectF(), tool, monitor), QPoint(0, 5)); // nothing selected
    QCOMPARE(editDialogPosition(QRectF(2000, 900, 300, 60), tool, right), QPoint(2000, 855));
    QCOMPARE(editDialogPosition(QRectF(3000, 100, 400, 100), tool, right), QPoint(2720, 205));
    QCOMPARE(keptInside(QRect(1800, 1060, 621, 40), monitor), QRect(1299, 1040, 621, 40));
    QCOMPARE(keptInside(QRect(1800, 500, 621, 40), right), QRect(1920, 500, 621, 40));
    // Wider than the monitor: its left edge shows.
    QCOMPARE(keptInside(QRect(-50, 10, 700, 40), QRect(0, 0, 600, 400)), QRect(0, 10, 700, 40));
}

QTEST_MAIN(TestScene)
#include "tst_scene.moc"
