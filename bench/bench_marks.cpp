// Costs of annotating on a 3840x2160 screen (a private X server):
// (1) finishing to clipboard and file with 200 marks of mixed kinds on the
// picture, (2) one pointer move while a free-hand stroke grows to 5,000
// points. With --run it measures on the display it is given.
#include "BenchSupport.h"
#include "annotate/DrawEllipseItem.h"
#include "annotate/DrawLineItem.h"
#include "annotate/DrawPolygonItem.h"
#include "annotate/DrawRectItem.h"
#include "annotate/DrawTextItem.h"
#include "annotate/SnapshotEdit.h"
#include "app/Startup.h"
#include "annotate/StripGeometry.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"
#include "platform/ScreenGrab.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPen>
#include <QRandomGenerator>
#include <QScreen>
#include <QTemporaryDir>

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
        scene->backgroundItem()->setSelectionRect(QRectF(QPointF(0, 0), QSizeF(screen)));
        Bench::addMarks(scene, screen);
        QCoreApplication::processEvents();
        QElapsedTimer finish;
        finish.start();
        const bool ok = scene->finishSnapshot();
        std::printf("(1) finish %dx%d with 200 marks to clipboard and PNG file: %.1f ms%s\n", screen.width(),
                    screen.height(), finish.nsecsElapsed() / 1e6, ok ? "" : " (FAILED)");
        delete view;
    }

    CDrawView* view = openView();
    CSGraphicsScene* scene = view->snapshotScene();
    scene->backgroundItem()->setSelectionRect(QRectF(QPointF(0, 0), QSizeF(screen)));

    // (2) A scribble across a large part of the screen, one point per move.
    view->editDialog()->setDrawMode(DrawMode::Draw);
    QWidget* viewport = view->viewport();
    const auto scribble = [&](int i) {
        const double t = i / 5000.0;
        return QPointF(screen.width() * (0.1 + 0.8 * t), screen.height() * (0.5 + 0.35 * std::sin(i / 15.0)));
    };
    sendMouse(viewport, QEvent::MouseButtonPress, scribble(0), Qt::LeftButton);
    QCoreApplication::processEvents();
    // Windows of points; the target compares the cost at 5,000 points (the
    // last hundred) with the cost at 100 (the second hundred: the first
    // includes the layer's first paint).
    const int ends[] = {100, 200, 1000, 2000, 3000, 4000, 4900, 5000};
    int first = 1;
    double at100 = 0;
    double at5000 = 0;
    for (const int last : ends) {
        const double cpuStart = Bench::cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        for (int i = first; i <= last; ++i) {
            sendMouse(viewport, QEvent::MouseMove, scribble(i), Qt::LeftButton);
            QCoreApplication::processEvents();
        }
        const int moves = last - first + 1;
        std::printf("(2) pointer move while drawing, points %d to %d: %.3f ms each, CPU %.3f ms each\n", first,
                    last, wall.nsecsElapsed() / 1e6 / moves, (Bench::cpuSeconds() - cpuStart) * 1000 / moves);
        if (last == 200)
            at100 = wall.nsecsElapsed();
        if (last == 5000)
            at5000 = wall.nsecsElapsed();
        first = last + 1;
    }
    std::printf("(2) a move at 5,000 points costs %.2fx a move at 100 (target 1.5x at most)\n", at5000 / at100);
    const int points = 5001;
    sendMouse(viewport, QEvent::MouseButtonRelease, scribble(points - 1), Qt::NoButton);
    delete view;
    return 0;
}

int main(int argc, char** argv)
{
    return Bench::benchMain(argc, argv, measureHere);
}
