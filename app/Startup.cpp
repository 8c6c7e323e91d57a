#include "app/Startup.h"

#include "app/ClipboardKeeper.h"
#include "app/CommandLine.h"
#include "app/MyCleanlooksStyle.h"
#include "app/OneShot.h"
#include "app/QuitOnSignal.h"
#include "app/SingleInstance.h"
#include "app/SnapshotService.h"
#include "app/Vireoscape.h"
#include "capture/LateSaveFailures.h"
#include "config/AppConfig.h"
#include "output/FinishedPicture.h"
#include "output/PictureFiles.h"
#include "output/SafeFile.h"
#include "platform/DesktopSource.h"
#include "platform/ScreenGrab.h"
#include "platform/Session.h"
#include "platform/X11Connection.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPluginLoader>
#include <QThread>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <malloc.h>
#include <memory>
#include <unistd.h>

// -d asks for no longer delay than a snapshot takes.
static_assert(kLongestDelayMs == Vireoscape::kLongestSnapshotDelay);

void initVireoscapeResources()
{
    Q_INIT_RESOURCE(Vireoscape);
    Q_INIT_RESOURCE(Translations);
}

void setApplicationIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Valdo Software"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("valdo-software.org"));
    QCoreApplication::setApplicationName(QStringLiteral("Vireoscape"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VIREOSCAPE_VERSION));
}

namespace {

void printError(const QString& message)
{
    std::fprintf(stderr, "vireoscape: %s\n", qUtf8Printable(message));
}

} // namespace

void installTranslations()
{
    QCoreApplication* app = QCoreApplication::instance();
    const auto install = [app](const QString& name, const QString& folder) {
        auto* translator = new QTranslator(app);
        if (translator->load(QLocale(), name, QStringLiteral("_"), folder))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    };
    install(QStringLiteral("vireoscape"), QStringLiteral(":/translations"));
    install(QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

void loadSettings()
{
    for (const QString& problem : AppConfig.load())
        printError(problem);
    removeStaleTemporaryFiles(snapshotFolder());
}

namespace {

// Where Qt looks for platform plugins.
QStringList platformPluginFolders()
{
    QStringList folders;
    const QByteArray own = qgetenv("QT_QPA_PLATFORM_PLUGIN_PATH");
    if (!own.isEmpty())
        folders << QFile::decodeName(own);
    for (const QByteArray& path : qgetenv("QT_PLUGIN_PATH").split(':')) {
        if (!path.isEmpty())
            folders << QFile::decodeName(path) + QLatin1String("/platforms");
    }
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath) + QLatin1String("/platforms");
    folders << QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath() + QLatin1String("/platforms");
    return folders;
}

// A plugin's platform names are in its metadata, not in its file name
// ("wayland" is libqwayland-generic.so); reading them loads no library.
bool platformPluginInstalled(const QString& name, const QStringList& folders)
{
    for (const QString& folder : folders) {
        for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files)) {
            const QJsonObject meta = QPluginLoader(file.absoluteFilePath()).metaData();
            const QJsonArray keys =
                meta.value(QLatin1String("MetaData")).toObject().value(QLatin1String("Keys")).toArray();
            for (const auto& key : keys) {
                if (key.toString().compare(name, Qt::CaseInsensitive) == 0)
                    return true;
            }
        }
    }
    return false;
}

// Why the X11 platform cannot start, or an empty string when it can.
QString x11Problem()
{
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return QCoreApplication::translate("Startup", "no X display: DISPLAY is not set");
    if (!x11DisplayReachable(display.constData()))
        return QCoreApplication::translate("Startup", "cannot connect to the X display \"%1\"")
            .arg(QString::fromLocal8Bit(display));
    return QString();
}

// Why the Wayland platform cannot start, or an empty string when it can.
QString waylandProblem(const QStringList& folders)
{
    if (!platformPluginInstalled(QStringLiteral("wayland"), folders))
        return QCoreApplication::translate(
            "Startup", "no Qt platform plugin \"wayland\" is installed (the qt6-wayland package)");
    QString socket = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    if (!socket.startsWith(QLatin1Char('/')))
        socket = qEnvironmentVariable("XDG_RUNTIME_DIR") + QLatin1Char('/') + socket;
    if (!QFileInfo::exists(socket))
        return QCoreApplication::translate("Startup", "no Wayland compositor at \"%1\"").arg(socket);
    return QString();
}

// Qt 6.4 starts on Wayland by itself in a Wayland session, except on GNOME.
bool qtChoosesWayland()
{
    const QByteArray desktop =
        qgetenv("XDG_CURRENT_DESKTOP").toLower() + qgetenv("XDG_SESSION_DESKTOP").toLower();
    return qgetenv("XDG_SESSION_TYPE") == "wayland" && !desktop.contains("gnome");
}

// Qt aborts with a core dump when none of the platforms it is told to use
// can start (no display, a plugin that is not installed); say why plainly
// instead. QT_QPA_PLATFORM is a ';'-separated fallback list of names, each
// possibly followed by ':'-separated options.
bool checkPlatform()
{
    const QByteArray setting = qgetenv("QT_QPA_PLATFORM");
    QStringList problems;
    if (setting.isEmpty()) {
        problems << (qtChoosesWayland() ? waylandProblem(platformPluginFolders()) : x11Problem());
        if (problems.last().isEmpty())
            return true;
    } else {
        const QStringList folders = platformPluginFolders();
        QStringList missing;
        for (const QString& entry :
             QString::fromLocal8Bit(setting).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString name = entry.section(QLatin1Char(':'), 0, 0).toLower();
            if (!platformPluginInstalled(name, folders)) {
                missing << QLatin1Char('"') + name + QLatin1Char('"');
                continue;
            }
            // Qt goes on to the next entry when the X11 one finds no display.
            const QString problem = name == QLatin1String("xcb")       ? x11Problem()
                                    : name == QLatin1String("wayland") ? waylandProblem(folders)
                                                                       : QString();
            if (problem.isEmpty())
                return true;
            problems << problem;
        }
        if (!missing.isEmpty())
            problems << QCoreApplication::translate("Startup",
                                                    "no Qt platform plugin %1 is installed (looked in %2)")
                            .arg(missing.join(QLatin1String(", ")), folders.join(QLatin1String(", ")));
        if (problems.isEmpty())
            problems << QCoreApplication::translate("Startup", "QT_QPA_PLATFORM names no platform");
    }
    printError(problems.join(QLatin1String("; ")));
    return false;
}

} // namespace

int runVireoscape(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    CommandLine line;
    {
        // The help and the refusals are printed before the program's own
        // application object exists; this one carries their translation.
        QCoreApplication early(argc, argv);
        initVireoscapeResources();
        installTranslations();
        line = parseCommandLine(arguments);
        switch (line.mode) {
        case CommandLine::Help:
            std::fputs(qUtf8Printable(usageText()), stdout);
            return 0;
        case CommandLine::Version:
            std::printf("vireoscape %s\n", VIREOSCAPE_VERSION);
            return 0;
        case CommandLine::Invalid:
            printError(line.error);
            if (line.showUsage)
                std::fputs(qUtf8Printable(usageText()), stderr);
            return 2;
        default:
            break;
        }
    }

    // Pictures of a megabyte or more go straight back to the system when
    // freed: a resident program would otherwise keep the heap a snapshot
    // grew to (glibc raises its threshold after the first large free).
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);

    // Before the platform check, which would connect to the display once
    // more: where the first half cannot read the screen, the check says why.
    if (line.mode == CommandLine::OneShot) {
        if (const int status = startOneShot(line, argc, argv); status >= 0) {
            std::fflush(nullptr);
            ::_exit(status);
        }
    }
    {
        QCoreApplication early(argc, argv); // for the translation of its reasons
        installTranslations();
        if (!checkPlatform())
            return 1;
    }

    QApplication app(argc, argv);
    initVireoscapeResources();
    installTranslations();
    setApplicationIdentity();
    loadSettings();
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath());

    if (line.mode == CommandLine::OneShot) {
        const int status = oneShotCapture(line);
        // With the clipboard served, the toolkit's end hands it to a
        // clipboard manager. Else the file is complete and closed: end at
        // once, without tearing down the toolkit, which would only add to
        // the time of a one-shot run.
        if (line.clipboard)
            return status;
        std::fflush(nullptr);
        ::_exit(status);
    }

    const bool snapshot = line.mode == CommandLine::Snapshot;
    QString busError;
    // Started, or refused by the running instance (a dialog of it is open),
    // which has told its user why; the caller is told too.
    const auto asked = [&busError, &line] {
        const CSnapshotService::Answer answer = CSnapshotService::askRunningInstance(&busError, line.delayMs);
        if (answer == CSnapshotService::Answer::Refused)
            printError(busError);
        return answer == CSnapshotService::Answer::NoInstance ? -1
               : answer == CSnapshotService::Answer::Started  ? 0
                                                              : 1;
    };
    if (snapshot) {
        if (const int status = asked(); status >= 0)
            return status;
    }

    CSingleInstance guard(QStringLiteral("MutexSnapshot_APP"));
    bool acquired = guard.tryAcquire();
    // An instance that is starting holds the guard before its service is on
    // the bus: give it a moment to answer.
    for (int attempt = 0; snapshot && !acquired && attempt < 20; ++attempt) {
        if (const int status = asked(); status >= 0)
            return status;
        QThread::msleep(100);
        acquired = guard.tryAcquire();
    }
    if (!acquired) {
        // The caller of --snapshot is told on standard error: a box would open
        // under the running instance's snapshot, if one is open, and wait there.
        if (snapshot) {
            printError(QCoreApplication::translate("Startup",
                                                   "the running instance cannot be asked for a snapshot: %1")
                           .arg(busError));
            return 1;
        }
        QMessageBox::critical(nullptr, QObject::tr("Error"),
                              QObject::tr("Can't start more than one instance of the application."),
                              QMessageBox::Ok);
        return 0;
    }

    QApplication::setStyle(new CMyCleanlooksStyle);
    // The program ends through "Exit", a termination signal or a close of the
    // main window that does not go to the tray, never because the last
    // visible window closed: the main window is often hidden when a
    // snapshot's windows close.
    QApplication::setQuitOnLastWindowClosed(false);
    quitOnTerminationSignals();

    int result = 0;
    {
        Vireoscape window;
        if (!window.publishService(&busError) && !busError.isEmpty())
            printError(
                QCoreApplication::translate("Startup", "other programs cannot start a snapshot here (%1)")
                    .arg(busError));
        if (snapshot)
            QTimer::singleShot(0, &window, [&window, &line] {
                window.startSnapshotAfter(line.delayMs < 0 ? AppConfig.IntervalSnap : line.delayMs);
            });
        else
            window.setVisible(!AppConfig.GenAutoHide && line.mode != CommandLine::Tray);
        result = QApplication::exec();
        // Files of the last snapshot may still be being written; one that
        // fails now is told on standard error (and in a box after "Exit").
        LateSaveFailures::programEnding(!terminationRequested());
        waitForPictureFiles();
        if (!window.saveSettings() || LateSaveFailures::unsavedAtEnd())
            result = 1;
    } // the window's destructor releases the hot keys and the bus name

    guard.release();
    // At a termination signal the session is going away, unless a picture
    // is only on the clipboard now: it is served as after "Exit".
    if (!terminationRequested() || LateSaveFailures::unsavedAtEnd())
        serveClipboardUntilTaken();
    return result;
}
