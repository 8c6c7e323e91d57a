#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>

class CSafeFile;

class QImage;

// Fills the date and time fields of a file-name pattern: %Y year, %M month,
// %D day, %h hour, %m minute, %s second, all without leading zeros; "%"
// before any other character yields that character. The result is one file
// name: a "/" or a control character (a hand-edited pattern) becomes "_".
QString expandFileName(const QString& pattern, const QDateTime& now = QDateTime::currentDateTime());

// The text as one file name: "/" and control characters become "_".
QString withinFolder(QString name);

// The image-writer format for a file suffix ("PNG", "JPG", "BMP", "XBM"),
// case-insensitive; empty for any other suffix.
QByteArray formatForSuffix(const QString& suffix);

struct SaveResult
{
    bool ok = false;
    QString fileName; // the file written, or the one that failed
    QString error;    // why it failed
};

// Writes the image to exactly this file. With replace false an existing file
// is never touched (the call fails instead); with replace true it is replaced
// atomically, so a failed write leaves the old file intact. Either way the
// name shows only the complete file.
SaveResult writeImageFile(const QImage& image, const QString& fileName, const QByteArray& format, int quality,
                          bool replace);

// Encodes the image as writeImageFile would write it; false with the reason
// when it cannot.
bool encodeImage(const QImage& image, const QByteArray& format, int quality, QByteArray* out, QString* error);

// The last suffix saveImageToFile tries before it gives up.
constexpr int kLastNameSuffix = 9999;

// Saves into the snapshot directory (the home directory when the setting is
// empty) under the expanded name pattern plus the extension. An existing
// file is never replaced: "_1", "_2", ... up to kLastNameSuffix are appended
// to the name until it is free. The file gets its name only once it is
// complete and on the disk (see CSafeFile).
SaveResult saveImageToFile(const QImage& image);

// The snapshot directory as saveImageToFile uses it.
QString snapshotFolder();

// A picture file on its way: a hidden file in the snapshot folder, not yet
// written, and the name it is meant to get.
struct PictureFile
{
    std::shared_ptr<CSafeFile> file;
    QString fileName;  // the name planned; once written, the name it got
    QString base, ext; // the name is base + ext, or base + "_N" + ext
    QString pattern;   // the name pattern it came from, for messages
    int firstFree = 0; // the first N whose name was free when it was made
    QByteArray format;
    int quality = -1;
};

// The first half of saveImageToFile: checks the format and the names, and
// creates the hidden file (so that a missing or read-only folder is known
// at once).
SaveResult createPictureFile(const QImage& image, PictureFile* file);
// The second half: encodes the image (unless `encoded` already holds it in
// the file's format), writes it and gives it the first free name; on
// failure nothing is left behind.
SaveResult fillPictureFile(PictureFile* file, const QImage& image, const QByteArray& encoded = QByteArray());
// Whether the file's format and quality are what FinishedPicture::png()
// makes, so that one encoding serves the file and the clipboard.
bool usesSharedPng(const PictureFile& file);

// Puts the image on the clipboard (not the selection).
void copyImageToClipboard(const QImage& image);
