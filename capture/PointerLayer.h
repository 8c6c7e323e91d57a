#pragma once

#include <QImage>
#include <QRegion>
#include <QVector>

#include <vector>

class CSGraphicsPixmapItem;

// The crosshair and the magnifier of a snapshot, laid straight on the view's
// painted pixels (its backing store), with the pixels below them kept aside:
// a pointer move puts those back, keeps the new ones and paints the layer
// there, a few thousand pixels, instead of the view repainting two bands
// across the whole desktop and the magnifier's box through the scene. What
// the screen shows is exactly the view painted with the layer over it.
class CPointerLayer
{
public:
    explicit CPointerLayer(const CSGraphicsPixmapItem* item) : m_item(item) {}

    // Moves the layer in `frame` (the view's pixels, one per device pixel,
    // from its origin) to the item's state; the pixels that changed.
    QRegion update(QImage& frame);
    // The view is about to paint `area` of `frame` anew: the pixels below the
    // layer there are put back first. At a fractional scale the view repaints
    // only the device pixels whose centres lie inside its logical area, not
    // every pixel it touches; those it leaves must not still show the layer.
    void uncover(QImage& frame, const QRegion& area);
    // The view painted `area` of `frame` anew, without the layer: the pixels
    // below the layer there are kept anew and the layer painted over them.
    void repainted(QImage& frame, const QRegion& area);
    // The pixels the layer covers in the frame now.
    QRegion area() const;

private:
    void paintOver(QImage& frame, const QRegion& area) const;
    struct Below;
    struct RowRun;

    const CSGraphicsPixmapItem* m_item;
    // The frame's pixels below the layer, as painted without it; the pieces
    // do not overlap.
    struct Below
    {
        QRect rect;
        // Where its rows start in m_pixels, one after another.
        qsizetype offset;
    };
    // Two buffers: the pieces kept at the last move are put back from one
    // while the new ones are kept in the other.
    uchar* below(const Below& b, int buffer)
    {
        return reinterpret_cast<uchar*>(m_pixels[buffer].data() + b.offset);
    }
    uchar* below(const Below& b) { return below(b, m_buffer); }
    QVector<Below> m_below;
    std::vector<quint32> m_pixels[2];
    int m_buffer = 0;
    QSize m_frameSize;
};
