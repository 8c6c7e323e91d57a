#include "platform/LargeImage.h"

#include <sys/mman.h>

#include <cstdint>

namespace {

constexpr size_t kLargePage = size_t(2) << 20;

struct Mapping
{
    void* start;
    size_t length;
};

} // namespace

QImage newLargeImage(const QSize& size, QImage::Format format, PageMapping pageMapping)
{
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    if (size.isEmpty() || depth % 8 != 0)
        return QImage(size, format);
    // Rows 32-bit aligned, as QImage keeps them.
    const qsizetype bytesPerLine = ((qsizetype(size.width()) * depth / 8) + 3) & ~qsizetype(3);
    const size_t bytes = size_t(bytesPerLine) * size_t(size.height());
    if (bytes < 2 * kLargePage)
        return QImage(size, format);
    // One large page more than needed, so that the pixels can start on a
    // large page's boundary.
    const size_t length = bytes + kLargePage;
    void* start = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED)
        return QImage(size, format);
    const auto aligned = (reinterpret_cast<std::uintptr_t>(start) + kLargePage - 1) & ~(kLargePage - 1);
    auto* pixels = reinterpret_cast<uchar*>(aligned);
    // Where the kernel cannot (before 5.14), the pages fault in as touched.
    if (pageMapping == PageMapping::Now)
        madvise(pixels, bytes, MADV_POPULATE_WRITE);
    auto* mapping = new Mapping{start, length};
    QImage image(
        pixels, size.width(), size.height(), bytesPerLine, format,
        [](void* m) {
            auto* mapping = static_cast<Mapping*>(m);
            munmap(mapping->start, mapping->length);
            delete mapping;
        },
        mapping);
    if (image.isNull()) {
        munmap(start, length);
        delete mapping;
        return QImage(size, format);
    }
    return image;
}
