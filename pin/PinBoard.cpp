#include "pin/PinBoard.h"

#include "pin/PinWindow.h"

#include <QGuiApplication>

CPinBoard::CPinBoard(QObject* parent) : QObject(parent) {}

CPinBoard::~CPinBoard()
{
    closeAll();
}

CPinWindow* CPinBoard::pin(const QImage& picture, const QRect& deviceGeometry, qreal ratio,
                           const QImage& around)
{
    // Wayland clients cannot place their windows nor keep them on top.
    const bool ordinary = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    auto* window = new CPinWindow(picture, deviceGeometry, ratio, ordinary, around);
    m_pins.append(window);
    // The pointer may not have been cleared yet when this is told.
    connect(window, &QObject::destroyed, this, [this, window] {
        m_pins.removeIf([window](const QPointer<CPinWindow>& p) { return !p || p.data() == window; });
        emit countChanged(count());
    });
    window->show();
    window->raise();
    window->activateWindow();
    emit countChanged(count());
    return window;
}

void CPinBoard::closeAll()
{
    const QList<CPinWindow*> open = pins();
    for (CPinWindow* window : open)
        delete window;
}

QList<CPinWindow*> CPinBoard::pins() const
{
    QList<CPinWindow*> open;
    for (const QPointer<CPinWindow>& window : m_pins)
        if (window)
            open.append(window);
    return open;
}
