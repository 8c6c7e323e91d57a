#pragma once

#include <QByteArray>
#include <optional>

class QImage;

// A fast PNG encoder for screen pictures. Every row gets the same filter and
// the rows are cut into horizontal bands that are deflated at once on all
// cores, each band ending on a byte boundary (a sync flush), so that the
// bands joined one after the other form a single valid zlib stream; the
// Adler-32 checksums of the bands are combined. An opaque picture is written
// as RGB, any other as RGBA (not premultiplied): a reader gets exactly the
// pixels it was given, in all four channels.
namespace PngWriter {

enum class Filter
{
    None = 0,
    Sub = 1,
    Up = 2
};

struct Options
{
    int level = 1; // zlib level, 0 (stored) to 9
    Filter filter = Filter::Up;
    int bands = 0; // 0: one per core
};

// The PNG file of the image; empty for a null image.
QByteArray encode(const QImage& image, const Options& options = Options());

// The zlib level the fast encoder uses for an `ImageQuality` value, or none
// when that quality asks for a smaller file than the fast encoder makes (Qt's
// writer, with its adaptive filters, is used then). Qt maps a quality q to
// zlib level (100 - q) * 9 / 91: 80 to 89 give level 1, 90 to 100 level 0
// (stored), and below 80 the levels 2 to 9, which are left to Qt; so is the
// writer's default (a negative quality).
std::optional<int> levelForQuality(int quality);

} // namespace PngWriter
