#pragma once

#include <QImage>
#include <QSize>

// The cover of a Hide mark, made only from the pixels just outside its
// area: nothing of what lies under it can be recovered from the cover.
namespace HidePattern {

// The rows of pixels just outside an area: the one above and the one below
// (as wide as the area), the column left and the column right of it (as
// high). A pixel with alpha 0 is not known (beyond the desktop).
struct Fringe
{
    QImage top, bottom, left, right;
};

// A cover of `size` pixels, opaque: blocks of `block` pixels whose colours
// blend the fringe from all four sides, each shifted by a fixed noise so
// that a plain fringe still looks pixelated; or, `smooth`, the fringe's
// colours blended across the area pixel by pixel, without blocks or noise.
QImage make(const QSize& size, const Fringe& fringe, int block, bool smooth);

} // namespace HidePattern
