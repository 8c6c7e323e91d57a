#include "platform/PortalShortcuts.h"

#include "platform/PortalRequest.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QHash>

namespace {

const char kInterface[] = "org.freedesktop.portal.GlobalShortcuts";
// The desktop may ask the user to confirm the keys: give them time.
constexpr int kAnswerTimeoutMs = 120000;

// One entry of BindShortcuts' a(sa{sv}).
struct PortalShortcut
{
    QString id;
    QVariantMap options;
};

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

namespace {

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.options;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.options;
    argument.endStructure();
    return argument;
}

void registerTypes()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

QString nextSessionToken()
{
    static int serial = 0;
    return QStringLiteral("vireoscape_session%1").arg(++serial);
}

} // namespace

CPortalShortcuts::CPortalShortcuts(QObject* parent) : QObject(parent)
{
    registerTypes();
}

CPortalShortcuts::~CPortalShortcuts()
{
    closeSession();
}

QString CPortalShortcuts::triggerText(const QKeySequence& key)
{
    if (key.isEmpty())
        return QString();
    const QKeyCombination combination = key[0];
    QStringList parts;
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    if (modifiers & Qt::ControlModifier)
        parts << QStringLiteral("CTRL");
    if (modifiers & Qt::AltModifier)
        parts << QStringLiteral("ALT");
    if (modifiers & Qt::ShiftModifier)
        parts << QStringLiteral("SHIFT");
    if (modifiers & Qt::MetaModifier)
        parts << QStringLiteral("LOGO");
    // The key by its XKB keysym name.
    static const QHash<int, QString> names = {
        {Qt::Key_Space, QStringLiteral("space")},    {Qt::Key_Return, QStringLiteral("Return")},
        {Qt::Key_Enter, QStringLiteral("KP_Enter")}, {Qt::Key_Escape, QStringLiteral("Escape")},
        {Qt::Key_Tab, QStringLiteral("Tab")},        {Qt::Key_Backspace, QStringLiteral("BackSpace")},
        {Qt::Key_Insert, QStringLiteral("Insert")},  {Qt::Key_Delete, QStringLiteral("Delete")},
        {Qt::Key_Home, QStringLiteral("Home")},      {Qt::Key_End, QStringLiteral("End")},
        {Qt::Key_PageUp, QStringLiteral("Prior")},   {Qt::Key_PageDown, QStringLiteral("Next")},
        {Qt::Key_Left, QStringLiteral("Left")},      {Qt::Key_Right, QStringLiteral("Right")},
        {Qt::Key_Up, QStringLiteral("Up")},          {Qt::Key_Down, QStringLiteral("Down")},
        {Qt::Key_Print, QStringLiteral("Print")},    {Qt::Key_Pause, QStringLiteral("Pause")},
    };
    const int code = combination.key();
    QString name;
    if ((code >= Qt::Key_A && code <= Qt::Key_Z) || (code >= Qt::Key_0 && code <= Qt::Key_9))
        name = QChar(code).toLower();
    else if (code >= Qt::Key_F1 && code <= Qt::Key_F35)
        name = QStringLiteral("F%1").arg(code - Qt::Key_F1 + 1);
    else
        name = names.value(code);
    if (name.isEmpty())
        return QString();
    parts << name;
    return parts.join(QLatin1Char('+'));
}

void CPortalShortcuts::bind(const QList<Shortcut>& shortcuts)
{
    closeSession();
    m_shortcuts = shortcuts;
    m_bound = false;
    if (!m_listening) {
        m_listening = QDBusConnection::sessionBus().connect(
            CPortalRequest::portalService(), CPortalRequest::portalPath(), QLatin1String(kInterface),
            QStringLiteral("Activated"), this,
            SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    }
    delete m_request;
    m_request = new CPortalRequest(this);
    connect(m_request, &CPortalRequest::answered, this, &CPortalShortcuts::sessionCreated);
    connect(m_request, &CPortalRequest::failed, this, [this](const QString& name, const QString& message) {
        fail(describePortalFailure(tr("global shortcuts"), name, message));
    });
    m_request->start(QLatin1String(kInterface), QStringLiteral("CreateSession"), {},
                     {{QStringLiteral("session_handle_token"), nextSessionToken()}}, kAnswerTimeoutMs);
}

void CPortalShortcuts::sessionCreated(uint code, const QVariantMap& results)
{
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    m_session =
        handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path() : handle.toString();
    if (code != 0 || m_session.isEmpty()) {
        m_session.clear();
        fail(tr("the desktop refused a global shortcuts session"));
        return;
    }
    QList<PortalShortcut> entries;
    for (const Shortcut& shortcut : m_shortcuts) {
        QVariantMap options{{QStringLiteral("description"), shortcut.description}};
        const QString trigger = triggerText(shortcut.key);
        if (!trigger.isEmpty())
            options.insert(QStringLiteral("preferred_trigger"), trigger);
        entries.append({shortcut.id, options});
    }
    m_request->deleteLater();
    m_request = new CPortalRequest(this);
    connect(m_request, &CPortalRequest::answered, this, [this](uint answer) { shortcutsBound(answer); });
    connect(m_request, &CPortalRequest::failed, this, [this](const QString& name, const QString& message) {
        fail(describePortalFailure(tr("global shortcuts"), name, message));
    });
    m_request->start(
        QLatin1String(kInterface), QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(entries), QString()}, {},
        kAnswerTimeoutMs);
}

void CPortalShortcuts::shortcutsBound(uint code)
{
    if (code != 0) {
        fail(code == 1 ? tr("the global shortcuts were not accepted")
                       : tr("the desktop refused the global shortcuts"));
        return;
    }
    m_bound = true;
    emit bound();
}

void CPortalShortcuts::onActivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                                   const QVariantMap&)
{
    if (!m_session.isEmpty() && session.path() == m_session)
        emit activated(id);
}

void CPortalShortcuts::closeSession()
{
    if (m_session.isEmpty())
        return;
    // Closing the session frees the keys for the desktop.
    QDBusConnection::sessionBus().asyncCall(QDBusMessage::createMethodCall(
        CPortalRequest::portalService(), m_session, QStringLiteral("org.freedesktop.portal.Session"),
        QStringLiteral("Close")));
    m_session.clear();
    m_bound = false;
}

void CPortalShortcuts::fail(const QString& reason)
{
    m_bound = false;
    emit failed(reason);
}
