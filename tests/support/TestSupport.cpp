#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QtTest>

#include <cstdlib>

namespace TestSupport {

ToolResult runTool(const QString& program, const QStringList& arguments, int timeoutMs,
                   const QByteArray& input, const QStringList& environment)
{
    ToolResult result;
    QProcess process;
    if (!environment.isEmpty())
        process.setEnvironment(QProcess::systemEnvironment() + environment);
    process.start(program, arguments);
    result.started = process.waitForStarted(5000);
    if (!result.started)
        return result;
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QString programPath()
{
    return QString::fromLocal8Bit(qgetenv("VIREOSCAPE_BIN"));
}

QProcess* startProgram(const QStringList& arguments, QObject* parent, const QStringList& environment)
{
    auto* process = new QProcess(parent);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (!environment.isEmpty())
        process->setEnvironment(QProcess::systemEnvironment() + environment);
    process->start(programPath(), arguments);
    return process;
}

QImage referenceScreenshot()
{
    const ToolResult r =
        runTool(QStringLiteral("import"), {QStringLiteral("-silent"), QStringLiteral("-window"),
                                           QStringLiteral("root"), QStringLiteral("png:-")});
    QImage image;
    if (r.exitCode == 0)
        image.loadFromData(r.out, "PNG");
    return image;
}

bool setRootPicture(const QImage& picture)
{
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/root-XXXXXX.png"));
    if (!file.open() || !picture.save(&file, "PNG"))
        return false;
    file.close();
    // display exits with 1 even when it has set the background: judge by
    // what the screen shows instead.
    runTool(QStringLiteral("display"), {QStringLiteral("-window"), QStringLiteral("root"), file.fileName()});
    const QImage shown = referenceScreenshot();
    return shown.size() == picture.size() && differingPixels(shown, picture) == 0;
}

QImage makeTestPattern(const QSize& size, int seed)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    // A smooth, photo-like background ...
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb((x * 255) / qMax(1, size.width() - 1), (y * 255) / qMax(1, size.height() - 1),
                           ((x + y) * 7 + seed * 31) & 0xff);
    }
    // ... with sharp, irregular detail on top.
    QPainter p(&image);
    for (int i = 0; i < 400; ++i) {
        const QRect r(random.bounded(size.width()), random.bounded(size.height()), 1 + random.bounded(60),
                      1 + random.bounded(20));
        p.fillRect(r, QColor::fromRgb(random.generate() | 0xff000000));
    }
    p.end();
    return image;
}

QStringList visibleWindows(const QString& namePattern)
{
    const ToolResult r =
        runTool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                            QStringLiteral("--name"), namePattern});
    return QString::fromLatin1(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

qint64 differingPixels(const QImage& a, const QImage& b, int tolerance)
{
    if (a.size() != b.size())
        return -1;
    // All four channels: a picture whose alpha is 0 shows as blank anywhere.
    // An RGB32 image is read as it is: converting it would set its fourth
    // byte to 0xff and hide a pad byte that is not, which painting copies.
    auto raw = [](const QImage& i) {
        return i.format() == QImage::Format_RGB32 ? i : i.convertToFormat(QImage::Format_ARGB32);
    };
    const QImage x = raw(a);
    const QImage y = raw(b);
    qint64 count = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            if (p[col] == q[col])
                continue;
            for (int shift = 0; shift < 32; shift += 8) {
                if (std::abs(int((p[col] >> shift) & 0xff) - int((q[col] >> shift) & 0xff)) > tolerance) {
                    ++count;
                    break;
                }
            }
        }
    }
    return count;
}

QRgb over(QRgb pixel, const QColor& colour)
{
    const QRgb s = qPremultiply(colour.rgba());
    const int rest = 255 - qAlpha(s);
    const auto part = [rest](int v) {
        const int t = v * rest;
        return (t + (t >> 8) + 0x80) >> 8;
    };
    return qRgba(qRed(s) + part(qRed(pixel)), qGreen(s) + part(qGreen(pixel)), qBlue(s) + part(qBlue(pixel)),
                 qAlpha(s) + part(qAlpha(pixel)));
}

void runXdotool(const QString& commandLine)
{
    const ToolResult r =
        runTool(QStringLiteral("xdotool"), commandLine.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    QVERIFY2(r.exitCode == 0, r.err.constData());
}

void dragWithMouse(const QPoint& from, const QPoint& to)
{
    const QPoint middle = (from + to) / 2;
    runXdotool(QStringLiteral("mousemove %1 %2 mousedown 1 mousemove %3 %4 mousemove %5 %6 mouseup 1")
                   .arg(from.x())
                   .arg(from.y())
                   .arg(middle.x())
                   .arg(middle.y())
                   .arg(to.x())
                   .arg(to.y()));
    QTest::qWait(300);
}

bool waitUntilResident(QProcess* program)
{
    if (!program->waitForStarted(5000))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (runTool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"),
                                               QStringLiteral("^Qt Selection Owner for vireoscape$")})
               .out.isEmpty()) {
        if (timer.elapsed() > 30000) // a loaded machine starts slowly
            return false;
        QTest::qWait(50);
    }
    QTest::qWait(300);
    return program->state() == QProcess::Running;
}

void stopProgram(QProcess*& program)
{
    if (!program)
        return;
    program->terminate();
    if (!program->waitForFinished(5000)) {
        program->kill();
        program->waitForFinished(2000);
    }
    delete program;
    program = nullptr;
}

Settings settings(const QString& text)
{
    Settings result;
    for (const QString& item : text.split(QLatin1Char('|'), Qt::SkipEmptyParts))
        result.insert(item.section(QLatin1Char('='), 0, 0).trimmed(), item.section(QLatin1Char('='), 1));
    return result;
}

Settings firstRunSettings()
{
    Settings first = settings(
        "IntervalSnap=200|LastOpenFileName=|FontFamity=|FontColor=0|FontSize=16|"
        "FrameCheck=false|FrameColor=0|FrameWidth=2|FillCheck=true|FillColor=0|"
        "Transparent=80|GenAutoRun=true|GenAutoHide=false|GenCloseToTray=true|"
        "GenActionAfterFinish=1|SnapshotAfterDlbClk=true|SnapshotShadow=true|"
        "CopyToClipboardAfterFinish=true|SaveToFileAfterFinish=true|"
        "SnapshotFileName=Snapshot_%Y_%M_%D_%h_%m_%s|SnapshotFileNameExt=.png|"
        "ImageQuality=80|ShortcutStartSnapshot=Alt + S|ShortcutShowMainWnd=Alt + E|"
        "FirstRunHints=0|HideLook=0|HideBlockSize=12|HighlighterColor=4294967040|HighlighterWidth=16|"
        "SnapshotTextLanguage=eng|ShowFinishNotice=true");
    first.insert(QStringLiteral("SnapshotFilePath"), QDir::homePath());
    return first;
}

// The colours: 0x80ff0000, 0xff00ff00, 0x0a0000ff.
Settings unusualSettings()
{
    return settings(
        "IntervalSnap=350|LastOpenFileName=/pictures/ä ö/last.png|FontFamity=DejaVu Sans|"
        "FontColor=2164195328|FontSize=21|FrameCheck=true|FrameColor=4278255360|FrameWidth=5|"
        "FillCheck=false|FillColor=167772415|Transparent=40|GenAutoRun=false|GenAutoHide=true|"
        "GenCloseToTray=false|GenActionAfterFinish=2|SnapshotAfterDlbClk=false|"
        "SnapshotShadow=false|CopyToClipboardAfterFinish=false|SaveToFileAfterFinish=false|"
        "SnapshotFilePath=/pictures/shots |SnapshotFileName=shot=%D;%h,%%|SnapshotFileNameExt=.bmp|"
        "ImageQuality=55|ShortcutStartSnapshot=Ctrl + Alt + K|ShortcutShowMainWnd=Shift + F9|"
        "FirstRunHints=7|HideLook=1|HideBlockSize=24|HighlighterColor=3355508735|HighlighterWidth=32|"
        "SnapshotTextLanguage=deu+eng|ShowFinishNotice=false");
}

namespace {

QString asText(const QColor& c)
{
    return QString::number(c.rgba());
}

template <class T> QString asText(const T& value)
{
    return QVariant::fromValue(value).toString();
}

} // namespace

Settings settingsAsText(const CAppConfig& r)
{
    Settings values;
#define VS_FIELD(name) values.insert(QStringLiteral(#name), asText(r.name));
    // clang-format off
    VS_FIELD(IntervalSnap) VS_FIELD(LastOpenFileName) VS_FIELD(FontFamity) VS_FIELD(FontColor) VS_FIELD(FontSize)
    VS_FIELD(FrameCheck) VS_FIELD(FrameColor) VS_FIELD(FrameWidth) VS_FIELD(FillCheck) VS_FIELD(FillColor)
    VS_FIELD(Transparent) VS_FIELD(GenAutoRun) VS_FIELD(GenAutoHide) VS_FIELD(GenCloseToTray)
    VS_FIELD(GenActionAfterFinish) VS_FIELD(SnapshotAfterDlbClk) VS_FIELD(SnapshotShadow)
    VS_FIELD(CopyToClipboardAfterFinish) VS_FIELD(SaveToFileAfterFinish) VS_FIELD(SnapshotFilePath)
    VS_FIELD(SnapshotFileName) VS_FIELD(SnapshotFileNameExt) VS_FIELD(ImageQuality) VS_FIELD(ShortcutStartSnapshot)
    VS_FIELD(ShortcutShowMainWnd) VS_FIELD(FirstRunHints)
    VS_FIELD(HideLook) VS_FIELD(HideBlockSize) VS_FIELD(HighlighterColor) VS_FIELD(HighlighterWidth)
    VS_FIELD(SnapshotTextLanguage) VS_FIELD(ShowFinishNotice)
    // clang-format on
#undef VS_FIELD
                                                return values;
}

Settings storedSettings()
{
    // The file as another program reads it, not through the program's code.
    QSettings store(QSettings().fileName(), QSettings::IniFormat);
    Settings values;
    for (const QString& key : store.allKeys())
        values.insert(key, store.value(key).toString());
    return values;
}

void storeSettings(const Settings& settings)
{
    QFile::remove(QSettings().fileName());
    QSettings store(QSettings().fileName(), QSettings::IniFormat);
    for (auto it = settings.begin(); it != settings.end(); ++it)
        store.setValue(it.key(), it.value());
}

QRect windowGeometry(const QString& id)
{
    const QString info = QString::fromLatin1(runTool(QStringLiteral("xwininfo"), {"-id", id}).out);
    auto field = [&info](const char* name) {
        return QRegularExpression(QStringLiteral("%1:\\s+(-?\\d+)").arg(QLatin1String(name)))
            .match(info)
            .captured(1)
            .toInt();
    };
    return QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                 field("Height"));
}

QByteArray clipboardPng()
{
    const ToolResult clip =
        runTool(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", "image/png", "-o"});
    return clip.exitCode == 0 ? clip.out : QByteArray();
}

bool takeClipboard()
{
    return runTool(QStringLiteral("xclip"), {"-selection", "clipboard", "-l", "1"}, 20000, "taken")
               .exitCode == 0;
}

bool startSessionBus(QProcess& bus)
{
    bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
    if (!bus.waitForStarted() || !bus.waitForReadyRead(5000))
        return false;
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.readLine().trimmed());
    return true;
}

QString settingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Valdo Software/Vireoscape.conf");
}

void writeSettingsFile(const QVariantMap& values)
{
    QDir(settingsFile()).removeRecursively(); // a folder in its place, left by a test
    QFile::remove(settingsFile());
    QSettings store(settingsFile(), QSettings::IniFormat);
    for (auto it = values.begin(); it != values.end(); ++it)
        store.setValue(it.key(), it.value());
}

Answers::Answers(const QString& name) : typed(name)
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

} // namespace TestSupport
