#pragma once

#include <QHash>
#include <QPolygonF>
#include <QRectF>
#include <QVector>

// Which segments of a polyline lie near a rectangle, found without walking
// every point: each segment is listed in the cells of a coarse grid that its
// bounds touch. A long free-hand stroke is repainted in many small pieces on
// every pointer move; with the index each piece costs what is near it, not
// the stroke's length.
class StrokeIndex
{
public:
    // Forgets everything; the next sync() indexes the points anew.
    void clear();
    // Brings the index up to date with the points: segments added at the end
    // since the last call are indexed; anything else rebuilds it.
    void sync(const QPolygonF& points);
    // The segments (1-based: segment i runs from point i - 1 to point i)
    // whose bounds, grown by half a pixel, meet the window, in order.
    QVector<int> segmentsNear(const QPolygonF& points, const QRectF& window) const;

private:
    static constexpr int kCell = 64;
    static quint64 key(int cx, int cy) { return (quint64(quint32(cx)) << 32) | quint32(cy); }
    static QRectF grownBounds(const QPointF& a, const QPointF& b);
    void add(const QPolygonF& points, int segment);

    QHash<quint64, QVector<int>> m_cells;
    int m_indexed = 0;   // points covered so far
    QPointF m_lastPoint; // the last of them, to notice a changed polyline
};
