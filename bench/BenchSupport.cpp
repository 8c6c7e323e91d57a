#include "BenchSupport.h"

#include "annotate/DrawEllipseItem.h"
#include "annotate/DrawLineItem.h"
#include "annotate/DrawPolygonItem.h"
#include "annotate/DrawRectItem.h"
#include "annotate/DrawTextItem.h"

#include <QGraphicsScene>
#include <QPen>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <ctime>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Bench {

XServer::XServer(const QSize& size)
{
    // Xvfb prints the display it chose on the descriptor given, once ready.
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                     QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(size.width()).arg(size.height()),
                     QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")});
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000 && !m_process.canReadLine() && m_process.state() != QProcess::NotRunning)
        m_process.waitForReadyRead(100);
    if (m_process.canReadLine())
        m_display = QLatin1Char(':') + QString::fromLatin1(m_process.readLine()).trimmed();
}

XServer::~XServer()
{
    m_process.terminate();
    m_process.waitForFinished(5000);
}

QImage realisticScreen(const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(42);
    // Left: a photo-like area of smooth colour with grain.
    const int photoWidth = size.width() / 2;
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < photoWidth; ++x) {
            const int grain = int(random.bounded(24)) - 12;
            const double fx = double(x) / photoWidth, fy = double(y) / size.height();
            const int r = qBound(0, int(90 + 120 * fx * (1 - fy)) + grain, 255);
            const int g = qBound(0, int(140 + 80 * std::sin(fx * 9 + fy * 4)) + grain, 255);
            const int b = qBound(0, int(60 + 160 * fy) + grain, 255);
            line[x] = qRgb(r, g, b);
        }
    }
    // Right: windows full of text on a flat desktop.
    QPainter p(&image);
    p.fillRect(photoWidth, 0, size.width() - photoWidth, size.height(), QColor(46, 52, 64));
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(14);
    p.setFont(font);
    const QStringList words = {
        QStringLiteral("capture"),   QStringLiteral("window"), QStringLiteral("return"),
        QStringLiteral("if"),        QStringLiteral("pixel"),  QStringLiteral("0x1f"),
        QStringLiteral("selection"), QStringLiteral("{"),      QStringLiteral("}"),
        QStringLiteral("const"),     QStringLiteral("QRect"),  QStringLiteral("= nullptr;")};
    for (int w = 0; w < 3; ++w) {
        const QRect win(photoWidth + 40 + w * 60, 40 + w * 80, size.width() - photoWidth - 200,
                        size.height() - 200);
        p.fillRect(win, QColor(250, 250, 248));
        p.fillRect(win.x(), win.y(), win.width(), 28, QColor(60, 110, 190));
        p.setPen(Qt::black);
        for (int y = win.y() + 48; y < win.bottom() - 10; y += 18) {
            QString line;
            const int count = 3 + int(random.bounded(10));
            for (int i = 0; i < count; ++i)
                line += words.at(int(random.bounded(words.size()))) + QLatin1Char(' ');
            p.drawText(win.x() + 10 + int(random.bounded(40)), y, line);
        }
    }
    p.end();
    return image;
}

bool showOnRoot(const QString& display, const QImage& picture)
{
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/bench-root-XXXXXX.png"));
    if (!file.open() || !picture.save(&file, "PNG", 100))
        return false;
    file.close();
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("display"),
                  {QStringLiteral("-window"), QStringLiteral("root"), file.fileName()});
    return process.waitForFinished(60000);
}

ProcessFigures measure(const QString& program, const QStringList& arguments, const QStringList& environment)
{
    ProcessFigures figures;
    QList<QByteArray> args{program.toLocal8Bit()};
    for (const QString& a : arguments)
        args << a.toLocal8Bit();
    QList<QByteArray> envs;
    for (const QString& e : environment)
        envs << e.toLocal8Bit();
    std::vector<char*> argv, envp;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (QByteArray& e : envs)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0)
        return figures;
    // The child's own peak, read while it runs: the kernel's figure for a
    // spawned child starts from the spawning process's size (this one's).
    int status = 0;
    struct rusage usage = {};
    const QByteArray statusFile = "/proc/" + QByteArray::number(pid) + "/status";
    long peak = 0;
    while (::wait4(pid, &status, WNOHANG, &usage) == 0) {
        QFile file(QString::fromLatin1(statusFile));
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : file.readAll().split('\n')) {
                if (line.startsWith("VmHWM:"))
                    peak = std::max(peak, line.mid(6).trimmed().split(' ').value(0).toLong());
            }
        }
        struct timespec pause = {0, 500000};
        nanosleep(&pause, nullptr);
    }
    figures.seconds = timer.nsecsElapsed() / 1e9;
    figures.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                         usage.ru_stime.tv_usec / 1e6;
    figures.peakKiB = peak;
    figures.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return figures;
}

QStringList isolatedEnvironment(const QString& display, const QString& home)
{
    QStringList env;
    for (const char* keep : {"PATH", "LANG", "LC_ALL"}) {
        if (qEnvironmentVariableIsSet(keep))
            env << QString::fromLatin1(keep) + QLatin1Char('=') + qEnvironmentVariable(keep);
    }
    env << QStringLiteral("DISPLAY=") + display << QStringLiteral("HOME=") + home
        << QStringLiteral("XDG_CONFIG_HOME=") + home + QStringLiteral("/.config")
        << QStringLiteral("XDG_RUNTIME_DIR=") + home << QStringLiteral("DBUS_SESSION_BUS_ADDRESS=disabled:");
    return env;
}

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int benchMain(int argc, char** argv, int (*measure)(int, char**))
{
    if (argc > 1 && qstrcmp(argv[1], "--run") == 0)
        return measure(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return runSelfOnPrivateServer(QSize(3840, 2160));
}

int runSelfOnPrivateServer(const QSize& size)
{
    XServer server(size);
    if (!server.isRunning() || !showOnRoot(server.display(), realisticScreen(size))) {
        std::printf("%dx%d: no X server\n", size.width(), size.height());
        return 1;
    }
    QTemporaryDir home;
    QProcess run;
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    run.setEnvironment(isolatedEnvironment(server.display(), home.path()));
    run.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--run")});
    run.waitForFinished(-1);
    return run.exitCode();
}

// 200 marks spread over the screen: boxes, ellipses, lines and arrows,
// polygons, free-hand strokes and text, all with shadows.
void addMarks(QGraphicsScene* scene, const QSize& screen)
{
    QRandomGenerator random(7);
    const auto point = [&] {
        return QPointF(random.bounded(screen.width()), random.bounded(screen.height()));
    };
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

} // namespace Bench
