#include "support/TestSupport.h"

#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QtTest>

using namespace TestSupport;

namespace {

// The look every mark of this test gets from the stored settings: opaque
// named colours (the colour lists select by exact value) and an even pen
// width, so that a pen centred on whole pixel positions covers whole pixels.
const QRgb kFrame = qRgb(255, 0, 0);  // "red"
const QRgb kFill = qRgb(255, 255, 0); // "yellow"
constexpr int kPenWidth = 4;
constexpr int kHalfPen = kPenWidth / 2;

// The tool strip's buttons, left to right.
enum Button
{
    SelectButton,
    LineButton,
    LineArrowButton,
    RectangleButton,
    PolygonButton,
    EllipseButton,
    DrawButton,
    TextButton,
    EraseButton,
    SaveButton,
    CancelButton,
    OkButton,
    ButtonCount
};

// What a filled, framed rectangle mark makes of a pixel: the pen is centred
// on the rectangle's edges; its joins are bevelled, so the outer corner
// squares are only partly covered.
enum class Paint
{
    Desktop,
    Frame,
    Fill,
    FrameCorner
};

Paint rectangleMarkAt(const QRect& mark, const QPoint& p)
{
    const QRect outer = mark.adjusted(-kHalfPen, -kHalfPen, kHalfPen, kHalfPen);
    const QRect inner = mark.adjusted(kHalfPen, kHalfPen, -kHalfPen, -kHalfPen);
    if (!outer.contains(p))
        return Paint::Desktop;
    if (inner.contains(p))
        return Paint::Fill;
    const bool leftOrRight = p.x() < mark.left() || p.x() > mark.right();
    const bool aboveOrBelow = p.y() < mark.top() || p.y() > mark.bottom();
    return leftOrRight && aboveOrBelow ? Paint::FrameCorner : Paint::Frame;
}

bool between(int value, int a, int b)
{
    return value >= qMin(a, b) && value <= qMax(a, b);
}

// A pixel partly covered by the frame: each channel lies between the
// desktop's and the frame's.
bool blendOfFrame(QRgb pixel, QRgb desktop)
{
    return between(qRed(pixel), qRed(desktop), qRed(kFrame)) &&
           between(qGreen(pixel), qGreen(desktop), qGreen(kFrame)) &&
           between(qBlue(pixel), qBlue(desktop), qBlue(kFrame));
}

QImage solid(const QSize& size, QRgb colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QString pixelText(QRgb c)
{
    return QStringLiteral("#%1").arg(c & 0xffffff, 6, 16, QLatin1Char('0'));
}

// Compares a picture of the desktop area `area` with what it must show: the
// desktop's pixels with the given rectangle marks (in desktop coordinates)
// on top, and nothing else. Returns a description of the first few
// differences, empty when there are none. With `marksOnly` only the marks'
// pixels are checked (the live view also shows the pointer's crosshair).
QString compareWithMarks(const QImage& picture, const QImage& desktop, const QRect& area,
                         const QList<QRect>& marks, bool marksOnly = false)
{
    if (picture.size() != area.size())
        return QStringLiteral("picture is %1x%2, area %3x%4")
            .arg(picture.width())
            .arg(picture.height())
            .arg(area.width())
            .arg(area.height());
    const QImage shown = picture.convertToFormat(QImage::Format_RGB32);
    QStringList faults;
    qint64 count = 0;
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x) {
            const QPoint at = area.topLeft() + QPoint(x, y);
            Paint paint = Paint::Desktop;
            for (const QRect& mark : marks) {
                const Paint p = rectangleMarkAt(mark, at);
                if (p != Paint::Desktop)
                    paint = p;
            }
            if (marksOnly && paint == Paint::Desktop)
                continue;
            const QRgb got = shown.pixel(x, y) & 0xffffff;
            const QRgb under = desktop.pixel(at) & 0xffffff;
            bool ok = false;
            switch (paint) {
            case Paint::Desktop:
                ok = got == under;
                break;
            case Paint::Frame:
                ok = got == (kFrame & 0xffffff);
                break;
            case Paint::Fill:
                ok = got == (kFill & 0xffffff);
                break;
            case Paint::FrameCorner:
                ok = blendOfFrame(got, under);
                break;
            }
            if (ok)
                continue;
            if (++count <= 5) {
                static const char* const names[] = {"desktop", "frame", "fill", "frame corner"};
                faults << QStringLiteral("(%1,%2): %3 where %4 belongs (desktop %5)")
                              .arg(at.x())
                              .arg(at.y())
                              .arg(pixelText(got), QLatin1String(names[int(paint)]), pixelText(under));
            }
        }
    }
    if (count == 0)
        return QString();
    return QStringLiteral("%1 pixels differ, e.g. %2").arg(count).arg(faults.join(QStringLiteral("; ")));
}

} // namespace

// The drawing tools as a user works them: the real program under a window
// manager, the hot key, the mouse on the desktop and on the tool strip, and
// the finished picture read back from the clipboard.
class TestMarks : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void drawMoveEraseAndFinish();

private:
    void startProgram();
    void parkPointer();
    QRect toolStrip() const;
    void click(Button button);
    bool propertyStripShown() const;
    QString viewWindow() const;

    QProcess* m_program = nullptr;
    QRect m_strip;
};

void TestMarks::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    QVERIFY(setRootPicture(makeTestPattern(QGuiApplication::primaryScreen()->size(), 5)));
}

void TestMarks::cleanup()
{
    stopProgram(m_program);
}

void TestMarks::startProgram()
{
    m_program = startResidentProgram({{QStringLiteral("GenActionAfterFinish"), 1},
                                      {QStringLiteral("CopyToClipboardAfterFinish"), true},
                                      {QStringLiteral("SaveToFileAfterFinish"), false},
                                      {QStringLiteral("SnapshotShadow"), false},
                                      {QStringLiteral("FrameCheck"), true},
                                      {QStringLiteral("FrameColor"), quint32(kFrame)},
                                      {QStringLiteral("FrameWidth"), kPenWidth},
                                      {QStringLiteral("FillCheck"), true},
                                      {QStringLiteral("FillColor"), quint32(kFill)},
                                      {QStringLiteral("Transparent"), 100}});
    QVERIFY(m_program);
}

// Off every mark, so that the crosshair and any hover highlight stay clear
// of them.
void TestMarks::parkPointer()
{
    runXdotool(QStringLiteral("mousemove 110 110"));
    QTest::qWait(300);
}

QString TestMarks::viewWindow() const
{
    return visibleWindows(QStringLiteral("^Draw View$")).value(0);
}

bool TestMarks::propertyStripShown() const
{
    return !visibleWindows(QStringLiteral("^SnapshotProp$")).isEmpty();
}

// The program's visible 480 x 40 window: the tool strip.
QRect TestMarks::toolStrip() const
{
    const ToolResult ids =
        runTool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                            QStringLiteral("--class"), QStringLiteral("^vireoscape$")});
    const QRegularExpression field(QStringLiteral("^(X|Y|WIDTH|HEIGHT)=(-?\\d+)$"),
                                   QRegularExpression::MultilineOption);
    for (const QString& id : QString::fromLatin1(ids.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const ToolResult geometry = runTool(
            QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id});
        QMap<QString, int> values;
        auto it = field.globalMatch(QString::fromLatin1(geometry.out));
        while (it.hasNext()) {
            const auto m = it.next();
            values.insert(m.captured(1), m.captured(2).toInt());
        }
        const QRect r(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
                      values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT")));
        if (r.size() == QSize(480, 40))
            return r;
    }
    return QRect();
}

// The strip shares its width less a margin of one pixel equally among the
// twelve buttons, one pixel apart.
void TestMarks::click(Button button)
{
    const double pitch = (m_strip.width() - 1) / double(ButtonCount);
    const QPoint at(m_strip.x() + 1 + int(pitch * (int(button) + 0.5)), m_strip.y() + m_strip.height() / 2);
    runXdotool(QStringLiteral("mousemove %1 %2 click 1").arg(at.x()).arg(at.y()));
    QTest::qWait(300);
}

void TestMarks::drawMoveEraseAndFinish()
{
    startProgram();
    if (QTest::currentTestFailed())
        return;
    const QImage desktop = referenceScreenshot();
    QVERIFY(!desktop.isNull());
    runXdotool(QStringLiteral("key alt+s"));
    QTRY_VERIFY_WITH_TIMEOUT(!viewWindow().isEmpty(), 10000);
    QTest::qWait(300);

    const QRect area(100, 100, 700, 400);
    dragWithMouse(area.topLeft(), area.topLeft() + QPoint(area.width(), area.height()));
    QTRY_VERIFY_WITH_TIMEOUT(toolStrip().isValid(), 5000);
    m_strip = toolStrip();
    // Right-aligned under the area: clear of everything drawn below.
    QCOMPARE(m_strip.topLeft(), QPoint(area.x() + area.width() - 480, area.y() + area.height() + 5));
    QVERIFY(!propertyStripShown());

    // A rectangle, spanned from the press to the release.
    click(RectangleButton);
    QTRY_VERIFY_WITH_TIMEOUT(propertyStripShown(), 5000);
    const QPoint pressed(150, 150);
    const QRect drawn(pressed, QSize(200, 150));
    dragWithMouse(pressed, pressed + QPoint(drawn.width(), drawn.height()));

    // A horizontal line with the same pen; its square caps reach half the
    // pen's width past both ends.
    click(LineButton);
    const QPoint lineFrom(450, 420);
    const QPoint lineTo(700, 420);
    dragWithMouse(lineFrom, lineTo);
    const QRect lineCover(lineFrom.x() - kHalfPen, lineFrom.y() - kHalfPen,
                          lineTo.x() - lineFrom.x() + kPenWidth, kPenWidth);

    parkPointer();
    {
        const QImage screen = referenceScreenshot();
        const QString fault = compareWithMarks(screen.copy(area), desktop, area, {drawn}, true);
        QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("rectangle on screen: ") + fault));
        QCOMPARE(differingPixels(screen.copy(lineCover), solid(lineCover.size(), kFrame)), qint64(0));
    }

    // Select drags the rectangle by the pointer's way.
    click(SelectButton);
    QTRY_VERIFY_WITH_TIMEOUT(!propertyStripShown(), 5000);
    const QPoint grip = drawn.center();
    const QPoint by(300, 60);
    dragWithMouse(grip, grip + by);
    const QRect moved = drawn.translated(by);
    const QRect drawnCover = drawn.adjusted(-kHalfPen, -kHalfPen, kHalfPen, kHalfPen);

    // Erase: a click on the line takes it away, and only it.
    click(EraseButton);
    QVERIFY(!propertyStripShown());
    const QPoint onLine(560, lineFrom.y());
    runXdotool(QStringLiteral("mousemove %1 %2").arg(onLine.x() - 3).arg(onLine.y()));
    runXdotool(QStringLiteral("mousemove %1 %2 click 1").arg(onLine.x()).arg(onLine.y()));
    QTest::qWait(300);

    parkPointer();
    {
        const QImage screen = referenceScreenshot();
        const QString fault = compareWithMarks(screen.copy(area), desktop, area, {moved}, true);
        QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("moved rectangle on screen: ") + fault));
        QCOMPARE(differingPixels(screen.copy(lineCover), desktop.copy(lineCover)), qint64(0));
        QCOMPARE(differingPixels(screen.copy(drawnCover), desktop.copy(drawnCover)), qint64(0));
    }

    click(OkButton);
    QTRY_VERIFY_WITH_TIMEOUT(viewWindow().isEmpty(), 5000);
    const ToolResult clip = runTool(
        QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                  QStringLiteral("-t"), QStringLiteral("image/png"), QStringLiteral("-o")});
    QCOMPARE(clip.exitCode, 0);
    const QImage picture = QImage::fromData(clip.out, "PNG");
    QCOMPARE(picture.size(), area.size());
    // The rectangle where it was dragged to; where it was drawn, where the
    // line was and everywhere else the desktop, pixel for pixel.
    const QString fault = compareWithMarks(picture, desktop, area, {moved});
    QVERIFY2(fault.isEmpty(), qPrintable(fault));

    // A log-out or kill ends the program even while it holds the clipboard.
    m_program->terminate();
    QVERIFY(m_program->waitForFinished(5000));
    QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
}

QTEST_MAIN(TestMarks)
#include "tst_marks.moc"
