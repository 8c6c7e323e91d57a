// Costs of annotating on a 3840x2160 screen (a private X server):
// (1) finishing to clipboard and file with 200 marks of mixed kinds on the
// picture, (2) one pointer move and its paint while a free-hand stroke grows
// to 5,000 points. With --run it measures on the display it is given.
#include "BenchSupport.h"
#include "annotate/DrawEllipseItem.h"
#include "annotate/DrawLineItem.h"
#include "annotate/DrawPolygonItem.h"
#include "annotate/DrawRectItem.h"
#include "annotate/DrawTextItem.h"
#include "annotate/SnapshotEdit.h"
#include "annotate/StripGeometry.h"
#include "app/Startup.h"
#include "capture/DrawView.h"
#include "capture/Finisher.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "platform/ScreenGrab.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPen>
#include <QRandomGenerator>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace {

void sendMouse(QWidget* viewport, QEvent::Type type, const QPointF& p, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, p, p, p, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
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
    const QSize screen = QGuiApplication::primaryScreen()->size();
    std::printf("screen %dx%d\n", screen.width(), screen.height());

    const QPixmap desktop = grabDesktop();
    const auto openView = [&desktop] {
        // A desktop of its own, as each snapshot has: finishing may paint into it.
        auto* view = new CDrawView(desktop.copy(), nullptr);
        view->setWindowFlags(floatingWindowFlags());
        view->show();
        view->activateWindow();
        QCoreApplication::processEvents();
        return view;
    };

    // (1) A snapshot is finished once: each run has a view of its own.
    for (int run = 0; run < 3; ++run) {
        CDrawView* view = openView();
        CSGraphicsScene* scene = view->snapshotScene();
        scene->pick().setRect(QRectF(QPointF(0, 0), QSizeF(screen)));
        Bench::addMarks(scene, screen);
        QCoreApplication::processEvents();
        QElapsedTimer finish;
        finish.start();
        const bool ok = !CFinisher(FinishSettings::fromConfig(), {})
                             .finish(*scene, FinishSettings::fromConfig().confirmed(), true)
                             .failed;
        std::printf("(1) finish %dx%d with 200 marks to clipboard and PNG file: %.1f ms%s\n", screen.width(),
                    screen.height(), finish.nsecsElapsed() / 1e6, ok ? "" : " (FAILED)");
        delete view;
    }

    CDrawView* view = openView();
    CSGraphicsScene* scene = view->snapshotScene();
    scene->pick().setRect(QRectF(QPointF(0, 0), QSizeF(screen)));

    // (2) A scribble across a large part of the screen, one point per move.
    view->editDialog()->setDrawMode(DrawMode::Draw);
    QWidget* viewport = view->viewport();
    const auto scribble = [&](int i) {
        const double t = i / 5000.0;
        return QPointF(screen.width() * (0.1 + 0.8 * t), screen.height() * (0.5 + 0.35 * std::sin(i / 15.0)));
    };
    sendMouse(viewport, QEvent::MouseButtonPress, scribble(0), Qt::LeftButton);
    QCoreApplication::processEvents();
    // The view paints at most once a frame, so moves sent back to back
    // would mostly measure how many frames fell into a window. The two
    // windows the target compares are paced instead: each move waits for
    // the next frame and is painted, and the CPU per move is that of a move
    // and its paint. In between, the stroke grows as fast as it can.
    const auto pacedWindow = [&](int from, int to) {
        const double cpuStart = Bench::cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        // Waits in the event loop (not busily) while the view paints.
        const auto nextFrame = [] {
            QEventLoop loop;
            QTimer::singleShot(10, Qt::PreciseTimer, &loop, &QEventLoop::quit);
            loop.exec();
        };
        for (int i = from; i <= to; ++i) {
            nextFrame();
            sendMouse(viewport, QEvent::MouseMove, scribble(i), Qt::LeftButton);
            QCoreApplication::processEvents();
        }
        nextFrame(); // the last move's paint
        const int moves = to - from + 1;
        const double cpu = (Bench::cpuSeconds() - cpuStart) * 1000 / moves;
        std::printf("(2) pointer move while drawing, points %d to %d, each painted: CPU %.3f ms each\n", from,
                    to, cpu);
        return cpu;
    };
    const auto fastWindow = [&](int from, int to) {
        for (int i = from; i <= to; ++i) {
            sendMouse(viewport, QEvent::MouseMove, scribble(i), Qt::LeftButton);
            QCoreApplication::processEvents();
        }
    };
    // The first hundred include the layer's first paint.
    fastWindow(1, 100);
    const double at100 = pacedWindow(101, 200);
    fastWindow(201, 4900);
    const double at5000 = pacedWindow(4901, 5000);
    std::printf("(2) a move at 5,000 points costs %.2fx a move at 100 (target 1.5x at most)\n",
                at5000 / at100);
    const int points = 5001;
    sendMouse(viewport, QEvent::MouseButtonRelease, scribble(points - 1), Qt::NoButton);
    delete view;
    return 0;
}

int main(int argc, char** argv)
{
    return Bench::benchMain(argc, argv, measureHere);
}
