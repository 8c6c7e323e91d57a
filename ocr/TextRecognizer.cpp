#include "ocr/TextRecognizer.h"

#include <QCoreApplication>
#include <QDir>
#include <QObject>
#include <QThread>

#include <utility>

CTextRecognizer::~CTextRecognizer() = default;

namespace {

class CNullRecognizer : public CTextRecognizer
{
public:
    explicit CNullRecognizer(QString missing) : m_missing(std::move(missing)) {}
    bool available() const override { return false; }
    QString missing() const override { return m_missing; }
    RecognizedText recognize(const QImage&, int) override { return {}; }

private:
    QString m_missing;
};

} // namespace

QString mendMisreadZeros(QString word)
{
    for (qsizetype i = 1; i < word.size(); ++i) {
        if (word.at(i) != QLatin1Char('@') || !word.at(i - 1).isDigit())
            continue;
        const QChar next = i + 1 < word.size() ? word.at(i + 1) : QChar();
        if (next.isNull() || next.isDigit() || QStringView(u".,:-@").contains(next))
            word[i] = QLatin1Char('0');
    }
    return word;
}

std::unique_ptr<CTextRecognizer> CTextRecognizer::none(const QString& missing)
{
    return std::make_unique<CNullRecognizer>(missing);
}

QStringList CTextRecognizer::installedLanguages()
{
    QStringList folders;
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    if (!prefix.isEmpty())
        folders << prefix << QDir(prefix).filePath(QStringLiteral("tessdata"));
    folders << QStringLiteral("/usr/share/tesseract-ocr/5/tessdata")
            << QStringLiteral("/usr/share/tesseract-ocr/4.00/tessdata")
            << QStringLiteral("/usr/share/tessdata");
    QStringList languages;
    for (const QString& folder : std::as_const(folders)) {
        const QStringList models = QDir(folder).entryList({QStringLiteral("*.traineddata")}, QDir::Files);
        for (const QString& model : models) {
            const QString language = model.chopped(int(qstrlen(".traineddata")));
            // Orientation and equations are no languages of text.
            if (language != QLatin1String("osd") && language != QLatin1String("equ") &&
                !languages.contains(language))
                languages << language;
        }
    }
    languages.sort();
    return languages;
}

QString CTextRecognizer::whatIsMissing(const QString& language)
{
#ifndef VIREOSCAPE_TESSERACT
    Q_UNUSED(language)
    return create(QString())->missing();
#else
    const QStringList installed = installedLanguages();
    const QStringList wanted =
        (language.isEmpty() ? QStringLiteral("eng") : language).split(QLatin1Char('+'));
    for (const QString& one : wanted) {
        if (!installed.contains(one))
            return QCoreApplication::translate(
                       "CTextRecognizer",
                       "Text recognition needs its language model: install tesseract-ocr-%1")
                .arg(one);
    }
    return QString();
#endif
}

void recognizeInBackground(const QImage& picture, const QString& language, int upscale, QObject* receiver,
                           std::function<void(const RecognizedText&)> done)
{
    auto result = std::make_shared<RecognizedText>();
    QThread* thread = QThread::create([picture, language, upscale, result] {
        *result = CTextRecognizer::create(language)->recognize(picture, upscale);
    });
    QObject::connect(thread, &QThread::finished, receiver,
                     [result, done = std::move(done)] { done(*result); });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start(QThread::LowPriority);
}
