#include "app/SnapshotService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>

const char CSnapshotService::kServiceName[] = "org.valdo_software.Vireoscape";
const char CSnapshotService::kObjectPath[] = "/org/valdo_software/Vireoscape";

namespace {

// A running instance answers at once; a hung one must not hang the caller.
constexpr int kCallTimeoutMs = 5000;

} // namespace

bool CSnapshotService::publish(QString* error)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        error->clear();
        return false;
    }
    if (!bus.registerObject(QLatin1String(kObjectPath), this, QDBusConnection::ExportScriptableSlots)) {
        *error = tr("the object %1 is already registered").arg(QLatin1String(kObjectPath));
        return false;
    }
    if (!bus.registerService(QLatin1String(kServiceName))) {
        bus.unregisterObject(QLatin1String(kObjectPath));
        *error = tr("the name %1 is taken: %2").arg(QLatin1String(kServiceName), bus.lastError().message());
        return false;
    }
    return true;
}

bool CSnapshotService::askRunningInstance(QString* error, int delayMs)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        *error = tr("no session bus: %1").arg(bus.lastError().message());
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QLatin1String(kServiceName), QLatin1String(kObjectPath), QLatin1String(kServiceName),
        delayMs < 0 ? QStringLiteral("StartSnapshot") : QStringLiteral("StartSnapshotAfter"));
    if (delayMs >= 0)
        call << delayMs;
    // Nothing is to be started by the bus: the caller starts the program itself.
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    *error = reply.errorMessage();
    return false;
}

void CSnapshotService::StartSnapshot()
{
    emit startSnapshotRequested();
}

void CSnapshotService::StartSnapshotAfter(int milliseconds)
{
    emit delayedSnapshotRequested(milliseconds);
}

void CSnapshotService::ShowMainWindow()
{
    emit showMainWindowRequested();
}
