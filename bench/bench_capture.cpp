// Costs of one snapshot on a 3840x2160 screen (a private X server):
// (1) grab to the capture view's first complete paint, (2) one pointer move
// over the view while the window under it is offered (the magnifier on),
// (2b) a move after the pick and a drag of the pick's corner handle, (2c) the
// crosshair and the magnifier alone, (2d) the window highlight moving to
// another window, (3) finishing to clipboard and file, (4)
// peak memory. With --run it measures on the display it is given.
#include "BenchSupport.h"
#include "annotate/StripGeometry.h"
#include "app/Startup.h"
#include "capture/DrawView.h"
#include "capture/Finisher.h"
#include "capture/PointerLayer.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "output/PictureFiles.h"
#include "platform/ScreenGrab.h"
#include "platform/WindowList.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScreen>
#include <QStyleOptionGraphicsItem>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

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

// The view paints at most once a frame: a move is followed by a wait in the
// event loop (not a busy one) long enough for its paint.
void nextFrame()
{
    QEventLoop loop;
    QTimer::singleShot(10, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Moves along a path, each move painted before the next: CPU time per move
// (the move, its repaint and flush), the pixels repainted per move through
// the scene and those the pointer layer changed.
template <class Path>
void measureMoves(TimedView* view, const char* what, int moves, Path path,
                  Qt::MouseButtons buttons = Qt::NoButton)
{
    QWidget* viewport = view->viewport();
    nextFrame();
    view->paintedArea = 0;
    const qint64 layer0 = view->pointerLayerPixels();
    const double cpu0 = Bench::cpuSeconds();
    for (int i = 0; i < moves; ++i) {
        sendMove(viewport, path(i), buttons);
        nextFrame();
    }
    const double cpu = Bench::cpuSeconds() - cpu0;
    std::printf("%s: CPU %.3f ms per move, each painted; per move %.0f pixels repainted through the scene, "
                "%.0f changed by the pointer layer\n",
                what, cpu * 1000.0 / moves, double(view->paintedArea) / moves,
                double(view->pointerLayerPixels() - layer0) / moves);
}

// The crosshair and the magnifier alone, laid on a frame of `size` cut from
// the desktop, at interface scale `scale`: CPU per move along the sweep the
// shared overlay benchmark uses (150 moves round a Lissajous figure, each far
// from the last) and per one-pixel step, without the event loop, the scene or
// the flush to the X server.
void measurePointerLayer(const QPixmap& desktop, const QSize& size, qreal scale)
{
    CSGraphicsPixmapItem item(desktop.copy(QRect(QPoint(), size)));
    item.setInterfaceScale(scale);
    item.setCrosshairVisible(true);
    item.setMagnifierShown(true);
    item.setPointerLayerOutside([] {});
    QImage frame(size, QImage::Format_RGB32);
    {
        QPainter painter(&frame);
        painter.drawPixmap(0, 0, item.pixmap());
    }
    CPointerLayer layer(&item);
    // Between two real moves the rest of the program and the X server run
    // for a frame: the frame's pixels are no longer in the caches. Evicted
    // here by walking a buffer larger than them, outside the measured time.
    std::vector<char> other(64 << 20);
    const auto run = [&](int moves, auto path) {
        double cpu = 0;
        for (int i = 0; i < moves; ++i) {
            for (size_t k = 0; k < other.size(); k += 64)
                ++other[k];
            const double cpu0 = Bench::cpuSeconds();
            item.setCursorPos(path(i));
            layer.update(frame);
            cpu += Bench::cpuSeconds() - cpu0;
        }
        return cpu * 1e6 / moves;
    };
    const double w = size.width(), h = size.height();
    const auto sweep = [&](int i) {
        const double t = 2 * M_PI * (i % 150) / 150;
        return QPointF(std::floor(w * (0.1 + 0.4 * (1 + std::sin(3 * t)))),
                       std::floor(h * (0.1 + 0.4 * (1 + std::sin(2 * t)))));
    };
    const auto step = [&](int i) {
        const int along = i % 400;
        const int down = along / 2;
        return QPointF(w / 4 + along, h / 4 + down);
    };
    run(300, sweep);
    const double far = run(1500, sweep);
    const double near = run(1500, step);
    std::printf(
        "(2c) pointer layer alone at %dx%d, scale %g: %.1f us per sweep move, %.1f us per one-pixel step\n",
        size.width(), size.height(), scale, far, near);
}

// The window highlight moving from one window to another, as the pointer
// crosses into it: the item repaints the pixels that change between veiled
// and clear. Scale 1, no crosshair, caches emptied between changes as
// between real moves.
void measureHighlight(const QPixmap& desktop, const QSize& size)
{
    CSGraphicsPixmapItem item(desktop.copy(QRect(QPoint(), size)));
    item.setPointerLayerOutside([] {});
    QImage frame(size, QImage::Format_RGB32);
    const int w = size.width(), h = size.height();
    const QRect windows[2] = {QRect(w / 10, h / 10, w * 9 / 20, h * 3 / 5),
                              QRect(w * 9 / 20, h * 3 / 10, w * 9 / 20, h * 3 / 5)};
    std::vector<char> other(64 << 20);
    const int changes = 200;
    const QRegion changed = QRegion(windows[0]) ^ QRegion(windows[1]);
    qint64 pixels = 0;
    for (const QRect& r : changed)
        pixels += qint64(r.width()) * r.height();
    std::vector<double> cpu;
    for (int i = 0; i < changes; ++i) {
        for (size_t k = 0; k < other.size(); k += 64)
            ++other[k];
        const QRect& entered = windows[i % 2];
        const double cpu0 = Bench::cpuSeconds();
        item.setSelectionRect(entered);
        QPainter painter(&frame);
        for (const QRect& r : changed) {
            QStyleOptionGraphicsItem option;
            option.exposedRect = r;
            item.paint(&painter, &option, nullptr);
        }
        painter.end();
        cpu.push_back(Bench::cpuSeconds() - cpu0);
    }
    // The median: a change is long enough for other work on the machine to
    // land in some of them.
    std::sort(cpu.begin(), cpu.end());
    std::printf("(2d) window highlight changing windows at %dx%d: %.0f us a change, median (%lld pixels "
                "repainted)\n",
                w, h, cpu[cpu.size() / 2] * 1e6, pixels);
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
    // Kept for the finishing below: each snapshot ends once.
    const QPixmap original = desktop.copy();
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
    // A repaint within a frame of the last paint would wait for the frame's
    // end: first let every pending paint happen.
    for (qint64 area = -1; area != view->paintedArea;) {
        area = view->paintedArea;
        nextFrame();
    }
    QElapsedTimer full;
    const qint64 before = view->paintedArea;
    full.start();
    viewport->repaint();
    std::printf("    a full repaint with its flush: %.1f ms (%lld pixels)\n", full.nsecsElapsed() / 1e6,
                view->paintedArea - before);

    // (2) Pointer moves while the window under it is highlighted.
    const int moves = 300;
    for (int i = 0; i < 20; ++i) {
        sendMove(viewport, QPoint(100 + i, 100 + i));
        QCoreApplication::processEvents();
    }
    // Diagonal sweeps across the whole screen.
    measureMoves(view, "(2) pointer move", moves,
                 [&](int i) { return QPoint((i * 7) % screen.width(), (i * 5) % screen.height()); });

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

    measurePointerLayer(original, QSize(1920, 1080), 1);
    measurePointerLayer(original, screen, 1);
    measurePointerLayer(original, screen, 2);
    measureHighlight(original, QSize(1920, 1080));
    measureHighlight(original, screen);

    // (3) Finishing to the clipboard and a file, a quarter of the screen and all of it.
    AppConfig.CopyToClipboardAfterFinish = true;
    AppConfig.SaveToFileAfterFinish = true;
    for (const QRectF& selection :
         {QRectF(QRect(screen.width() / 4, screen.height() / 4, screen.width() / 2, screen.height() / 2)),
          QRectF(QPointF(0, 0), QSizeF(screen))}) {
        // A snapshot of its own, as each has: finishing ends it and may
        // paint into its desktop.
        auto* snapshot = new CDrawView(original.copy(), nullptr);
        snapshot->setWindowFlags(floatingWindowFlags());
        snapshot->show();
        QCoreApplication::processEvents();
        snapshot->snapshotScene()->pick().setRect(selection);
        QElapsedTimer finish;
        finish.start();
        const bool ok =
            !CFinisher(FinishSettings::fromConfig(), {})
                 .finish(*snapshot->snapshotScene(), FinishSettings::fromConfig().confirmed(), true)
                 .failed;
        std::printf("(3) finish %gx%g to clipboard and PNG file: %.1f ms%s\n", selection.width(),
                    selection.height(), finish.nsecsElapsed() / 1e6, ok ? "" : " (FAILED)");
        delete snapshot;
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
