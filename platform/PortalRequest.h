#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>

// One call of an xdg-desktop-portal method that answers through a Request
// object: the Response signal is listened for before the call is made (a
// handle_token fixes its path), so a fast answer cannot be missed.
class CPortalRequest : public QObject
{
    Q_OBJECT
public:
    explicit CPortalRequest(QObject* parent = nullptr);
    ~CPortalRequest() override;

    // Calls `method` of `interface` on the portal with `arguments` followed
    // by `options` (which get the handle_token). answered() or failed()
    // follows once, possibly before this returns; after `timeoutMs` without
    // an answer, failed() with the error name "timeout".
    void start(const QString& interface, const QString& method, const QVariantList& arguments,
               QVariantMap options, int timeoutMs);

    static QString portalService();
    static QString portalPath();

signals:
    // The portal's response code (0 success, 1 cancelled, 2 other) and results.
    void answered(uint code, const QVariantMap& results);
    // The call itself failed: the D-Bus error's name and message.
    void failed(const QString& errorName, const QString& message);

private slots:
    void onResponse(uint code, const QVariantMap& results);

private:
    void listen(const QString& path);
    void stopListening();
    void fail(const QString& errorName, const QString& message);

    QString m_path;
    QTimer m_timeout;
    bool m_done = false;
};

// A short text for a portal failure that names what is missing.
QString describePortalFailure(const QString& portal, const QString& errorName, const QString& message);
