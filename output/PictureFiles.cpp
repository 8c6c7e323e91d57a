#include "output/PictureFiles.h"

#include "config/AppConfig.h"
#include "output/FinishedPicture.h"
#include "output/PngWriter.h"
#include "output/SafeFile.h"

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

#include <cerrno>
#include <cstring>

QString withinFolder(QString name)
{
    for (QChar& c : name) {
        if (c == QLatin1Char('/') || c.category() == QChar::Other_Control)
            c = QLatin1Char('_');
    }
    return name;
}

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
        case 'Y':
            result += QString::number(date.year());
            break;
        case 'M':
            result += QString::number(date.month());
            break;
        case 'D':
            result += QString::number(date.day());
            break;
        case 'h':
            result += QString::number(time.hour());
            break;
        case 'm':
            result += QString::number(time.minute());
            break;
        case 's':
            result += QString::number(time.second());
            break;
        default:
            result += pattern.at(i);
            break;
        }
    }
    // A name, never a path: it stays in the folder it is saved in.
    return withinFolder(result);
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

// Encodes in memory first, so that an unsupported format or an encoder error
// never leaves a half-written file behind. PNG at the qualities that ask for
// speed over size goes through the fast encoder; see PngWriter.
bool encode(const QImage& image, const QByteArray& format, int quality, QByteArray* out, QString* error)
{
    if (format == "PNG") {
        if (const std::optional<int> level = PngWriter::levelForQuality(quality)) {
            PngWriter::Options options;
            options.level = *level;
            *out = PngWriter::encode(image, options);
            if (out->isEmpty())
                *error = QCoreApplication::translate("PictureFiles", "the PNG encoder failed");
            return !out->isEmpty();
        }
    }
    QBuffer buffer(out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image)) {
        *error = writer.error() == QImageWriter::UnsupportedFormatError
                     ? QCoreApplication::translate("PictureFiles", "unsupported image format \"%1\"")
                           .arg(QString::fromLatin1(format))
                     : writer.errorString();
        return false;
    }
    return true;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Qt records no error for a short write (a full disk): the system's reason
// is then only in errno.
QString fileError(const QFileDevice& file, int error)
{
    if (error != 0 && file.errorString() == QFile().errorString())
        return systemError(error);
    return file.errorString();
}

SaveResult writeImage(const QImage& image, const QString& fileName, const QByteArray& format, int quality,
                      bool replace, int* systemErrorCode)
{
    SaveResult result;
    result.fileName = fileName;

    QByteArray fmt = format;
    if (fmt.isEmpty()) {
        // No format of our own: let the suffix decide, as the writer would.
        fmt = QFileInfo(fileName).suffix().toLower().toLatin1();
        if (fmt.isEmpty() || !QImageWriter::supportedImageFormats().contains(fmt)) {
            result.error = QCoreApplication::translate("PictureFiles", "unsupported image format");
            return result;
        }
    }
    if (image.isNull()) {
        result.error = QCoreApplication::translate("PictureFiles", "there is no picture to save");
        return result;
    }
    QByteArray data;
    if (!encode(image, fmt, quality, &data, &result.error))
        return result;

    if (replace) {
        QSaveFile file(fileName);
        errno = 0;
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
            result.error = fileError(file, errno);
            return result;
        }
    } else {
        // Only the complete file under that name, and only if it is free.
        const QFileInfo target(fileName);
        CSafeFile file;
        int error = file.create(target.absolutePath());
        if (!error)
            error = file.write(data);
        if (!error)
            error = file.publish([&target](int) { return target.fileName(); }, 0, 0, &result.fileName);
        if (error) {
            *systemErrorCode = error;
            result.error = systemError(error);
            return result;
        }
    }
    result.ok = true;
    return result;
}

} // namespace

bool encodeImage(const QImage& image, const QByteArray& format, int quality, QByteArray* out, QString* error)
{
    return encode(image, format, quality, out, error);
}

SaveResult writeImageFile(const QImage& image, const QString& fileName, const QByteArray& format, int quality,
                          bool replace)
{
    int error = 0;
    return writeImage(image, fileName, format, quality, replace, &error);
}

QString snapshotFolder()
{
    // An empty folder setting means the default one, not the current folder.
    return AppConfig.SnapshotFilePath.isEmpty() ? CAppConfig::defaultSnapshotDir()
                                                : AppConfig.SnapshotFilePath;
}

namespace {

QString nameWith(const PictureFile& file, int n)
{
    return n == 0 ? file.base + file.ext : file.base + QLatin1Char('_') + QString::number(n) + file.ext;
}

QString allTaken(const PictureFile& file)
{
    return QCoreApplication::translate("PictureFiles",
                                       "every name from %1 to %2 is taken (name pattern \"%3\")")
        .arg(nameWith(file, 0), nameWith(file, kLastNameSuffix), file.pattern + file.ext);
}

} // namespace

SaveResult createPictureFile(const QImage& image, PictureFile* file)
{
    // Read here, in the main thread: the writer thread reads no settings.
    file->pattern = AppConfig.SnapshotFileName;
    file->base = expandFileName(file->pattern);
    file->ext = withinFolder(AppConfig.SnapshotFileNameExt);
    const QDir dir(snapshotFolder());
    SaveResult result;
    result.fileName = dir.filePath(nameWith(*file, 0));
    file->quality = AppConfig.ImageQuality;
    const QString suffix = QFileInfo(nameWith(*file, 0)).suffix();
    file->format = formatForSuffix(suffix);
    if (file->format.isEmpty()) {
        // No format of our own: let the suffix decide, as the writer would.
        file->format = suffix.toLower().toLatin1();
        if (file->format.isEmpty() || !QImageWriter::supportedImageFormats().contains(file->format)) {
            result.error = QCoreApplication::translate("PictureFiles", "unsupported image format");
            return result;
        }
    }
    if (image.isNull()) {
        result.error = QCoreApplication::translate("PictureFiles", "there is no picture to save");
        return result;
    }

    // A stored folder that is gone (removed, or on a disk not there yet) is
    // made again: the pictures were asked for there. One that cannot be made
    // fails below, when the file is created.
    QDir().mkpath(dir.path());
    // The name is given when the file is complete; the first free one now
    // is what the user is told, and where the search will start.
    file->firstFree = -1;
    for (int n = 0; n <= kLastNameSuffix && file->firstFree < 0; ++n) {
        const QFileInfo taken(dir.filePath(nameWith(*file, n)));
        // Taken by anything, a dangling symbolic link included.
        if (!taken.exists() && !taken.isSymLink())
            file->firstFree = n;
    }
    if (file->firstFree < 0) {
        result.error = allTaken(*file);
        return result;
    }
    result.fileName = dir.filePath(nameWith(*file, file->firstFree));
    file->fileName = result.fileName;
    file->file = std::make_shared<CSafeFile>();
    if (const int error = file->file->create(dir.path())) {
        file->file.reset();
        result.error = systemError(error);
        return result;
    }
    result.ok = true;
    return result;
}

SaveResult fillPictureFile(PictureFile* file, const QImage& image, const QByteArray& encoded)
{
    SaveResult result;
    result.fileName = file->fileName;
    if (!file->file || !file->file->isOpen()) {
        result.error = systemError(EBADF);
        return result;
    }
    QByteArray data = encoded;
    if (data.isEmpty() && !encode(image, file->format, file->quality, &data, &result.error)) {
        file->file->discard();
        return result;
    }
    int error = file->file->write(data);
    if (!error) {
        const auto name = [file](int n) { return nameWith(*file, n); };
        error = file->file->publish(name, file->firstFree, kLastNameSuffix, &file->fileName);
    }
    if (error) {
        // A truncated picture is worse than none.
        file->file->discard();
        result.error = error == EEXIST ? allTaken(*file) : systemError(error);
        return result;
    }
    result.fileName = file->fileName;
    result.ok = true;
    return result;
}

bool usesSharedPng(const PictureFile& file)
{
    return file.format == "PNG" && PngWriter::levelForQuality(file.quality) == 1;
}

SaveResult saveImageToFile(const QImage& image)
{
    PictureFile file;
    const SaveResult created = createPictureFile(image, &file);
    if (!created.ok)
        return created;
    return fillPictureFile(&file, image);
}

void copyImageToClipboard(const QImage& image)
{
    copyPictureToClipboard(std::make_shared<FinishedPicture>(image));
}
