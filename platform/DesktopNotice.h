#pragma once

#include <QObject>
#include <QString>

// A desktop notification through the notification service of the session
// bus (org.freedesktop.Notifications), where one runs. One notice at a time:
// a new one replaces the last.
class CDesktopNotice : public QObject
{
    Q_OBJECT
public:
    explicit CDesktopNotice(QObject* parent = nullptr) : QObject(parent) {}

    // Whether a notification service runs on the session bus, or the bus
    // can start one.
    static bool serviceAvailable();

    // Shows the notice, gone by itself after timeoutMs. The call does not
    // wait for the service.
    void show(const QString& summary, const QString& body, int timeoutMs);
    // Takes the last notice down (before a snapshot grabs the screen).
    void close();

private:
    uint m_id = 0;          // the service's number for the last notice
    bool m_pending = false; // shown, its number not known yet
    bool m_closeWhenKnown = false;
};
