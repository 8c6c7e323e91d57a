#include "platform/PortalScreenshot.h"

#include "platform/PortalRequest.h"

#include <QFile>
#include <QUrl>

namespace {

// A busy 4K desktop takes the portal's PNG encoder a few seconds.
constexpr int kAnswerTimeoutMs = 30000;

} // namespace

void CPortalScreenshot::request()
{
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
    const QString file = QUrl(results.value(QStringLiteral("uri")).toString()).toLocalFile();
    QImage picture(file);
    if (picture.isNull()) {
        emit failed(tr("the screenshot portal's picture \"%1\" cannot be read").arg(file));
        return;
    }
    // The file was made for us alone; leaving it would litter the disk.
    QFile::remove(file);
    picture.setDevicePixelRatio(1.0);
    deliver(std::move(picture));
}
