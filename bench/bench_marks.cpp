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

    auto* view = new CDrawView(grabDesktop(), nullptr);
    view->setWindowFlags(floatingWindowFlags());
    view->show();
    view->activateWindow();
    QCoreApplication::processEvents();
    CSGraphicsScene* scene = view->snapshotScene();
    scene->backgroundItem()->setSelectionRect(QRectF(QPointF(0, 0), QSizeF(screen)));

    // (1)
    Bench::addMarks(scene, screen);
    QCoreApplication::processEvents();
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer finish;
        finish.start();
        const bool ok = scene->finishSnapshot();
        std::printf("(1) finish %dx%d with 200 marks to clipboard and PNG file: %.1f ms%s\n", screen.width(),
                    screen.height(), finish.nsecsElapsed() / 1e6, ok ? "" : " (FAILED)");
    }
    scene->clearAll();
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
    const int points = 5000;
    const int window = 1000;
    double cpuStart = 0;
    QElapsedTimer wall;
    for (int i = 1; i < points; ++i) {
        if (i % window == 1) {
            cpuStart = Bench::cpuSeconds();
            wall.start();
        }
        sendMouse(viewport, QEvent::MouseMove, scribble(i), Qt::LeftButton);
        QCoreApplication::processEvents();
        if (i % window == 0 || i == points - 1) {
            std::printf("(2) pointer move while drawing, points %d to %d: %.3f ms each, CPU %.3f ms each\n",
                        i - (i - 1) % window, i, wall.nsecsElapsed() / 1e6 / window, (Bench::cpuSeconds() - cpuStart) * 1000 / window);
        }
    }
    sendMouse(viewport, QEvent::MouseButtonRelease, scribble(points - 1), Qt::NoButton);
    delete view;
    return 0;
}

int main(int argc, char** argv)
{
    return Bench::benchMain(argc, argv, measureHere);
}
