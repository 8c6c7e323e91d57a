#pragma once

#include <QFont>
#include <QGraphicsPixmapItem>
#include <QImage>
#include <QPainter>
#include <QRegion>

// The background of the selection scene: the frozen desktop under a grey
// veil with a hole for the selection, a crosshair through the pointer and a
// label with the selection's size.
class CSGraphicsPixmapItem : public QGraphicsPixmapItem
{
public:
    explicit CSGraphicsPixmapItem(const QPixmap& desktop);

    void setSelectionRect(const QRectF& rect);
    QRectF selectionRect() const { return m_selection; }
    void setCursorPos(const QPointF& pos);
    QPointF cursorPos() const { return m_cursorPos; }
    void setCrosshairVisible(bool visible);
    // The size label grows with the interface's scale factor, like the rest
    // of the interface, while the desktop stays at one pixel per pixel.
    void setInterfaceScale(qreal scale);
    bool crosshairVisible() const { return m_crosshairVisible; }

    // "(640 * 480)" for a 640 by 480 selection.
    static QString sizeLabelText(const QRectF& selection);
    // The label's grey box above the selection for a measured text size.
    static QRect sizeLabelBox(const QRectF& selection, const QSize& textSize);
    // Whether the selection counts as picked (both extents above 0).
    static bool hasArea(const QRectF& selection) { return selection.width() > 0 && selection.height() > 0; }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    // Drops the desktop picture once the snapshot has ended (the view stays
    // until the next snapshot, hidden); nothing is painted after that.
    void releasePictures();

private:
    // The desktop with the veil, its outline and the size label: everything
    // but the crosshair, which alone follows the pointer.
    void paintVeiled(QPainter* painter, const QRect& area) const;
    void paintCrosshair(QPainter* painter, const QRect& area) const;
    void invalidate(const QRegion& area);
    QRegion selectionFootprint(const QRectF& selection) const;
    QRegion crosshairFootprint(const QPointF& pos) const;

    QRectF m_selection;
    QPointF m_cursorPos;
    bool m_crosshairVisible = false;
    QFont m_labelFont;
    // The size label's text and its measured size, kept between paints.
    mutable QString m_labelText;
    mutable QSize m_labelSize;
};
