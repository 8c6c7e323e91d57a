// Costs of one snapshot on a 3840x2160 screen (a private X server):
// (1) grab to the capture view's first complete paint, (2) one pointer move
// over the view, (3) finishing to clipboard and file, (4) peak memory.
// With --run it measures on the display it is given.
#include "BenchSupport.h"
#include "output/PictureFiles.h"
#include "app/Startup.h"
#include "annotate/StripGeometry.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "platform/ScreenGrab.h"
#include "platform/WindowList.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScreen>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// The real view, noting when its viewport was first painted whole.
class TimedView : public CDrawView
{
public:
    using CDrawView::CDrawView;
    QElapsedTimer* clock = nullptr;
    qint64 firstFullPaint = -1;
    qint64 firstPaintStart = -1;
    QRegion painted;
    qint64 paintedArea = 0; // summed over paint events

protected:
    void paintEvent(QPaintEvent* event) override
    {
        if (firstPaintStart < 0)
            firstPaintStart = clock->nsecsElapsed();
        CDrawView::paintEvent(event);
        painted += event->region();
        for (const QRect& r : event->region())
            paintedArea += qint64(r.width()) * r.height();
        if (firstFullPaint < 0 && painted.contains(viewport()->rect()))
            firstFullPaint = clock->nsecsElapsed();
    }
};

void sendMove(QWidget* viewport, const QPoint& p)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(p), QPointF(p), QPointF(p), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
}

} // namespace

int measureHere(int argc, char** argv)
{
    QApplication app(argc, argv);
    initVireoscapeResources();
    setApplicationIdentity();
    AppConfig = CAppConfig::defaults();
    QTemporaryDir dir;
    AppConfig.SnapshotFilePath = dir.path();
    const QSize screen = QGuiApplication::primaryScreen()->size();
    std::printf("screen %dx%d\n", screen.width(), screen.height());

    // The first grab at a size is slow; a resident program pays it at start.
    grabDesktop();
    const long baseKiB = Bench::peakKiB();

    // (1) As the delay timer's end does it.
    QElapsedTimer clock;
    clock.start();
    QPixmap desktop = grabDesktop();
    const qint64 grabbed = clock.nsecsElapsed();
    const CWindowList windows = CWindowList::fromX11();
    auto* view = new TimedView(desktop, nullptr);
    view->clock = &clock;
    desktop = QPixmap();
    view->setWindowList(windows);
    view->setWindowFlags(floatingWindowFlags());
    const qint64 built = clock.nsecsElapsed();
    view->show();
    const qint64 shown = clock.nsecsElapsed();
    view->raise();
    view->activateWindow();
    while (view->firstFullPaint < 0 && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
    const qint64 flushed = clock.nsecsElapsed();
    std::printf("    show() %.1f ms, first paint starts %.1f ms after the grab\n", (shown - built) / 1e6,
                (view->firstPaintStart - grabbed) / 1e6);
    std::printf(
        "(1) grab %.1f ms; view built %.1f ms after the grab; first full paint %.1f ms after the grab "
        "(%.1f ms with the flush)\n",
        grabbed / 1e6, (built - grabbed) / 1e6, (view->firstFullPaint - grabbed) / 1e6,
        (flushed - grabbed) / 1e6);

    QWidget* viewport = view->viewport();
    QElapsedTimer full;
    full.start();
    viewport->repaint();
    std::printf("    a full repaint with its flush: %.1f ms\n", full.nsecsElapsed() / 1e6);

    // (2) Pointer moves while the window under it is highlighted.
    const int moves = 1000;
    for (int i = 0; i < 20; ++i) {
        sendMove(viewport, QPoint(100 + i, 100 + i));
        QCoreApplication::processEvents();
    }
    view->paintedArea = 0;
    const double cpu0 = Bench::cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    for (int i = 0; i < moves; ++i) {
        // Diagonal sweeps across the whole screen, one pixel at a time.
        const QPoint p((i * 7) % screen.width(), (i * 5) % screen.height());
        sendMove(viewport, p);
        QCoreApplication::processEvents();
    }
    const double wallMs = wall.nsecsElapsed() / 1e6;
    const double cpu = Bench::cpuSeconds() - cpu0;
    const qint64 area = view->paintedArea;
    std::printf("(2) pointer move: %.3f ms each (repaint and flush included); CPU %.2f s per 1000 moves; "
                "%.0f pixels repainted per move of %lld\n",
                wallMs / moves, cpu * 1000.0 / moves, double(area) / moves,
                qint64(screen.width()) * screen.height());

    // (3) Finishing to the clipboard and a file, a quarter of the screen and all of it.
    AppConfig.CopyToClipboardAfterFinish = true;
    AppConfig.SaveToFileAfterFinish = true;
    CSGraphicsScene* scene = view->snapshotScene();
    for (const QRectF& selection :
         {QRectF(screen.width() / 4, screen.height() / 4, screen.width() / 2, screen.height() / 2),
          QRectF(QPointF(0, 0), QSizeF(screen))}) {
        scene->backgroundItem()->setSelectionRect(selection);
        QElapsedTimer finish;
        finish.start();
        const bool ok = scene->finishSnapshot();
        std::printf("(3) finish %gx%g to clipboard and PNG file: %.1f ms%s\n", selection.width(),
                    selection.height(), finish.nsecsElapsed() / 1e6, ok ? "" : " (FAILED)");
    }

    // (4)
    std::printf("(4) peak memory: %.1f MiB for the process, %.1f MiB above the state before the snapshot\n",
                Bench::peakKiB() / 1024.0, (Bench::peakKiB() - baseKiB) / 1024.0);
    delete view;
    return 0;
}

int main(int argc, char** argv)
{
    return Bench::benchMain(argc, argv, measureHere);
}
