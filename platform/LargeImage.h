#pragma once

#include <QImage>

// An image for a desktop-sized picture whose memory is mapped in large
// pages where the system allows it (transparent huge pages on request).
// Touching fresh memory page by page is what a new desktop-sized buffer costs
// most; in 2 MiB pages it costs a small fraction of that. Small images, and
// systems without large pages, get an ordinary image. The pixels are not
// initialised.
QImage newLargeImage(const QSize& size, QImage::Format format);
