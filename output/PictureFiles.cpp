#include "output/PictureFiles.h"

#include "config/AppConfig.h"

#include <QBuffer>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

QString expandFileName(const QString& pattern, const QDateTime& now)
{
    const QDate date = now.date();
    const QTime time = now.time();
    QString result;
    result.reserve(pattern.size() + 16);
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c != QLatin1Char('%')) {
            result += c;
            continue;
        }
        if (++i >= pattern.size())
            break; // a trailing "%" yields nothing
        switch (pattern.at(i).unicode()) {
        case 'Y': result += QString::number(date.year()); break;
        case 'M': result += QString::number(date.month()); break;
        case 'D': result += QString::number(date.day()); break;
        case 'h': result += QString::number(time.hour()); break;
        case 'm': result += QString::number(time.minute()); break;
        case 's': result += QString::number(time.second()); break;
        default: result += pattern.at(i); break;
        }
    }
    return result;
}

QByteArray formatForSuffix(const QString& suffix)
{
    const QString s = suffix.toUpper();
    if (s == QLatin1String("PNG"))
        return "PNG";
    if (s == QLatin1String("JPG") || s == QLatin1String("JPEG"))
        return "JPG";
    if (s == QLatin1String("BMP"))
        return "BMP";
    if (s == QLatin1String("XBM"))
        return "XBM";
    return QByteArray();
}

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("PictureFiles", text);
}

// Encodes in memory first, so that an unsupported format or an encoder error
// never leaves a half-written file behind.
bool encode(const QImage& image, const QByteArray& format, int quality, QByteArray* out, QString* error)
{
    QBuffer buffer(out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image)) {
        *error = writer.error() == QImageWriter::UnsupportedFormatError
                     ? tr("unsupported image format \"%1\"").arg(QString::fromLatin1(format))
                     : writer.errorString();
        return false;
    }
    return true;
}

} // namespace

SaveResult writeImageFile(const QImage& image, const QString& fileName, const QByteArray& format, int quality,
                          bool replace)
{
    SaveResult result;
    result.fileName = fileName;

    QByteArray fmt = format;
    if (fmt.isEmpty()) {
        // No format of our own: let the suffix decide, as the writer would.
        fmt = QFileInfo(fileName).suffix().toLower().toLatin1();
        if (fmt.isEmpty() || !QImageWriter::supportedImageFormats().contains(fmt)) {
            result.error = tr("unsupported image format");
            return result;
        }
    }
    if (image.isNull()) {
        result.error = tr("there is no picture to save");
        return result;
    }
    QByteArray data;
    if (!encode(image, fmt, quality, &data, &result.error))
        return result;

    if (replace) {
        QSaveFile file(fileName);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
            result.error = file.errorString();
            return result;
        }
    } else {
        QFile file(fileName);
        // NewOnly fails when the name is taken, even by a racing process.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            result.error = file.errorString();
            return result;
        }
        const bool written = file.write(data) == data.size() && file.flush();
        if (!written) {
            result.error = file.errorString();
            file.close();
            file.remove(); // a truncated picture is worse than none
            return result;
        }
        file.close();
        if (file.error() != QFileDevice::NoError) {
            result.error = file.errorString();
            file.remove();
            return result;
        }
    }
    result.ok = true;
    return result;
}

SaveResult saveImageToFile(const QImage& image)
{
    const QString base = expandFileName(AppConfig.SnapshotFileName);
    const QString ext = AppConfig.SnapshotFileNameExt;
    const QDir dir(AppConfig.SnapshotFilePath);
    const QByteArray format = formatForSuffix(QFileInfo(base + ext).suffix());

    SaveResult result;
    for (int n = 0; n < 10000; ++n) {
        const QString name = n == 0 ? base + ext : base + QLatin1Char('_') + QString::number(n) + ext;
        const QString target = dir.filePath(name);
        if (QFileInfo::exists(target))
            continue;
        result = writeImageFile(image, target, format, AppConfig.ImageQuality, false);
        // Lost a race for this name to another writer: take the next one.
        if (result.ok || QFileInfo::exists(target) == false)
            return result;
    }
    return result;
}

void copyImageToClipboard(const QImage& image)
{
    QGuiApplication::clipboard()->setImage(image, QClipboard::Clipboard);
}
