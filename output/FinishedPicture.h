#pragma once

#include "output/PictureFiles.h"

#include <QByteArray>
#include <QImage>
#include <QMimeData>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

// A finished picture on its way out: the image, and its PNG encoding made at
// most once, by whichever destination needs it first (the file writer or
// the clipboard's background job, or a program pasting). Once encoded, the
// picture can let go of its pixels and keep only the PNG, which is a
// fraction of their size; the image is then decoded again when asked for.
class FinishedPicture
{
public:
    explicit FinishedPicture(const QImage& image) : m_image(image) {}
    // The picture; safe from any thread.
    QImage image() const;
    // The PNG file of the image (fast encoder, zlib level 1). Safe from any
    // thread; a second caller waits for the first one's encoding.
    QByteArray png();
    // Whether png() has made the encoding.
    bool isEncoded() const { return m_done.load(); }
    // Encodes if need be and keeps only the PNG from now on.
    void compact();
    bool holdsPixels() const;

private:
    mutable std::mutex m_mutex;
    QImage m_image;
    std::once_flag m_encoded;
    std::atomic<bool> m_done{false};
    QByteArray m_png;
};

// Clipboard contents that hold the picture and encode it only when another
// program asks for it: "image/png" is the shared encoding; every other image
// type Qt offers is made from the image on request.
class PictureMimeData : public QMimeData
{
    Q_OBJECT
public:
    explicit PictureMimeData(std::shared_ptr<FinishedPicture> picture) : m_picture(std::move(picture)) {}
    const std::shared_ptr<FinishedPicture>& picture() const { return m_picture; }
    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    std::shared_ptr<FinishedPicture> m_picture;
};

// Puts the picture on the clipboard (not the selection) at once; it is then
// encoded in a worker thread and kept as PNG only, so that the clipboard
// holds a few megabytes rather than the pixels of the whole desktop.
void copyPictureToClipboard(const std::shared_ptr<FinishedPicture>& picture);
// Whether the clipboard still holds this picture from this program.
bool clipboardHolds(const std::shared_ptr<FinishedPicture>& picture);

// Writes the picture into a file made with createPictureFile (which fails
// at once on a missing folder or taken names): the encoding and writing go
// on in a worker thread; `written` is then called in the main thread with
// the outcome (a failed write leaves no file behind).
void fillPictureFileLater(const std::shared_ptr<FinishedPicture>& picture, PictureFile file,
                          std::function<void(const SaveResult&)> written);

// Waits until every file started by fillPictureFileLater is complete and
// its outcome reported, and the clipboard's picture is encoded; done before
// the program ends.
void waitForPictureFiles();
