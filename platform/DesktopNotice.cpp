#include "platform/DesktopNotice.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const char kService[] = "org.freedesktop.Notifications";
const char kPath[] = "/org/freedesktop/Notifications";

QDBusMessage call(const char* method)
{
    return QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                          QLatin1String(kService), QLatin1String(method));
}

} // namespace

bool CDesktopNotice::serviceAvailable()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusConnectionInterface* daemon = bus.isConnected() ? bus.interface() : nullptr;
    if (!daemon)
        return false;
    const QString name = QLatin1String(kService);
    return daemon->isServiceRegistered(name).value() ||
           daemon->activatableServiceNames().value().contains(name);
}

void CDesktopNotice::show(const QString& summary, const QString& body, int timeoutMs)
{
    QDBusMessage notify = call("Notify");
    notify << QCoreApplication::applicationName() << (m_pending ? 0u : m_id) << QStringLiteral("vireoscape")
           << summary << body << QStringList() << QVariantMap() << timeoutMs;
    m_pending = true;
    m_closeWhenKnown = false;
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        m_pending = false;
        m_id = reply.isValid() ? reply.value() : 0;
        if (m_closeWhenKnown)
            close();
    });
}

void CDesktopNotice::close()
{
    if (m_pending) {
        m_closeWhenKnown = true;
        return;
    }
    if (!m_id)
        return;
    QDBusMessage message = call("CloseNotification");
    message << m_id;
    QDBusConnection::sessionBus().send(message);
    m_id = 0;
}
