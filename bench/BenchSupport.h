#pragma once

class QGraphicsScene;

#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>

// Shared pieces of the benchmarks: a private X server, a realistic screen,
// and whole-process measurements of another program.
namespace Bench {

// A private Xvfb server of the given size; stopped when destroyed.
class XServer
{
public:
    explicit XServer(const QSize& size);
    ~XServer();
    bool isRunning() const { return !m_display.isEmpty(); }
    QString display() const { return m_display; }

private:
    QProcess m_process;
    QString m_display;
};

// A screen as people have it: a photo-like picture beside windows of text.
QImage realisticScreen(const QSize& size);

// Puts the picture on the root window of the display.
bool showOnRoot(const QString& display, const QImage& picture);

struct ProcessFigures
{
    double seconds = 0;    // wall-clock time of the whole process
    double cpuSeconds = 0; // user + system
    long peakKiB = 0;      // maximum resident set size, sampled every half millisecond
    int exitCode = -1;
};

// Runs a program to its end with the environment given, measuring it.
ProcessFigures measure(const QString& program, const QStringList& arguments, const QStringList& environment);

// The environment for running under the display with a private home.
QStringList isolatedEnvironment(const QString& display, const QString& home);

// CPU time of this process so far, and its peak resident memory.
double cpuSeconds();
long peakKiB();

// The entry of a benchmark that measures on a private 3840x2160 server:
// with "--run" it calls `measure` on the display it was started on,
// otherwise it starts the server and itself on it.
int benchMain(int argc, char** argv, int (*measure)(int, char**));

// Starts a private X server of the given size showing a realistic screen
// and runs this program on it with the argument "--run", in a temporary
// home; returns that run's exit status.
int runSelfOnPrivateServer(const QSize& size);

// 200 marks spread over the screen: boxes, ellipses, lines and arrows,
// polygons, free-hand strokes and text, all with shadows.
void addMarks(QGraphicsScene* scene, const QSize& screen);

} // namespace Bench
