#include "app/SnapshotService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusReply>

#include <algorithm>

const char CSnapshotService::kServiceName[] = "org.valdo_software.Vireoscape";
const char CSnapshotService::kObjectPath[] = "/org/valdo_software/Vireoscape";
const char CSnapshotService::kRefusedError[] = "org.valdo_software.Vireoscape.Error.Refused";

namespace {

// A running instance answers at once; a hung one must not hang the caller.
constexpr int kCallTimeoutMs = 5000;

} // namespace

CSnapshotService::~CSnapshotService()
{
    withdraw();
}

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
    // Queued behind a process that still holds the name (an older instance
    // serving its clipboard): the bus gives it to us once that lets it go.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(QLatin1String(kServiceName), QDBusConnectionInterface::QueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() == QDBusConnectionInterface::ServiceNotRegistered) {
        bus.unregisterObject(QLatin1String(kObjectPath));
        *error = tr("the name %1 is taken: %2").arg(QLatin1String(kServiceName), reply.error().message());
        return false;
    }
    m_published = true;
    return true;
}

void CSnapshotService::withdraw()
{
    if (!m_published)
        return;
    m_published = false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(QLatin1String(kObjectPath));
    // Also leaves the queue when the name never came.
    bus.unregisterService(QLatin1String(kServiceName));
}

CSnapshotService::Answer CSnapshotService::askRunningInstance(QString* error, int delayMs)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        *error = tr("no session bus: %1").arg(bus.lastError().message());
        return Answer::NoInstance;
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
        return Answer::Started;
    *error = reply.errorMessage();
    return reply.errorName() == QLatin1String(kRefusedError) ? Answer::Refused : Answer::NoInstance;
}

void CSnapshotService::start(int delayMs)
{
    const QString refusal = m_starter ? m_starter(delayMs) : QString();
    if (!refusal.isEmpty() && calledFromDBus())
        sendErrorReply(QLatin1String(kRefusedError), refusal);
}

void CSnapshotService::StartSnapshot()
{
    start(-1);
}

void CSnapshotService::StartSnapshotAfter(int milliseconds)
{
    // Negative values mean the settings' delay inside; a caller's "-1" is a
    // delay of nothing, as any other value below zero.
    start(std::max(milliseconds, 0));
}

void CSnapshotService::ShowMainWindow()
{
    emit showMainWindowRequested();
}
