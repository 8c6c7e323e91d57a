#include "capture/PointerLayer.h"

#include "capture/SGraphicsPixmapItem.h"

#include <QPainter>

#include <cstring>

namespace {

// Copies `rect` of `from` (at `fromOrigin`) into `to` (at `toOrigin`): rows
// of 32-bit pixels. Row by row through plain pointers: a scan line asked of
// a QImage checks it for sharing each time, which costs more than copying
// the few pixels of an upright band's row.
void copyPixels(const QImage& from, const QPoint& fromOrigin, QImage& to, const QPoint& toOrigin,
                const QRect& rect)
{
    const size_t bytes = size_t(rect.width()) * 4u;
    const qsizetype fromLine = from.bytesPerLine();
    const qsizetype toLine = to.bytesPerLine();
    const uchar* source =
        from.constBits() + (rect.top() - fromOrigin.y()) * fromLine + (rect.left() - fromOrigin.x()) * 4;
    uchar* target = to.bits() + (rect.top() - toOrigin.y()) * toLine + (rect.left() - toOrigin.x()) * 4;
    for (int y = 0; y < rect.height(); ++y, source += fromLine, target += toLine)
        std::memcpy(target, source, bytes);
}

} // namespace

QRegion CPointerLayer::area() const
{
    QRegion covered;
    for (const Below& b : m_below)
        covered += b.rect;
    return covered;
}

QRegion CPointerLayer::update(QImage& frame)
{
    if (frame.depth() != 32)
        return QRegion();
    const QRegion before = area();
    if (frame.size() == m_frameSize) {
        for (const Below& b : std::as_const(m_below))
            copyPixels(b.pixels, b.rect.topLeft(), frame, QPoint(), b.rect);
    }
    m_below.clear();
    m_frameSize = frame.size();

    const QRect bounds = m_item->boundingRect().toAlignedRect() & frame.rect();
    QRegion now = QRegion(m_item->crosshairBand(Qt::Horizontal)) + m_item->crosshairBand(Qt::Vertical);
    if (m_item->magnifierShown())
        now += m_item->magnifierRect(m_item->cursorPos());
    now &= bounds;
    for (const QRect& r : now) {
        QImage pixels(r.size(), frame.format());
        copyPixels(frame, QPoint(), pixels, r.topLeft(), r);
        m_below.append({r, pixels});
    }
    paintOver(frame, now);
    return before + now;
}

void CPointerLayer::repainted(QImage& frame, const QRegion& area)
{
    if (frame.size() != m_frameSize)
        return;
    const QRegion hit = area & this->area();
    if (hit.isEmpty())
        return;
    for (Below& b : m_below) {
        for (const QRect& r : hit& b.rect)
            copyPixels(frame, QPoint(), b.pixels, b.rect.topLeft(), r);
    }
    paintOver(frame, hit);
}

void CPointerLayer::paintOver(QImage& frame, const QRegion& area) const
{
    // As the view paints: antialiased, a plain rectangle clip at a time,
    // each pixel once.
    QPainter painter(&frame);
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (const QRect& r : area) {
        painter.save();
        painter.setClipRect(r);
        m_item->paintPointerLayer(&painter, r);
        painter.restore();
    }
}
