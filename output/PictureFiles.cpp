#include "output/PictureFiles.h"

#include "config/AppConfig.h"
#include "output/FinishedPicture.h"
#include "output/PngWriter.h"

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
#include <fcntl.h>
#include <unistd.h>

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
                *error = tr("the PNG encoder failed");
            return !out->isEmpty();
        }
    }
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

// Creates the file, failing with EEXIST when the name is taken in any way (a
// dangling symbolic link too, which is never written through). Returns the
// descriptor, or -1 with errno set.
int createNewFile(const QString& fileName)
{
    return ::open(QFile::encodeName(fileName).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

// Writes the data into a created file and closes it. Returns 0 or the errno
// of the step that failed; a partly written file is removed.
int fillNewFile(int fd, const QString& fileName, const QByteArray& data)
{
    int error = 0;
    for (qsizetype done = 0; done < data.size() && !error;) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n > 0)
            done += n;
        else if (n == 0)
            error = ENOSPC;
        else if (errno != EINTR)
            error = errno;
    }
    if (::close(fd) != 0 && !error)
        error = errno;
    if (error)
        ::unlink(QFile::encodeName(fileName).constData()); // a truncated picture is worse than none
    return error;
}

int writeNewFile(const QString& fileName, const QByteArray& data)
{
    const int fd = createNewFile(fileName);
    return fd < 0 ? errno : fillNewFile(fd, fileName, data);
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
        errno = 0;
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
            result.error = fileError(file, errno);
            return result;
        }
    } else if (const int error = writeNewFile(fileName, data)) {
        *systemErrorCode = error;
        result.error = systemError(error);
        return result;
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

SaveResult createPictureFile(const QImage& image, PictureFile* file)
{
    const QString base = expandFileName(AppConfig.SnapshotFileName);
    const QString ext = AppConfig.SnapshotFileNameExt;
    // An empty folder setting means the default one, not the current folder.
    const QDir dir(AppConfig.SnapshotFilePath.isEmpty() ? CAppConfig::defaultSnapshotDir()
                                                        : AppConfig.SnapshotFilePath);
    const auto nameWith = [&](int n) {
        return n == 0 ? base + ext : base + QLatin1Char('_') + QString::number(n) + ext;
    };
    SaveResult result;
    result.fileName = dir.filePath(base + ext);
    file->quality = AppConfig.ImageQuality;
    file->format = formatForSuffix(QFileInfo(base + ext).suffix());
    if (file->format.isEmpty()) {
        // No format of our own: let the suffix decide, as the writer would.
        file->format = QFileInfo(base + ext).suffix().toLower().toLatin1();
        if (file->format.isEmpty() || !QImageWriter::supportedImageFormats().contains(file->format)) {
            result.error = tr("unsupported image format");
            return result;
        }
    }
    if (image.isNull()) {
        result.error = tr("there is no picture to save");
        return result;
    }

    for (int n = 0; n <= kLastNameSuffix; ++n) {
        const QString target = dir.filePath(nameWith(n));
        const QFileInfo taken(target);
        // Taken by anything, a dangling symbolic link included.
        if (taken.exists() || taken.isSymLink())
            continue;
        result.fileName = target;
        const int fd = createNewFile(target);
        // Lost a race for this name to another writer: take the next one.
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            result.error = systemError(errno);
            return result;
        }
        file->fd = fd;
        file->fileName = target;
        result.ok = true;
        return result;
    }
    result.error = tr("every name from %1 to %2 is taken (name pattern \"%3\")")
                       .arg(nameWith(0), nameWith(kLastNameSuffix), AppConfig.SnapshotFileName + ext);
    return result;
}

SaveResult fillPictureFile(PictureFile* file, const QImage& image, const QByteArray& encoded)
{
    SaveResult result;
    result.fileName = file->fileName;
    QByteArray data = encoded;
    if (data.isEmpty() && !encode(image, file->format, file->quality, &data, &result.error)) {
        ::close(file->fd);
        ::unlink(QFile::encodeName(file->fileName).constData());
        file->fd = -1;
        return result;
    }
    const int error = fillNewFile(file->fd, file->fileName, data);
    file->fd = -1;
    if (error) {
        result.error = systemError(error);
        return result;
    }
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
