#include "capture/PointerLayer.h"

#include "capture/SGraphicsPixmapItem.h"

#include <QPainter>

#include <cstring>

namespace {

// Copies `rect` of `from` (at `fromOrigin`) into `to` (at `toOrigin`): rows
// of 32-bit pixels, through plain pointers. A scan line asked of a QImage
// checks it for sharing each time; and the rows of an upright band are a
// few pixels each, cheaper copied by hand than through memcpy.
void copyPixels(const uchar* from, qsizetype fromLine, const QPoint& fromOrigin, uchar* to, qsizetype toLine,
                const QPoint& toOrigin, const QRect& rect)
{
    const int width = rect.width();
    const auto* source = reinterpret_cast<const quint32*>(from + (rect.top() - fromOrigin.y()) * fromLine) +
                         (rect.left() - fromOrigin.x());
    auto* target =
        reinterpret_cast<quint32*>(to + (rect.top() - toOrigin.y()) * toLine) + (rect.left() - toOrigin.x());
    const qsizetype fromStep = fromLine / 4;
    const qsizetype toStep = toLine / 4;
    for (int y = 0; y < rect.height(); ++y, source += fromStep, target += toStep) {
        if (width <= 8) {
            for (int x = 0; x < width; ++x)
                target[x] = source[x];
        } else {
            std::memcpy(target, source, size_t(width) * 4u);
        }
    }
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
    uchar* bits = frame.bits();
    const qsizetype line = frame.bytesPerLine();
    const QRegion before = area();
    if (frame.size() == m_frameSize) {
        for (const Below& b : std::as_const(m_below))
            copyPixels(below(b), b.rect.width() * 4, b.rect.topLeft(), bits, line, QPoint(), b.rect);
    }
    m_below.clear();
    m_frameSize = frame.size();

    const QRect bounds = m_item->boundingRect().toAlignedRect() & frame.rect();
    QRegion now = QRegion(m_item->crosshairBand(Qt::Horizontal)) + m_item->crosshairBand(Qt::Vertical);
    if (m_item->magnifierShown())
        now += m_item->magnifierRect(m_item->cursorPos());
    now &= bounds;
    // One buffer for all the pieces, kept from move to move.
    qsizetype used = 0;
    for (const QRect& r : now) {
        m_below.append({r, used});
        used += qsizetype(r.width()) * r.height();
    }
    if (qsizetype(m_pixels.size()) < used)
        m_pixels.resize(size_t(used));
    for (const Below& b : std::as_const(m_below))
        copyPixels(bits, line, QPoint(), below(b), b.rect.width() * 4, b.rect.topLeft(), b.rect);
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
    for (const Below& b : std::as_const(m_below)) {
        for (const QRect& r : hit& b.rect)
            copyPixels(frame.constBits(), frame.bytesPerLine(), QPoint(), below(b), b.rect.width() * 4,
                       b.rect.topLeft(), r);
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
