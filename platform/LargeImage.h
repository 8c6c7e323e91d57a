#pragma once

#include <QImage>

// An image for a desktop-sized picture whose pages are all mapped at once:
// touching fresh memory page by page is what a new desktop-sized buffer
// costs most, and one call maps them for a fraction of that. The pixels
// start on a 2 MiB boundary, so that a system that gives every mapping
// large pages (transparent huge pages "always") can use them throughout.
// Large pages are not asked for: where the system only grants them on
// request, it also compacts memory for them at the fault, and a 4K grab then
// stalled for up to 150 ms instead of taking 25-40. Small images get an
// ordinary image. The pixels are not initialised.
enum class PageMapping
{
    Now,  // every page mapped before the image is returned
    Later // as the pixels are first written, or by the caller
};
QImage newLargeImage(const QSize& size, QImage::Format format, PageMapping mapping = PageMapping::Now);
