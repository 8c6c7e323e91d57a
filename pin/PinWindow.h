#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

class QMenu;

// A picked area kept on the screen: a frameless window above the others
// showing the picture at the device pixels where it was picked. A drag moves
// it, the wheel zooms it around the pointer, Ctrl+wheel changes its opacity,
// a double click or Escape closes it. On Wayland it is an ordinary window
// that the compositor places.
class CPinWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr qreal kMinZoom = 0.25;
    static constexpr qreal kMaxZoom = 4.0;
    static constexpr qreal kMinOpacity = 0.2;

    // `deviceGeometry`: the picture's place on the desktop in device pixels,
    // `ratio` device pixels per logical pixel there. `around`: the desktop's
    // pixels around it, the same margin on every side; at 100 % they fill
    // the window where it starts or ends on a device pixel the picture does
    // not (at a ratio above 1 a window edge lies on a multiple of it).
    CPinWindow(const QImage& picture, const QRect& deviceGeometry, qreal ratio, bool ordinaryWindow,
               const QImage& around = QImage());

    const QImage& picture() const { return m_picture; }
    qreal zoom() const { return m_zoom; }
    // Zooms keeping the picture point under `anchor` (window coordinates)
    // where it is.
    void setZoom(qreal zoom, const QPointF& anchor);
    void resetZoom() { setZoom(1.0, QPointF()); }
    qreal opacity() const { return windowOpacity(); }
    void setOpacityClamped(qreal opacity);
    // The window's size in logical pixels at the current zoom: at 100 % the
    // picture with the desktop pixels up to whole logical pixels.
    QSize zoomedSize() const;
    bool ordinaryWindow() const { return m_ordinary; }

    // The right-click menu's actions, in order: Copy, Save picture…, Zoom
    // 100 %, Close. Built once.
    QMenu* menu();
    void copyPicture() const;
    void savePicture();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QImage m_picture;
    QImage m_framed;     // at 100 %: the picture at its device offset in the desktop around it (where
                         // its edges leave no gap, the picture itself, its pixels shared)
    QSize m_frameSize;   // the window at 100 %, logical pixels
    qreal m_ratio = 1.0; // device pixels per logical pixel
    qreal m_zoom = 1.0;
    bool m_ordinary = false;
    bool m_dragging = false;
    QPoint m_dragOffset; // pointer to window top-left, global logical pixels
    QMenu* m_menu = nullptr;
};
