#include "ocr/TextRecognizer.h"

#include <QCoreApplication>

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <dlfcn.h>
#include <memory>

namespace {

// The engine runs fixed-size OpenMP teams; on a busy machine their threads
// spin against each other and one second of work takes several. Letting the
// runtime size the teams by the load keeps it to the cores that are free.
// The setting is the calling thread's own, so it is made before each run.
void letTeamsFollowLoad()
{
    using SetDynamic = void (*)(int);
    if (auto setDynamic = reinterpret_cast<SetDynamic>(dlsym(RTLD_DEFAULT, "omp_set_dynamic")))
        setDynamic(1);
}

// The box of the iterator's element at `level`, in the picture's own pixels.
QRect boxAt(const tesseract::ResultIterator& it, tesseract::PageIteratorLevel level, int upscale)
{
    int left = 0, top = 0, right = 0, bottom = 0;
    it.BoundingBox(level, &left, &top, &right, &bottom);
    return QRect(QPoint(left / upscale, top / upscale),
                 QPoint((right + upscale - 1) / upscale - 1, (bottom + upscale - 1) / upscale - 1));
}

// The boxes of the word's characters, one per character of its text; none
// where the symbols do not add up to it.
QList<QRect> lettersOf(const tesseract::ResultIterator& word, int length, int upscale)
{
    QList<QRect> letters;
    tesseract::ResultIterator symbol(word);
    do {
        std::unique_ptr<char[]> utf8(symbol.GetUTF8Text(tesseract::RIL_SYMBOL));
        const QRect box = boxAt(symbol, tesseract::RIL_SYMBOL, upscale);
        for (qsizetype n = QString::fromUtf8(utf8.get()).trimmed().size(); n > 0; --n)
            letters << box;
    } while (!symbol.IsAtFinalElement(tesseract::RIL_WORD, tesseract::RIL_SYMBOL) &&
             symbol.Next(tesseract::RIL_SYMBOL));
    if (letters.size() != length)
        letters.clear();
    return letters;
}

class CTesseractRecognizer : public CTextRecognizer
{
public:
    explicit CTesseractRecognizer(const QString& language) : m_language(language)
    {
        // Without a model for the language Init fails; its complaint goes to
        // the terminal, the button says what to install.
        m_ready = m_api.Init(nullptr, language.toUtf8().constData(), tesseract::OEM_LSTM_ONLY) == 0;
        if (m_ready) {
            m_api.SetPageSegMode(tesseract::PSM_AUTO);
            // Screen text has no paper resolution; this one keeps the engine
            // from guessing (and warning).
            m_api.SetVariable("user_defined_dpi", "300");
        }
    }
    ~CTesseractRecognizer() override { m_api.End(); }

    bool available() const override { return m_ready; }
    QString missing() const override
    {
        return QCoreApplication::translate(
                   "CTextRecognizer", "Text recognition needs its language model: install tesseract-ocr-%1")
            .arg(m_language.section(QLatin1Char('+'), 0, 0));
    }

    RecognizedText recognize(const QImage& picture, int upscale) override
    {
        RecognizedText text;
        if (!m_ready || picture.isNull())
            return text;
        upscale = std::max(1, upscale);
        QImage gray = picture.convertToFormat(QImage::Format_Grayscale8);
        if (upscale > 1)
            gray = gray.scaled(gray.size() * upscale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        letTeamsFollowLoad();
        m_api.SetImage(gray.constBits(), gray.width(), gray.height(), 1, int(gray.bytesPerLine()));
        if (m_api.Recognize(nullptr) != 0)
            return text;
        std::unique_ptr<tesseract::ResultIterator> it(m_api.GetIterator());
        if (!it)
            return text;
        const auto level = tesseract::RIL_WORD;
        int line = -1;
        do {
            std::unique_ptr<char[]> utf8(it->GetUTF8Text(level));
            const QString word = mendMisreadZeros(QString::fromUtf8(utf8.get()).trimmed());
            if (word.isEmpty())
                continue;
            const QRect box = boxAt(*it, level, upscale);
            if (line < 0 || it->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) {
                ++line;
                text.lines << word;
                text.lineBoxes << box;
            } else {
                text.lines.last() += QLatin1Char(' ') + word;
                text.lineBoxes.last() |= box;
            }
            text.words << RecognizedWord{word, box, line, lettersOf(*it, int(word.size()), upscale)};
        } while (it->Next(level));
        return text;
    }

private:
    QString m_language;
    tesseract::TessBaseAPI m_api;
    bool m_ready = false;
};

} // namespace

std::unique_ptr<CTextRecognizer> CTextRecognizer::create(const QString& language)
{
    auto recognizer =
        std::make_unique<CTesseractRecognizer>(language.isEmpty() ? QStringLiteral("eng") : language);
    if (!recognizer->available())
        return none(recognizer->missing());
    return recognizer;
}
