#pragma once

#include <QDBusObjectPath>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

class CPortalRequest;

// The program's global hot keys on Wayland, through the GlobalShortcuts
// portal: one portal session in which the desktop binds the proposed keys
// (the desktop may show them to the user and change them).
class CPortalShortcuts : public QObject
{
    Q_OBJECT
public:
    struct Shortcut
    {
        QString id;
        QString description;
        QKeySequence key; // the proposed combination; may be empty
    };

    explicit CPortalShortcuts(QObject* parent = nullptr);
    ~CPortalShortcuts() override;

    // Proposes these shortcuts in a new session, replacing the last one's.
    void bind(const QList<Shortcut>& shortcuts);
    // Ends the session: the desktop frees the keys.
    void release() { closeSession(); }
    // Whether the desktop has bound the shortcuts of the last bind().
    bool isBound() const { return m_bound; }

    // A combination in the portal's trigger form ("CTRL+ALT+s"); empty when
    // it has no such form.
    static QString triggerText(const QKeySequence& key);

signals:
    void activated(const QString& id);
    // The desktop bound the shortcuts, or refused or failed (with why).
    void bound();
    void failed(const QString& reason);

private slots:
    void onActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                     const QVariantMap& options);

private:
    void closeSession();
    void sessionCreated(uint code, const QVariantMap& results);
    void shortcutsBound(uint code);
    void fail(const QString& reason);

    QList<Shortcut> m_shortcuts;
    QString m_session;
    CPortalRequest* m_request = nullptr;
    bool m_bound = false;
    bool m_listening = false;
};
