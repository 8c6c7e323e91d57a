#include "pin/PinWindow.h"

#include "output/PictureFiles.h"
#include "output/SaveDialog.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <cmath>

CPinWindow::CPinWindow(const QImage& picture, const QRect& deviceGeometry, qreal ratio, bool ordinaryWindow)
    : QWidget(nullptr), m_picture(picture), m_ratio(ratio > 0 ? ratio : 1.0), m_ordinary(ordinaryWindow)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // Closing the last pin while the main window is in the tray must not
    // end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    if (m_ordinary) {
        setWindowTitle(tr("Pinned picture"));
    } else {
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
    }
    m_picture.setDevicePixelRatio(m_ratio);
    resize(zoomedSize());
    if (!m_ordinary)
        move(QPoint(int(std::lround(deviceGeometry.x() / m_ratio)),
                    int(std::lround(deviceGeometry.y() / m_ratio))));
    setToolTip(tr("Drag to move, wheel to zoom, Ctrl+wheel for opacity, double click or Esc to close"));
}

QSize CPinWindow::zoomedSize() const
{
    const qreal scale = m_zoom / m_ratio;
    return QSize(std::max(1, int(std::lround(m_picture.width() * scale))),
                 std::max(1, int(std::lround(m_picture.height() * scale))));
}

void CPinWindow::setZoom(qreal zoom, const QPointF& anchor)
{
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    // Within a hair of 100 % it is 100 %, so that the wheel finds the
    // picture's own size again.
    if (std::abs(zoom - 1.0) < 0.02)
        zoom = 1.0;
    if (zoom == m_zoom)
        return;
    const qreal factor = zoom / m_zoom;
    m_zoom = zoom;
    const QPointF newAnchor = anchor * factor;
    const QPoint shift = (newAnchor - anchor).toPoint();
    const QSize size = zoomedSize();
    if (m_ordinary)
        resize(size);
    else
        setGeometry(QRect(pos() - shift, size));
    update();
}

void CPinWindow::setOpacityClamped(qreal opacity)
{
    setWindowOpacity(std::clamp(opacity, kMinOpacity, 1.0));
}

QMenu* CPinWindow::menu()
{
    if (m_menu)
        return m_menu;
    m_menu = new QMenu(this);
    connect(m_menu->addAction(tr("Copy")), &QAction::triggered, this, &CPinWindow::copyPicture);
    connect(m_menu->addAction(tr("Save picture…")), &QAction::triggered, this, &CPinWindow::savePicture);
    connect(m_menu->addAction(tr("Zoom 100 %")), &QAction::triggered, this, &CPinWindow::resetZoom);
    m_menu->addSeparator();
    connect(m_menu->addAction(tr("Close")), &QAction::triggered, this, &QWidget::close);
    return m_menu;
}

void CPinWindow::copyPicture() const
{
    QImage copy = m_picture;
    copy.setDevicePixelRatio(1.0);
    copyImageToClipboard(copy);
}

void CPinWindow::savePicture()
{
    savePictureAs(this, m_picture);
}

void CPinWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_zoom == 1.0) {
        // Pixel for pixel, as it was picked.
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPointF(0, 0), m_picture);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_zoom < 1.0);
    painter.drawImage(rect(), m_picture);
}

void CPinWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_dragging = true;
    m_dragOffset = event->globalPosition().toPoint() - pos();
    setCursor(Qt::ClosedHandCursor);
}

void CPinWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    if (m_ordinary) {
        // The compositor moves windows on Wayland.
        if (QWindow* window = windowHandle())
            window->startSystemMove();
        m_dragging = false;
        return;
    }
    move(event->globalPosition().toPoint() - m_dragOffset);
}

void CPinWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        unsetCursor();
    }
}

void CPinWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        close();
}

void CPinWindow::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y();
    if (steps == 0)
        return;
    // One notch (120) is 10 %; finer wheels move finer.
    const qreal factor = std::pow(1.1, steps / 120.0);
    if (event->modifiers() & Qt::ControlModifier)
        setOpacityClamped(windowOpacity() + 0.1 * steps / 120.0);
    else
        setZoom(m_zoom * factor, event->position());
    event->accept();
}

void CPinWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        copyPicture();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CPinWindow::contextMenuEvent(QContextMenuEvent* event)
{
    menu()->popup(event->globalPos());
}
