#include "annotate/HidePattern.h"

#include <QVector>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

using Colour = std::array<double, 3>;

// The known colours of a one-pixel line of the fringe, in order, with a
// weight each (0 where unknown).
struct Line
{
    QVector<Colour> colours;
    QVector<double> weights;
};

Line lineOf(const QImage& strip, int length)
{
    Line line;
    line.colours.resize(length);
    line.weights.resize(length);
    const QImage pixels = strip.convertToFormat(QImage::Format_ARGB32);
    for (int i = 0; i < length; ++i) {
        const QRgb p = pixels.isNull() ? 0 : pixels.width() > 1 ? pixels.pixel(i, 0) : pixels.pixel(0, i);
        line.colours[i] = {double(qRed(p)), double(qGreen(p)), double(qBlue(p))};
        line.weights[i] = qAlpha(p) / 255.0;
    }
    return line;
}

// The colour of a line averaged over [from, to), or over its nearest known
// pixels when none of those is known; false when the line knows none.
bool average(const Line& line, int from, int to, Colour& out)
{
    const int n = line.weights.size();
    for (int reach = 0; reach <= n; reach = reach ? reach * 2 : 1) {
        Colour sum = {0, 0, 0};
        double weight = 0;
        for (int i = std::max(0, from - reach); i < std::min(n, to + reach); ++i) {
            for (int c = 0; c < 3; ++c)
                sum[c] += line.colours[i][c] * line.weights[i];
            weight += line.weights[i];
        }
        if (weight > 0) {
            for (int c = 0; c < 3; ++c)
                out[c] = sum[c] / weight;
            return true;
        }
    }
    return false;
}

// A fixed noise in -1..1 for a block and a channel.
double noise(quint32 x, quint32 y, quint32 channel)
{
    quint32 h = x * 0x8da6b343u ^ y * 0xd8163841u ^ channel * 0xcb1ab31fu ^ 0x5eed1234u;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return (h & 0xffff) / 32767.5 - 1.0;
}

quint8 channel(double v)
{
    return quint8(std::clamp(std::lround(v), 0L, 255L));
}

// The four sides' colours at a point blended by the inverse square of its
// distance to each side: near a side its colour rules.
Colour blend(const std::array<Colour, 4>& side, const std::array<bool, 4>& known, double x, double y,
             double w, double h)
{
    const double d[4] = {y, h - y, x, w - x};
    Colour c = {0, 0, 0};
    double total = 0;
    for (int s = 0; s < 4; ++s) {
        if (!known[s])
            continue;
        const double weight = 1.0 / (d[s] * d[s]);
        for (int k = 0; k < 3; ++k)
            c[k] += side[s][k] * weight;
        total += weight;
    }
    if (total <= 0)
        return {128, 128, 128}; // nothing around it is known
    for (int k = 0; k < 3; ++k)
        c[k] /= total;
    return c;
}

} // namespace

namespace HidePattern {

QImage make(const QSize& size, const Fringe& fringe, int block, bool smooth)
{
    if (size.isEmpty())
        return QImage();
    const int w = size.width(), h = size.height();
    const Line lines[4] = {lineOf(fringe.top, w), lineOf(fringe.bottom, w), lineOf(fringe.left, h),
                           lineOf(fringe.right, h)};
    QImage cover(size, QImage::Format_ARGB32);

    if (smooth) {
        // Each side's colours averaged along it over a stretch that grows
        // with the area, so that no detail of the fringe shows inside.
        const int reach = std::max(4, std::min(w, h) / 4);
        QVector<Colour> profile[4];
        QVector<bool> profileKnown[4];
        for (int s = 0; s < 4; ++s) {
            const int n = s < 2 ? w : h;
            profile[s].resize(n);
            profileKnown[s].resize(n);
            for (int i = 0; i < n; ++i)
                profileKnown[s][i] = average(lines[s], i - reach, i + reach + 1, profile[s][i]);
        }
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<QRgb*>(cover.scanLine(y));
            for (int x = 0; x < w; ++x) {
                const std::array<Colour, 4> side = {profile[0][x], profile[1][x], profile[2][y],
                                                    profile[3][y]};
                const std::array<bool, 4> known = {profileKnown[0][x], profileKnown[1][x], profileKnown[2][y],
                                                   profileKnown[3][y]};
                const Colour c = blend(side, known, x + 0.5, y + 0.5, w, h);
                row[x] = qRgb(channel(c[0]), channel(c[1]), channel(c[2]));
            }
        }
        return cover;
    }

    block = std::max(1, block);
    for (int by = 0; by * block < h; ++by) {
        const int top = by * block, bottom = std::min(h, top + block);
        Colour left, right;
        const bool leftKnown = average(lines[2], top, bottom, left);
        const bool rightKnown = average(lines[3], top, bottom, right);
        for (int bx = 0; bx * block < w; ++bx) {
            const int x0 = bx * block, x1 = std::min(w, x0 + block);
            Colour above, below;
            const bool aboveKnown = average(lines[0], x0, x1, above);
            const bool belowKnown = average(lines[1], x0, x1, below);
            Colour c = blend({above, below, left, right}, {aboveKnown, belowKnown, leftKnown, rightKnown},
                             (x0 + x1) / 2.0, (top + bottom) / 2.0, w, h);
            // One brightness for the block and a little of each channel.
            const double shade = 16 * noise(bx, by, 3);
            for (int k = 0; k < 3; ++k)
                c[k] += shade + 5 * noise(bx, by, k);
            const QRgb pixel = qRgb(channel(c[0]), channel(c[1]), channel(c[2]));
            for (int y = top; y < bottom; ++y)
                std::fill_n(reinterpret_cast<QRgb*>(cover.scanLine(y)) + x0, x1 - x0, pixel);
        }
    }
    return cover;
}

} // namespace HidePattern
