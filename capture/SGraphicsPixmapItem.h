#pragma once

#include "capture/LabelGlyphs.h"

#include <QFont>
#include <QGraphicsPixmapItem>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QStaticText>
#include <QVector>

#include <cmath>
#include <functional>
#include <utility>

// The background of the selection scene: the frozen desktop under a grey
// veil with a hole for the selection, a crosshair through the pointer and a
// label with the selection's size. It only paints: the pick (CPickArea)
// owns the selection and hands it here.
class CSGraphicsPixmapItem : public QGraphicsPixmapItem
{
public:
    explicit CSGraphicsPixmapItem(const QPixmap& desktop);

    // The selection as painted.
    void setSelectionRect(const QRectF& rect);
    QRectF selectionRect() const { return m_selection; }
    void setCursorPos(const QPointF& pos);
    QPointF cursorPos() const { return m_cursorPos; }
    void setCrosshairVisible(bool visible);
    // The size label grows with the interface's scale factor, like the rest
    // of the interface, while the desktop stays at one pixel per pixel.
    void setInterfaceScale(qreal scale);
    bool crosshairVisible() const { return m_crosshairVisible; }
    qreal interfaceScale() const { return m_scale; }

    // The picked area's outline, once it is picked, and its eight handles
    // while it can be adjusted.
    void setOutlineShown(bool shown);
    bool outlineShown() const { return m_outlineShown; }
    void setHandlesShown(bool shown);
    bool handlesShown() const { return m_handlesShown; }
    // The handle centres of a selection, clockwise from the top left corner:
    // top left, top, top right, right, bottom right, bottom, bottom left, left.
    static QVector<QPointF> pickHandlePoints(const QRectF& selection);
    // The side of a handle square in scene pixels.
    qreal handleSize() const { return 7 * m_scale; }

    // The magnifier beside the pointer while the user picks: the pixels
    // round the pointer enlarged, the one under it framed, its desktop
    // coordinates and its colour. It keeps clear of the pointer and stays on
    // the desktop.
    void setMagnifierShown(bool shown);
    bool magnifierShown() const { return m_magnifierShown; }
    QRect magnifierRect(const QPointF& cursor) const;
    // How many pixels on each side of the pointer's pixel it shows, and how
    // many scene pixels one of them takes there.
    static constexpr int kMagnifierReach = 7;
    int magnifierZoom() const { return int(std::lround(8 * m_scale)); }
    // The desktop pixel under the pointer, and its colour as "#rrggbb"
    // (empty off the desktop).
    QPoint cursorPixel() const;
    QString cursorColourName() const;

    // A short text on the frozen desktop for newcomers, in a box centred
    // near the top of `area` (scene pixels); empty: none.
    void setHint(const QString& text, const QRect& area = QRect());
    QString hint() const { return m_hint; }
    QRect hintRect() const { return m_hintRect; }

    // The grey laid over everything outside the selection.
    static QColor veilColor();

    // "(640 * 480)" for a 640 by 480 selection.
    static QString sizeLabelText(const QRectF& selection);
    // The label's grey box above the selection for a measured text size.
    static QRect sizeLabelBox(const QRectF& selection, const QSize& textSize);
    // Whether the selection counts as picked (both extents above 0).
    static bool hasArea(const QRectF& selection) { return selection.width() > 0 && selection.height() > 0; }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    // The crosshair and the magnifier, the layer that follows the pointer,
    // painted over everything else. Painted here by default; with a callback
    // they are left to the view (which shows them in windows of their own),
    // and every change of theirs calls it instead of repainting the scene.
    void setPointerLayerOutside(std::function<void()> changed);
    bool pointerLayerOutside() const { return bool(m_pointerLayerChanged); }
    // That layer over `area` (scene pixels), on what is painted there.
    void paintPointerLayer(QPainter* painter, const QRect& area) const;
    // The pixels a crosshair line can touch, on the desktop; empty when the
    // crosshair is hidden.
    QRect crosshairBand(Qt::Orientation orientation) const;
    // The line of `orientation` laid out on that band, premultiplied.
    const QImage& crosshairLine(Qt::Orientation orientation) const
    {
        return crosshairLine(orientation, crosshairBand(orientation));
    }

    // Drops the desktop picture once the snapshot has ended (the view stays
    // until the next snapshot, hidden); nothing is painted after that.
    void releasePictures();

private:
    // The desktop with the veil, its outline and the size label: everything
    // but the crosshair, which alone follows the pointer.
    void paintVeiled(QPainter* painter, const QRect& area) const;
    void paintCrosshair(QPainter* painter, const QRect& area) const;
    // The line of `orientation` laid out on its band `where`.
    const QImage& crosshairLine(Qt::Orientation orientation, const QRect& where) const;
    void invalidate(const QRegion& area);
    // A change of the pointer layer over `area`.
    void pointerLayerChanged(const QRegion& area);
    QRegion selectionFootprint(const QRectF& selection, bool withInside = true) const;
    QRegion crosshairFootprint(const QPointF& pos) const;
    QSize footprintLabelSize(const QString& text) const;

    void paintHandles(QPainter* painter) const;
    void paintMagnifier(QPainter* painter, const QRect& area) const;
    const QImage& zoomedPixels(const QRect& shown) const;
    void paintHint(QPainter* painter, const QRect& area) const;
    QFont hintFont() const;
    void measureHint();

    QRectF m_selection;
    QString m_selectionText; // its size label, formatted once per change
    QPointF m_cursorPos;
    qreal m_scale = 1;
    bool m_handlesShown = false;
    bool m_outlineShown = false;
    bool m_magnifierShown = false;
    QString m_hint;
    QRect m_hintArea;
    QRect m_hintRect;
    QStaticText m_hintText;
    bool m_crosshairVisible = false;
    std::function<void()> m_pointerLayerChanged;
    QFont m_labelFont;
    // The size label's text and its measured size, kept between paints.
    mutable QString m_labelText;
    mutable QSize m_labelSize;
    // The size labels measured last for the pixels they cover.
    mutable std::pair<QString, QSize> m_footprintLabels[2];
    // The glyphs of the magnifier's coordinates and colour.
    mutable CLabelGlyphs m_coordinateGlyphs;
    mutable CLabelGlyphs m_colourGlyphs;
    // Each line of the crosshair as painted at its position within a pixel.
    struct CrosshairLine
    {
        QImage image;
        qreal at = -1;
    };
    mutable CrosshairLine m_crosshairLines[2];
    mutable QImage m_zoomed;
    mutable QRect m_zoomedFrom;
    mutable qint64 m_zoomedKey = 0;
};
