#include "platform/PortalScreenshot.h"

#include "platform/PortalPicture.h"
#include "platform/PortalRequest.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <thread>

namespace {

// A busy 4K desktop takes the portal's PNG encoder a few seconds.
constexpr int kAnswerTimeoutMs = 30000;

} // namespace

void CPortalScreenshot::request()
{
    ++m_serial; // a read still going on for an earlier answer is dropped
    m_askedAtMs = QDateTime::currentMSecsSinceEpoch();
    delete m_request;
    m_request = new CPortalRequest(this);
    connect(m_request, &CPortalRequest::answered, this, &CPortalScreenshot::answered);
    connect(m_request, &CPortalRequest::failed, this, [this](const QString& name, const QString& message) {
        emit failed(describePortalFailure(tr("screenshot"), name, message));
    });
    m_request->start(QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"),
                     {QString()}, {{QStringLiteral("interactive"), false}, {QStringLiteral("modal"), false}},
                     kAnswerTimeoutMs);
}

void CPortalScreenshot::answered(uint code, const QVariantMap& results)
{
    if (code != 0) {
        emit failed(code == 1 ? tr("the screenshot portal was cancelled")
                              : tr("the screenshot portal refused to take the picture"));
        return;
    }
    const QString uri = results.value(QStringLiteral("uri")).toString();
    const QUrl url(uri);
    if (!url.isLocalFile()) {
        emit failed(tr("the screenshot portal answered with \"%1\", which is not a file on this computer")
                        .arg(uri.left(300)));
        return;
    }
    // Read in a thread of its own, so that a file that never ends (a FIFO,
    // a hung file system) cannot freeze the program; after the time-out its
    // outcome is dropped.
    const int serial = ++m_serial;
    QTimer::singleShot(kReadTimeoutMs, this, [this, serial, file = url.toLocalFile()] {
        if (serial != m_serial)
            return;
        ++m_serial;
        emit failed(tr("the screenshot portal's picture \"%1\" could not be read in %2 s")
                        .arg(file.left(300))
                        .arg(kReadTimeoutMs / 1000));
    });
    QPointer<CPortalScreenshot> self(this);
    std::thread([self, serial, file = url.toLocalFile(), folders = portalPictureFolders(),
                 askedAt = m_askedAtMs]() mutable {
        PortalPicture picture = takePortalPicture(file, folders, askedAt);
        if (QCoreApplication* app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(
                app,
                [self, serial, picture = std::move(picture)]() mutable {
                    if (self)
                        self->pictureRead(serial, std::move(picture));
                },
                Qt::QueuedConnection);
        }
    }).detach();
}

void CPortalScreenshot::pictureRead(int serial, PortalPicture picture)
{
    if (serial != m_serial)
        return; // timed out, or a new request has been made since
    ++m_serial;
    if (picture.image.isNull()) {
        emit failed(picture.error);
        return;
    }
    picture.image.setDevicePixelRatio(1.0);
    deliver(std::move(picture.image));
}
