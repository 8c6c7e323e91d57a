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
#include <utility>

namespace {

// The device pixel Qt puts a logical coordinate on.
int onDevice(int logical, qreal ratio)
{
    return int(std::lround(logical * ratio));
}

// The logical window edges on or outside the device edges `from` and `to`
// (exclusive), as [first, end).
std::pair<int, int> outward(int from, int to, qreal ratio)
{
    int first = int(std::floor(from / ratio));
    while (onDevice(first, ratio) > from)
        --first;
    int end = std::max(first + 1, int(std::ceil(to / ratio)));
    while (onDevice(end, ratio) < to)
        ++end;
    return {first, end};
}

} // namespace

CPinWindow::CPinWindow(const QImage& picture, const QRect& deviceGeometry, qreal ratio, bool ordinaryWindow,
                       const QImage& around)
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
    // The window's edges lie on whole logical pixels: outside the pick's
    // device edges, the gap painted with the desktop that was there.
    const QRect pick(deviceGeometry.topLeft(), m_picture.size());
    const auto [left, right] = outward(pick.left(), pick.left() + pick.width(), m_ratio);
    const auto [top, bottom] = outward(pick.top(), pick.top() + pick.height(), m_ratio);
    const QRect frame(QPoint(onDevice(left, m_ratio), onDevice(top, m_ratio)),
                      QPoint(onDevice(right, m_ratio) - 1, onDevice(bottom, m_ratio) - 1));
    if (frame == pick) {
        // No gap to fill (whole logical pixels, as at scale 1): the picture
        // itself, its pixels shared rather than copied.
        m_picture.setDevicePixelRatio(m_ratio);
        m_framed = m_picture;
    } else {
        m_framed = QImage(frame.size(), QImage::Format_ARGB32_Premultiplied);
        m_framed.fill(Qt::black);
        QPainter painter(&m_framed);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        if (!around.isNull()) {
            const QPoint margin((around.width() - m_picture.width()) / 2,
                                (around.height() - m_picture.height()) / 2);
            painter.drawImage(pick.topLeft() - margin - frame.topLeft(), around);
        }
        painter.drawImage(pick.topLeft() - frame.topLeft(), m_picture);
        painter.end();
        m_framed.setDevicePixelRatio(m_ratio);
        m_picture.setDevicePixelRatio(m_ratio);
    }
    m_frameSize = QSize(right - left, bottom - top);
    resize(zoomedSize());
    if (!m_ordinary)
        move(QPoint(left, top));
    setToolTip(tr("Drag to move, wheel to zoom, Ctrl+wheel for opacity, double click or Esc to close"));
}

QSize CPinWindow::zoomedSize() const
{
    if (m_zoom == 1.0)
        return m_frameSize;
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
        painter.drawImage(QPointF(0, 0), m_framed);
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
