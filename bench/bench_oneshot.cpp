// One-shot capture benchmark: `vireoscape -s` on a private X server at
// 1920x1080 and 3840x2160 with a realistic screen. Prints the whole-process
// time, CPU and peak memory, the time of each phase (start-up, grab, PNG
// encoding and writing), and, where scrot is installed, the same figures of
// scrot on the same screen for comparison.
#include "BenchSupport.h"

#include "app/Startup.h"
#include "config/AppConfig.h"
#include "output/PictureFiles.h"
#include "platform/ScreenGrab.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRuns = 5;

// Runs inside a child process on the benchmark's X server.
int phases(int argc, char** argv)
{
    QElapsedTimer timer;
    timer.start();
    QApplication app(argc, argv);
    setApplicationIdentity();
    AppConfig.load();
    const double startup = timer.nsecsElapsed() / 1e6;
    timer.restart();
    const QImage image = grabDesktopImage();
    const double grab = timer.nsecsElapsed() / 1e6;
    timer.restart();
    const SaveResult saved = saveImageToFile(image);
    const double encode = timer.nsecsElapsed() / 1e6;
    std::printf("    phases: start-up %.1f ms, grab %.1f ms, PNG encode and write %.1f ms%s\n", startup, grab,
                encode, saved.ok ? "" : " (save failed)");
    return saved.ok ? 0 : 1;
}

Bench::ProcessFigures median(QList<Bench::ProcessFigures> runs)
{
    std::sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) { return a.seconds < b.seconds; });
    return runs.at(runs.size() / 2);
}

void report(const char* name, const Bench::ProcessFigures& f)
{
    std::printf("    %-10s %7.1f ms wall, %7.1f ms CPU, peak %6.1f MiB%s\n", name, f.seconds * 1000,
                f.cpuSeconds * 1000, f.peakKiB / 1024.0, f.exitCode == 0 ? "" : "  (FAILED)");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--phases") == 0)
        return phases(argc, argv);

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString scrot = QStandardPaths::findExecutable(QStringLiteral("scrot"));
    std::printf("vireoscape -s, median of %d runs%s\n", kRuns,
                scrot.isEmpty() ? " (scrot not installed)" : "");

    for (const QSize size : {QSize(1920, 1080), QSize(3840, 2160)}) {
        Bench::XServer server(size);
        if (!server.isRunning() || !Bench::showOnRoot(server.display(), Bench::realisticScreen(size))) {
            std::printf("  %dx%d: no X server\n", size.width(), size.height());
            continue;
        }
        std::printf("  %dx%d\n", size.width(), size.height());
        QTemporaryDir home;
        const QStringList env = Bench::isolatedEnvironment(server.display(), home.path());

        QList<Bench::ProcessFigures> ours, theirs;
        for (int i = 0; i < kRuns; ++i) {
            ours << Bench::measure(QStringLiteral(VIREOSCAPE_BIN), {QStringLiteral("-s")}, env);
            if (!scrot.isEmpty())
                theirs << Bench::measure(
                    scrot, {QStringLiteral("-o"), home.filePath(QStringLiteral("scrot.png"))}, env);
        }
        const Bench::ProcessFigures a = median(ours);
        report("vireoscape", a);
        if (!theirs.isEmpty()) {
            const Bench::ProcessFigures b = median(theirs);
            report("scrot", b);
            std::printf("    ratio vireoscape/scrot: %.2f (wall)\n", a.seconds / b.seconds);
        }
        std::fflush(stdout);
        Bench::measure(QCoreApplication::applicationFilePath(), {QStringLiteral("--phases")}, env);
    }
    return 0;
}
