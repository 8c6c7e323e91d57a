#include "annotate/StrokeIndex.h"

#include <algorithm>
#include <cmath>

void StrokeIndex::clear()
{
    m_cells.clear();
    m_indexed = 0;
}

QRectF StrokeIndex::grownBounds(const QPointF& a, const QPointF& b)
{
    return QRectF(a, b).normalized().adjusted(-0.5, -0.5, 0.5, 0.5);
}

void StrokeIndex::add(const QPolygonF& points, int segment)
{
    const QRectF r = grownBounds(points[segment - 1], points[segment]);
    const int x0 = int(std::floor(r.left() / kCell)), x1 = int(std::floor(r.right() / kCell));
    const int y0 = int(std::floor(r.top() / kCell)), y1 = int(std::floor(r.bottom() / kCell));
    for (int cy = y0; cy <= y1; ++cy)
        for (int cx = x0; cx <= x1; ++cx)
            m_cells[key(cx, cy)].append(segment);
}

void StrokeIndex::sync(const QPolygonF& points)
{
    // Points only ever added at the end keep what is indexed; any other
    // change (a new polyline, a point moved) starts over.
    if (m_indexed > points.size() || (m_indexed > 0 && points[m_indexed - 1] != m_lastPoint))
        clear();
    for (int i = std::max(1, m_indexed); i < points.size(); ++i)
        add(points, i);
    m_indexed = int(points.size());
    if (m_indexed > 0)
        m_lastPoint = points.last();
}

QVector<int> StrokeIndex::segmentsNear(const QPolygonF& points, const QRectF& window) const
{
    QVector<int> found;
    const int x0 = int(std::floor(window.left() / kCell)), x1 = int(std::floor(window.right() / kCell));
    const int y0 = int(std::floor(window.top() / kCell)), y1 = int(std::floor(window.bottom() / kCell));
    // A window larger than the cells in use is answered by walking them all.
    if (qint64(x1 - x0 + 1) * (y1 - y0 + 1) > m_cells.size()) {
        for (auto it = m_cells.cbegin(); it != m_cells.cend(); ++it)
            found += it.value();
    } else {
        for (int cy = y0; cy <= y1; ++cy)
            for (int cx = x0; cx <= x1; ++cx) {
                const auto it = m_cells.constFind(key(cx, cy));
                if (it != m_cells.cend())
                    found += it.value();
            }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    // The cells are coarse: keep the segments that really meet the window.
    found.erase(std::remove_if(found.begin(), found.end(),
                               [&](int i) {
                                   return i >= points.size() ||
                                          !grownBounds(points[i - 1], points[i]).intersects(window);
                               }),
                found.end());
    return found;
}
