// Marks painted as the picture renderer paints them, and the property strip.
#include "annotate/ColorComboBox.h"
#include "annotate/DrawLineItem.h"
#include "annotate/DrawPolygonItem.h"
#include "annotate/DrawTextItem.h"
#include "annotate/SnapshotProp.h"
#include "app/Startup.h"
#include "config/AppConfig.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontComboBox>
#include <QGraphicsScene>
#include <QPainter>
#include <QSlider>
#include <QStyleOptionGraphicsItem>
#include <QTextCursor>
#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(DrawMode)

namespace {

// A mark painted as the picture renderer paints it.
QImage exportPaint(CDrawTextItem& item)
{
    QImage image(300, 160, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setTransform(item.sceneTransform());
    QStyleOptionGraphicsItem option;
    item.setExportPaint(true);
    item.paint(&painter, &option, nullptr);
    item.setExportPaint(false);
    return image;
}

QImage sceneRender(QGraphicsScene& scene)
{
    QImage image(300, 160, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    scene.render(&painter, QRectF(image.rect()), QRectF(image.rect()));
    return image;
}

const QSize kCanvas(900, 600);

// Repaints parts of the canvas, background then stroke (on a view with a widget).
void repaint(QImage& canvas, const QImage& background, CDrawPolygonItem& item, const QList<QRect>& parts,
             QWidget* widget = nullptr)
{
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const QRect& part : parts) {
        const QRect r = part & canvas.rect();
        painter.save();
        painter.setClipRect(r);
        painter.drawImage(r.topLeft(), background, r);
        QStyleOptionGraphicsItem option;
        option.exposedRect = r;
        item.paint(&painter, &option, widget);
        painter.restore();
    }
}

QPointF scribblePoint(int i) // back and forth, crossing itself often
{
    return QPointF(450 + 400 * std::sin(i * 0.021) + 20 * std::sin(i * 0.37),
                   300 + 260 * std::sin(i * 0.0077) + 15 * std::cos(i * 0.29));
}

template <class T = QWidget> T* control(const CSnapshotProp& prop, const QString& name)
{
    return prop.findChild<T*>(name);
}

} // namespace

class TestAnnotate : public QObject
{
    Q_OBJECT
private slots:
    void init() { AppConfig = CAppConfig::defaults(); }
    void arrowHeadGeometry_data();
    void arrowHeadGeometry();
    void textExportPaint();
    void grownStrokeMatchesWholeStroke_data();
    void grownStrokeMatchesWholeStroke();
    void lineShadow();
    void colorComboEntries();
    void stripKeepsItsLook();
    void perTool_data();
    void perTool();
};

void TestAnnotate::arrowHeadGeometry_data()
{
    QTest::addColumn<QLineF>("line");
    QTest::addColumn<int>("penWidth");
    QTest::addColumn<QPolygon>("triangle");
    QTest::addColumn<QPoint>("shaftEnd");
    QTest::newRow("zero length points towards negative x")
        << QLineF(5, 5, 5, 5) << 1 << QPolygon({{14, 10}, {5, 5}, {14, 0}}) << QPoint(14, 5);
    QTest::newRow("5-pixel pen: barbs of 15")
        << QLineF(0, 0, 100, 0) << 5 << QPolygon({{87, -7}, {100, 0}, {87, 7}}) << QPoint(87, 0);
    // sin(A) is a hair under 0.5 (A is not pi / 6): the barbs stop short of -5 and 6.
    QTest::newRow("fractional end point shows the angle constant")
        << QLineF(0.5, 0.5, 100.7, 0.5) << 1 << QPolygon({{91, -4}, {100, 0}, {91, 5}}) << QPoint(91, 0);
}

void TestAnnotate::arrowHeadGeometry()
{
    QFETCH(QLineF, line);
    QFETCH(int, penWidth);
    QFETCH(QPolygon, triangle);
    QFETCH(QPoint, shaftEnd);
    const ArrowHead head = arrowHead(line, penWidth);
    QCOMPARE(head.triangle, triangle);
    QCOMPARE(head.shaftEnd, shaftEnd);
}

// A framed, filled, shadowed text mark paints what the scene shows, at its
// place after a drag, without the editor.
void TestAnnotate::textExportPaint()
{
    QGraphicsScene scene;
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&scene, &activate);
    auto* item = new CDrawTextItem;
    scene.addItem(item);
    item->setFont(QFont(QStringLiteral("DejaVu Sans"), 20));
    item->setPlainText(QStringLiteral("WWW"));
    item->setDefaultTextColor(Qt::darkGreen);
    item->setFrame(true);
    item->setFilled(true);
    item->setFrameColor(Qt::blue);
    item->setFillColor(QColor(255, 255, 0, 128));
    item->setFrameWidth(1);
    item->shadow = true;
    item->setTextInteractionFlags(Qt::NoTextInteraction);
    item->setPos(40, 30);
    const QImage exported = exportPaint(*item);
    QCOMPARE(TestSupport::differingPixels(exported, sceneRender(scene)), 0);
    QCOMPARE(exported.pixelColor(5, 5), QColor(Qt::white)); // the position is applied once
    item->setPos(120, 90);
    const QImage moved = exportPaint(*item);
    QCOMPARE(TestSupport::differingPixels(moved, sceneRender(scene)), 0);
    QVERIFY(TestSupport::differingPixels(moved, exported) > 100);

    item->setTextInteractionFlags(Qt::TextEditorInteraction);
    item->setFocus(Qt::OtherFocusReason);
    QTextCursor cursor = item->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(2, QTextCursor::KeepAnchor);
    item->setTextCursor(cursor);
    // The screen shows the editor (selection, focus frame), the picture not.
    QVERIFY(TestSupport::differingPixels(sceneRender(scene), moved) > 0);
    QCOMPARE(TestSupport::differingPixels(exportPaint(*item), moved), 0);
}

void TestAnnotate::grownStrokeMatchesWholeStroke_data()
{
    QTest::addColumn<bool>("onView");
    QTest::newRow("picture") << false;
    QTest::newRow("view") << true; // its kept pixels round a level or two apart
}

// A stroke grown point by point, repainted only where it said it changed (and
// in crosshair bands), ends as the whole stroke paints.
void TestAnnotate::grownStrokeMatchesWholeStroke()
{
    QFETCH(bool, onView);
    QWidget view;
    QWidget* widget = onView ? &view : nullptr;
    const int points = 3000;
    const QImage background = TestSupport::makeTestPattern(kCanvas, 4);
    const auto stroke = [] {
        auto* item = new CDrawPolygonItem;
        item->setFreehand(true);
        item->shadow = true;
        item->setPen(QPen(QColor(220, 30, 60, 180), 3));
        return item;
    };

    QGraphicsScene scene(QRectF(QPointF(0, 0), QSizeF(kCanvas)));
    auto* grown = stroke();
    scene.addItem(grown);
    grown->setPolygon(QPolygonF({scribblePoint(0), scribblePoint(0)}));
    QList<QRect> dirty;
    connect(&scene, &QGraphicsScene::changed, this, [&dirty](const QList<QRectF>& rects) {
        for (const QRectF& r : rects)
            dirty << r.toAlignedRect();
    });

    QImage canvas = background.copy();
    repaint(canvas, background, *grown, {canvas.rect()}, widget);
    for (int i = 1; i < points; ++i) {
        grown->appendStrokePoint(scribblePoint(i));
        if (i % 7 == 0 || i == points - 1) {
            QCoreApplication::processEvents(); // the scene reports its changes
            const QPoint p = scribblePoint(i).toPoint();
            dirty << QRect(0, p.y() - 1, kCanvas.width(), 3) << QRect(p.x() - 1, 0, 3, kCanvas.height());
            repaint(canvas, background, *grown, dirty, widget);
            dirty.clear();
        }
    }
    QCOMPARE(grown->polygon().size(), points + 1);
    const std::unique_ptr<CDrawPolygonItem> whole(stroke());
    whole->setPolygon(grown->polygon());
    QImage expected = background.copy();
    repaint(expected, background, *whole, {expected.rect()});

    QVERIFY(TestSupport::differingPixels(expected, background) > 1000); // the stroke shows
    const int tolerance = onView ? 2 : 0;
    QCOMPARE(TestSupport::differingPixels(canvas, expected, tolerance), qint64(0));

    // The finished stroke repainted in bands, too.
    grown->endStroke();
    QList<QRect> strips;
    for (int y = 0; y < kCanvas.height(); y += 3)
        strips << QRect(0, y, kCanvas.width(), 3);
    repaint(canvas, background, *grown, strips, widget);
    QCOMPARE(TestSupport::differingPixels(canvas, expected), qint64(0));
}

// Grey with the pen's alpha less 20, never below 5.
void TestAnnotate::lineShadow()
{
    for (const auto& [pen, shadow] : {std::pair{255, 235}, {100, 80}, {26, 6}, {25, 5}, {24, 5}, {3, 5}})
        QCOMPARE(lineShadowColor(QColor(200, 0, 0, pen)), QColor(125, 125, 125, shadow));
}

// The strip shows the stored look (values its lists lack: their first entry;
// half-transparent lime as lime; transparency at least 5), stores what it shows.
void TestAnnotate::stripKeepsItsLook()
{
    setApplicationIdentity();
    TestSupport::Settings stored = TestSupport::settingsAsText(AppConfig);
    const QString keys =
        "FontFamity|FontColor|FontSize|FrameCheck|FrameColor|FrameWidth|FillCheck|FillColor|Transparent";
    stored.insert(
        TestSupport::settings("FontFamity=DejaVu Sans|FontColor=4294901760|FontSize=3|FrameCheck=true|"
                              "FrameColor=2147548928|FrameWidth=9|FillCheck=false|FillColor=2148676694|"
                              "Transparent=3"));
    TestSupport::storeSettings(stored);
    AppConfig.load();
    const auto look = [&keys] {
        const TestSupport::Settings all = TestSupport::settingsAsText(AppConfig);
        TestSupport::Settings part;
        for (const QString& key : keys.split('|'))
            part.insert(key, all.value(key));
        return part;
    };
    const QString first = QString::number(QColor(QColor::colorNames().first()).rgba());
    for (bool changed : {false, true}) {
        CSnapshotProp prop(nullptr);
        if (changed) {
            control<QFontComboBox>(prop, "fontComboBox")->setCurrentFont(QFont("DejaVu Serif"));
            control<ColorComboBox>(prop, "fontColorComboBox")->setColor(QColor("blue"));
            control<QComboBox>(prop, "fontSizeComboBox")->setCurrentText("24");
            control<QCheckBox>(prop, "frameCheckBox")->setChecked(false);
            control<ColorComboBox>(prop, "frameColorComboBox")->setColor(QColor("navy"));
            control<QComboBox>(prop, "frameWidthComboBox")->setCurrentText("4");
            control<QCheckBox>(prop, "fillCheckBox")->setChecked(true);
            control<ColorComboBox>(prop, "fillColorComboBox")->setColor(QColor("yellow"));
            control<QSlider>(prop, "transparentSlider")->setValue(60);
        }
        prop.close();
        QCOMPARE(look(),
                 TestSupport::settings(
                     changed ? "FontFamity=DejaVu Serif|FontColor=4278190335|FontSize=24|FrameCheck=false|"
                               "FrameColor=4278190208|FrameWidth=4|FillCheck=true|FillColor=4294967040|"
                               "Transparent=60"
                             : "FontFamity=DejaVu Sans|FontColor=4294901760|FontSize=5|FrameCheck=true|"
                               "FrameColor=4278255360|FrameWidth=1|FillCheck=false|Transparent=5|"
                               "FillColor=" +
                                   first));
    }
}

void TestAnnotate::colorComboEntries()
{
    // A first run's colours (0) draw black marks: the strip shows black.
    AppConfig.FontColor = AppConfig.FrameColor = AppConfig.FillColor = QColor::fromRgba(0);
    CSnapshotProp prop(nullptr);
    for (const char* name : {"fontColorComboBox", "frameColorComboBox", "fillColorComboBox"}) {
        auto* colours = control<ColorComboBox>(prop, name);
        QCOMPARE(colours->currentText(), QStringLiteral("black"));
        QCOMPARE(colours->color(), QColor(Qt::black));
        const QImage shown =
            colours->itemData(colours->currentIndex(), Qt::DecorationRole).value<QPixmap>().toImage();
        QCOMPARE(shown.pixelColor(0, 0), QColor(Qt::black));
        QCOMPARE(colours->findText(QStringLiteral("transparent")), -1);
    }
    ColorComboBox box;
    // Each swatch shows its own colour, not the last one filled.
    for (int i : {0, box.findText(QStringLiteral("red")), box.count() - 1}) {
        const QImage swatch = box.itemData(i, Qt::DecorationRole).value<QPixmap>().toImage();
        QCOMPARE(swatch.pixelColor(swatch.width() - 1, swatch.height() - 1), QColor(box.itemText(i)));
    }
}

void TestAnnotate::perTool_data()
{
    QTest::addColumn<DrawMode>("mode");
    QTest::addColumn<bool>("coupled"); // Frame and Fill: one of them stays ticked
    QTest::newRow("line") << DrawMode::Line << false;
    QTest::newRow("rectangle") << DrawMode::Rectangle << true;
    QTest::newRow("text lets both go off") << DrawMode::Text << false;
}

void TestAnnotate::perTool()
{
    QFETCH(DrawMode, mode);
    QFETCH(bool, coupled);
    AppConfig.FrameCheck = false;
    AppConfig.FillCheck = false;
    CSnapshotProp prop(nullptr, Qt::Dialog | Qt::FramelessWindowHint);
    prop.show();
    prop.setGeometry(200, 300, prop.width(), prop.height());
    const int right = prop.frameGeometry().right();
    prop.setDrawMode(mode);
    auto* frame = control<QCheckBox>(prop, "frameCheckBox");
    auto* fill = control<QCheckBox>(prop, "fillCheckBox");
    QCOMPARE(frame->isChecked(), coupled);
    QVERIFY(mode == DrawMode::Line || !control(prop, "fillColorComboBox")->isEnabled());

    // Through the other tools: the right edge stays, the width does not grow.
    const int width = prop.width();
    for (DrawMode m : {DrawMode::Text, DrawMode::Line, DrawMode::Select, DrawMode::Rectangle, mode}) {
        prop.setDrawMode(m);
        QCOMPARE(prop.frameGeometry().right(), right);
    }
    QCOMPARE(prop.width(), width);
    // Nothing is cut off at the strip's edge.
    QTRY_VERIFY(control(prop, "transparentSlider")->geometry().right() < prop.width());
    QCOMPARE(fill->isVisibleTo(&prop), mode != DrawMode::Line);
    if (mode == DrawMode::Line)
        return;

    frame->setChecked(true);
    frame->setChecked(false);
    QCOMPARE(fill->isChecked(), coupled);
    QCOMPARE(control(prop, "fillColorComboBox")->isEnabled(), coupled);
    QVERIFY(!control(prop, "frameWidthComboBox")->isEnabled());
    fill->setChecked(true);
    fill->setChecked(false);
    QCOMPARE(frame->isChecked(), coupled);
    QCOMPARE(control(prop, "frameWidthComboBox")->isEnabled(), coupled);
    QVERIFY(!control(prop, "fillColorComboBox")->isEnabled());
}

QTEST_MAIN(TestAnnotate)
#include "tst_annotate.moc"
