#include "platform/PortalRequest.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const char kRequestInterface[] = "org.freedesktop.portal.Request";

QString nextToken()
{
    static int serial = 0;
    return QStringLiteral("vireoscape%1").arg(++serial);
}

} // namespace

CPortalRequest::CPortalRequest(QObject* parent) : QObject(parent)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] { fail(QStringLiteral("timeout"), QString()); });
}

CPortalRequest::~CPortalRequest()
{
    stopListening();
}

QString CPortalRequest::portalService()
{
    return QStringLiteral("org.freedesktop.portal.Desktop");
}

QString CPortalRequest::portalPath()
{
    return QStringLiteral("/org/freedesktop/portal/desktop");
}

void CPortalRequest::start(const QString& interface, const QString& method, const QVariantList& arguments,
                           QVariantMap options, int timeoutMs)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        fail(QStringLiteral("no-bus"), bus.lastError().message());
        return;
    }
    // The portal answers on /org/freedesktop/portal/desktop/request/SENDER/TOKEN,
    // SENDER being our unique bus name without ':' and with '_' for '.'.
    const QString token = nextToken();
    const QString sender = bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    listen(QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token));
    options.insert(QStringLiteral("handle_token"), token);

    QDBusMessage call = QDBusMessage::createMethodCall(portalService(), portalPath(), interface, method);
    call.setArguments(arguments + QVariantList{options});
    m_timeout.start(timeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError()) {
            fail(reply.error().name(), reply.error().message());
            return;
        }
        // Portals older than the handle_token convention answer elsewhere.
        const QString path = reply.value().path();
        if (!m_done && path != m_path) {
            stopListening();
            listen(path);
        }
    });
}

void CPortalRequest::listen(const QString& path)
{
    m_path = path;
    QDBusConnection::sessionBus().connect(portalService(), m_path, QLatin1String(kRequestInterface),
                                          QStringLiteral("Response"), this,
                                          SLOT(onResponse(uint, QVariantMap)));
}

void CPortalRequest::stopListening()
{
    if (m_path.isEmpty())
        return;
    QDBusConnection::sessionBus().disconnect(portalService(), m_path, QLatin1String(kRequestInterface),
                                             QStringLiteral("Response"), this,
                                             SLOT(onResponse(uint, QVariantMap)));
    m_path.clear();
}

void CPortalRequest::onResponse(uint code, const QVariantMap& results)
{
    if (m_done)
        return;
    m_done = true;
    m_timeout.stop();
    stopListening();
    emit answered(code, results);
}

void CPortalRequest::fail(const QString& errorName, const QString& message)
{
    if (m_done)
        return;
    m_done = true;
    m_timeout.stop();
    stopListening();
    emit failed(errorName, message);
}

QString describePortalFailure(const QString& portal, const QString& errorName, const QString& message)
{
    if (errorName == QLatin1String("no-bus"))
        return QCoreApplication::translate("CPortalRequest",
                                           "no session bus is running, so no %1 portal can be reached")
            .arg(portal);
    if (errorName == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        errorName == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
        errorName == QLatin1String("org.freedesktop.DBus.Error.Spawn.ServiceNotFound"))
        return QCoreApplication::translate(
                   "CPortalRequest", "no %1 portal is running (xdg-desktop-portal is not on the session bus)")
            .arg(portal);
    if (errorName == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface") ||
        errorName == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod") ||
        (errorName == QLatin1String("org.freedesktop.DBus.Error.InvalidArgs") &&
         message.contains(QLatin1String("interface"))))
        return QCoreApplication::translate(
                   "CPortalRequest",
                   "no %1 portal is running (xdg-desktop-portal has no backend for it on this desktop)")
            .arg(portal);
    if (errorName == QLatin1String("timeout"))
        return QCoreApplication::translate("CPortalRequest", "the %1 portal did not answer").arg(portal);
    return QCoreApplication::translate("CPortalRequest", "the %1 portal failed: %2")
        .arg(portal, message.isEmpty() ? errorName : message);
}
