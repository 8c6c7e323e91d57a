// Known text read back through the recognizer interface.
#include "ocr/TextRecognizer.h"

#include <QFont>
#include <QPainter>
#include <QtTest>

class TestOcr : public QObject
{
    Q_OBJECT
private slots:
    void knownText_data();
    void knownText();
    void nothingToRead();
    void withoutEngineOrModel();
};

namespace {

struct Drawn
{
    QImage picture;
    QList<QRect> lineRects; // where each line's ink is
};

Drawn drawLines(const QStringList& lines, const QString& family, int pixelSize, int scale)
{
    QFont font(family);
    font.setPixelSize(pixelSize * scale);
    const QFontMetrics metrics(font);
    const int lineHeight = metrics.height() + 6 * scale;
    Drawn drawn;
    drawn.picture = QImage(500 * scale, (lineHeight * lines.size() + 20 * scale), QImage::Format_ARGB32);
    drawn.picture.fill(QColor(250, 250, 250));
    QPainter painter(&drawn.picture);
    painter.setFont(font);
    painter.setPen(QColor(20, 20, 20));
    for (int i = 0; i < lines.size(); ++i) {
        const QPoint origin(12 * scale, 10 * scale + i * lineHeight + metrics.ascent());
        painter.drawText(origin, lines.at(i));
        drawn.lineRects << metrics.tightBoundingRect(lines.at(i)).translated(origin);
    }
    return drawn;
}

} // namespace

void TestOcr::knownText_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("upscale");
    QTest::newRow("terminal, scale 1") << "DejaVu Sans Mono" << 13 << 1 << 2;
    QTest::newRow("interface, scale 1") << "DejaVu Sans" << 12 << 1 << 2;
    QTest::newRow("interface, scale 2") << "DejaVu Sans" << 12 << 2 << 1;
}

void TestOcr::knownText()
{
    QFETCH(QString, family);
    QFETCH(int, pixelSize);
    QFETCH(int, scale);
    QFETCH(int, upscale);
    auto recognizer = CTextRecognizer::create(QStringLiteral("eng"));
    if (!recognizer->available())
        QSKIP(qPrintable(QStringLiteral("no text recognition here: ") + recognizer->missing()));
    const QStringList lines{QStringLiteral("Permission denied while opening file"),
                            QStringLiteral("Connection refused by the server"),
                            QStringLiteral("Please restart the program now")};
    const Drawn drawn = drawLines(lines, family, pixelSize, scale);
    const RecognizedText text = recognizer->recognize(drawn.picture, upscale);
    QCOMPARE(text.lines, lines);
    QCOMPARE(text.plainText(), lines.join(QLatin1Char('\n')));
    QCOMPARE(text.lineBoxes.size(), lines.size());
    // Every word in the picture's own pixels, on its line, in its line's ink.
    QCOMPARE(text.words.size(), 15);
    for (const RecognizedWord& word : text.words) {
        QVERIFY(word.line >= 0 && word.line < lines.size());
        const QRect ink = drawn.lineRects.at(word.line).adjusted(-3 * scale, -3 * scale, 3 * scale, 3 * scale);
        QVERIFY2(ink.contains(word.box), qPrintable(word.text));
        QVERIFY(word.box.height() >= pixelSize * scale / 2);
    }
    // The first word of each line starts where the line starts.
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY(std::abs(text.lineBoxes.at(i).left() - drawn.lineRects.at(i).left()) <= 2 * scale);
}

void TestOcr::nothingToRead()
{
    auto recognizer = CTextRecognizer::create(QStringLiteral("eng"));
    if (!recognizer->available())
        QSKIP("no text recognition here");
    QImage blank(400, 200, QImage::Format_ARGB32);
    blank.fill(QColor(90, 140, 200));
    const RecognizedText text = recognizer->recognize(blank, 2);
    QVERIFY(text.lines.isEmpty());
    QVERIFY(text.words.isEmpty());
    QVERIFY(recognizer->recognize(QImage(), 2).lines.isEmpty());
}

void TestOcr::withoutEngineOrModel()
{
    // A language without a model: nothing to read, and the package to install.
    const QString missing = CTextRecognizer::whatIsMissing(QStringLiteral("eng+zzz"));
    QVERIFY(!missing.isEmpty());
#ifdef VIREOSCAPE_TESSERACT
    QVERIFY2(missing.contains(QLatin1String("tesseract-ocr-zzz")), qPrintable(missing));
    auto recognizer = CTextRecognizer::create(QStringLiteral("zzz"));
    QVERIFY(!recognizer->available());
    QVERIFY(recognizer->missing().contains(QLatin1String("tesseract-ocr-zzz")));
#else
    QVERIFY(missing.contains(QLatin1String("tesseract")));
#endif
    auto none = CTextRecognizer::none(QStringLiteral("install it"));
    QVERIFY(!none->available());
    QCOMPARE(none->missing(), QStringLiteral("install it"));
    QImage picture(50, 20, QImage::Format_ARGB32);
    picture.fill(Qt::white);
    QVERIFY(none->recognize(picture, 2).words.isEmpty());
    // Where the English model is there, English can be chosen.
    if (CTextRecognizer::create(QStringLiteral("eng"))->available())
        QVERIFY(CTextRecognizer::installedLanguages().contains(QStringLiteral("eng")));
}

QTEST_MAIN(TestOcr)
#include "tst_ocr.moc"
