#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

class QImage;

// Fills the date and time fields of a file-name pattern: %Y year, %M month,
// %D day, %h hour, %m minute, %s second, all without leading zeros; "%"
// before any other character yields that character.
QString expandFileName(const QString& pattern, const QDateTime& now = QDateTime::currentDateTime());

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
// atomically, so a failed write leaves the old file intact.
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
// to the name until it is free.
SaveResult saveImageToFile(const QImage& image);

// A picture file created under its final name and not yet written.
struct PictureFile
{
    int fd = -1;
    QString fileName;
    QByteArray format;
    int quality = -1;
};

// The first half of saveImageToFile: checks the format, picks the name and
// creates the (empty) file.
SaveResult createPictureFile(const QImage& image, PictureFile* file);
// The second half: encodes the image (unless `encoded` already holds it in
// the file's format) and writes it; on failure the file is removed.
SaveResult fillPictureFile(PictureFile* file, const QImage& image, const QByteArray& encoded = QByteArray());
// Whether the file's format and quality are what FinishedPicture::png()
// makes, so that one encoding serves the file and the clipboard.
bool usesSharedPng(const PictureFile& file);

// Puts the image on the clipboard (not the selection).
void copyImageToClipboard(const QImage& image);
