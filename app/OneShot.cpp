#include "app/OneShot.h"

#include "app/ClipboardKeeper.h"
#include "app/CommandLine.h"
#include "app/Startup.h"
#include "config/AppConfig.h"
#include "output/FinishedPicture.h"
#include "output/PictureFiles.h"
#include "output/SafeFile.h"
#include "platform/DesktopSource.h"
#include "platform/Monitors.h"
#include "platform/ScreenGrab.h"
#include "platform/Session.h"
#include "platform/WindowList.h"
#include "platform/X11Connection.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QScreen>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <memory>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

void printError(const QString& message)
{
    std::fprintf(stderr, "vireoscape: %s\n", qUtf8Printable(message));
}

bool toStandardOutput(const CommandLine& line)
{
    return line.output == QLatin1String("-");
}

// The format of -o FILE: by its suffix as for the pictures of the name
// pattern, PNG without one; empty when no writer takes the suffix.
QByteArray outputFormat(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix();
    if (suffix.isEmpty())
        return "PNG";
    const QByteArray format = formatForSuffix(suffix);
    if (!format.isEmpty())
        return format;
    const QByteArray own = suffix.toLower().toLatin1();
    return QImageWriter::supportedImageFormats().contains(own) ? own : QByteArray();
}

bool taken(const QString& fileName)
{
    const QFileInfo file(fileName);
    return file.exists() || file.isSymLink();
}

QString takenMessage(const QString& fileName)
{
    return QCoreApplication::translate(
               "OneShot", "-o: %1 exists and is not replaced (remove it first, or write -o - > %1)")
        .arg(fileName);
}

// What can be told wrong before anything is taken. Returns the exit status.
int checkOptions(const CommandLine& line)
{
    if (toStandardOutput(line)) {
        if (::isatty(STDOUT_FILENO)) {
            printError(QCoreApplication::translate(
                "OneShot", "-o -: standard output is a terminal; send the picture to a file or a program "
                           "(vireoscape -s -o - > shot.png)"));
            return 2;
        }
    } else if (!line.output.isEmpty()) {
        if (outputFormat(line.output).isEmpty()) {
            printError(
                QCoreApplication::translate("OneShot", "-o: no image format can be written as \"%1\" (%2)")
                    .arg(line.output, QString::fromLatin1(QImageWriter::supportedImageFormats().join(' '))));
            return 2;
        }
        if (taken(line.output)) {
            printError(takenMessage(line.output));
            return 1;
        }
    }
    if (isWaylandSession() && line.window) {
        printError(QCoreApplication::translate(
            "OneShot", "--window: on Wayland no program is told where the windows are"));
        return 1;
    }
    if (isWaylandSession() && line.clipboard) {
        printError(QCoreApplication::translate(
            "OneShot", "-c: on Wayland a program without a window cannot set the clipboard; pipe the picture "
                       "into wl-copy instead (vireoscape -s -o - | wl-copy)"));
        return 1;
    }
    return 0;
}

void waitForDelay(CommandLine& line)
{
    if (line.delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(line.delayMs));
    line.delayMs = -1;
}

// The writing end of the pipe on which the process that serves the
// clipboard tells the one that waits that all went well; -1 elsewhere.
int g_verdictPipe = -1;

// With -c the picture is served from a process of its own, so that the
// command ends as soon as the clipboard holds it (xclip and wl-copy do the
// same). Returns -1 in the serving process, which goes on with the capture,
// and the exit status in the waiting one: 0 once the serving one says so,
// else the serving one's own. Forked before Qt starts any thread.
int splitForClipboard()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return -1; // serve in this process
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return -1;
    }
    if (child == 0) {
        ::close(fds[0]);
        ::setsid(); // not ended with the terminal's session
        g_verdictPipe = fds[1];
        return -1;
    }
    ::close(fds[1]);
    char verdict = 1;
    ssize_t n;
    do
        n = ::read(fds[0], &verdict, 1);
    while (n < 0 && errno == EINTR);
    ::close(fds[0]);
    if (n == 1)
        return verdict;
    // The serving process ended before the picture was out: its status.
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// The picture is out and on the clipboard: the waiting process ends with
// success, and this one lets go of the terminal and of the pipes a shell
// waits on ("$(vireoscape -s -c)").
void detachFromCaller()
{
    std::fflush(nullptr);
    if (g_verdictPipe >= 0) {
        const char success = 0;
        while (::write(g_verdictPipe, &success, 1) < 0 && errno == EINTR) {
        }
        ::close(g_verdictPipe);
        g_verdictPipe = -1;
    }
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
            ::dup2(null, fd);
        ::close(null);
    }
}

QString sizeText(const QSize& size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

// A rectangle of the screen's picture. What lies beyond the screen's edges
// is transparent, as in a pick that reaches past the desktop.
QImage partOf(const QImage& screen, const QRect& rect)
{
    if (screen.rect().contains(rect))
        return screen.copy(rect);
    return screen.convertToFormat(QImage::Format_ARGB32).copy(rect);
}

QImage monitorPart(const QImage& screen, int number, int* status)
{
    if (isWaylandSession()) {
        // The portal's picture spans every output.
        const QList<QScreen*> screens = QGuiApplication::screens();
        if (number < screens.size()) {
            const QScreen* output = screens.at(number);
            return outputPicture(screen, output->virtualGeometry(), output->geometry(),
                                 output->devicePixelRatio());
        }
        *status = 2;
        printError(QCoreApplication::translate(
                       "OneShot", "--screen: there is no screen %1 (the first is 0, the last %2)")
                       .arg(number)
                       .arg(screens.size() - 1));
        return QImage();
    }
    const QList<QRect> monitors = x11Monitors(qgetenv("DISPLAY").constData());
    if (number < monitors.size())
        return partOf(screen, monitors.at(number));
    *status = 2;
    printError(QCoreApplication::translate("OneShot",
                                           "--screen: there is no screen %1 (the first is 0, the last %2)")
                   .arg(number)
                   .arg(monitors.size() - 1));
    return QImage();
}

// The part of the screen's picture the options choose; a null image, after
// a message, with the exit status when there is none.
QImage chosenPart(const QImage& screen, const CommandLine& line, int* status)
{
    if (!line.region.isNull()) {
        if (screen.rect().contains(line.region))
            return screen.copy(line.region);
        *status = 2;
        printError(QCoreApplication::translate("OneShot", "-r: %1+%2+%3 is not within the screen (%4)")
                       .arg(sizeText(line.region.size()))
                       .arg(line.region.x())
                       .arg(line.region.y())
                       .arg(sizeText(screen.size())));
        return QImage();
    }
    if (line.screen >= 0)
        return monitorPart(screen, line.screen, status);
    if (line.window) {
        // The window a click would pick, the frame left out.
        const std::optional<QPoint> pointer = x11PointerPosition();
        const QRect window = pointer ? CWindowList::fromX11().windowRectAt(*pointer) : QRect();
        if (window.isValid())
            return partOf(screen, window);
        *status = 1;
        printError(QCoreApplication::translate("OneShot", "--window: there is no window under the pointer"));
        return QImage();
    }
    return screen;
}

// A termination signal that comes while the picture is written takes effect
// once the file is complete and has its name: a log-out or a Ctrl+C in the
// middle of it does not lose the picture. Signals the caller ignores stay
// ignored.
volatile std::sig_atomic_t g_heldSignal = 0;

void holdSignal(int signal)
{
    g_heldSignal = signal;
}

class TerminationSignalsHeld
{
public:
    TerminationSignalsHeld()
    {
        struct sigaction hold = {};
        hold.sa_handler = holdSignal;
        hold.sa_flags = SA_RESTART;
        sigemptyset(&hold.sa_mask);
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            ::sigaction(kSignals[i], nullptr, &m_old[i]);
            if (m_old[i].sa_handler != SIG_IGN)
                ::sigaction(kSignals[i], &hold, nullptr);
        }
    }
    ~TerminationSignalsHeld()
    {
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &m_old[i], nullptr);
        if (const int signal = g_heldSignal) {
            std::fflush(nullptr);
            ::raise(signal);
        }
    }
    TerminationSignalsHeld(const TerminationSignalsHeld&) = delete;
    TerminationSignalsHeld& operator=(const TerminationSignalsHeld&) = delete;

private:
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
    struct sigaction m_old[std::size(kSignals)];
};

bool writeAll(int fd, const QByteArray& data, QString* error)
{
    for (qsizetype done = 0; done < data.size();) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno != EINTR) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
    }
    return true;
}

// Writes the picture where the options say; the path of a file written
// goes to standard output. Returns the exit status.
int deliver(const QImage& picture, const CommandLine& line)
{
    if (toStandardOutput(line)) {
        QByteArray png;
        QString error;
        if (!encodeImage(picture, "PNG", AppConfig.ImageQuality, &png, &error)) {
            printError(QCoreApplication::translate("OneShot", "cannot encode the picture: %1").arg(error));
            return 1;
        }
        if (!writeAll(STDOUT_FILENO, png, &error)) {
            printError(
                QCoreApplication::translate("OneShot", "cannot write the picture to standard output: %1")
                    .arg(error));
            return 1;
        }
        return 0;
    }
    const TerminationSignalsHeld held;
    // The hidden file a killed run left beside the file it was writing.
    if (!line.output.isEmpty())
        removeStaleTemporaryFiles(QFileInfo(line.output).absolutePath());
    const SaveResult result =
        line.output.isEmpty()
            ? saveImageToFile(picture)
            : writeImageFile(picture, line.output, outputFormat(line.output), AppConfig.ImageQuality, false);
    if (!result.ok) {
        // Taken meanwhile: still never replaced.
        printError(!line.output.isEmpty() && taken(line.output)
                       ? takenMessage(line.output)
                       : QCoreApplication::translate("OneShot", "cannot save %1: %2")
                             .arg(result.fileName, result.error));
        return 1;
    }
    std::printf("%s\n", QFile::encodeName(QFileInfo(result.fileName).absoluteFilePath()).constData());
    // Out while signals are held: a signal right after the hold would end
    // the process with the path still in the buffer of a pipe.
    std::fflush(stdout);
    return 0;
}

} // namespace

int startOneShot(CommandLine& line, int argc, char** argv)
{
    // A reader that goes away (`| head`) makes a write fail, which is told,
    // instead of ending the process without a word.
    std::signal(SIGPIPE, SIG_IGN);
    if (const int status = checkOptions(line))
        return status;
    // The clipboard needs Qt's application.
    if (line.clipboard)
        return splitForClipboard();

    // On X11 the root window is read through a connection of our own,
    // which spares loading the platform plugin and its libraries. Not
    // through XWayland, where the root window holds no pixels.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (line.window || isWaylandSession() || !(platform.isEmpty() || platform == "xcb"))
        return -1;
    const QByteArray display = qgetenv("DISPLAY");
    // Where there is no display the platform check says so, without waiting.
    if (line.delayMs > 0 && !x11DisplayReachable(display.constData()))
        return -1;
    waitForDelay(line);
    const QImage image = grabRootWindowImage(display.constData());
    if (image.isNull())
        return -1; // a screen only Qt's grab reads
    QCoreApplication app(argc, argv);
    initVireoscapeResources();
    installTranslations();
    setApplicationIdentity();
    loadSettings();
    int status = 0;
    const QImage picture = chosenPart(image, line, &status);
    return picture.isNull() ? status : deliver(picture, line);
}

int oneShotCapture(const CommandLine& line)
{
    CommandLine options = line;
    waitForDelay(options);
    QString reason;
    const QImage image = std::unique_ptr<CDesktopSource>(CDesktopSource::create())->grabNow(&reason);
    if (image.isNull()) {
        if (reason.isEmpty())
            reason =
                QCoreApplication::translate("OneShot", "cannot read the screen on the Qt platform \"%1\"")
                    .arg(QGuiApplication::platformName());
        printError(reason);
        return 1;
    }
    int status = 0;
    const QImage picture = chosenPart(image, options, &status);
    if (picture.isNull())
        return status;
    status = deliver(picture, options);
    if (status != 0 || !options.clipboard)
        return status;
    copyImageToClipboard(picture);
    detachFromCaller();
    serveClipboardUntilTaken();
    waitForPictureFiles();
    return 0;
}
