#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>

#include <functional>

// The program's service on the session bus, through which other processes
// (`vireoscape --snapshot`, a key bound in the desktop's own settings) ask the
// running instance to start a snapshot or show its main window:
//   gdbus call --session -d org.valdo_software.Vireoscape
//         -o /org/valdo_software/Vireoscape -m org.valdo_software.Vireoscape.StartSnapshot
class CSnapshotService : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.valdo_software.Vireoscape")
public:
    static const char kServiceName[];
    static const char kObjectPath[];
    // The error a StartSnapshot call gets when the instance cannot start one now.
    static const char kRefusedError[];

    using QObject::QObject;
    // Gives the name and the object up: a process that only serves the
    // clipboard now must not be taken for a running instance.
    ~CSnapshotService() override;

    // What StartSnapshot and StartSnapshotAfter do: starts a snapshot (the
    // desktop taken after delayMs, or after the settings' delay when it is
    // negative) and returns an empty text, or returns why it cannot start
    // one now.
    void setStarter(std::function<QString(int delayMs)> starter) { m_starter = std::move(starter); }

    // Puts the service on the session bus; false when there is no bus, or
    // with the reason when it cannot be registered. A name held by another
    // process (one that ends) is waited for: the bus hands it over when free.
    bool publish(QString* error);
    // Gives the name and the object up.
    void withdraw();

    enum class Answer
    {
        Started,
        Refused,
        NoInstance
    };
    // Asks the instance that owns the service to start a snapshot (the
    // desktop taken after delayMs, or after the settings' delay when it is
    // negative): Started, Refused with the instance's reason, or NoInstance
    // with why none answered.
    static Answer askRunningInstance(QString* error, int delayMs = -1);

public slots:
    Q_SCRIPTABLE void StartSnapshot();
    // The desktop is taken after the milliseconds given (0 to 60000)
    // instead of the settings' delay.
    Q_SCRIPTABLE void StartSnapshotAfter(int milliseconds);
    Q_SCRIPTABLE void ShowMainWindow();

signals:
    void showMainWindowRequested();

private:
    void start(int delayMs);

    std::function<QString(int)> m_starter;
    bool m_published = false;
};
