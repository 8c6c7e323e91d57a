// Costs of one snapshot on a 3840x2160 screen (a private X server):
// (1) grab to the capture view's first complete paint, (2) one pointer move
// over the view while the window under it is offered (the magnifier on),
// (2b) a move after the pick and a drag of the pick's corner handle, (3) finishing to clipboard and file, (4) peak memory.
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

void sendMouse(QWidget* viewport, QEvent::Type type, const QPoint& p, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(p), QPointF(p), QPointF(p), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
}

void sendMove(QWidget* viewport, const QPoint& p, Qt::MouseButtons buttons = Qt::NoButton)
{
    sendMouse(viewport, QEvent::MouseMove, p, Qt::NoButton, buttons);
}

// Moves along a path, one event and its repaint at a time: wall and CPU
// time per move and the pixels repainted per move.
template <class Path> void measureMoves(TimedView* view, const char* what, int moves, Path path,
                                        Qt::MouseButtons buttons = Qt::NoButton)
{
    QWidget* viewport = view->viewport();
    view->paintedArea = 0;
    const double cpu0 = Bench::cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    for (int i = 0; i < moves; ++i) {
        sendMove(viewport, path(i), buttons);
        QCoreApplication::processEvents();
    }
    const double wallMs = wall.nsecsElapsed() / 1e6;
    const double cpu = Bench::cpuSeconds() - cpu0;
    std::printf("%s: %.3f ms each (repaint and flush included); CPU %.2f s per 1000 moves; "
                "%.0f pixels repainted per move\n",
                what, wallMs / moves, cpu * 1000.0 / moves, double(view->paintedArea) / moves);
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

    CSGraphicsScene* scene = view->snapshotScene();
    std::printf("    the magnifier was %s during these moves\n",
                scene->backgroundItem()->magnifierShown() ? "on" : "OFF");

    // (2b) A pick, moves over it (no magnifier), and a drag of its bottom
    // right handle (the magnifier on, the pick's outline, handles and size
    // label following).
    const QRect pick(screen.width() / 4, screen.height() / 4, screen.width() / 2, screen.height() / 2);
    sendMouse(viewport, QEvent::MouseButtonPress, pick.topLeft(), Qt::LeftButton, Qt::LeftButton);
    sendMove(viewport, pick.center(), Qt::LeftButton);
    sendMove(viewport, pick.bottomRight() + QPoint(1, 1), Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseButtonRelease, pick.bottomRight() + QPoint(1, 1), Qt::LeftButton,
              Qt::NoButton);
    QCoreApplication::processEvents();
    measureMoves(view, "(2b) pointer move over the pick", moves,
                 [&](int i) { return QPoint((i * 7) % screen.width(), (i * 5) % screen.height()); });
    const QPoint corner = pick.bottomRight() + QPoint(1, 1);
    sendMouse(viewport, QEvent::MouseButtonPress, corner, Qt::LeftButton, Qt::LeftButton);
    measureMoves(
        view, "(2b) handle drag", 400, [&](int i) { return corner + QPoint(i % 200, (i % 200) / 2); },
        Qt::LeftButton);
    std::printf("    the magnifier was %s during the drag\n",
                scene->backgroundItem()->magnifierShown() ? "on" : "OFF");
    sendMouse(viewport, QEvent::MouseButtonRelease, corner, Qt::LeftButton, Qt::NoButton);
    QCoreApplication::processEvents();

    // (3) Finishing to the clipboard and a file, a quarter of the screen and all of it.
    AppConfig.CopyToClipboardAfterFinish = true;
    AppConfig.SaveToFileAfterFinish = true;
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
