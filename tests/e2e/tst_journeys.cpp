// Whole journeys as a user makes them: the real program under openbox with
// trayer as tray host, driven by xdotool, its pictures read back from the
// clipboard and the disk and compared in all four channels with what the
// screen showed. Each journey is a row: environment and a few steps.
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

#include <csignal>
#include <optional>

using namespace TestSupport;

namespace {

// Every mark of these journeys: opaque named colours and an even pen width,
// so that a pen centred on whole pixels covers whole pixels.
const QRgb kFrame = qRgb(255, 0, 0);
const QRgb kFill = qRgb(255, 255, 0);
constexpr int kPen = 4;

const QStringList kButtons = {"Select", "Line",     "LineArrow", "Rectangle", "Polygon",     "Ellipse",
                              "Draw",   "Text",     "Erase",     "Hide",      "Highlighter", "Steps",
                              "Pin",    "CopyText", "Save",      "Cancel",    "Ok"};
// The highlighter's default width and colour, and the size of a step drawn
// with the journeys' pen.
constexpr int kHighlight = 16;
constexpr int kStepDiameter = 16 + 6 * kPen;

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

// Runs a tool from a command line split at spaces.
ToolResult tool(const QString& commandLine, const QByteArray& input = {})
{
    const QStringList words = commandLine.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return runTool(words.first(), words.mid(1), 20000, input);
}

QString xdotool(const QString& commandLine)
{
    return QString::fromLatin1(tool(QStringLiteral("xdotool ") + commandLine).out).trimmed();
}

// What a framed, filled rectangle mark (in desktop pixels) does to a pixel:
// the pen is centred on the edges and its bevelled joins leave the outer
// corner squares partly covered, which the comparison skips. Its shadow,
// grey with alpha 125, lies two pixels right and down, under it.
enum class Paint
{
    Desktop,
    Shadow,
    Frame,
    Fill,
    Corner
};

// A mark of a journey: a rectangle with its frame colour (red unless
// recoloured), a Hide area, a highlighter stroke from one point to another,
// or a step round its centre.
struct Mark
{
    enum Kind
    {
        Rectangle,
        Hide,
        Highlight,
        Step
    } kind = Rectangle;
    QRect rect;
    QRgb frame = kFrame;
    QLineF line;
};

Paint rectangleAt(const QRect& mark, const QPoint& p, bool shadow)
{
    const int h = kPen / 2;
    if (shadow) {
        const Paint under = rectangleAt(mark.translated(2, 2), p, false);
        const Paint here = rectangleAt(mark, p, false);
        return here != Paint::Desktop || under == Paint::Desktop ? here
               : under == Paint::Corner                          ? Paint::Corner
                                                                 : Paint::Shadow;
    }
    if (!mark.adjusted(-h, -h, h, h).contains(p))
        return Paint::Desktop;
    if (mark.adjusted(h, h, -h, -h).contains(p))
        return Paint::Fill;
    const bool side = p.x() < mark.left() || p.x() > mark.right();
    const bool end = p.y() < mark.top() || p.y() > mark.bottom();
    return side && end ? Paint::Corner : Paint::Frame;
}

qreal distanceToSegment(const QLineF& line, const QPointF& p)
{
    const QPointF d = line.p2() - line.p1();
    const qreal length2 = QPointF::dotProduct(d, d);
    const qreal t = length2 > 0 ? qBound(0.0, QPointF::dotProduct(p - line.p1(), d) / length2, 1.0) : 0.0;
    return QLineF(p, line.p1() + t * d).length();
}

// What a mark makes of the pixel at p, which showed `screen`: true when it
// covers it, with the colour it must have there (or none where it is not
// exact: edges, a hidden area, a step's number).
bool markCovers(const Mark& mark, const QPoint& p, QRgb screen, bool shadows, std::optional<QRgb>& want)
{
    const QPointF centre = QPointF(p) + QPointF(0.5, 0.5);
    switch (mark.kind) {
    case Mark::Rectangle: {
        const Paint paint = rectangleAt(mark.rect, p, shadows);
        if (paint == Paint::Desktop)
            return false;
        want = paint == Paint::Frame    ? std::optional<QRgb>(mark.frame)
               : paint == Paint::Fill   ? std::optional<QRgb>(kFill)
               : paint == Paint::Shadow ? std::optional<QRgb>(over(screen, QColor(125, 125, 125, 125)))
                                        : std::nullopt;
        return true;
    }
    case Mark::Hide:
        want = std::nullopt;
        return mark.rect.contains(p);
    case Mark::Highlight: {
        const qreal d = distanceToSegment(mark.line, centre);
        if (d > kHighlight / 2.0 + 1.5)
            return false;
        // Multiplied by yellow: blue goes, red and green stay.
        want = d < kHighlight / 2.0 - 1.5 ? std::optional<QRgb>(qRgb(qRed(screen), qGreen(screen), 0))
                                          : std::nullopt;
        return true;
    }
    case Mark::Step:
        want = std::nullopt;
        return QLineF(mark.line.p1(), centre).length() <= kStepDiameter / 2.0 + 1.5;
    }
    return false;
}

// Differences between a picture of `area` and the desktop with the marks on
// it, all four channels; empty when there are none.
QString compare(const QImage& picture, const QImage& desktop, const QRect& area, const QList<Mark>& marks,
                bool shadows)
{
    if (picture.size() != area.size())
        return QString::asprintf("picture is %dx%d, area %dx%d", picture.width(), picture.height(),
                                 area.width(), area.height());
    const QImage got = picture.convertToFormat(QImage::Format_ARGB32);
    qint64 count = 0;
    QString first;
    QVector<qint64> unchanged(marks.size()), covered(marks.size()), framed(marks.size());
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x) {
            const QPoint at = area.topLeft() + QPoint(x, y);
            // The last mark drawn over the pixel decides it.
            std::optional<QRgb> want = desktop.pixel(at);
            for (int i = marks.size() - 1; i >= 0; --i) {
                if (markCovers(marks[i], at, desktop.pixel(at), shadows, want)) {
                    ++covered[i];
                    unchanged[i] += got.pixel(x, y) == desktop.pixel(at);
                    framed[i] += got.pixel(x, y) == marks[i].frame;
                    break;
                }
            }
            if (!want || got.pixel(x, y) == *want)
                continue;
            if (count++ == 0)
                first =
                    QString::asprintf("(%d,%d) is %08x, not %08x", at.x(), at.y(), got.pixel(x, y), *want);
        }
    }
    if (count)
        return QStringLiteral("%1 pixels differ, first %2").arg(count).arg(first);
    // A hidden area shows almost nothing of the screen; a step is mostly
    // its colour (round its number).
    for (int i = 0; i < marks.size(); ++i) {
        if (marks[i].kind == Mark::Hide && unchanged[i] * 10 > covered[i])
            return QStringLiteral("%1 of %2 hidden pixels show the screen").arg(unchanged[i]).arg(covered[i]);
        if (marks[i].kind == Mark::Step && framed[i] * 2 < covered[i])
            return QStringLiteral("a step has %1 of %2 pixels of its colour").arg(framed[i]).arg(covered[i]);
    }
    return QString();
}

// The colour after a named one in the colour boxes' list.
QString nextColourName(const QString& name)
{
    const QStringList names = QColor::colorNames();
    return names.value(names.indexOf(name) + 1);
}

} // namespace

// A desktop's notification service on the test's own bus: what the program
// shows and takes down.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList bodies;
    QList<uint> closed;

public slots:
    uint Notify(const QString&, uint, const QString&, const QString&, const QString& body, const QStringList&,
                const QVariantMap&, int)
    {
        bodies << body;
        return uint(bodies.size());
    }
    void CloseNotification(uint id) { closed << id; }
};

class TestJourneys : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void journey_data();
    void journey();

private:
    void run(const QString& step);
    void expect(const QStringList& words);
    void expectPicture(const QStringList& words);
    void start(bool shown);
    void setTrayHost(bool running);
    QStringList ourWindows() const;
    QString mainWindow() const;
    QString trayIcon() const;
    QString m_balloon;
    QString viewWindow() const { return visibleWindows(QStringLiteral("^Draw View$")).value(0); }
    QRect toolStrip() const;
    QStringList shots() const { return QDir(m_shots).entryList(QDir::Files, QDir::Name); }

    QStringList m_environment;
    QVariantMap m_settings;
    QProcess m_bus; // the session bus of a row with a notification service
    FakeNotifications m_notifications;
    QProcess* m_program = nullptr;
    QProcess m_logo;
    QProcess m_trayer;
    QRect m_logoRect;
    QPoint m_mainPlace; // where the main window was moved to
    QImage m_screen;    // what the user saw when the snapshot started
    QImage m_root;      // the desktop's picture
    bool m_rootChanged = false;
    QByteArray m_clipboard; // the PNG of the last picture checked on the clipboard
    QString m_shots;
    int m_status = -1; // of the last program run to its end
    QString m_errors;  // its standard error
};

void TestJourneys::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    m_root = makeTestPattern(QGuiApplication::primaryScreen()->size(), 3);
    QVERIFY(setRootPicture(m_root));
    // A window at odd device pixels: a scaled view must still find it exactly.
    m_logo.start(QStringLiteral("xlogo"), {QStringLiteral("-geometry"), QStringLiteral("221x161+801+403")});
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(QStringLiteral("^xlogo$")).isEmpty(), 15000);
    QTest::qWait(300);
    m_logoRect = windowGeometry(visibleWindows(QStringLiteral("^xlogo$")).first());
    QCOMPARE(m_logoRect.size(), QSize(221, 161));
    m_shots = QDir::home().filePath(QStringLiteral("shots"));
}

void TestJourneys::cleanupTestCase()
{
    setTrayHost(false);
    m_logo.kill();
    m_logo.waitForFinished(2000);
}

void TestJourneys::init()
{
    setTrayHost(true);
    QDir(m_shots).removeRecursively();
    QDir().mkpath(m_shots);
    m_status = -1;
    m_errors.clear();
    // Red, yellow-filled rectangles 4 pixels wide, the main window out of the
    // way, no newcomer's hints and no finish notice over the next reference.
    m_settings = {{"GenAutoRun", false},           {"GenAutoHide", true},     {"GenActionAfterFinish", 0},
                  {"SnapshotFilePath", m_shots},   {"SnapshotShadow", false}, {"FrameCheck", true},
                  {"FrameColor", quint32(kFrame)}, {"FrameWidth", kPen},      {"FillCheck", true},
                  {"FillColor", quint32(kFill)},   {"Transparent", 100},      {"FirstRunHints", 99},
                  {"ShowFinishNotice", false}};
}

void TestJourneys::cleanup()
{
    stopProgram(m_program);
    if (m_bus.state() != QProcess::NotRunning) {
        QDBusConnection::disconnectFromBus(QStringLiteral("journeys"));
        m_bus.kill();
        m_bus.waitForFinished(3000);
    }
    m_notifications.bodies.clear();
    m_notifications.closed.clear();
    tool(QStringLiteral("xrdb -remove"));
    if (m_rootChanged) {
        setRootPicture(m_root);
        m_rootChanged = false;
    }
}

void TestJourneys::setTrayHost(bool running)
{
    if (!running) {
        m_trayer.kill();
        m_trayer.waitForFinished(3000);
        return;
    }
    if (m_trayer.state() != QProcess::NotRunning)
        return;
    m_trayer.start(QStringLiteral("trayer"), {"--edge", "top", "--align", "left", "--widthtype", "pixel",
                                              "--width", "300", "--height", "32"});
    QTRY_VERIFY_WITH_TIMEOUT(!xdotool(QStringLiteral("search --class trayer")).isEmpty(), 10000);
}

// Rows: the environment of the program and its steps, separated by ";".
// Steps: set KEY=VALUE (a setting before the start) · start [shown] · run
// ARGS (the program to its end) · snapshot (Alt+S) · key KEYS · pick-window
// · tool NAME · drag X,Y X,Y · click X,Y · dblclick X,Y · close (Alt+F4 on
// the main window) · signal TERM|KILL · second-start · tray-host off · tray
// dblclick · take-clipboard · xrdb RESOURCE · reference (the screen now is
// what later pictures are compared with) · wm-pause MS · root-inside
// X,Y,W,H (other pixels there on the desktop) · colour X,Y (C with the
// pointer on that device pixel: its colour pasted as text) · menu X,Y KEYS (a right
// click, then keys) · notifications (a session bus with a notification
// service, for the program started next) · expect ...
void TestJourneys::journey_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("steps");
    // VS_JOURNEYS names one group of rows to run (all when unset).
    const QString only = qEnvironmentVariable("VS_JOURNEYS");
    QString group;
    auto row = [&](const char* name, const QStringList& environment, const QString& steps) {
        if (only.isEmpty() || only == group)
            QTest::newRow(name) << environment << steps;
    };

    // A window picked with a click and marked with a rectangle, then an area
    // dragged between odd device pixels: the pictures are exactly what the
    // screen showed, at one picture pixel per device pixel.
    group = QStringLiteral("scaled");
    const QString scaled =
        QStringLiteral("start; snapshot; pick-window; tool Rectangle; drag 851,441 951,521; tool Ok;"
                       "expect clipboard window mark 851,441,100,80; expect file window mark 851,441,100,80;"
                       "snapshot; colour 301,201; drag 301,201 751,491; dblclick 500,300;"
                       "expect clipboard 301,201,450,290");
    row("scale 1", {}, scaled);
    row("QT_SCALE_FACTOR=2", {"QT_SCALE_FACTOR=2"}, scaled);
    row("QT_SCALE_FACTOR=1.5", {"QT_SCALE_FACTOR=1.5"}, scaled);
    row("Xft.dpi 192", {}, "xrdb Xft.dpi:192; " + scaled);
    // An area adjusted with a handle and with Shift+arrows, two marks, one
    // taken back, the other recoloured through the property strip, Enter.
    const QString adjusted =
        "start; snapshot; drag 301,201 751,491; drag 751,491 801,531; key shift+Right shift+Right shift+Down;"
        "tool Rectangle; drag 351,251 451,331; drag 551,351 651,431; key ctrl+z; tool Select; click 351,291;"
        "next-frame-colour; key Return; expect clipboard 301,201,502,331 mark 351,251,100,80," +
        nextColourName(QStringLiteral("red"));
    row("adjust, undo, recolour", {}, adjusted);
    row("adjust, undo, recolour at QT_SCALE_FACTOR=2", {"QT_SCALE_FACTOR=2"}, adjusted);

    group = QStringLiteral("snapshot");
    row("draw, move and erase marks", {},
        "start; snapshot; drag 101,101 501,401; tool Rectangle; drag 151,151 231,211; drag 301,251 381,311;"
        "tool Select; drag 191,181 221,201; tool Erase; click 341,281; tool Ok;"
        "expect clipboard 101,101,400,300 mark 181,171,80,60");
    row("marks with their shadows, the default look", {},
        "set SnapshotShadow=true; start; snapshot; drag 101,101 501,401; tool Rectangle;"
        "drag 151,151 231,211; drag 301,251 381,311; tool Select; drag 191,181 221,201; tool Ok;"
        "expect clipboard 101,101,400,300 mark 181,171,80,60 mark 301,251,80,60");
    // The new tools, each from its button and from its letter.
    const char* newTools =
        "start; snapshot; drag 101,101 901,601; tool Hide; drag 201,151 361,241; key h; drag 501,151 601,221;"
        "tool Highlighter; drag 151,301 451,301; key m; drag 151,351 451,381; tool Steps; click 601,401;"
        "key n; click 701,451; tool Ok; expect clipboard 101,101,800,500 hide 201,151,160,90"
        " hide 501,151,100,70 highlight 151,301,451,301 highlight 151,351,451,381 step 601,401 step 701,451";
    row("hide, highlight and number steps", {}, newTools);
    row("hide, highlight and number steps at QT_SCALE_FACTOR=2", {"QT_SCALE_FACTOR=2"}, newTools);
    // What is under a Hide mark never reaches the picture: the same picture
    // after the hidden text changed.
    row("a password hidden, changed and hidden again", {},
        "start; snapshot; drag 101,101 501,401; key h; drag 201,151 361,241; tool Ok;"
        "expect clipboard 101,101,400,300 hide 201,151,160,90; root-inside 202,152,158,88; snapshot;"
        "drag 101,101 501,401; tool Hide; drag 201,151 361,241; tool Ok; expect clipboard-unchanged");
    // The context menu's last entry, from the keyboard.
    row("reselect the area: the window under the pointer again, no marks", {},
        "start; snapshot; drag 101,101 501,401; tool Rectangle; drag 151,151 231,211; menu 300,300 Up Return;"
        "expect strip hidden; pick-window; tool Ok; expect clipboard window");
    row("after finishing: show the main window where it was dragged", {},
        "set GenActionAfterFinish=1; start shown; move-main 787,538; snapshot; drag 100,120 300,250;"
        "dblclick 200,200; expect file 100,120,200,130; expect main shown; expect main-place");
    // Where the picture went: in the tray's message, or a desktop
    // notification where a service runs, taken down before the next grab.
    row("after finishing: a notice in the tray", {},
        "set ShowFinishNotice=true; start; snapshot; drag 100,120 300,250; dblclick 200,200;"
        "expect file 100,120,200,130; expect balloon shown");
    row("after finishing: a desktop notification, down at the next grab", {},
        "notifications; set ShowFinishNotice=true; set SnapshotFileName=shot; start; snapshot;"
        "drag 100,120 300,250; dblclick 200,200; expect notified Saved to SHOTS/shot.png and copied to"
        " the clipboard.; expect balloon none; snapshot; expect notification closed; key Escape");
    // The view holds the keyboard: the start key there starts over, and
    // the new snapshot takes the mouse and the keys as the first did.
    row("a restart with the start key, no tray host", {},
        "tray-host off; set IntervalSnap=1500; start; snapshot; drag 101,101 501,401; key alt+s;"
        "expect view hidden; expect view shown; drag 201,201 601,501; key Return;"
        "expect clipboard 201,201,400,300");
    row("the first start's balloon is not in the first picture", {},
        "set FirstRunHints=0; start; expect balloon shown; snapshot; expect balloon hidden; key Escape");
    row("after finishing: exit, no tray host", {},
        "tray-host off; set GenActionAfterFinish=2; set CopyToClipboardAfterFinish=false; start; snapshot;"
        "drag 100,120 300,250; dblclick 200,200; expect file 100,120,200,130; expect ended 0");
    row("after finishing: exit, the clipboard served until taken", {},
        "set GenActionAfterFinish=2; set GenCloseToTray=false; start; snapshot; drag 100,120 300,250;"
        "dblclick 200,200; expect clipboard 100,120,200,130; expect running; second-start allowed;"
        "take-clipboard; expect ended 0");
    row("after finishing: exit goes to the tray with close-to-tray", {},
        "set GenActionAfterFinish=2; set GenCloseToTray=true; start; snapshot; drag 100,120 300,250;"
        "dblclick 200,200; expect file 100,120,200,130; expect running; expect tray icon");
    // Without a delay, the main window the hot key hides must be off the
    // screen, frame and all, before the desktop is taken.
    row("no delay: the main window is not in the picture", {},
        "set IntervalSnap=0; start shown; wm-pause 300; snapshot; drag 0,0 1919,1079; dblclick 960,540;"
        "expect main hidden; reference; expect clipboard 0,0,1919,1079");
    row("hot keys with Caps Lock; Escape shows the main window", {},
        "start; key Caps_Lock; key alt+e; expect main shown; snapshot; expect main hidden; key Escape;"
        "expect view hidden; expect main shown; key Caps_Lock");
    row("a changed start key", {},
        "set ShortcutStartSnapshot=Ctrl + Shift + F9; start; key alt+s; expect view hidden;"
        "key ctrl+shift+F9; expect view shown");

    group = QStringLiteral("program");
    row("close hides to the tray; a double click on the icon brings it back", {},
        "set SnapshotAfterDlbClk=false; set GenCloseToTray=true; start shown; close; expect main hidden;"
        "expect running; tray dblclick; expect main shown");
    row("close without a tray host ends", {},
        "tray-host off; set GenCloseToTray=true; start shown; close; expect ended 0");
    row("termination saves the settings", {},
        "set IntervalSnap=345; start shown; signal TERM; expect ended 0; expect setting IntervalSnap=345");
    row("a second start is refused; a killed one does not lock out", {},
        "start shown; second-start refused; expect main shown; signal KILL; start shown");
    row("-s writes the screen, twice in a second", {},
        "set SnapshotFileName=same; run -s; expect status 0; run -s; expect status 0;"
        "expect files same.png same_1.png; expect file screen; expect file screen");
    row("a negative delay still snapshots", {},
        "set IntervalSnap=-5; start; snapshot; key Escape; expect main shown");
    row("settings that cannot be stored at the end", {},
        "start; block-settings; signal TERM; expect ended 1 cannot save the settings");
    row("a platform plugin that is not installed", {"QT_QPA_PLATFORM=nosuch"},
        "run; expect status 1 \"nosuch\"");
    row("-s where the screen cannot be read", {"QT_QPA_PLATFORM=offscreen"},
        "run -s; expect status 1 cannot read the screen; expect files");
    row("-s into a folder that cannot be made", {},
        "set SnapshotFilePath=/dev/null/dir; run -s; expect status 1 Not a directory; expect files");
    row("no X server", {"DISPLAY=:4242"}, "run; expect status 1 display");
}

void TestJourneys::journey()
{
    QFETCH(QStringList, environment);
    QFETCH(QString, steps);
    m_environment = environment;
    for (QString step : steps.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        step = step.trimmed();
        run(step);
        if (QTest::currentTestFailed()) {
            qWarning("at step \"%s\"", qPrintable(step));
            return;
        }
    }
}

void TestJourneys::start(bool shown)
{
    QVariantMap values = m_settings;
    if (shown)
        values.insert(QStringLiteral("GenAutoHide"), false);
    writeSettingsFile(values);
    stopProgram(m_program);
    m_program = new QProcess;
    m_program->setEnvironment(QProcess::systemEnvironment() + m_environment);
    m_program->start(programPath(), {});
    QVERIFY(waitUntilResident(m_program));
    if (shown)
        QTRY_VERIFY_WITH_TIMEOUT(!mainWindow().isEmpty(), 20000);
}

QStringList TestJourneys::ourWindows() const
{
    return xdotool(QStringLiteral("search --onlyvisible --class ^vireoscape$"))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString TestJourneys::mainWindow() const
{
    for (const QString& id : visibleWindows(QStringLiteral("^Vireoscape$"))) {
        if (windowGeometry(id).width() > 40)
            return id;
    }
    return QString();
}

QString TestJourneys::trayIcon() const
{
    // A small window of ours embedded in the tray host.
    for (const QString& id : ourWindows()) {
        const QSize size = windowGeometry(id).size();
        if (size.isValid() && size.width() <= 40 && size.height() <= 40)
            return id;
    }
    return QString();
}

QRect TestJourneys::toolStrip() const
{
    // The program's visible window as many times as wide as high as it has
    // buttons, at any scale.
    for (const QString& id : ourWindows()) {
        const QRect r = windowGeometry(id);
        if (r.height() > 0 && r.width() == kButtons.size() * r.height())
            return r;
    }
    return QRect();
}

void TestJourneys::run(const QString& step)
{
    const QStringList words = step.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString verb = words.first();
    const QString arg = words.value(1);
    if (verb == QLatin1String("set")) {
        m_settings.insert(arg.section(QLatin1Char('='), 0, 0), step.section(QLatin1Char('='), 1));
    } else if (verb == QLatin1String("start")) {
        start(arg == QLatin1String("shown"));
    } else if (verb == QLatin1String("run")) {
        writeSettingsFile(m_settings);
        QProcess p;
        p.setEnvironment(QProcess::systemEnvironment() + m_environment);
        p.start(programPath(), words.mid(1));
        QVERIFY(p.waitForFinished(20000));
        m_status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        m_errors = QString::fromLocal8Bit(p.readAllStandardError());
    } else if (verb == QLatin1String("xrdb")) {
        QCOMPARE(tool(QStringLiteral("xrdb -merge"), arg.toUtf8()).exitCode, 0);
    } else if (verb == QLatin1String("snapshot")) {
        QTRY_VERIFY_WITH_TIMEOUT(viewWindow().isEmpty(), 15000);
        m_screen = referenceScreenshot();
        runXdotool(QStringLiteral("key alt+s"));
        QTRY_VERIFY_WITH_TIMEOUT(!viewWindow().isEmpty(), 20000);
        QTest::qWait(300);
    } else if (verb == QLatin1String("wm-pause")) {
        // The window manager stops for ARG ms, as a busy one would.
        const pid_t wm = pid_t(qEnvironmentVariableIntValue("VS_TEST_WM_PID"));
        QVERIFY(wm > 0 && ::kill(wm, SIGSTOP) == 0);
        QTimer::singleShot(arg.toInt(), [wm] { ::kill(wm, SIGCONT); });
    } else if (verb == QLatin1String("reference")) {
        m_screen = referenceScreenshot();
    } else if (verb == QLatin1String("key")) {
        runXdotool(QStringLiteral("key --delay 80 ") + words.mid(1).join(QLatin1Char(' ')));
        QTest::qWait(300);
    } else if (verb == QLatin1String("pick-window")) {
        const QPoint c = m_logoRect.center();
        runXdotool(QStringLiteral("mousemove %1 %2").arg(c.x() - 7).arg(c.y() - 5));
        runXdotool(QStringLiteral("mousemove %1 %2 click 1").arg(c.x()).arg(c.y()));
        QTest::qWait(300);
    } else if (verb == QLatin1String("tool")) {
        QRect strip;
        QTRY_VERIFY_WITH_TIMEOUT((strip = toolStrip()).isValid(), 15000);
        const double pitch = strip.width() / double(kButtons.size());
        const int index = kButtons.indexOf(arg);
        QVERIFY(index >= 0);
        runXdotool(QStringLiteral("mousemove %1 %2 click 1")
                       .arg(strip.x() + int(pitch * (index + 0.5)))
                       .arg(strip.center().y()));
        QTest::qWait(300);
    } else if (verb == QLatin1String("colour")) {
        const QPoint p = point(arg);
        QVERIFY(m_screen.pixel(p) != m_screen.pixel(p - QPoint(1, 1))); // an odd pixel, unlike its neighbour
        runXdotool(QStringLiteral("mousemove %1 %2").arg(p.x()).arg(p.y()));
        QTest::qWait(200);
        runXdotool(QStringLiteral("key c"));
        const QString want = QColor(m_screen.pixel(p)).name();
        QTRY_COMPARE_WITH_TIMEOUT(
            QString::fromLatin1(tool(QStringLiteral("xclip -selection clipboard -o")).out), want, 10000);
    } else if (verb == QLatin1String("drag")) {
        dragWithMouse(point(arg), point(words.value(2)));
    } else if (verb == QLatin1String("menu")) {
        const QPoint p = point(arg);
        runXdotool(QStringLiteral("mousemove %1 %2 click 3").arg(p.x()).arg(p.y()));
        QTest::qWait(300);
        runXdotool(QStringLiteral("key --delay 80 ") + words.mid(2).join(QLatin1Char(' ')));
        QTest::qWait(300);
    } else if (verb == QLatin1String("click") || verb == QLatin1String("dblclick")) {
        const QPoint p = point(arg);
        runXdotool(QStringLiteral("mousemove %1 %2 click %3 1")
                       .arg(p.x())
                       .arg(p.y())
                       .arg(verb == QLatin1String("dblclick") ? QStringLiteral("--repeat 2 --delay 60")
                                                              : QString()));
        QTest::qWait(300);
    } else if (verb == QLatin1String("next-frame-colour")) {
        // The wheel over the property strip's frame colour box, second (after
        // the frame box) for a shape: the colour after the current one.
        const QRect strip = toolStrip();
        QRect prop;
        for (const QString& id : ourWindows()) {
            const QRect r = windowGeometry(id);
            if (r.top() > strip.bottom() && r.top() < strip.bottom() + strip.height())
                prop = r;
        }
        QVERIFY(prop.isValid());
        const double unit = strip.height() / 40.0; // the tool strip is 40 units high
        runXdotool(QStringLiteral("mousemove %1 %2 click 5")
                       .arg(prop.left() + int(60 * unit))
                       .arg(prop.center().y()));
        QTest::qWait(200);
    } else if (verb == QLatin1String("move-main")) {
        // Dragged elsewhere, as a user would; where the window manager put it.
        const QString main = mainWindow();
        QVERIFY(!main.isEmpty());
        const QPoint to = point(arg);
        xdotool(QStringLiteral("windowmove --sync %1 %2 %3").arg(main).arg(to.x()).arg(to.y()));
        QTest::qWait(300);
        m_mainPlace = windowGeometry(main).topLeft();
        QVERIFY2((m_mainPlace - to).manhattanLength() < 100,
                 qPrintable(xdotool("getwindowgeometry " + main)));
    } else if (verb == QLatin1String("close")) {
        // Alt+F4 through openbox; a key pressed before the focus has moved is
        // lost, so it is pressed again until the window is gone.
        for (int attempt = 0; attempt < 3 && !mainWindow().isEmpty(); ++attempt) {
            xdotool(QStringLiteral("windowactivate --sync ") + mainWindow());
            xdotool(QStringLiteral("key alt+F4"));
            for (int i = 0; i < 30 && !mainWindow().isEmpty(); ++i)
                QTest::qWait(100);
        }
    } else if (verb == QLatin1String("signal")) {
        ::kill(pid_t(m_program->processId()), arg == QLatin1String("KILL") ? SIGKILL : SIGTERM);
    } else if (verb == QLatin1String("second-start")) {
        QProcess second;
        second.start(programPath(), {});
        if (arg == QLatin1String("refused")) {
            // The "Error" box, closed with Return; the first instance goes on.
            QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(QStringLiteral("^Error$")).isEmpty(), 10000);
            const QString box = visibleWindows(QStringLiteral("^Error$")).first();
            xdotool(QStringLiteral("windowactivate --sync ") + box);
            xdotool(QStringLiteral("key --window %1 Return").arg(box));
            QVERIFY(second.waitForFinished(10000));
            QCOMPARE(second.exitCode(), 0);
            QCOMPARE(m_program->state(), QProcess::Running);
        } else {
            QVERIFY(waitUntilResident(&second));
            QVERIFY(visibleWindows(QStringLiteral("^Error$")).isEmpty());
            second.terminate();
            QVERIFY(second.waitForFinished(5000));
        }
    } else if (verb == QLatin1String("root-inside")) {
        // Other pixels inside the area of the desktop's picture (as if the
        // text shown there changed), the same around it.
        const QRect area = rect(arg);
        QImage changed = m_root;
        QPainter painter(&changed);
        painter.fillRect(area, Qt::white);
        painter.setPen(Qt::black);
        painter.drawText(area, Qt::AlignCenter, QStringLiteral("hunter2 \u2192 s3cr3t!"));
        painter.end();
        setRootPicture(changed); // judged below: windows show over it
        auto shown = [&] {
            return differingPixels(referenceScreenshot().copy(area), changed.copy(area)) == 0;
        };
        QTRY_VERIFY_WITH_TIMEOUT(shown(), 10000);
        m_rootChanged = true;
    } else if (verb == QLatin1String("block-settings")) {
        // A folder in the settings file's place: nothing can be stored.
        QFile::remove(settingsFile());
        QVERIFY(QDir().mkpath(settingsFile()));
    } else if (verb == QLatin1String("tray-host")) {
        setTrayHost(arg != QLatin1String("off"));
    } else if (verb == QLatin1String("tray")) {
        QTRY_VERIFY_WITH_TIMEOUT(!trayIcon().isEmpty(), 10000);
        xdotool(QStringLiteral("mousemove --window %1 5 5 click --repeat 2 --delay 80 1").arg(trayIcon()));
    } else if (verb == QLatin1String("notifications")) {
        m_bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        QVERIFY(m_bus.waitForStarted() && m_bus.waitForReadyRead(5000));
        const QString address = QString::fromLatin1(m_bus.readLine().trimmed());
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("journeys"));
        QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &m_notifications,
                                   QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
        m_environment << QStringLiteral("DBUS_SESSION_BUS_ADDRESS=") + address;
    } else if (verb == QLatin1String("take-clipboard")) {
        QCOMPARE(tool(QStringLiteral("xclip -selection clipboard -l 1"), "taken").exitCode, 0);
    } else if (verb == QLatin1String("expect")) {
        expect(words.mid(1));
    } else {
        QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
    }
}

// expect clipboard|file AREA [mark|hide|highlight|step ...] · expect
// clipboard-unchanged (the PNG of the last picture checked) · expect main|view|strip
// shown|hidden · expect balloon shown|hidden|none · expect notified TEXT ·
// expect notification closed · expect running · expect ended STATUS · expect status STATUS
// [TEXT] · expect files NAMES... · expect setting KEY=VALUE · expect tray icon
void TestJourneys::expect(const QStringList& words)
{
    const QString what = words.value(0);
    const QString arg = words.value(1);
    if (what == QLatin1String("clipboard-unchanged")) {
        // Byte for byte the PNG checked last.
        QTRY_VERIFY_WITH_TIMEOUT(viewWindow().isEmpty(), 15000);
        ToolResult clip;
        QTRY_VERIFY_WITH_TIMEOUT(
            (clip = tool(QStringLiteral("xclip -selection clipboard -t image/png -o"))).exitCode == 0, 15000);
        QVERIFY(!m_clipboard.isEmpty());
        QVERIFY2(clip.out == m_clipboard, "the picture changed");
    } else if (what == QLatin1String("clipboard") || what == QLatin1String("file")) {
        expectPicture(words);
    } else if (what == QLatin1String("main") || what == QLatin1String("view") ||
               what == QLatin1String("strip")) {
        const bool shown = arg == QLatin1String("shown");
        auto visible = [&] {
            if (what == QLatin1String("strip"))
                return toolStrip().isValid();
            return !(what == QLatin1String("main") ? mainWindow() : viewWindow()).isEmpty();
        };
        QTRY_COMPARE_WITH_TIMEOUT(visible(), shown, 10000);
        QTest::qWait(300);
        QCOMPARE(visible(), shown);
    } else if (what == QLatin1String("balloon")) {
        // The tray's message: a wide window of ours that is neither the main
        // window nor the tray icon; once seen, it must be unmapped or gone.
        auto balloon = [this] {
            for (const QString& id : ourWindows()) {
                const QRect r = windowGeometry(id);
                if (id != mainWindow() && id != trayIcon() && r.width() > 100 && r.height() < 400)
                    return id;
            }
            return QString();
        };
        if (arg == QLatin1String("shown")) {
            QTRY_VERIFY_WITH_TIMEOUT(!(m_balloon = balloon()).isEmpty(), 10000);
        } else if (arg == QLatin1String("none")) {
            QTest::qWait(1500);
            QCOMPARE(balloon(), QString());
        } else {
            QVERIFY(!m_balloon.isEmpty());
            QVERIFY(!viewWindow().isEmpty()); // the grab has been taken
            const QString info = QString::fromLatin1(tool(QStringLiteral("xwininfo -id ") + m_balloon).out);
            QVERIFY2(!info.contains(QLatin1String("IsViewable")), qPrintable(info));
        }
    } else if (what == QLatin1String("notified")) {
        // The last desktop notification; SHOTS: the pictures' folder.
        const QString text = words.mid(1).join(QLatin1Char(' ')).replace(QLatin1String("SHOTS"), m_shots);
        QTRY_VERIFY_WITH_TIMEOUT(!m_notifications.bodies.isEmpty(), 10000);
        QCOMPARE(m_notifications.bodies.last(), text);
        QTest::qWait(500);
        QCOMPARE(m_notifications.bodies.size(), 1);
    } else if (what == QLatin1String("notification")) { // closed: the last one is down
        QTRY_COMPARE_WITH_TIMEOUT(m_notifications.closed, QList<uint>{uint(m_notifications.bodies.size())},
                                  5000);
    } else if (what == QLatin1String("main-place")) {
        QTRY_VERIFY_WITH_TIMEOUT(!mainWindow().isEmpty(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(windowGeometry(mainWindow()).topLeft(), m_mainPlace, 5000);
    } else if (what == QLatin1String("running")) {
        QTest::qWait(500);
        QCOMPARE(m_program->state(), QProcess::Running);
    } else if (what == QLatin1String("ended")) {
        // waitForFinished() is false for a process that has already ended.
        QVERIFY(m_program->state() == QProcess::NotRunning || m_program->waitForFinished(10000));
        QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program->exitCode(), arg.toInt());
        m_status = arg.toInt();
        m_errors = QString::fromLocal8Bit(m_program->readAllStandardError());
        if (words.size() > 2) // and one line on standard error that names the cause
            expect(QStringList{QStringLiteral("status")} + words.mid(1));
    } else if (what == QLatin1String("status")) {
        QCOMPARE(m_status, arg.toInt());
        const QString text = words.mid(2).join(QLatin1Char(' '));
        if (text.isEmpty())
            QVERIFY2(m_errors.isEmpty(), qPrintable(m_errors));
        else // one line that names the cause
            QVERIFY2(m_errors.count(QLatin1Char('\n')) == 1 && m_errors.contains(text, Qt::CaseInsensitive),
                     qPrintable(m_errors));
    } else if (what == QLatin1String("files")) {
        QCOMPARE(shots().join(QLatin1Char(' ')), words.mid(1).join(QLatin1Char(' ')));
    } else if (what == QLatin1String("setting")) {
        QSettings store(settingsFile(), QSettings::IniFormat);
        QCOMPARE(store.value(arg.section(QLatin1Char('='), 0, 0)).toString(),
                 arg.section(QLatin1Char('='), 1));
        QCOMPARE(store.allKeys().size(), 32); // every key written by the program
    } else if (what == QLatin1String("tray")) {
        QTRY_VERIFY_WITH_TIMEOUT(!trayIcon().isEmpty(), 10000);
    } else {
        QFAIL(qPrintable(QStringLiteral("unknown expectation ") + words.join(QLatin1Char(' '))));
    }
}

// AREA is "window" (the picked window), "screen" (the whole screen) or
// X,Y,W,H in desktop pixels; a file is taken (and removed) from the shots.
void TestJourneys::expectPicture(const QStringList& words)
{
    QTRY_VERIFY_WITH_TIMEOUT(viewWindow().isEmpty(), 15000);
    QRect area = rect(words.value(1));
    if (words.value(1) == QLatin1String("window"))
        area = m_logoRect;
    // mark X,Y,W,H[,frame colour name] · hide X,Y,W,H · highlight X,Y,X,Y · step X,Y
    QList<Mark> marks;
    for (int i = 2; i + 1 < words.size(); i += 2) {
        const QString kind = words.at(i);
        const QStringList v = words.at(i + 1).split(QLatin1Char(','));
        Mark mark;
        mark.rect = rect(words.at(i + 1));
        if (kind == QLatin1String("hide")) {
            mark.kind = Mark::Hide;
        } else if (kind == QLatin1String("highlight")) {
            mark.kind = Mark::Highlight;
            mark.line =
                QLineF(v.value(0).toInt(), v.value(1).toInt(), v.value(2).toInt(), v.value(3).toInt());
        } else if (kind == QLatin1String("step")) {
            mark.kind = Mark::Step;
            mark.line = QLineF(QPointF(point(words.at(i + 1))), QPointF());
        } else if (!v.value(4).isEmpty()) {
            mark.frame = QColor(v.value(4)).rgba();
        }
        marks << mark;
    }
    QImage picture;
    if (words.first() == QLatin1String("clipboard")) {
        // The picture may reach the clipboard a moment after the view closes.
        ToolResult clip;
        auto read = [&] {
            clip = tool(QStringLiteral("xclip -selection clipboard -t image/png -o"));
            return clip.exitCode == 0;
        };
        QTRY_VERIFY_WITH_TIMEOUT(read(), 15000);
        picture = QImage::fromData(clip.out, "PNG");
        m_clipboard = clip.out;
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(!shots().isEmpty(), 15000);
        const QString file = QDir(m_shots).filePath(shots().first());
        picture = QImage(file);
        QFile::remove(file);
    }
    if (words.value(1) == QLatin1String("screen")) {
        m_screen = referenceScreenshot();
        area = m_screen.rect();
    }
    const QString fault =
        compare(picture, m_screen, area, marks, m_settings.value("SnapshotShadow").toBool());
    QVERIFY2(fault.isEmpty(), qPrintable(words.first() + QStringLiteral(": ") + fault));
}

QTEST_MAIN(TestJourneys)
#include "tst_journeys.moc"
