#include "output/PngWriter.h"

#include <QImage>
#include <QThread>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>
#include <zlib.h>

namespace PngWriter {

namespace {

void putBigEndian(uchar* at, quint32 v)
{
    at[0] = uchar(v >> 24);
    at[1] = uchar(v >> 16);
    at[2] = uchar(v >> 8);
    at[3] = uchar(v);
}

// Appends one chunk: length, type, data, CRC of type and data.
void appendChunk(QByteArray& out, const char type[4], const uchar* data, quint32 size)
{
    uchar head[8];
    putBigEndian(head, size);
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0, head + 4, 4);
    if (size)
        crc = crc32(crc, data, size);
    uchar tail[4];
    putBigEndian(tail, quint32(crc));
    out.append(reinterpret_cast<const char*>(head), 8);
    if (size)
        out.append(reinterpret_cast<const char*>(data), size);
    out.append(reinterpret_cast<const char*>(tail), 4);
}

// One image row as PNG samples: R G B (A) per pixel from Qt's 0xAARRGGBB.
void unpackRow(const quint32* in, int width, bool alpha, uchar* out)
{
    if (alpha) {
        for (int x = 0; x < width; ++x) {
            const quint32 p = in[x];
            out[0] = uchar(p >> 16);
            out[1] = uchar(p >> 8);
            out[2] = uchar(p);
            out[3] = uchar(p >> 24);
            out += 4;
        }
    } else {
        for (int x = 0; x < width; ++x) {
            const quint32 p = in[x];
            out[0] = uchar(p >> 16);
            out[1] = uchar(p >> 8);
            out[2] = uchar(p);
            out += 3;
        }
    }
}

// The filtered row: the filter type byte, then the samples.
void filterRow(Filter filter, const uchar* row, const uchar* previous, int bytes, int pixelBytes, uchar* out)
{
    out[0] = uchar(filter);
    ++out;
    switch (filter) {
    case Filter::None:
        std::memcpy(out, row, size_t(bytes));
        break;
    case Filter::Sub:
        std::memcpy(out, row, size_t(pixelBytes));
        for (int i = pixelBytes; i < bytes; ++i)
            out[i] = uchar(row[i] - row[i - pixelBytes]);
        break;
    case Filter::Up:
        if (!previous) {
            std::memcpy(out, row, size_t(bytes));
        } else {
            for (int i = 0; i < bytes; ++i)
                out[i] = uchar(row[i] - previous[i]);
        }
        break;
    }
}

struct Band
{
    int firstRow = 0;
    int rows = 0;
    QByteArray deflated; // raw deflate data, ending byte-aligned
    uLong adler = 1;
    uLong length = 0; // filtered bytes fed in
    bool ok = false;
};

// Deflates a band of rows as raw deflate data. Every band but the last ends
// with a sync flush (an empty stored block, no final bit), so the next
// band's data can simply follow it.
void deflateBand(const QImage& image, bool alpha, const Options& options, bool last, Band* band)
{
    const int width = image.width();
    const int pixelBytes = alpha ? 4 : 3;
    const int rowBytes = width * pixelBytes;
    const int filteredBytes = rowBytes + 1;
    // Rows are filtered into a batch, which is then handed to zlib at once.
    const int batchRows = std::max(1, std::min(band->rows, (256 * 1024) / filteredBytes));
    std::vector<uchar> batch(size_t(batchRows) * filteredBytes);
    std::vector<uchar> rowA(static_cast<size_t>(rowBytes)), rowB(static_cast<size_t>(rowBytes));
    uchar* current = rowA.data();
    uchar* previous = nullptr;
    if (band->firstRow > 0 && options.filter == Filter::Up) {
        unpackRow(reinterpret_cast<const quint32*>(image.constScanLine(band->firstRow - 1)), width, alpha,
                  rowB.data());
        previous = rowB.data();
    }

    z_stream z{};
    if (deflateInit2(&z, options.level, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return;
    const uLong inputSize = uLong(band->rows) * filteredBytes;
    band->deflated.resize(qsizetype(deflateBound(&z, inputSize)) + 16);
    z.next_out = reinterpret_cast<Bytef*>(band->deflated.data());
    z.avail_out = uInt(band->deflated.size());

    bool ok = true;
    for (int y = 0; y < band->rows && ok; y += batchRows) {
        const int n = std::min(batchRows, band->rows - y);
        for (int i = 0; i < n; ++i) {
            unpackRow(reinterpret_cast<const quint32*>(image.constScanLine(band->firstRow + y + i)), width,
                      alpha, current);
            filterRow(options.filter, current, previous, rowBytes, pixelBytes,
                      batch.data() + size_t(i) * filteredBytes);
            previous = current;
            current = current == rowA.data() ? rowB.data() : rowA.data();
        }
        const uInt size = uInt(size_t(n) * filteredBytes);
        band->adler = adler32(band->adler, batch.data(), size);
        z.next_in = batch.data();
        z.avail_in = size;
        const bool end = y + n >= band->rows;
        const int flush = !end ? Z_NO_FLUSH : (last ? Z_FINISH : Z_SYNC_FLUSH);
        const int status = deflate(&z, flush);
        ok = z.avail_in == 0 && (status == Z_OK || status == Z_STREAM_END || status == Z_BUF_ERROR);
        if (end && last)
            ok = ok && status == Z_STREAM_END;
    }
    band->length = inputSize;
    band->deflated.resize(qsizetype(z.total_out));
    deflateEnd(&z);
    band->ok = ok;
}

} // namespace

QByteArray encode(const QImage& source, const Options& options)
{
    if (source.isNull())
        return QByteArray();
    QImage image = source;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);

    const int width = image.width();
    const int height = image.height();
    bool alpha = image.format() == QImage::Format_ARGB32;
    if (alpha) {
        // An opaque picture loses nothing as RGB and deflates a quarter less.
        bool opaque = true;
        for (int y = 0; y < height && opaque; ++y) {
            const quint32* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
            quint32 all = 0xff000000u;
            for (int x = 0; x < width; ++x)
                all &= row[x];
            opaque = all == 0xff000000u;
        }
        alpha = !opaque;
    }

    int bandCount = options.bands > 0 ? options.bands : std::max(1, QThread::idealThreadCount());
    // Bands of fewer than 64 rows gain nothing and lose some compression.
    bandCount = std::max(1, std::min(bandCount, height / 64));
    std::vector<Band> bands(static_cast<size_t>(bandCount));
    for (int i = 0; i < bandCount; ++i) {
        bands[size_t(i)].firstRow = int(qint64(height) * i / bandCount);
        bands[size_t(i)].rows = int(qint64(height) * (i + 1) / bandCount) - bands[size_t(i)].firstRow;
    }
    const Options used{qBound(0, options.level, 9), options.filter, bandCount};
    std::vector<std::thread> workers;
    for (int i = 1; i < bandCount; ++i)
        workers.emplace_back(deflateBand, std::cref(image), alpha, std::cref(used), i == bandCount - 1,
                             &bands[size_t(i)]);
    deflateBand(image, alpha, used, bandCount == 1, &bands[0]);
    for (std::thread& worker : workers)
        worker.join();

    qsizetype total = 8 + 25 + 12 + 2 + 4 + 12;
    uLong adler = 1;
    for (const Band& band : bands) {
        if (!band.ok)
            return QByteArray();
        total += band.deflated.size() + 12;
        adler = adler32_combine(adler, band.adler, z_off_t(band.length));
    }

    QByteArray out;
    out.reserve(total);
    out.append("\x89PNG\r\n\x1a\n", 8);
    uchar header[13];
    putBigEndian(header, quint32(width));
    putBigEndian(header + 4, quint32(height));
    header[8] = 8;             // bits per sample
    header[9] = alpha ? 6 : 2; // RGBA or RGB
    header[10] = 0;            // deflate
    header[11] = 0;            // adaptive filtering (one filter type byte per row)
    header[12] = 0;            // not interlaced
    appendChunk(out, "IHDR", header, 13);
    // The zlib stream: its header, the bands' deflate data, the checksum.
    const uchar zlibHeader[2] = {0x78, 0x01};
    appendChunk(out, "IDAT", zlibHeader, 2);
    for (const Band& band : bands)
        appendChunk(out, "IDAT", reinterpret_cast<const uchar*>(band.deflated.constData()),
                    quint32(band.deflated.size()));
    uchar checksum[4];
    putBigEndian(checksum, quint32(adler));
    appendChunk(out, "IDAT", checksum, 4);
    appendChunk(out, "IEND", nullptr, 0);
    return out;
}

std::optional<int> levelForQuality(int quality)
{
    if (quality < 80 || quality > 100)
        return std::nullopt;
    return (100 - quality) * 9 / 91;
}

} // namespace PngWriter
