// Whole journeys as a user makes them: the real program under a window
// manager, driven by xdotool, its pictures read back from the clipboard and
// the disk and compared in all four channels with what the screen showed.
// Each journey is a row of data: environment, settings, steps.
#include "support/TestSupport.h"

#include <QDir>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QtTest>

using namespace TestSupport;

namespace {

// Every mark of these journeys: opaque named colours and an even pen width,
// so that a pen centred on whole pixels covers whole pixels.
const QRgb kFrame = qRgb(255, 0, 0); // "red"
const QRgb kFill = qRgb(255, 255, 0); // "yellow"
constexpr int kPen = 4;

const QStringList kButtons = {"Select", "Line", "LineArrow", "Rectangle", "Polygon", "Ellipse",
                              "Draw",   "Text", "Erase",     "Save",      "Cancel",  "Ok"};

QPoint point(const QString& text)
{
    const QStringList xy = text.split(QLatin1Char(','));
    return QPoint(xy.value(0).toInt(), xy.value(1).toInt());
}

QRect rect(const QString& text)
{
    const QStringList v = text.split(QLatin1Char(','));
    return QRect(v.value(0).toInt(), v.value(1).toInt(), v.value(2).toInt(), v.value(3).toInt());
}

// What a framed, filled rectangle mark (in desktop pixels) does to a pixel:
// the pen is centred on the edges and its bevelled joins leave the outer
// corner squares partly covered, which the comparison skips.
enum class Paint { Desktop, Frame, Fill, Corner };

// A rectangle mark and its frame colour (red unless recoloured).
struct Mark
{
    QRect rect;
    QRgb frame = kFrame;
};

Paint markAt(const QRect& mark, const QPoint& p)
{
    const int h = kPen / 2;
    if (!mark.adjusted(-h, -h, h, h).contains(p))
        return Paint::Desktop;
    if (mark.adjusted(h, h, -h, -h).contains(p))
        return Paint::Fill;
    const bool side = p.x() < mark.left() || p.x() > mark.right();
    const bool end = p.y() < mark.top() || p.y() > mark.bottom();
    return side && end ? Paint::Corner : Paint::Frame;
}

// Differences between a picture of `area` and the desktop with the marks on
// it, all four channels; empty when there are none.
QString compare(const QImage& picture, const QImage& desktop, const QRect& area, const QList<Mark>& marks)
{
    if (picture.size() != area.size())
        return QStringLiteral("picture is %1x%2, area %3x%4")
            .arg(picture.width()).arg(picture.height()).arg(area.width()).arg(area.height());
    const QImage got = picture.convertToFormat(QImage::Format_ARGB32);
    qint64 count = 0;
    QString first;
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x) {
            const QPoint at = area.topLeft() + QPoint(x, y);
            Paint paint = Paint::Desktop;
            QRgb frame = kFrame;
            for (const Mark& mark : marks) {
                const Paint here = markAt(mark.rect, at);
                if (here > paint)
                    frame = mark.frame;
                paint = qMax(paint, here);
            }
            const QRgb want = paint == Paint::Frame ? frame
                              : paint == Paint::Fill ? kFill
                                                     : desktop.pixel(at);
            if (paint == Paint::Corner || got.pixel(x, y) == want)
                continue;
            if (count++ == 0)
                first = QStringLiteral("(%1,%2) is %3, not %4")
                            .arg(at.x()).arg(at.y())
                            .arg(got.pixel(x, y), 8, 16, QLatin1Char('0'))
                            .arg(want, 8, 16, QLatin1Char('0'));
        }
    }
    return count ? QStringLiteral("%1 pixels differ, first %2").arg(count).arg(first) : QString();
}

// The colour after a named one in the colour boxes' list.
QString nextColourName(const QString& name)
{
    const QStringList names = QColor::colorNames();
    return names.value(names.indexOf(name) + 1);
}

} // namespace

class TestJourneys : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void journey_data();
    void journey();

private:
    void run(const QString& step);
    void expectPicture(const QStringList& words);
    QString viewWindow() const { return visibleWindows(QStringLiteral("^Draw View$")).value(0); }
    QList<QRect> programWindows() const;
    QRect toolStrip() const;

    QProcess* m_program = nullptr;
    QProcess* m_logo = nullptr;
    QRect m_logoRect;
    QImage m_screen; // what the user saw when the snapshot started
    QString m_shots;
};

void TestJourneys::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    QVERIFY(setRootPicture(makeTestPattern(QGuiApplication::primaryScreen()->size(), 3)));
    // A window at odd device pixels: a scaled view must still find it exactly.
    m_logo = new QProcess;
    m_logo->start(QStringLiteral("xlogo"), {QStringLiteral("-geometry"), QStringLiteral("221x161+801+403")});
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(QStringLiteral("^xlogo$")).isEmpty(), 5000);
    QTest::qWait(300);
    const QString info = QString::fromLatin1(
        runTool(QStringLiteral("xwininfo"), {QStringLiteral("-name"), QStringLiteral("xlogo")}).out);
    auto field = [&info](const char* name) {
        return QRegularExpression(QStringLiteral("%1:\\s+(-?\\d+)").arg(QLatin1String(name)))
            .match(info).captured(1).toInt();
    };
    m_logoRect = QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                       field("Height"));
    QCOMPARE(m_logoRect.size(), QSize(221, 161));
    m_shots = QDir::home().filePath(QStringLiteral("shots"));
}

void TestJourneys::cleanupTestCase()
{
    if (m_logo) {
        m_logo->kill();
        m_logo->waitForFinished(2000);
        delete m_logo;
    }
}

void TestJourneys::cleanup()
{
    stopProgram(m_program);
    runTool(QStringLiteral("xrdb"), {QStringLiteral("-remove")});
    QDir(m_shots).removeRecursively();
}

void TestJourneys::journey_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("resources");
    QTest::addColumn<QStringList>("steps");

    // A window picked with a click and marked with a rectangle, then an area
    // dragged between odd device pixels: the pictures are exactly what the
    // screen showed, at one picture pixel per device pixel.
    const QStringList scaled = {
        "snapshot", "pick-window", "tool Rectangle", "drag 851,441 951,521", "tool Ok",
        "expect clipboard window mark 851,441,100,80", "expect file window mark 851,441,100,80",
        "snapshot", "drag 301,201 751,491", "dblclick 500,300", "expect clipboard 301,201,450,290"};
    QTest::newRow("scale 1") << QStringList() << QString() << scaled;
    QTest::newRow("QT_SCALE_FACTOR=2") << QStringList{"QT_SCALE_FACTOR=2"} << QString() << scaled;
    QTest::newRow("QT_SCALE_FACTOR=1.5") << QStringList{"QT_SCALE_FACTOR=1.5"} << QString() << scaled;
    QTest::newRow("Xft.dpi 192") << QStringList() << QStringLiteral("Xft.dpi: 192") << scaled;

    // An area adjusted with a handle and with Shift+arrows, two marks, one
    // taken back, the other recoloured through the property strip, Enter.
    const QStringList adjusted = {
        "snapshot", "drag 301,201 751,491", "drag 751,491 801,531", "key shift+Right shift+Right shift+Down",
        "tool Rectangle", "drag 351,251 451,331", "drag 551,351 651,431", "key ctrl+z", "tool Select",
        "click 351,291", "next-frame-colour", "key Return",
        "expect clipboard 301,201,502,331 mark 351,251,100,80," + nextColourName(QStringLiteral("red"))};
    QTest::newRow("adjust, undo, recolour") << QStringList() << QString() << adjusted;
    QTest::newRow("adjust, undo, recolour at QT_SCALE_FACTOR=2")
        << QStringList{"QT_SCALE_FACTOR=2"} << QString() << adjusted;
}

void TestJourneys::journey()
{
    QFETCH(QStringList, environment);
    QFETCH(QString, resources);
    QFETCH(QStringList, steps);
    if (!resources.isEmpty())
        QCOMPARE(runTool(QStringLiteral("xrdb"), {QStringLiteral("-merge")}, 5000, resources.toUtf8()).exitCode, 0);
    QDir().mkpath(m_shots);
    m_program = startResidentProgram({{QStringLiteral("GenActionAfterFinish"), 0},
                                      {QStringLiteral("SnapshotFilePath"), m_shots},
                                      {QStringLiteral("SnapshotShadow"), false},
                                      {QStringLiteral("FrameCheck"), true},
                                      {QStringLiteral("FrameColor"), quint32(kFrame)},
                                      {QStringLiteral("FrameWidth"), kPen},
                                      {QStringLiteral("FillCheck"), true},
                                      {QStringLiteral("FillColor"), quint32(kFill)},
                                      {QStringLiteral("Transparent"), 100}},
                                     environment);
    QVERIFY(m_program);
    for (const QString& step : steps) {
        run(step);
        if (QTest::currentTestFailed()) {
            qWarning("at step \"%s\"", qPrintable(step));
            return;
        }
    }
    QCOMPARE(m_program->state(), QProcess::Running);
}

QList<QRect> TestJourneys::programWindows() const
{
    const QStringList ids = QString::fromLatin1(runTool(QStringLiteral("xdotool"),
                                                        {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                         QStringLiteral("--class"), QStringLiteral("^vireoscape$")})
                                                    .out)
                                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QList<QRect> found;
    for (const QString& id : ids) {
        const QString info =
            QString::fromLatin1(runTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id}).out);
        auto field = [&info](const char* name) {
            return QRegularExpression(QStringLiteral("%1:\\s+(-?\\d+)").arg(QLatin1String(name)))
                .match(info).captured(1).toInt();
        };
        found << QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                       field("Height"));
    }
    return found;
}

QRect TestJourneys::toolStrip() const
{
    // The program's visible window twelve times as wide as high, at any scale.
    for (const QRect& r : programWindows())
        if (r.height() > 0 && r.width() == 12 * r.height())
            return r;
    return QRect();
}

void TestJourneys::run(const QString& step)
{
    const QStringList words = step.split(QLatin1Char(' '));
    const QString verb = words.first();
    if (verb == QLatin1String("snapshot")) {
        QTRY_VERIFY_WITH_TIMEOUT(viewWindow().isEmpty(), 5000);
        m_screen = referenceScreenshot();
        runXdotool(QStringLiteral("key alt+s"));
        QTRY_VERIFY_WITH_TIMEOUT(!viewWindow().isEmpty(), 10000);
        QTest::qWait(300);
    } else if (verb == QLatin1String("pick-window")) {
        const QPoint c = m_logoRect.center();
        runXdotool(QStringLiteral("mousemove %1 %2").arg(c.x() - 7).arg(c.y() - 5));
        runXdotool(QStringLiteral("mousemove %1 %2 click 1").arg(c.x()).arg(c.y()));
        QTest::qWait(300);
    } else if (verb == QLatin1String("tool")) {
        QRect strip;
        QTRY_VERIFY_WITH_TIMEOUT((strip = toolStrip()).isValid(), 5000);
        // Twelve buttons share the strip's width less its margins.
        const double pitch = strip.width() / double(kButtons.size());
        const int index = kButtons.indexOf(words.value(1));
        QVERIFY(index >= 0);
        runXdotool(QStringLiteral("mousemove %1 %2 click 1")
                       .arg(strip.x() + int(pitch * (index + 0.5)))
                       .arg(strip.center().y()));
        QTest::qWait(300);
    } else if (verb == QLatin1String("drag")) {
        dragWithMouse(point(words.value(1)), point(words.value(2)));
    } else if (verb == QLatin1String("dblclick")) {
        const QPoint p = point(words.value(1));
        runXdotool(QStringLiteral("mousemove %1 %2 click --repeat 2 --delay 60 1").arg(p.x()).arg(p.y()));
    } else if (verb == QLatin1String("click")) {
        const QPoint p = point(words.value(1));
        runXdotool(QStringLiteral("mousemove %1 %2 click 1").arg(p.x()).arg(p.y()));
        QTest::qWait(200);
    } else if (verb == QLatin1String("key")) {
        // "key ctrl+z shift+Right ...": keys as xdotool names them.
        runXdotool(QStringLiteral("key --delay 80 ") + words.mid(1).join(QLatin1Char(' ')));
        QTest::qWait(200);
    } else if (verb == QLatin1String("next-frame-colour")) {
        // The wheel over the property strip's frame colour box, which the
        // strip shows second (after the frame box) for a shape: the colour
        // after the current one in the list.
        const QRect strip = toolStrip();
        QRect prop;
        for (const QRect& r : programWindows())
            if (r.top() > strip.bottom() && r.top() < strip.bottom() + strip.height())
                prop = r;
        QVERIFY(prop.isValid());
        const double unit = strip.height() / 40.0; // the tool strip is 40 units high
        const QPoint at(prop.left() + int(60 * unit), prop.center().y());
        runXdotool(QStringLiteral("mousemove %1 %2 click 5").arg(at.x()).arg(at.y()));
        QTest::qWait(200);
    } else if (verb == QLatin1String("expect")) {
        expectPicture(words.mid(1));
    } else {
        QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
    }
}

// "expect clipboard|file AREA [mark X,Y,W,H ...]": AREA is "window" (the
// picked window) or X,Y,W,H in desktop pixels.
void TestJourneys::expectPicture(const QStringList& words)
{
    QTRY_VERIFY_WITH_TIMEOUT(viewWindow().isEmpty(), 5000);
    const QRect area = words.value(1) == QLatin1String("window") ? m_logoRect : rect(words.value(1));
    QList<Mark> marks;
    for (int i = 2; i + 1 < words.size(); i += 2) {
        Mark mark{rect(words.at(i + 1))};
        const QString colour = words.at(i + 1).section(QLatin1Char(','), 4);
        if (!colour.isEmpty())
            mark.frame = QColor(colour).rgba();
        marks << mark;
    }
    QImage picture;
    if (words.first() == QLatin1String("clipboard")) {
        const ToolResult clip = runTool(QStringLiteral("xclip"),
                                        {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                         QStringLiteral("-t"), QStringLiteral("image/png"), QStringLiteral("-o")});
        QCOMPARE(clip.exitCode, 0);
        picture = QImage::fromData(clip.out, "PNG");
    } else {
        QStringList files;
        QTRY_VERIFY_WITH_TIMEOUT(!(files = QDir(m_shots).entryList(QDir::Files)).isEmpty(), 5000);
        QCOMPARE(files.size(), 1);
        picture = QImage(QDir(m_shots).filePath(files.first()));
        QFile::remove(QDir(m_shots).filePath(files.first()));
    }
    const QString fault = compare(picture, m_screen, area, marks);
    QVERIFY2(fault.isEmpty(), qPrintable(words.first() + QStringLiteral(": ") + fault));
}

QTEST_MAIN(TestJourneys)
#include "tst_journeys.moc"
