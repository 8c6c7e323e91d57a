#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// A new file that appears under its name only once it is complete: it is
// written to a hidden file in the same folder, flushed to the disk, and then
// linked to the first of its names that is free, never replacing anything.
// A crash leaves at most the hidden file (never a partial one under a real
// name), which removeStaleTemporaryFiles() takes away at the next start.
class CSafeFile
{
public:
    CSafeFile() = default;
    // Removes the hidden file of a file that was never published.
    ~CSafeFile();
    CSafeFile(const CSafeFile&) = delete;
    CSafeFile& operator=(const CSafeFile&) = delete;

    // Creates the hidden file in the folder: 0, or the errno of the failure.
    int create(const QString& folder);
    // Writes all of the data and flushes it to the disk: 0 or an errno.
    int write(const QByteArray& data);
    // Gives the written file the first free name of nameFor(first) ...
    // nameFor(last) (file names in the folder). 0 with *chosen set, EEXIST
    // when every name is taken, or the errno of another failure.
    int publish(const std::function<QString(int)>& nameFor, int first, int last, QString* chosen);
    // Closes and removes an unpublished file.
    void discard();

    bool isOpen() const { return m_fd >= 0; }
    QString folder() const { return m_folder; }

    // Whether a file name is one of the hidden names this class writes to.
    static bool isTemporaryName(const QString& name);

private:
    int m_fd = -1;
    int m_folderFd = -1;
    QString m_folder;
    QByteArray m_hidden; // the hidden name in the folder; empty once it is gone
};

// Removes the hidden files in the folder that a writer on this machine left
// behind when it died (a crash, a kill). Files of running writers, of other
// machines (a shared folder) and anything else are left alone. Returns how
// many were removed.
int removeStaleTemporaryFiles(const QString& folder);
