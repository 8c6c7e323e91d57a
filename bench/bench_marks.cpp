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

// 200 marks spread over the screen: boxes, ellipses, lines and arrows,
// polygons, free-hand strokes and text, all with shadows.
void addMarks(QGraphicsScene* scene, const QSize& screen)
{
    QRandomGenerator random(7);
    const auto point = [&] { return QPointF(random.bounded(screen.width()), random.bounded(screen.height())); };
    const QPen pen(QColor(220, 30, 30, 200), 3);
    const QBrush brush(QColor(30, 120, 220, 120));
    for (int i = 0; i < 200; ++i) {
        const QPointF a = point();
        const QRectF box(a, QSizeF(40 + random.bounded(400), 30 + random.bounded(300)));
        QGraphicsItem* item = nullptr;
        switch (i % 6) {
        case 0: {
            auto* r = new CDrawRectItem;
            r->setRect(box);
            r->setPen(pen);
            r->setBrush(brush);
            r->setFilled(i % 12 == 0);
            r->shadow = true;
            item = r;
            break;
        }
        case 1: {
            auto* e = new CDrawEllipseItem;
            e->setRect(box);
            e->setPen(pen);
            e->setBrush(brush);
            e->setFilled(true);
            e->shadow = true;
            item = e;
            break;
        }
        case 2: {
            auto* l = new CDrawLineItem;
            l->setLine(QLineF(a, point()));
            l->setPen(pen);
            l->arrow = i % 4 == 0;
            l->shadow = true;
            item = l;
            break;
        }
        case 3:
        case 4: {
            auto* p = new CDrawPolygonItem;
            QPolygonF polygon;
            const int points = i % 6 == 3 ? 6 : 80;
            QPointF c = a;
            for (int k = 0; k < points; ++k) {
                c += QPointF(random.bounded(41) - 20, random.bounded(41) - 20);
                polygon << c;
            }
            p->setPolygon(polygon);
            p->setPen(pen);
            p->setBrush(brush);
            p->setFreehand(i % 6 == 4);
            p->setFilled(i % 6 == 3);
            p->shadow = true;
            item = p;
            break;
        }
        default: {
            auto* t = new CDrawTextItem;
            t->setPlainText(QStringLiteral("Mark %1: look here").arg(i));
            t->setFont(QFont(QStringLiteral("DejaVu Sans"), 14));
            t->setDefaultTextColor(Qt::darkRed);
            t->setFrame(true);
            t->setFrameWidth(2);
            t->setFrameColor(Qt::red);
            t->setPos(a);
            t->shadow = true;
            item = t;
            break;
        }
        }
        scene->addItem(item);
    }
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
    addMarks(scene, screen);
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
