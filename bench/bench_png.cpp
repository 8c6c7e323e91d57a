// PNG encoding benchmark: the realistic screen at 1920x1080 and 3840x2160
// encoded by Qt's writer (at the default quality's zlib level) and by the
// fast writer with each fixed filter, on one band and on one band per core;
// libdeflate on the same filtered rows (one thread) for reference. Prints
// median wall time and file size, and checks each file decodes to the image.
#include "BenchSupport.h"

#include "output/PngWriter.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImageWriter>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>
#ifdef HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace {

constexpr int kRuns = 5;

double medianMs(const std::function<QByteArray()>& run, QByteArray* result)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        *result = run();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

const char* decodesTo(const QByteArray& png, const QImage& image)
{
    if (png.isEmpty())
        return "NO OUTPUT";
    QImage back = QImage::fromData(png, "PNG");
    if (back.size() != image.size())
        return "DIFFERENT SIZE";
    back = back.convertToFormat(QImage::Format_ARGB32);
    const QImage want = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < want.height(); ++y) {
        if (std::memcmp(back.constScanLine(y), want.constScanLine(y), size_t(want.width()) * 4) != 0)
            return "DIFFERENT PIXELS";
    }
    return "same pixels";
}

void row(const char* name, double ms, qsizetype size, double baseMs, const char* check)
{
    std::printf("    %-28s %7.1f ms  %5.2fx  %6.2f MiB  %s\n", name, ms, ms / baseMs, size / 1048576.0,
                check);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::printf("PNG encoding, median of %d runs, %d cores\n", kRuns, QThread::idealThreadCount());
    for (const QSize size : {QSize(1920, 1080), QSize(3840, 2160)}) {
        const QImage opaque = Bench::realisticScreen(size);
        const QImage picture = opaque.convertToFormat(QImage::Format_ARGB32); // what finishing hands over
        std::printf("  %dx%d\n", size.width(), size.height());
        QByteArray png;
        const double qt = medianMs(
            [&] {
                QByteArray out;
                QBuffer buffer(&out);
                buffer.open(QIODevice::WriteOnly);
                QImageWriter writer(&buffer, "PNG");
                writer.setQuality(80);
                writer.write(picture);
                return out;
            },
            &png);
        row("Qt writer, quality 80", qt, png.size(), qt, decodesTo(png, picture));
        const struct
        {
            const char* name;
            PngWriter::Filter filter;
        } filters[] = {{"None", PngWriter::Filter::None},
                       {"Sub", PngWriter::Filter::Sub},
                       {"Up", PngWriter::Filter::Up}};
        for (int bands : {1, 0}) {
            for (const auto& f : filters) {
                const PngWriter::Options options{1, f.filter, bands};
                const double ms = medianMs([&] { return PngWriter::encode(picture, options); }, &png);
                const QByteArray name =
                    QByteArray("fast, ") + f.name + (bands == 1 ? ", 1 band" : ", all cores");
                row(name.constData(), ms, png.size(), qt, decodesTo(png, picture));
            }
        }
#ifdef HAVE_LIBDEFLATE
        // The same Up-filtered RGB rows, deflated by libdeflate in one call.
        const int rowBytes = size.width() * 3 + 1;
        QByteArray filtered(qsizetype(rowBytes) * size.height(), Qt::Uninitialized);
        for (int y = 0; y < size.height(); ++y) {
            auto* out = reinterpret_cast<uchar*>(filtered.data()) + qsizetype(y) * rowBytes;
            const auto* in = reinterpret_cast<const QRgb*>(opaque.constScanLine(y));
            const auto* up = y ? reinterpret_cast<const QRgb*>(opaque.constScanLine(y - 1)) : nullptr;
            out[0] = 2;
            for (int x = 0; x < size.width(); ++x) {
                const QRgb p = in[x], q = up ? up[x] : 0;
                out[1 + 3 * x] = uchar(qRed(p) - qRed(q));
                out[2 + 3 * x] = uchar(qGreen(p) - qGreen(q));
                out[3 + 3 * x] = uchar(qBlue(p) - qBlue(q));
            }
        }
        for (int level : {1, 2}) {
            libdeflate_compressor* c = libdeflate_alloc_compressor(level);
            QByteArray out(qsizetype(libdeflate_zlib_compress_bound(c, size_t(filtered.size()))),
                           Qt::Uninitialized);
            const double ms = medianMs(
                [&] {
                    const size_t n = libdeflate_zlib_compress(
                        c, filtered.constData(), size_t(filtered.size()), out.data(), size_t(out.size()));
                    return out.left(qsizetype(n));
                },
                &png);
            libdeflate_free_compressor(c);
            const QByteArray name = "libdeflate " + QByteArray::number(level) + ", Up, deflate only";
            row(name.constData(), ms, png.size(), qt, "(rows filtered beforehand)");
        }
#endif
        std::fflush(stdout);
    }
    return 0;
}
