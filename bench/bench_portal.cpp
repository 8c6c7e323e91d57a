// The desktop through the Screenshot portal at 1920x1080, beside the same on
// X11: `vireoscape -s` as a whole process, and a snapshot from its start to
// the capture view's first complete paint (the main window, its source and
// the view as the program uses them). On Wayland the portal's own work
// (the compositor's copy and its PNG encoding) is told apart from ours: the
// same PNG from grim is timed alone, and decoding it is ours.
// The Wayland half runs in the headless sway session of the tests
// (tests/wayland/session.sh, as root); it is skipped where sway is missing.
#include "BenchSupport.h"
#include "app/Startup.h"
#include "app/Vireoscape.h"
#include "capture/DrawView.h"
#include "config/AppConfig.h"
#include "platform/DesktopSource.h"
#include "platform/Session.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

constexpr int kRuns = 3;
const QSize kSize(1920, 1080);

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

// Time from the start of a snapshot to the first paint that covers the
// whole view, in ms; -1 when the view did not come.
double triggerToPaint()
{
    AppConfig.IntervalSnap = 0;
    Vireoscape window;
    QElapsedTimer clock;
    double painted = -1;
    QRegion region;
    QEventLoop loop;
    struct Watcher : QObject
    {
        std::function<bool(QObject*, QEvent*)> f;
        bool eventFilter(QObject* o, QEvent* e) override { return f(o, e); }
    } watcher;
    watcher.f = [&](QObject* o, QEvent* e) {
        CDrawView* view = window.captureView();
        if (e->type() == QEvent::Paint && view && o == view->viewport()) {
            region += static_cast<QPaintEvent*>(e)->region();
            if (painted < 0 && region.contains(view->viewport()->rect())) {
                // The paint happens after this filter: let it run first.
                QTimer::singleShot(0, &loop, [&] {
                    painted = clock.nsecsElapsed() / 1e6;
                    loop.quit();
                });
            }
        }
        return false;
    };
    qApp->installEventFilter(&watcher);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    clock.start();
    window.startSnapshot();
    loop.exec();
    qApp->removeEventFilter(&watcher);
    if (window.captureView())
        window.captureView()->abandonSnapshot();
    return painted;
}

// Runs on the display or session it was started in.
int measureHere(int argc, char** argv)
{
    QApplication app(argc, argv);
    setApplicationIdentity();
    AppConfig = CAppConfig::defaults();
    AppConfig.SnapshotFilePath = QDir::tempPath();
    const bool wayland = isWaylandSession();
    if (wayland) {
        // The same realistic screen as on X11, drawn by the compositor.
        const QString file = qEnvironmentVariable("WL_SESSION_DIR") + QStringLiteral("/screen.png");
        Bench::realisticScreen(kSize).save(file);
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadOther | QFileDevice::ReadGroup);
        QProcess sway;
        sway.start(QStringLiteral("swaymsg"), {QStringLiteral("output * bg %1 stretch").arg(file)});
        sway.waitForFinished();
        QThread::msleep(1500);
    }
    std::printf("  %s, %dx%d\n", wayland ? "Wayland (sway, Screenshot portal)" : "X11 (Xvfb, direct grab)",
                kSize.width(), kSize.height());

    QStringList env = QProcess::systemEnvironment();
    env.removeIf([](const QString& e) { return e.startsWith(QLatin1String("QT_QPA_PLATFORM=")); });
    QList<double> whole, grab, view;
    for (int i = 0; i < kRuns; ++i) {
        whole << Bench::measure(QStringLiteral(VIREOSCAPE_BIN), {QStringLiteral("-s")}, env).seconds * 1000;
        QElapsedTimer clock;
        clock.start();
        QString reason;
        const QImage picture = std::unique_ptr<CDesktopSource>(CDesktopSource::create())->grabNow(&reason);
        grab << clock.nsecsElapsed() / 1e6;
        if (picture.isNull())
            std::printf("    no picture: %s\n", qPrintable(reason));
        view << triggerToPaint();
    }
    std::printf("    -s, whole process:            %7.1f ms (median of %d)\n", median(whole), kRuns);
    std::printf("    desktop picture (source):     %7.1f ms\n", median(grab));
    std::printf("    trigger -> view painted:      %7.1f ms\n", median(view));
    if (wayland) {
        QList<double> grim, decode;
        for (int i = 0; i < kRuns; ++i) {
            QElapsedTimer clock;
            clock.start();
            QProcess p;
            p.start(QStringLiteral("grim"), {QStringLiteral("-")});
            p.waitForFinished(-1);
            const QByteArray png = p.readAllStandardOutput();
            grim << clock.nsecsElapsed() / 1e6;
            clock.restart();
            QImage decoded;
            decoded.loadFromData(png, "PNG");
            decode << clock.nsecsElapsed() / 1e6;
        }
        const double theirs = median(grim);
        std::printf("    grim alone (the portal's capture and PNG): %6.1f ms\n", theirs);
        std::printf("    ours in the source (portal round trip, PNG decode %.1f ms): %6.1f ms\n",
                    median(decode), median(grab) - theirs);
        std::printf("    ours from trigger to paint: %6.1f ms of %.1f ms\n", median(view) - theirs,
                    median(view));
    }
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--run") == 0)
        return measureHere(argc, argv);

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::printf("desktop picture and snapshot start, X11 beside Wayland\n");
    std::fflush(stdout);
    Bench::runSelfOnPrivateServer(kSize);

    QTemporaryDir home;
    QProcess run;
    run.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WL_SIZE"), QStringLiteral("%1x%2").arg(kSize.width()).arg(kSize.height()));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/.config"));
    run.setProcessEnvironment(env);
    run.start(QStringLiteral(VS_WAYLAND_SESSION),
              {QCoreApplication::applicationFilePath(), QStringLiteral("--run")});
    run.waitForFinished(-1);
    if (run.exitCode() == 77)
        std::printf("  Wayland: skipped (see above)\n");
    return 0;
}
