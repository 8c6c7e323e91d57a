// Known text read back through the recognizer interface.
#include "ocr/PersonalData.h"
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
    void personalData_data();
    void personalData();
    void misreadZeros();
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

// Recognised lines as the engine gives them: every character 8 pixels wide,
// its ink 6 of them, one space between words, each line 30 pixels below the last.
RecognizedText recognized(const QStringList& lines)
{
    RecognizedText text;
    for (int line = 0; line < lines.size(); ++line) {
        text.lines << lines.at(line);
        int column = 0;
        for (const QString& word : lines.at(line).split(QLatin1Char(' '))) {
            QList<QRect> letters;
            for (int i = 0; i < word.size(); ++i)
                letters << QRect(10 + 8 * (column + i) + 1, 20 + 30 * line + (i % 2), 6, 13); // ink
            text.words << RecognizedWord{
                word, QRect(10 + 8 * column, 20 + 30 * line, 8 * int(word.size()), 14), line, letters};
            column += int(word.size()) + 1;
        }
    }
    return text;
}

// The box of a run of words in those lines.
QRect boxOf(const RecognizedText& text, const QString& run)
{
    for (int line = 0; line < text.lines.size(); ++line) {
        const int at = int(text.lines.at(line).indexOf(run));
        if (at >= 0)
            return QRect(10 + 8 * at, 20 + 30 * line, 8 * int(run.size()), 14);
    }
    return QRect();
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
        const QRect ink =
            drawn.lineRects.at(word.line).adjusted(-3 * scale, -3 * scale, 3 * scale, 3 * scale);
        QVERIFY2(ink.contains(word.box), qPrintable(word.text));
        QVERIFY(word.box.height() >= pixelSize * scale / 2);
        // Its letters from left to right inside it, one per character.
        QCOMPARE(word.letters.size(), word.text.size());
        for (int i = 0; i < word.letters.size(); ++i) {
            QVERIFY2(word.box.contains(word.letters.at(i)), qPrintable(word.text));
            QVERIFY2(i == 0 || word.letters.at(i).left() >= word.letters.at(i - 1).left(),
                     qPrintable(word.text));
        }
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
    // Where the English model is there, English can be chosen.
    if (CTextRecognizer::create(QStringLiteral("eng"))->available())
        QVERIFY(CTextRecognizer::installedLanguages().contains(QStringLiteral("eng")));
}

void TestOcr::personalData_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("found"); // from left to right
    const auto row = [](const char* name, const QStringList& lines, const QStringList& found) {
        QTest::newRow(name) << lines << found;
    };
    row("address", {"Mail anna.berg@example.org today"}, {"anna.berg@example.org"});
    row("address as small fonts are read", {"mail; jane,doe@example,com"}, {"jane,doe@example,com"});
    row("address in brackets", {"From: Jörg <j.mueller+news@mail.example.de>"},
        {"<j.mueller+news@mail.example.de>"});
    row("phone with + and spaces", {"Call +49 30 1234 5678 now"}, {"+49 30 1234 5678"});
    row("phone with brackets and dashes", {"Tel. (030) 123-45-67"}, {"(030) 123-45-67"});
    row("card, not its date", {"Card 4111 1111 1111 1111 exp 12/27"}, {"4111 1111 1111 1111"});
    row("IBAN", {"IBAN DE89 3704 0044 0532 0130 00 (Berlin)"}, {"DE89 3704 0044 0532 0130 00"});
    row("six digits", {"PIN 123456 or 123 456"}, {"123456", "123 456"});
    row("IP addresses", {"Gateway 192.168.1.20, DNS fe80::1ff:fe23:4567:890a"},
        {"192.168.1.20,", "fe80::1ff:fe23:4567:890a"});
    row("links", {"See https://x.y/z or www.example.com/help now"},
        {"https://x.y/z", "www.example.com/help"});
    row("over two lines", {"Hello Anna, my number:", "0171 2345678 - Otto"}, {"0171 2345678"});
    row("dates", {"Released 2026-12-09, due 09-12-2026 or 09.12.2026"}, {});
    row("versions and times", {"Qt 6.4.2 build 10.0.19045 at 14:30:05"}, {});
    row("short numbers and amounts", {"Room 12345 floor 3 paid 1,234.56 EUR"}, {});
    row("no domain", {"user@localhost says 999.1.1.1 hi"}, {});
    row("passwords and keys after their labels",
        {"Password: hunter2 | PIN=4711", "Kennwort :Sommer2026! api_key = sk-9f8e7d"},
        {"hunter2", "4711", "Sommer2026!", "sk-9f8e7d"});
    row("a password talked about", {"Forgot your password? Reset the PIN here"}, {});
}

void TestOcr::personalData()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, found);
    const RecognizedText text = recognized(lines);
    const QList<QRect> areas = personalDataAreas(text);
    QStringList seen;
    for (const QRect& area : areas) {
        // The letters under it, whole words or parts of one.
        QStringList words;
        for (const RecognizedWord& word : text.words) {
            QString under;
            for (int i = 0; i < word.text.size(); ++i)
                if (area.contains(word.letters.at(i).center()))
                    under += word.text.at(i);
            if (!under.isEmpty())
                words << under;
        }
        seen << words.join(QLatin1Char(' '));
    }
    QCOMPARE(seen, found);
    // Each covers its letters' ink with a little room, and no ink of a
    // neighbour's letters, nor of the label a value is stuck to.
    for (int i = 0; i < areas.size(); ++i) {
        const QRect words = boxOf(text, found.at(i));
        QRect ink;
        for (const RecognizedWord& word : text.words) {
            for (const QRect& letter : word.letters) {
                if (words.contains(letter.center()))
                    ink |= letter;
                else
                    QVERIFY2(!areas.at(i).intersects(letter), qPrintable(word.text));
            }
        }
        QVERIFY(areas.at(i).contains(ink.adjusted(-1, -2, 1, 2)));
        QVERIFY(words.adjusted(-4, -6, 4, 6).contains(areas.at(i)));
    }
    // Hide all text: every line, with the same room.
    RecognizedText withLines = text;
    for (int line = 0; line < lines.size(); ++line)
        withLines.lineBoxes << boxOf(text, lines.at(line));
    const QList<QRect> lineAreas = textLineAreas(withLines);
    QCOMPARE(lineAreas.size(), lines.size());
    for (int line = 0; line < lines.size(); ++line)
        QVERIFY(lineAreas.at(line).contains(withLines.lineBoxes.at(line).adjusted(-1, -2, 1, 2)));
}

// A monospace zero read as "@" after or between digits; addresses stay.
void TestOcr::misreadZeros()
{
    const std::pair<const char*, const char*> words[] = {{"2@", "20"},
                                                         {"192.168.1@.24", "192.168.10.24"},
                                                         {"1@@5", "1005"},
                                                         {"room42@example.com", "room42@example.com"},
                                                         {"@home", "@home"}};
    for (const auto& [word, mended] : words)
        QCOMPARE(mendMisreadZeros(QString::fromLatin1(word)), QString::fromLatin1(mended));
}

QTEST_MAIN(TestOcr)
#include "tst_ocr.moc"
