#include "output/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kPrefix = QStringLiteral(".vireoscape-");

// The machine in a hidden name: a folder shared between machines holds
// files whose writers this machine cannot see.
QString machine()
{
    QString host = QSysInfo::machineHostName();
    host.replace(QLatin1Char('/'), QLatin1Char('_'));
    return host.isEmpty() ? QStringLiteral("localhost") : host;
}

// ".vireoscape-HOST-PID-RANDOM.tmp": hidden, and no picture name ends so.
QString temporaryName()
{
    return kPrefix + QStringLiteral("%1-%2-%3.tmp")
                         .arg(machine())
                         .arg(::getpid())
                         .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

const QRegularExpression& temporaryPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^\\.vireoscape-(.+)-(\\d+)-[0-9a-f]{8}\\.tmp$"));
    return pattern;
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Whether the process that wrote a hidden file may still be writing it.
bool writerRuns(pid_t pid)
{
    if (pid == ::getpid())
        return false; // an earlier process of the same id; this one has just started
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace

CSafeFile::~CSafeFile()
{
    discard();
}

bool CSafeFile::isTemporaryName(const QString& name)
{
    return temporaryPattern().match(name).hasMatch();
}

int CSafeFile::create(const QString& folder)
{
    discard();
    m_folder = folder;
    m_folderFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_folderFd < 0)
        return errno;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = QFile::encodeName(temporaryName());
        const int fd = ::openat(m_folderFd, name.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            const int error = errno;
            closeFd(m_folderFd);
            return error;
        }
        // Held while the file is written: whoever cleans up leaves it alone.
        ::flock(fd, LOCK_EX);
        m_fd = fd;
        m_hidden = name;
        return 0;
    }
    closeFd(m_folderFd);
    return EEXIST;
}

int CSafeFile::write(const QByteArray& data)
{
    if (m_fd < 0)
        return EBADF;
    for (qsizetype done = 0; done < data.size();) {
        const ssize_t n = ::write(m_fd, data.constData() + done, size_t(data.size() - done));
        if (n > 0)
            done += n;
        else if (n == 0)
            return ENOSPC;
        else if (errno != EINTR)
            return errno;
    }
    // On the disk before it gets its name: a power cut must not leave a
    // named file whose blocks never arrived.
    return ::fsync(m_fd) == 0 ? 0 : errno;
}

int CSafeFile::publish(const std::function<QString(int)>& nameFor, int first, int last, QString* chosen)
{
    if (m_fd < 0 || m_hidden.isEmpty())
        return EBADF;
    // A hard link fails when the name exists in any way (a dangling symbolic
    // link too). Where the file system has no hard links (FAT), a rename
    // that refuses to replace; where even that is missing, a rename of a
    // name found free a moment before.
    enum class Way
    {
        Link,
        RenameNoReplace,
        CheckedRename
    } way = Way::Link;
    for (int n = first; n <= last;) {
        const QByteArray name = QFile::encodeName(nameFor(n));
        int done = -1;
        switch (way) {
        case Way::Link:
            done = ::linkat(m_folderFd, m_hidden.constData(), m_folderFd, name.constData(), 0);
            break;
        case Way::RenameNoReplace:
            done =
                ::renameat2(m_folderFd, m_hidden.constData(), m_folderFd, name.constData(), RENAME_NOREPLACE);
            break;
        case Way::CheckedRename: {
            struct stat st;
            if (::fstatat(m_folderFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
                errno = EEXIST;
            else if (errno == ENOENT)
                done = ::renameat(m_folderFd, m_hidden.constData(), m_folderFd, name.constData());
            break;
        }
        }
        const int error = done == 0 ? 0 : errno;
        if (error == EEXIST) {
            ++n;
            continue;
        }
        if (way == Way::Link &&
            (error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK)) {
            way = Way::RenameNoReplace;
            continue;
        }
        if (way == Way::RenameNoReplace && (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP)) {
            way = Way::CheckedRename;
            continue;
        }
        if (error)
            return error;
        if (way == Way::Link)
            ::unlinkat(m_folderFd, m_hidden.constData(), 0);
        m_hidden.clear();
        // The new name on the disk too.
        ::fsync(m_folderFd);
        closeFd(m_fd);
        closeFd(m_folderFd);
        *chosen = QDir(m_folder).filePath(QFile::decodeName(name));
        return 0;
    }
    return EEXIST;
}

void CSafeFile::discard()
{
    if (!m_hidden.isEmpty() && m_folderFd >= 0)
        ::unlinkat(m_folderFd, m_hidden.constData(), 0);
    m_hidden.clear();
    closeFd(m_fd);
    closeFd(m_folderFd);
}

int removeStaleTemporaryFiles(const QString& folder)
{
    const int folderFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return 0;
    int removed = 0;
    const QStringList names =
        QDir(folder).entryList({kPrefix + QLatin1String("*.tmp")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = temporaryPattern().match(name);
        if (!match.hasMatch() || match.captured(1) != machine() ||
            writerRuns(pid_t(match.captured(2).toInt())))
            continue;
        const QByteArray path = QFile::encodeName(name);
        const int fd = ::openat(folderFd, path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened, named;
        // Ours, not being written, and still the file under that name.
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(folderFd, path.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_ino == opened.st_ino && named.st_dev == opened.st_dev &&
            ::unlinkat(folderFd, path.constData(), 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::close(folderFd);
    return removed;
}
