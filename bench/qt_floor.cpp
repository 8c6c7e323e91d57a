// The floor of Qt 6's own cost per pointer move, for overlay-bench.sh beside
// the program and its peers: a full-screen window over the frozen desktop
// under a veil that does nothing when the pointer moves, or per move
// repaints one pixel through Qt's repaint manager (QT_FLOOR_REPAINT set), or
// sends one pixel of its painted buffer to the X server as the program's
// pointer layer does (QT_FLOOR_FLUSH set). Escape closes it. See
// qt-floor-subjects.sh.
#include <QApplication>
#include <QBackingStore>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace {

class FloorWindow : public QWidget
{
public:
    explicit FloorWindow(const QPixmap& desktop) : m_desktop(desktop)
    {
        setMouseTracking(true);
        setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawPixmap(0, 0, m_desktop);
        painter.fillRect(rect(), QColor(0, 0, 0, 100));
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape)
            QCoreApplication::quit();
    }
    void mouseMoveEvent(QMouseEvent*) override
    {
        if (m_repaint)
            update(QRect(0, 0, 1, 1));
        if (m_flush && backingStore() && windowHandle())
            backingStore()->flush(QRegion(0, 0, 1, 1), windowHandle());
    }

private:
    QPixmap m_desktop;
    const bool m_repaint = qEnvironmentVariableIsSet("QT_FLOOR_REPAINT");
    const bool m_flush = qEnvironmentVariableIsSet("QT_FLOOR_FLUSH");
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    FloorWindow window(screen->grabWindow(0));
    window.setGeometry(screen->geometry());
    window.show();
    window.activateWindow();
    window.grabKeyboard();
    return app.exec();
}
