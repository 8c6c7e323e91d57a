// Finishing at 3840x2160, measured the way a user waits for it: from OK to
// a paste (`xclip -o -t image/png`) returning the picture, and to the file
// being complete. Finishing to clipboard and PNG file: the whole desktop,
// the whole desktop with 200 marks, and a 300x200 pick. Each case runs the
// program's own finishing and, interleaved with it, the way Qt alone does it
// (QClipboard::setImage, which encodes again on paste, and a file written
// with QImageWriter before the snapshot ends).
#include "BenchSupport.h"
#include "annotate/SnapshotEdit.h"
#include "app/Startup.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "output/FinishedPicture.h"
#include "platform/ScreenGrab.h"
#include "platform/X11Connection.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImageWriter>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include <xcb/xcb.h>

namespace {

constexpr int kCycles = 3;

struct Times
{
    double paste = 0;    // OK to the paste's end
    double file = 0;     // OK to the file being complete
    double returned = 0; // OK to the snapshot's end
    bool ok = false;
};

// Pastes as another program would, into a file; the event loop runs
// meanwhile, since this process serves the clipboard. Returns the time the
// paste ended.
double paste(const QElapsedTimer& timer, const QString& into)
{
    QProcess xclip;
    xclip.setStandardOutputFile(into);
    QEventLoop loop;
    double ended = 0;
    QObject::connect(&xclip, &QProcess::finished, &loop, [&] {
        ended = timer.nsecsElapsed() / 1e6;
        loop.quit();
    });
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                 QStringLiteral("image/png"), QStringLiteral("-o")});
    if (xclip.state() != QProcess::NotRunning)
        loop.exec();
    return ended;
}

// Lets the view be painted and the X server catch up, as it has long done
// by the time a user presses OK.
void settle()
{
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (xcb_connection_t* c = x11Connection())
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

Times finishOnce(const QPixmap& desktop, const QRectF& pick, bool marks, bool ours, const QString& dir)
{
    // A desktop of its own, as each snapshot has: finishing may paint into it.
    auto* view = new CDrawView(desktop.copy(), nullptr);
    view->show();
    QCoreApplication::processEvents();
    CSGraphicsScene* scene = view->snapshotScene();
    scene->pick().setRect(pick);
    if (marks)
        Bench::addMarks(scene, desktop.size());
    settle();
    const QSize size = pick.isEmpty() ? desktop.size() : pick.size().toSize();

    Times t;
    QElapsedTimer timer;
    timer.start();
    if (ours) {
        view->finishSnapshot(); // as OK does
    } else {
        const QImage picture = scene->renderSelection();
        QGuiApplication::clipboard()->setImage(picture);
        QImageWriter writer(QDir(dir).filePath(QStringLiteral("qt.png")), "PNG");
        writer.setQuality(AppConfig.ImageQuality);
        writer.write(picture);
        view->cancelSnapshot();
    }
    t.returned = timer.nsecsElapsed() / 1e6;
    const QString pasted = QDir(dir).filePath(QStringLiteral("pasted"));
    t.paste = paste(timer, pasted);
    waitForPictureFiles();
    t.file = std::max(t.paste, timer.nsecsElapsed() / 1e6);
    t.ok = QImage(pasted, "PNG").size() == size && !view->isVisible();
    delete view;
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    return t;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int measureHere(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    QApplication app(argc, argv);
    initVireoscapeResources();
    setApplicationIdentity();
    AppConfig = CAppConfig::defaults();
    QTemporaryDir dir;
    AppConfig.SnapshotFilePath = dir.path();
    AppConfig.CopyToClipboardAfterFinish = true;
    AppConfig.SaveToFileAfterFinish = true;
    const QPixmap desktop = grabDesktop();
    std::printf("finish at %dx%d to clipboard and PNG file, OK to the snapshot's end / to a paste returned / "
                "to the file complete, "
                "median of %d interleaved cycles\n",
                desktop.width(), desktop.height(), kCycles);

    const struct
    {
        const char* name;
        QRectF pick;
        bool marks;
    } cases[] = {
        {"whole desktop", QRectF(), false},
        {"whole desktop, 200 marks", QRectF(), true},
        {"300x200 pick", QRectF(1700, 900, 300, 200), false},
    };
    for (const auto& c : cases) {
        std::vector<double> oursPaste, oursFile, qtPaste, qtFile, oursEnd, qtEnd;
        bool ok = true;
        for (int i = 0; i < kCycles; ++i) {
            const Times a = finishOnce(desktop, c.pick, c.marks, true, dir.path());
            const Times b = finishOnce(desktop, c.pick, c.marks, false, dir.path());
            oursPaste.push_back(a.paste);
            oursFile.push_back(a.file);
            qtPaste.push_back(b.paste);
            qtFile.push_back(b.file);
            oursEnd.push_back(a.returned);
            qtEnd.push_back(b.returned);
            ok = ok && a.ok && b.ok;
        }
        std::printf("  %-26s vireoscape %6.1f / %7.1f / %7.1f ms   Qt alone %6.1f / %7.1f / %7.1f ms   ratio "
                    "%.2f%s\n",
                    c.name, median(oursEnd), median(oursPaste), median(oursFile), median(qtEnd),
                    median(qtPaste), median(qtFile), median(oursPaste) / median(qtPaste),
                    ok ? "" : "  (A PASTE FAILED)");
    }
    return 0;
}

int main(int argc, char** argv)
{
    return Bench::benchMain(argc, argv, measureHere);
}
