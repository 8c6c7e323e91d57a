#include "platform/PortalPicture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// An unpacked PNG of the largest picture, and room to spare.
constexpr qint64 kLargestFile = qint64(kLargestPortalSide) * kLargestPortalSide * 4 + (64 << 20);
// File times lag the clock by a tick, and may be kept to the second.
constexpr qint64 kClockSlackMs = 2000;

QString named(const QString& path)
{
    // A path of a hostile length is not repeated in full.
    constexpr int kLongest = 300;
    return path.size() <= kLongest ? path : path.left(kLongest) + QStringLiteral("\u2026");
}

QString failure(const QString& path, const QString& why)
{
    return QCoreApplication::translate("CPortalScreenshot", "the screenshot portal's picture \"%1\" %2")
        .arg(named(path), why);
}

QString canonical(const QString& folder)
{
    const QString path = QFileInfo(folder).canonicalFilePath();
    return path.isEmpty() ? QDir::cleanPath(folder) : path;
}

bool inFolders(const QString& path, const QStringList& folders)
{
    const QString folder = canonical(QFileInfo(path).absolutePath());
    const QString documents = canonical(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/doc"));
    // The documents portal keeps each file in a folder of its own there.
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && canonical(QFileInfo(folder).path()) == documents)
        return true;
    for (const QString& allowed : folders) {
        if (canonical(allowed) == folder)
            return true;
    }
    return false;
}

qint64 modifiedMs(const struct stat& st)
{
    return qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
}

// Removes the file when it is the portal's own for this request, and it is
// still the file that was read.
bool removeIfThePortals(const QString& path, const struct stat& read, const QStringList& folders,
                        qint64 askedAtMs)
{
    if (!S_ISREG(read.st_mode) || read.st_nlink != 1 || read.st_uid != ::geteuid() ||
        modifiedMs(read) < askedAtMs - kClockSlackMs || !inFolders(path, folders))
        return false;
    const QFileInfo info(path);
    const int folderFd =
        ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return false;
    const QByteArray name = QFile::encodeName(info.fileName());
    struct stat now;
    const bool removed = ::fstatat(folderFd, name.constData(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
                         now.st_dev == read.st_dev && now.st_ino == read.st_ino &&
                         ::unlinkat(folderFd, name.constData(), 0) == 0;
    ::close(folderFd);
    return removed;
}

QImage decode(QFile* file, const QString& path, QString* error)
{
    QImageReader reader(file);
    const QSize size = reader.size();
    if (size.width() > kLargestPortalSide || size.height() > kLargestPortalSide) {
        *error = failure(
            path, QCoreApplication::translate("CPortalScreenshot", "is %1 x %2 pixels, larger than %3 x %3")
                      .arg(size.width())
                      .arg(size.height())
                      .arg(kLargestPortalSide));
        return QImage();
    }
    // An image of the right size and format made beforehand is filled in
    // place: Qt's allocation limit (128 MB) applies to the images its
    // readers make themselves, and a large layout needs more.
    QImage image;
    if (size.isValid() && reader.imageFormat() != QImage::Format_Invalid) {
        image = QImage(size, reader.imageFormat());
        if (image.isNull()) {
            *error =
                failure(path, QCoreApplication::translate("CPortalScreenshot", "does not fit in memory"));
            return QImage();
        }
    }
    if (!reader.read(&image)) {
        *error = failure(
            path,
            QCoreApplication::translate("CPortalScreenshot", "cannot be read: %1").arg(reader.errorString()));
        return QImage();
    }
    return image;
}

} // namespace

QStringList portalPictureFolders()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return {QStringLiteral("/tmp"), QDir::tempPath(), pictures, pictures + QStringLiteral("/Screenshots")};
}

PortalPicture takePortalPicture(const QString& path, const QStringList& folders, qint64 askedAtMs)
{
    PortalPicture result;
    const QByteArray encoded = QFile::encodeName(path);
    struct stat st;
    if (::lstat(encoded.constData(), &st) != 0) {
        result.error = failure(path, QCoreApplication::translate("CPortalScreenshot", "cannot be read: %1")
                                         .arg(QString::fromLocal8Bit(std::strerror(errno))));
        return result;
    }
    // Never opened otherwise: a FIFO would block until someone writes to it.
    if (!S_ISREG(st.st_mode)) {
        result.error =
            failure(path, QCoreApplication::translate("CPortalScreenshot", "is not a regular file"));
        return result;
    }
    const int fd = ::open(encoded.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat opened;
    if (fd < 0 || ::fstat(fd, &opened) != 0 || opened.st_dev != st.st_dev || opened.st_ino != st.st_ino) {
        result.error =
            failure(path, QCoreApplication::translate("CPortalScreenshot", "changed while it was read"));
        if (fd >= 0)
            ::close(fd);
        return result;
    }
    // Opened without waiting, read as usual (a FUSE file system, such as the
    // documents portal's, may take O_NONBLOCK literally).
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (opened.st_size > kLargestFile) {
        result.error = failure(
            path, QCoreApplication::translate("CPortalScreenshot", "is %1 MB, more than any screen's picture")
                      .arg(opened.st_size >> 20));
    } else {
        QFile file;
        if (file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            result.image = decode(&file, path, &result.error);
        else
            result.error =
                failure(path, QCoreApplication::translate("CPortalScreenshot", "cannot be read: %1")
                                  .arg(file.errorString()));
    }
    ::close(fd);
    // The portal made the file for us alone: leaving it would litter the
    // disk, whether it could be read or not.
    result.removed = removeIfThePortals(path, opened, folders, askedAtMs);
    return result;
}
