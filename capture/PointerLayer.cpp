#include "capture/PointerLayer.h"

#include "capture/SGraphicsPixmapItem.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

namespace {

// One row of 32-bit pixels: the rows of an upright band are a few pixels
// each, cheaper copied by hand than through memcpy.
void copyRow(const quint32* from, quint32* to, int width)
{
    if (width <= 8) {
        for (int x = 0; x < width; ++x)
            to[x] = from[x];
    } else {
        std::memcpy(to, from, size_t(width) * 4u);
    }
}

// Copies `rect` of `from` (at `fromOrigin`) into `to` (at `toOrigin`): rows
// of 32-bit pixels, through plain pointers: a scan line asked of a QImage
// checks it for sharing each time.
void copyPixels(const uchar* from, qsizetype fromLine, const QPoint& fromOrigin, uchar* to, qsizetype toLine,
                const QPoint& toOrigin, const QRect& rect)
{
    const auto* source = reinterpret_cast<const quint32*>(from + (rect.top() - fromOrigin.y()) * fromLine) +
                         (rect.left() - fromOrigin.x());
    auto* target =
        reinterpret_cast<quint32*>(to + (rect.top() - toOrigin.y()) * toLine) + (rect.left() - toOrigin.x());
    const qsizetype fromStep = fromLine / 4;
    const qsizetype toStep = toLine / 4;
    for (int y = 0; y < rect.height(); ++y, source += fromStep, target += toStep)
        copyRow(source, target, rect.width());
}

// Each channel of `x` times a / 255, rounded as the raster engine rounds.
quint32 byteMul(quint32 x, quint32 a)
{
    quint32 t = (x & 0xff00ffu) * a;
    t = ((t + ((t >> 8) & 0xff00ffu) + 0x800080u) >> 8) & 0xff00ffu;
    x = ((x >> 8) & 0xff00ffu) * a;
    x = (x + ((x >> 8) & 0xff00ffu) + 0x800080u) & 0xff00ff00u;
    return x | t;
}

// The painter's own source-over of a premultiplied pixel `s` on `d`, to the bit.
quint32 sourceOver(quint32 s, quint32 d)
{
    if (s >= 0xff000000u)
        return s;
    if (s == 0)
        return d;
    return s + byteMul(d, 255u - (s >> 24));
}

} // namespace

// A piece's part of a run of rows over which no piece starts or ends: a
// row of `width` pixels from `from` to `to`, each stepping a row at a time.
struct CPointerLayer::RowRun
{
    const quint32* from;
    qsizetype fromStep;
    quint32* to;
    qsizetype toStep;
    int width;
};

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
    const QVector<Below> old = frame.size() == m_frameSize ? m_below : QVector<Below>();
    const int oldBuffer = m_buffer;
    m_buffer = 1 - m_buffer;
    m_below.clear();
    m_frameSize = frame.size();

    const QRect bounds = m_item->boundingRect().toAlignedRect() & frame.rect();
    const QRect band = m_item->crosshairBand(Qt::Vertical);
    const QRect upright = band & bounds;
    QRegion over = QRegion(m_item->crosshairBand(Qt::Horizontal) & bounds);
    if (m_item->magnifierShown())
        over += m_item->magnifierRect(m_item->cursorPos()) & bounds;
    // The upright line's rows, apart from where the other line or the
    // magnifier lie over it, are blended here by hand while the walk below
    // is on their row: each row of it lies on a page of its own, and a
    // painter's pass would fetch them all again.
    const bool byHand =
        frame.format() == QImage::Format_RGB32 || frame.format() == QImage::Format_ARGB32_Premultiplied;
    const QRegion alone = byHand ? QRegion(upright) - over : QRegion();
    const QRegion now = over + upright;
    qsizetype used = 0;
    for (const QRect& r : now) {
        m_below.append({r, used});
        used += qsizetype(r.width()) * r.height();
    }
    if (qsizetype(m_pixels[m_buffer].size()) < used)
        m_pixels[m_buffer].resize(size_t(used));

    // Row by row, from the top: the old pieces' pixels put back, the new
    // ones kept, the line blended. Rows do not touch each other, so this
    // gives what three passes would. The rows are taken in runs over which
    // the same pieces are met, so that a row costs its few copies and no
    // bookkeeping: the frame's rows, a page each, are then asked for
    // closely one after another.
    QVector<Below> lone;
    for (const QRect& r : alone)
        lone.append({r, 0});
    const QImage* uprightLine = alone.isEmpty() ? nullptr : &m_item->crosshairLine(Qt::Vertical);
    std::vector<int> edges;
    for (const QVector<Below>* pieces : {&old, &std::as_const(m_below), &std::as_const(lone)}) {
        for (const Below& b : *pieces) {
            edges.push_back(b.rect.top());
            edges.push_back(b.rect.bottom() + 1);
        }
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    const qsizetype step = line / 4;
    // Per row, the copies (the old pieces put back before the new ones are
    // kept), then the blends.
    std::vector<RowRun> copies, blends;
    for (size_t e = 0; e + 1 < edges.size(); ++e) {
        const int y0 = edges[e];
        const int rows = edges[e + 1] - y0;
        const auto meets = [y0](const Below& b) { return b.rect.top() <= y0 && b.rect.bottom() >= y0; };
        quint32* row = reinterpret_cast<quint32*>(bits + y0 * line);
        copies.clear();
        blends.clear();
        for (const Below& b : old) {
            if (meets(b))
                copies.push_back({reinterpret_cast<const quint32*>(below(b, oldBuffer)) +
                                      qsizetype(y0 - b.rect.top()) * b.rect.width(),
                                  b.rect.width(), row + b.rect.left(), step, b.rect.width()});
        }
        for (const Below& b : std::as_const(m_below)) {
            if (meets(b))
                copies.push_back(
                    {row + b.rect.left(), step,
                     reinterpret_cast<quint32*>(below(b)) + qsizetype(y0 - b.rect.top()) * b.rect.width(),
                     b.rect.width(), b.rect.width()});
        }
        for (const Below& b : std::as_const(lone)) {
            if (meets(b))
                blends.push_back(
                    {reinterpret_cast<const quint32*>(uprightLine->constScanLine(y0 - band.top())) +
                         (b.rect.left() - band.left()),
                     uprightLine->bytesPerLine() / 4, row + b.rect.left(), step, b.rect.width()});
        }
        if (copies.empty())
            continue;
        for (int y = 0; y < rows; ++y) {
            for (RowRun& r : copies) {
                copyRow(r.from, r.to, r.width);
                r.from += r.fromStep;
                r.to += r.toStep;
            }
            for (RowRun& r : blends) {
                for (int x = 0; x < r.width; ++x)
                    r.to[x] = sourceOver(r.from[x], r.to[x]);
                r.from += r.fromStep;
                r.to += r.toStep;
            }
        }
    }
    paintOver(frame, now - alone);
    return before + now;
}

void CPointerLayer::uncover(QImage& frame, const QRegion& area)
{
    if (frame.size() != m_frameSize)
        return;
    for (const Below& b : std::as_const(m_below)) {
        for (const QRect& r : area& b.rect)
            copyPixels(below(b), b.rect.width() * 4, b.rect.topLeft(), frame.bits(), frame.bytesPerLine(),
                       QPoint(), r);
    }
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
