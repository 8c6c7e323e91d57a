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

private:
    // The desktop with the veil, its outline and the size label: everything
    // but the crosshair, which alone follows the pointer.
    void paintVeiled(QPainter* painter, const QRect& area) const;
    void paintCrosshair(QPainter* painter, const QRect& area) const;
    void refreshVeiledLayer(const QRegion& area, QPainter::RenderHints hints);
    void invalidate(const QRegion& area);
    QRegion selectionFootprint(const QRectF& selection) const;
    QRegion crosshairFootprint(const QPointF& pos) const;

    QRectF m_selection;
    QPointF m_cursorPos;
    bool m_crosshairVisible = false;
    QFont m_labelFont;
    // The veiled desktop, kept between paints: a pointer move then only
    // copies pixels and draws the crosshair. Parts a selection change
    // touched are painted afresh before they are used.
    QImage m_veiled;
    QRegion m_veiledStale;
};
