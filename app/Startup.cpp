#include "app/Startup.h"

#include "app/ClipboardKeeper.h"
#include "app/MyCleanlooksStyle.h"
#include "app/PictureFiles.h"
#include "app/QuitOnSignal.h"
#include "app/SingleInstance.h"
#include "app/Vireoscape.h"
#include "config/AppConfig.h"
#include "platform/ScreenGrab.h"
#include "platform/X11Connection.h"

#include <QApplication>
#include <QImage>
#include <QMessageBox>

#include <cstdio>
#include <unistd.h>
#include <memory>

void initVireoscapeResources()
{
    Q_INIT_RESOURCE(Vireoscape);
}

void setApplicationIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Valdo Software"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("valdo-software.org"));
    QCoreApplication::setApplicationName(QStringLiteral("Vireoscape"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.1"));
}

bool hasOneShotSwitch(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument.compare(QLatin1String("-s"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

int oneShotCapture()
{
    const QImage image = grabDesktopImage();
    const SaveResult result = saveImageToFile(image);
    if (!result.ok) {
        std::fprintf(stderr, "vireoscape: cannot save %s: %s\n", qUtf8Printable(result.fileName),
                     qUtf8Printable(result.error));
        return 1;
    }
    return 0;
}

namespace {

// Qt aborts when its X11 platform finds no display; say so plainly instead.
bool checkDisplay()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return true;
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        std::fprintf(stderr, "vireoscape: no X display: DISPLAY is not set\n");
        return false;
    }
    if (!x11DisplayReachable(display.constData())) {
        std::fprintf(stderr, "vireoscape: cannot connect to the X display \"%s\"\n", display.constData());
        return false;
    }
    return true;
}

} // namespace

int runVireoscape(int argc, char** argv)
{
    if (!checkDisplay())
        return 1;

    QApplication app(argc, argv);
    initVireoscapeResources();
    setApplicationIdentity();
    AppConfig.load();
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath());

    if (hasOneShotSwitch(QCoreApplication::arguments())) {
        // The file is complete and closed: end at once, without tearing down
        // the toolkit, which would only add to the time of a one-shot run.
        const int status = oneShotCapture();
        std::fflush(nullptr);
        ::_exit(status);
    }

    CSingleInstance guard(QStringLiteral("MutexSnapshot_APP"));
    if (!guard.tryAcquire()) {
        QMessageBox::critical(nullptr, QObject::tr("Error"),
                              QObject::tr("Can't start more than one instance of the application."),
                              QMessageBox::Ok);
        return 0;
    }

    QApplication::setStyle(new CMyCleanlooksStyle);
    quitOnTerminationSignals();

    int result = 0;
    {
        Vireoscape window;
        window.setVisible(!AppConfig.GenAutoHide);
        result = QApplication::exec();
        if (!window.saveSettings())
            result = 1;
    } // the window's destructor releases the hot keys

    guard.release();
    if (!terminationRequested())
        serveClipboardUntilTaken();
    return result;
}
