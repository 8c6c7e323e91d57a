#include "platform/DesktopSource.h"

#include "platform/PortalScreenshot.h"
#include "platform/ScreenGrab.h"
#include "platform/Session.h"

#include <QEventLoop>

#include <cmath>

namespace {

class CX11DesktopSource : public CDesktopSource
{
public:
    using CDesktopSource::CDesktopSource;

    void request() override
    {
        QImage image = grabDesktopImage();
        // Only a missing X connection makes the grab fail: nothing to add.
        if (image.isNull())
            emit failed(QString());
        else
            deliver(std::move(image));
    }
    bool listsWindows() const override { return true; }
};

} // namespace

CDesktopSource* CDesktopSource::create(QObject* parent)
{
    if (isWaylandSession())
        return new CPortalScreenshot(parent);
    return new CX11DesktopSource(parent);
}

QImage CDesktopSource::grabNow(QString* reason)
{
    QImage result;
    bool answered = false;
    QEventLoop loop;
    const auto onReady = connect(this, &CDesktopSource::ready, &loop, [&] {
        result = takePicture();
        answered = true;
        loop.quit();
    });
    const auto onFailed = connect(this, &CDesktopSource::failed, &loop, [&](const QString& why) {
        if (reason)
            *reason = why;
        answered = true;
        loop.quit();
    });
    request();
    if (!answered)
        loop.exec();
    disconnect(onReady);
    disconnect(onFailed);
    return result;
}

void CDesktopSource::deliver(QImage picture)
{
    m_picture = std::move(picture);
    emit ready();
}

QImage outputPicture(const QImage& layoutPicture, const QRect& layout, const QRect& output, qreal ratio)
{
    if (layoutPicture.isNull() || layout.isEmpty() || output.isEmpty())
        return QImage();
    // The portal draws every output at the highest scale of the layout.
    const qreal scale = qreal(layoutPicture.width()) / layout.width();
    const QRect part(std::lround((output.x() - layout.x()) * scale),
                     std::lround((output.y() - layout.y()) * scale), std::lround(output.width() * scale),
                     std::lround(output.height() * scale));
    const QSize device(std::lround(output.width() * ratio), std::lround(output.height() * ratio));
    QImage picture = part == layoutPicture.rect() ? layoutPicture : layoutPicture.copy(part);
    if (picture.size() != device)
        picture = picture.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    picture.setDevicePixelRatio(1.0);
    return picture;
}
