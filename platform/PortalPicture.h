#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// The file a Screenshot portal's answer names is input from another
// program, read with care: only a regular file of a size a picture can
// have (a FIFO would block for good), decoded up to 16384 x 16384 pixels
// (a 4K monitor beside a scaled laptop exceeds Qt's default allocation
// limit), and removed only when it is the portal's own for this request.
struct PortalPicture
{
    QImage image; // null on failure
    QString error;
    bool removed = false;
};

// The folders portals write their pictures to: the temporary folders, the
// user's pictures (and Screenshots there), the documents portal's.
QStringList portalPictureFolders();

// Reads the picture at `path` and removes the file when it is a regular
// file (not a link, no other name) of this user, in one of `folders`,
// written no earlier than `askedAtMs` (ms since the epoch): the portal's
// own, failed or not. Safe from any thread.
PortalPicture takePortalPicture(const QString& path, const QStringList& folders, qint64 askedAtMs);

// The largest picture side a portal may deliver.
constexpr int kLargestPortalSide = 16384;
