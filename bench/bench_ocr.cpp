// bench_ocr — text recognition on screens made here with known text: a
// terminal font, an interface font and a small font, at scale 1 and 2, each
// on a 1000x600 pick (2000x1200 device pixels at scale 2). Prints the
// character error rate against the text drawn and the time per pick, as the
// Copy text button runs it (upscaled at scale 1).
#include "ocr/TextRecognizer.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>
#include <ctime>
#include <vector>

namespace {

const char* const kWords[] = {"error",   "file",    "open",    "denied",  "server",  "config",
                              "update",  "window",  "system",  "install", "package", "version",
                              "failed",  "running", "process", "network", "timeout", "memory",
                              "display", "restart", "warning", "module",  "loaded",  "path"};

// Lines of plain words and numbers, different on every line.
QStringList makeLines(int count, int seed)
{
    QStringList lines;
    unsigned state = unsigned(seed) * 2654435761u + 1;
    for (int i = 0; i < count; ++i) {
        QStringList words;
        for (int w = 0; w < 7; ++w) {
            state = state * 1103515245u + 12345u;
            const unsigned pick = (state >> 16) % (sizeof(kWords) / sizeof(*kWords) + 4);
            words << (pick < sizeof(kWords) / sizeof(*kWords) ? QString::fromLatin1(kWords[pick])
                                                              : QString::number((state >> 8) % 9000 + 100));
        }
        lines << words.join(QLatin1Char(' '));
    }
    return lines;
}

int distance(const QString& a, const QString& b)
{
    std::vector<int> row(size_t(b.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (int i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = i;
        for (int j = 1; j <= b.size(); ++j) {
            const int up = row[size_t(j)];
            row[size_t(j)] = std::min(
                {row[size_t(j)] + 1, row[size_t(j) - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[size_t(b.size())];
}

struct Case
{
    const char* name;
    const char* family;
    int pixelSize;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString language = QStringLiteral("eng");
    if (!CTextRecognizer::create(language)->available()) {
        std::printf("bench_ocr: %s\n", qPrintable(CTextRecognizer::create(language)->missing()));
        return 0;
    }
    const Case cases[] = {{"terminal (DejaVu Sans Mono 14 px)", "DejaVu Sans Mono", 14},
                          {"interface (DejaVu Sans 13 px)", "DejaVu Sans", 13},
                          {"small (DejaVu Sans 10 px)", "DejaVu Sans", 10}};
    std::printf("%-36s %5s %8s %8s %8s\n", "font", "scale", "CER %", "seconds", "CPU s");
    int seed = 1;
    for (const Case& c : cases) {
        for (int scale : {1, 2}) {
            QImage screen(1000 * scale, 600 * scale, QImage::Format_ARGB32);
            screen.fill(QColor(248, 248, 248));
            QPainter painter(&screen);
            QFont font(QString::fromLatin1(c.family));
            font.setPixelSize(c.pixelSize * scale);
            painter.setFont(font);
            painter.setPen(QColor(30, 30, 30));
            const int lineHeight = QFontMetrics(font).height() + 4 * scale;
            const QStringList lines = makeLines(std::min(22, 560 * scale / lineHeight), seed++);
            for (int i = 0; i < lines.size(); ++i)
                painter.drawText(
                    QPoint(16 * scale, 20 * scale + i * lineHeight + QFontMetrics(font).ascent()),
                    lines.at(i));
            painter.end();

            const QString expected = lines.join(QLatin1Char('\n'));
            QElapsedTimer clock;
            const std::clock_t cpu = std::clock();
            clock.start();
            const RecognizedText text =
                CTextRecognizer::create(language)->recognize(screen, CTextRecognizer::upscaleFor(scale));
            const double seconds = clock.nsecsElapsed() / 1e9;
            // On a busy machine the wall time is mostly waiting; the CPU time
            // (all threads) is what the recognition itself costs.
            const double cpuSeconds = double(std::clock() - cpu) / CLOCKS_PER_SEC;
            const double cer = 100.0 * distance(text.plainText(), expected) / expected.size();
            std::printf("%-36s %5d %8.2f %8.2f %8.2f\n", c.name, scale, cer, seconds, cpuSeconds);
        }
    }
    return 0;
}
