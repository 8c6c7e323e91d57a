#include "output/FinishedPicture.h"

#include "output/PngWriter.h"

#include <QBuffer>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMap>
#include <QPointer>
#include <QThread>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <thread>

QImage FinishedPicture::image() const
{
    const std::lock_guard lock(m_mutex);
    if (!m_image.isNull())
        return m_image;
    // Not kept: a picture asked for within the program is rare.
    return QImage::fromData(m_png, "PNG");
}

QByteArray FinishedPicture::png()
{
    std::call_once(m_encoded, [this] {
        const QImage pixels = image();
        const QByteArray png = PngWriter::encode(pixels);
        const std::lock_guard lock(m_mutex);
        m_png = png;
        m_done = true;
    });
    const std::lock_guard lock(m_mutex);
    return m_png;
}

void FinishedPicture::compact()
{
    if (png().isEmpty())
        return; // keep the pixels: without them nothing would be left
    const std::lock_guard lock(m_mutex);
    m_image = QImage();
}

bool FinishedPicture::holdsPixels() const
{
    const std::lock_guard lock(m_mutex);
    return !m_image.isNull();
}

namespace {

const QString kPng = QStringLiteral("image/png");
const QString kQtImage = QStringLiteral("application/x-qt-image");

} // namespace

QStringList PictureMimeData::formats() const
{
    // Qt adds the other image types it can write to these.
    return {kPng, kQtImage};
}

bool PictureMimeData::hasFormat(const QString& mimeType) const
{
    // Qt's Wayland clipboard makes every image type a program asks for out
    // of the image itself when there is one, PNG too, with Qt's own writer:
    // there the image is only handed out on request, so that a paste gets
    // the one encoding (and the other types are made below).
    if (mimeType == kQtImage && QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return false;
    return mimeType == kPng || mimeType == kQtImage;
}

QVariant PictureMimeData::retrieveData(const QString& mimeType, QMetaType type) const
{
    const bool asImage = type.id() == QMetaType::QImage;
    // Qt's own image type travels between programs as PNG as well.
    if (mimeType == kPng || mimeType == kQtImage)
        return asImage ? QVariant(m_picture->image()) : QVariant(m_picture->png());
    // Any other image type Qt offers, in Qt's writer, as Qt would make it.
    if (mimeType.startsWith(QLatin1String("image/")) && !asImage) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter(&buffer, mimeType.mid(6).toLatin1()).write(m_picture->image());
        return bytes;
    }
    return QVariant();
}

namespace {

// The files being written in the background, and the failures of those
// whose outcome the main thread has not taken yet. The standard library's
// mutex and condition, whose waits a thread sanitizer follows (Qt's own
// wait releases the mutex inside the Qt library, out of its sight).
struct PendingFiles
{
    std::mutex mutex;
    std::condition_variable done;
    int count = 0;
    quint64 lastId = 0;
    QMap<quint64, SaveResult> unreported;
};

void finishWritesAtExit();

PendingFiles& pending()
{
    // Never destroyed: the writers and the exit handler below may still use
    // it while static objects are being destroyed.
    static PendingFiles* files = [] {
        auto* made = new PendingFiles;
        // Qt ends the process with exit() when the X connection is lost (at
        // log-out): the files being written are completed first.
        std::atexit(finishWritesAtExit);
        return made;
    }();
    return *files;
}

void finishWritesAtExit()
{
    PendingFiles& files = pending();
    std::unique_lock lock(files.mutex);
    files.done.wait(lock, [&files] { return files.count == 0; });
    // No event loop is left to tell the user: say it where it can be read.
    for (const SaveResult& failed : std::as_const(files.unreported))
        std::fprintf(stderr, "vireoscape: %s\n",
                     qUtf8Printable(QCoreApplication::translate("PictureFiles", "cannot save %1: %2")
                                        .arg(failed.fileName, failed.error)));
    files.unreported.clear();
}

// Runs the job in a thread of its own, counted as pending until it ends.
void runPending(std::function<void()> job)
{
    {
        const std::lock_guard lock(pending().mutex);
        ++pending().count;
    }
    std::thread([job = std::move(job)] {
        job();
        const std::lock_guard lock(pending().mutex);
        --pending().count;
        pending().done.notify_all();
    }).detach();
}

} // namespace

void copyPictureToClipboard(const std::shared_ptr<FinishedPicture>& picture)
{
    QGuiApplication::clipboard()->setMimeData(new PictureMimeData(picture), QClipboard::Clipboard);
    runPending([picture] { picture->compact(); });
}

bool clipboardHolds(const std::shared_ptr<FinishedPicture>& picture)
{
    // Our own contents come back as they were set; another program's as Qt's.
    const auto* held = qobject_cast<const PictureMimeData*>(QGuiApplication::clipboard()->mimeData());
    return held && held->picture() == picture;
}

void fillPictureFileLater(const std::shared_ptr<FinishedPicture>& picture, PictureFile file,
                          std::function<void(const SaveResult&)> written)
{
    runPending([picture, file, written = std::move(written)]() mutable {
        const QByteArray shared = usesSharedPng(file) ? picture->png() : QByteArray();
        const SaveResult result = fillPictureFile(&file, picture->image(), shared);
        quint64 id = 0;
        if (!result.ok) {
            const std::lock_guard lock(pending().mutex);
            id = ++pending().lastId;
            pending().unreported.insert(id, result);
        }
        // The outcome is reported in the main thread; the job ends only once
        // that is queued, so a wait sees the report too.
        QCoreApplication* app = QCoreApplication::instance();
        if (app && written) {
            QMetaObject::invokeMethod(
                app,
                [written, result, id] {
                    if (id) {
                        const std::lock_guard lock(pending().mutex);
                        pending().unreported.remove(id);
                    }
                    written(result);
                },
                Qt::QueuedConnection);
        }
    });
}

void waitForPictureFiles()
{
    {
        std::unique_lock lock(pending().mutex);
        pending().done.wait(lock, [] { return pending().count == 0; });
    }
    // Deliver the reports queued by the writers.
    if (QThread::currentThread() == qApp->thread())
        QCoreApplication::sendPostedEvents(qApp, QEvent::MetaCall);
}
