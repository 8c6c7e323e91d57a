#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QStringList>

#include <functional>
#include <memory>

class QObject;

// A recognised word with its box in the picture's pixels and the line it
// belongs to (0 for the first line).
struct RecognizedWord
{
    QString text;
    QRect box;
    int line = 0;
    // Each character's box, in the order of `text`, where the engine gives
    // them (empty otherwise): a label stuck to a value ("PIN=4711") is then
    // hidden without its label.
    QList<QRect> letters;
};

struct RecognizedText
{
    QList<RecognizedWord> words;
    QStringList lines;      // the words of each line, joined by spaces
    QList<QRect> lineBoxes; // one per line
    // The lines as plain text, one per line.
    QString plainText() const { return lines.join(QLatin1Char('\n')); }
};

// Finds the text in a picture. The one with an engine is made by create();
// without one (or without the language's model) a recognizer that finds
// nothing says what to install.
class CTextRecognizer
{
public:
    virtual ~CTextRecognizer();
    virtual bool available() const = 0;
    // Why it is not available: what to install.
    virtual QString missing() const = 0;
    // `upscale`: how many times the picture is enlarged first; small screen
    // text is read far better at twice its size.
    virtual RecognizedText recognize(const QImage& picture, int upscale = 1) = 0;

    // The engine for a language ("eng", "deu", "eng+deu"...).
    static std::unique_ptr<CTextRecognizer> create(const QString& language);
    // The recognizer that finds nothing.
    static std::unique_ptr<CTextRecognizer> none(const QString& missing);
    // The languages whose models are installed, sorted.
    static QStringList installedLanguages();
    // Empty when a language can be read here; else what to install.
    static QString whatIsMissing(const QString& language);
    // The upscale for a screen of this many device pixels per logical pixel.
    static int upscaleFor(qreal ratio) { return ratio >= 1.5 ? 1 : 2; }
};

// A recognised word with the zeros mended that a monospace font's dotted or
// slashed zero is read as: an "@" after a digit and before a digit, a dot, a
// comma, a colon, a dash, another such "@" or the word's end ("2@", "1@.24").
// An address's "@" has a letter after it and stays.
QString mendMisreadZeros(QString word);

// Recognises on a worker thread; `done` runs on `receiver`'s thread, unless
// the receiver is gone by then.
void recognizeInBackground(const QImage& picture, const QString& language, int upscale, QObject* receiver,
                           std::function<void(const RecognizedText&)> done);
