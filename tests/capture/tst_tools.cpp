// Hide, the highlighter, steps, the tool letters and the strips built from the
// registry, driven through a snapshot's scene; pictures against the screen too.
#include "SceneHarness.h"
#include "annotate/DrawHideItem.h"
#include "annotate/DrawHighlightItem.h"
#include "annotate/DrawRectItem.h"
#include "annotate/DrawStepItem.h"
#include "annotate/SnapshotEdit.h"
#include "annotate/SnapshotProp.h"
#include "annotate/ToolRegistry.h"
#include "annotate/ToolState.h"
#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "output/PngWriter.h"
#include "support/TestSupport.h"

#include <QAccessible>
#include <QComboBox>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QtTest>

#include <memory>

using TestSupport::differingPixels;

Q_DECLARE_METATYPE(DrawMode)

namespace {

const QRect kPick(40, 30, 560, 420);
const QRect kHidden(200, 150, 160, 90);

// What a desktop shows inside the Hide area (kHidden).
enum class Inside
{
    Pattern,
    Text,
    Noise,
    Flat,
};

QImage desktopWith(Inside inside)
{
    QImage desktop = TestSupport::makeTestPattern(QSize(640, 480), 5);
    QPainter p(&desktop);
    switch (inside) {
    case Inside::Pattern:
        break;
    case Inside::Text:
        p.fillRect(kHidden, Qt::white);
        p.setPen(Qt::black);
        p.setFont(QFont(QStringLiteral("DejaVu Sans"), 14));
        p.drawText(kHidden, Qt::AlignCenter, QStringLiteral("password: hunter2"));
        break;
    case Inside::Noise: {
        QRandomGenerator random(7);
        for (int y = kHidden.top(); y <= kHidden.bottom(); ++y)
            for (int x = kHidden.left(); x <= kHidden.right(); ++x)
                desktop.setPixel(x, y, random.generate() | 0xff000000);
        break;
    }
    case Inside::Flat:
        p.fillRect(kHidden, QColor(12, 200, 90));
        break;
    }
    return desktop;
}

} // namespace

class TestTools : public QObject, private SceneHarness
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void hideShowsNothingOfWhatIsUnder_data();
    void hideShowsNothingOfWhatIsUnder();
    void hideFollowsItsFringe();
    void highlighterMultiplies_data();
    void highlighterMultiplies();
    void stepsStayNumbered();
    void stepNumberReadsOnItsColour_data();
    void stepNumberReadsOnItsColour();
    void lettersChooseTools();
    void stripFollowsTheRegistry();
    void screenReadersNameEveryControl();

private:
    void open(const QImage& desktop); // kPick picked
    // The pick as the screen shows it, without what is for the screen only.
    QImage onScreen()
    {
        m_scene->backgroundItem()->setCrosshairVisible(false);
        m_scene->backgroundItem()->setHandlesShown(false);
        m_scene->selectMark(nullptr);
        move(kPick.topLeft() + QPointF(2, 2));
        return m_view->viewport()->grab().toImage().copy(kPick.adjusted(1, 1, -1, -1));
    }
    QImage picture() const { return m_scene->renderSelection(); }
    static QImage innerPart(const QImage& picture)
    {
        return picture.copy(QRect(QPoint(1, 1), kPick.size() - QSize(2, 2)));
    }
    QImage pictureInside() const { return innerPart(picture()); }
    // The steps' numbers from left to right (the tests place them so).
    QList<int> stepNumbers() const
    {
        QList<CDrawStepItem*> steps = marks<CDrawStepItem>();
        std::sort(steps.begin(), steps.end(), [](auto* a, auto* b) { return a->pos().x() < b->pos().x(); });
        QList<int> numbers;
        for (CDrawStepItem* step : steps)
            numbers << step->number();
        return numbers;
    }
};

void TestTools::initTestCase()
{
    quietOffscreenWarnings();
    initVireoscapeResources();
    setApplicationIdentity();
}

void TestTools::init()
{
    AppConfig = CAppConfig::defaults();
    AppConfig.FrameColor = QColor(Qt::red);
    AppConfig.FillColor = QColor(Qt::blue);
    AppConfig.FrameCheck = true;
    AppConfig.Transparent = 100;
    AppConfig.SnapshotShadow = false;
    AppConfig.SaveToFileAfterFinish = false;
}

void TestTools::cleanup()
{
    m_view.reset();
}

void TestTools::open(const QImage& desktop)
{
    makeView(desktop);
    showView();
    drag(kPick.topLeft(), kPick.topLeft() + QPoint(kPick.width(), kPick.height()));
    QCOMPARE(m_scene->backgroundItem()->selectionRect(), QRectF(kPick));
}

void TestTools::hideShowsNothingOfWhatIsUnder_data()
{
    QTest::addColumn<int>("inside");
    QTest::addColumn<bool>("smooth");
    QTest::addColumn<bool>("markInside"); // a rectangle mark under the Hide mark
    for (const bool smooth : {false, true}) {
        const char* look = smooth ? "smooth" : "blocks";
        QTest::addRow("%s: text", look) << int(Inside::Text) << smooth << false;
        QTest::addRow("%s: noise", look) << int(Inside::Noise) << smooth << false;
        QTest::addRow("%s: a mark under it", look) << int(Inside::Pattern) << smooth << true;
    }
}

// Desktops that differ only inside the Hide area give the same PNG bytes;
// nothing of what was under it shows, outside it is the desktop.
void TestTools::hideShowsNothingOfWhatIsUnder()
{
    QFETCH(int, inside);
    QFETCH(bool, smooth);
    QFETCH(bool, markInside);
    AppConfig.HideLook = smooth ? 1 : 0;

    auto hidden = [&](const QImage& desktop, bool withMark) {
        open(desktop);
        if (withMark) {
            setMode(DrawMode::Rectangle);
            drag(kHidden.topLeft() + QPoint(20, 20), kHidden.topLeft() + QPoint(90, 60));
        }
        setMode(DrawMode::Hide);
        drag(kHidden.topLeft(), kHidden.topLeft() + QPoint(kHidden.width(), kHidden.height()));
        return picture();
    };
    const QImage desktop = desktopWith(Inside(inside));
    const QImage reference = hidden(desktopWith(Inside::Pattern), false);
    const QImage shot = hidden(desktop, markInside);
    QCOMPARE(marks<CDrawHideItem>().size(), 1);
    QCOMPARE(marks<CDrawHideItem>().first()->smooth, smooth);
    QCOMPARE(PngWriter::encode(shot), PngWriter::encode(reference));

    const QRect area = kHidden.translated(-kPick.topLeft());
    const QImage under = desktop.copy(kPick);
    QVERIFY(differingPixels(shot.copy(area), under.copy(area)) > area.width() * area.height() * 9 / 10);
    QImage outside = shot;
    QPainter(&outside).drawImage(area.topLeft(), under.copy(area));
    QCOMPARE(differingPixels(outside, under), 0);
    QCOMPARE(differingPixels(onScreen(), innerPart(shot)), 0);
}

// Moved, resized, undone, or a mark below it changed: the cover is that of a
// Hide mark drawn there.
void TestTools::hideFollowsItsFringe()
{
    const QImage desktop = desktopWith(Inside::Pattern);
    const QRect there = kHidden.translated(150, 120);
    auto coverAt = [&](const QRect& area) {
        open(desktop);
        setMode(DrawMode::Hide);
        drag(area.topLeft(), area.topLeft() + QPoint(area.width(), area.height()));
        return marks<CDrawHideItem>().value(0)->cover();
    };
    const QImage coverThere = coverAt(there);
    const QImage coverHere = coverAt(kHidden);
    QVERIFY(differingPixels(coverHere, coverThere) > 0);

    CDrawHideItem* hide = marks<CDrawHideItem>().first();
    setMode(DrawMode::Select);
    drag(kHidden.center(), kHidden.center() + QPointF(150.4, 119.6)); // lands on whole pixels
    QCOMPARE(hide->outline(), QRectF(there));
    QCOMPARE(differingPixels(hide->cover(), coverThere), 0);
    drag(there.bottomRight() + QPoint(1, 1), there.bottomRight() + QPoint(31, 21)); // its corner handle
    QCOMPARE(hide->cover().size(), there.size() + QSize(30, 20));
    QCOMPARE(differingPixels(onScreen(), pictureInside()), 0);
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(differingPixels(hide->cover(), coverHere), 0);

    // A mark below it across its edge shows in the cover, moved away not.
    open(desktop);
    setMode(DrawMode::Rectangle);
    drag(kHidden.topLeft() - QPoint(40, 30), kHidden.topLeft() + QPoint(30, 20));
    setMode(DrawMode::Hide);
    drag(kHidden.topLeft(), kHidden.topLeft() + QPoint(kHidden.width(), kHidden.height()));
    hide = marks<CDrawHideItem>().first();
    QVERIFY(differingPixels(hide->cover(), coverHere) > 0);
    setMode(DrawMode::Select);
    drag(kHidden.topLeft() - QPoint(35, 25), kHidden.topLeft() - QPoint(155, 115));
    QCOMPARE(marks<CDrawRectItem>().first()->outline(), QRectF(40, 30, 70, 50));
    QCOMPARE(differingPixels(hide->cover(), coverHere), 0);
    // Finishing right after a change, before any repaint.
    const QImage moved = picture();
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(differingPixels(m_scene->renderSelectionForTheLastTime(), moved), 0);
}

void TestTools::highlighterMultiplies_data()
{
    QTest::addColumn<int>("transparency");
    QTest::addColumn<bool>("straight"); // Shift held
    QTest::newRow("opaque yellow, free hand") << 100 << false;
    QTest::newRow("opaque yellow, Shift: straight") << 100 << true;
    QTest::newRow("half transparent") << 50 << false;
}

// On black and white stripes: black stays black, white takes the colour, no
// darker where the stroke crosses itself.
void TestTools::highlighterMultiplies()
{
    QFETCH(int, transparency);
    QFETCH(bool, straight);
    AppConfig.Transparent = transparency;
    QImage desktop(640, 480, QImage::Format_RGB32);
    for (int x = 0; x < desktop.width(); ++x)
        for (int y = 0; y < desktop.height(); ++y)
            desktop.setPixel(x, y, (x / 20) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    open(desktop);
    setMode(DrawMode::Highlighter);
    // Right, back left 8 pixels lower (over itself), then down across both.
    const QList<QPointF> points = {{100, 200}, {400, 200}, {400.5, 208}, {150, 208}, {270, 150}, {272, 300}};
    stroke(points, straight ? Qt::ShiftModifier : Qt::NoModifier);
    CDrawHighlightItem* mark = marks<CDrawHighlightItem>().value(0);
    QVERIFY(mark);
    QCOMPARE(mark->points().size(), straight ? 2 : points.size() + 1);
    QCOMPARE(mark->pen().width(), 16);

    const QImage shot = picture();
    const int a = transparency * 255 / 100;
    QImage white(1, 1, QImage::Format_ARGB32);
    white.fill(Qt::white);
    {
        QPainter p(&white);
        p.setCompositionMode(QPainter::CompositionMode_Multiply);
        p.fillRect(white.rect(), QColor(255, 255, 0, a));
    }
    const QRgb tinted = white.pixel(0, 0);
    auto at = [&](const QPoint& p) { return shot.pixel(p - kPick.topLeft()); };
    // Free hand: once, twice and three times under it; straight: its line.
    const QList<QPoint> under =
        straight ? QList<QPoint>{{169, 240}, {186, 250}, {143, 225}}
                 : QList<QPoint>{{271, 260}, {265, 270}, {170, 204}, {190, 204}, {271, 204}};
    for (const QPoint& p : under)
        QCOMPARE(at(p), (p.x() / 20) % 2 ? tinted : qRgb(0, 0, 0));
    QCOMPARE(at({170, 320}), qRgb(0, 0, 0));
    QCOMPARE(at({190, 320}), qRgb(255, 255, 255));
    QCOMPARE(differingPixels(onScreen(), innerPart(shot)), 0);

    // Recoloured through its own colour box, undone.
    setMode(DrawMode::Select);
    click(straight ? QPointF(186, 250) : QPointF(300, 200));
    QCOMPARE(m_scene->selectedMark(), static_cast<CDrawObjectItem*>(mark));
    auto* colours =
        m_view->editDialog()->propDialog()->findChild<QComboBox*>(QStringLiteral("highlightColorComboBox"));
    QVERIFY(colours->isVisible());
    colours->setCurrentIndex(colours->findText(QStringLiteral("cyan")));
    QCOMPARE(mark->pen().color(), QColor(0, 255, 255, a));
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(PngWriter::encode(picture()), PngWriter::encode(shot));
}

// The numbers run 1..n in the order of placing, whatever goes and comes back.
void TestTools::stepsStayNumbered()
{
    open(desktopWith(Inside::Pattern));
    setMode(DrawMode::Steps);
    const QList<QPointF> at = {{100, 100}, {200, 120}, {300, 140}, {400, 160}};
    for (const QPointF& p : at)
        click(p);
    QCOMPARE(stepNumbers(), (QList<int>{1, 2, 3, 4}));
    CDrawStepItem* second = marks<CDrawStepItem>().at(1);
    QCOMPARE(second->diameter(), CDrawStepItem::diameterFor(AppConfig.FrameWidth));

    setMode(DrawMode::Select);
    click(at[1]);
    QCOMPARE(m_scene->selectedMark(), static_cast<CDrawObjectItem*>(second));
    key(Qt::Key_Delete);
    QCOMPARE(stepNumbers(), (QList<int>{1, 2, 3}));
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(stepNumbers(), (QList<int>{1, 2, 3, 4}));
    QCOMPARE(second->number(), 2);
    key(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(stepNumbers(), (QList<int>{1, 2, 3}));
    QVERIFY(!second->scene());

    setMode(DrawMode::Erase);
    click(at[0]);
    QCOMPARE(stepNumbers(), (QList<int>{1, 2}));
    // A dragged step keeps its number; the picture shows the numbers of now.
    setMode(DrawMode::Select);
    const QImage before = picture();
    drag(at[3], at[3] + QPointF(0, 80));
    QCOMPARE(m_scene->selectedMark()->item()->pos(), at[3] + QPointF(0, 80));
    QCOMPARE(stepNumbers(), (QList<int>{1, 2}));
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(differingPixels(picture(), before), 0);
    for (int i = 0; i < 2; ++i)
        key(Qt::Key_Z, Qt::ControlModifier); // the erase, the delete
    QCOMPARE(stepNumbers(), (QList<int>{1, 2, 3, 4}));
    QCOMPARE(differingPixels(onScreen(), pictureInside()), 0);
    // A double click to finish takes back the step of its first press.
    setMode(DrawMode::Steps);
    QSignalSpy finished(m_scene, &CSGraphicsScene::finishRequested);
    click({500, 300});
    mouse(QEvent::GraphicsSceneMouseDoubleClick, {500, 300}, Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(stepNumbers(), (QList<int>{1, 2, 3, 4}));
}

void TestTools::stepNumberReadsOnItsColour_data()
{
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QColor>("number");
    QTest::newRow("yellow: black") << QColor(Qt::yellow) << QColor(Qt::black);
    QTest::newRow("dark green: white") << QColor(0, 100, 0) << QColor(Qt::white);
}

// A circle of the frame colour, its number in the colour that reads on it.
void TestTools::stepNumberReadsOnItsColour()
{
    QFETCH(QColor, colour);
    QFETCH(QColor, number);
    AppConfig.FrameColor = colour;
    AppConfig.FrameWidth = 5;
    open(desktopWith(Inside::Flat));
    setMode(DrawMode::Steps);
    click({300, 200});
    const QImage shot = picture();
    const int r = int(CDrawStepItem::diameterFor(5) / 2) - 2;
    int circle = 0, digits = 0, inside = 0;
    for (int dy = -r; dy <= r; ++dy) {
        for (int dx = -r; dx <= r; ++dx) {
            if (dx * dx + dy * dy > r * r)
                continue;
            ++inside;
            const QRgb p = shot.pixel(QPoint(300 + dx, 200 + dy) - kPick.topLeft());
            circle += p == colour.rgba();
            digits += p == number.rgba();
        }
    }
    QVERIFY2(circle > inside / 2 && digits > inside / 40,
             qPrintable(QStringLiteral("%1 %2 of %3").arg(circle).arg(digits).arg(inside)));
    QCOMPARE(differingPixels(onScreen(), innerPart(shot)), 0);
}

// A tool's letter chooses it once the strip is out, never while typing.
void TestTools::lettersChooseTools()
{
    makeView(desktopWith(Inside::Pattern));
    showView();
    key(Qt::Key_H);
    QCOMPARE(m_scene->drawMode(), DrawMode::None); // still picking
    drag(kPick.topLeft(), kPick.bottomRight());
    const QList<QPair<int, DrawMode>> letters = {
        {Qt::Key_H, DrawMode::Hide},    {Qt::Key_M, DrawMode::Highlighter}, {Qt::Key_N, DrawMode::Steps},
        {Qt::Key_L, DrawMode::Line},    {Qt::Key_A, DrawMode::LineArrow},   {Qt::Key_R, DrawMode::Rectangle},
        {Qt::Key_P, DrawMode::Polygon}, {Qt::Key_E, DrawMode::Ellipse},     {Qt::Key_D, DrawMode::Draw},
        {Qt::Key_X, DrawMode::Erase},   {Qt::Key_S, DrawMode::Select},      {Qt::Key_T, DrawMode::Text}};
    for (const auto& [letter, mode] : letters) {
        key(letter);
        QCOMPARE(m_scene->drawMode(), mode);
        QCOMPARE(m_view->editDialog()->drawMode(), mode);
    }
    click({300, 200}); // a text box
    QVERIFY(m_scene->isTypingText());
    key(Qt::Key_H);
    key(Qt::Key_N);
    QCOMPARE(m_scene->drawMode(), DrawMode::Text);
    key(Qt::Key_Escape);
    key(Qt::Key_N);
    QCOMPARE(m_scene->drawMode(), DrawMode::Steps);
    const QList<CDrawObjectItem*> all = m_scene->marks();
    QCOMPARE(all.size(), 1);
    QCOMPARE(all.first()->state().html.contains(QStringLiteral(">hn<")), true);
}

// The tool strip in the registry's order, each tip with its letter; the
// settings of Hide and the highlighter come from and go to their own keys.
void TestTools::stripFollowsTheRegistry()
{
    AppConfig.HideBlockSize = 24;
    AppConfig.HighlighterColor = QColor(Qt::green);
    AppConfig.HighlighterWidth = 7; // not in the list: the default
    CSnapshotEdit strip(nullptr);
    QStringList tips;
    for (QPushButton* button : strip.findChildren<QPushButton*>(Qt::FindDirectChildrenOnly))
        tips << button->toolTip().section(QLatin1Char('\n'), 0, 0);
    QCOMPARE(tips, (QStringList{"Select (Delete: remove the chosen mark)", "Line", "Line with arrow",
                                "Rectangle", "Polygon", "Ellipse", "Draw", "Text", "Erase",
                                "Hide (nobody can recover what is under it)", "Highlighter", "Steps",
                                "Pin (Ctrl+P)", "Copy text (Ctrl+Shift+C)", "Save picture (Ctrl+S)",
                                "Cancel (Esc)", "Ok (Enter; Ctrl+C: clipboard only; Ctrl+Z: undo)"}));
    QCOMPARE(strip.buttonFor(DrawMode::Hide)->toolTip(),
             QStringLiteral("Hide (nobody can recover what is under it)\nKey: H"));
    QCOMPARE(strip.size(), QSize(17 * 40, 40));

    const DrawProperties& look = strip.toolState()->look();
    QCOMPARE(look.hideBlock, 24);
    QCOMPARE(look.hideSmooth, false);
    QCOMPARE(look.highlightColor, QColor(Qt::green));
    QCOMPARE(look.highlightWidth, 16);
    auto* block = strip.propDialog()->findChild<QComboBox*>(QStringLiteral("hideBlockComboBox"));
    auto* looks = strip.propDialog()->findChild<QComboBox*>(QStringLiteral("hideLookComboBox"));
    strip.setDrawMode(DrawMode::Hide);
    QVERIFY(block->isVisible() && block->isEnabled());
    // Its text buttons: disabled with what to install where text cannot be read.
    QPushButton* const textButtons[] = {strip.propDialog()->hidePersonalButton(),
                                        strip.propDialog()->hideTextButton()};
    for (QPushButton* button : textButtons)
        QVERIFY(button->isVisible());
    strip.setTextRecognition(false, QStringLiteral("install tesseract-ocr-eng"));
    strip.setDrawMode(DrawMode::Hide);
    for (QPushButton* button : textButtons) {
        QVERIFY(!button->isEnabled());
        QCOMPARE(button->toolTip(), QStringLiteral("install tesseract-ocr-eng"));
    }
    looks->setCurrentIndex(1);
    QVERIFY(!block->isEnabled()); // no blocks in the smooth look
    QCOMPARE(strip.toolState()->hideSmooth(), true);
    strip.toolState()->setHighlightWidth(32);
    QCOMPARE(
        strip.propDialog()->findChild<QComboBox*>(QStringLiteral("highlightWidthComboBox"))->currentText(),
        QStringLiteral("32"));
    strip.closeSnapshot();
    QCOMPARE(AppConfig.HideLook, 1);
    QCOMPARE(AppConfig.HideBlockSize, 24);
    QCOMPARE(AppConfig.HighlighterWidth, 32);
    QCOMPARE(AppConfig.HighlighterColor, QColor(Qt::green));
}

// A screen reader's name for every control of the strips and the main window;
// for buttons the whole tool tip.
void TestTools::screenReadersNameEveryControl()
{
    auto spoken = [](QWidget* w, QAccessible::Text which) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        return face ? face->text(which) : QString();
    };
    Vireoscape window;
    CSnapshotEdit strip(nullptr);
    QList<QPushButton*> buttons = strip.findChildren<QPushButton*>(Qt::FindDirectChildrenOnly);
    buttons += window.findChildren<QPushButton*>();
    QStringList names;
    for (QPushButton* button : buttons) {
        names << spoken(button, QAccessible::Name);
        QCOMPARE(spoken(button, QAccessible::Description), button->toolTip());
    }
    QCOMPARE(names.mid(0, 3), (QStringList{"Select", "Line", "Line with arrow"}));
    QCOMPARE(names.mid(names.size() - 5),
             (QStringList{"Save picture", "Cancel", "Ok", "Capture", "Option..."}));
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
    for (const ToolRow* row : stripTools()) {
        strip.setDrawMode(row->mode);
        if (!strip.propDialog()->isVisible())
            continue; // a tool without properties
        for (QWidget* control : strip.propDialog()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (control->isVisibleTo(strip.propDialog()))
                QVERIFY2(!spoken(control, QAccessible::Name).isEmpty(),
                         qPrintable(QStringLiteral("%1: %2").arg(row->name, control->objectName())));
        }
    }
    strip.closeSnapshot();
}

QTEST_MAIN(TestTools)
#include "tst_tools.moc"
