#pragma once

#include <QObject>
#include <QString>

// The program's service on the session bus, through which other processes
// (`vireoscape --snapshot`, a key bound in the desktop's own settings) ask the
// running instance to start a snapshot or show its main window:
//   gdbus call --session -d org.valdo_software.Vireoscape
//         -o /org/valdo_software/Vireoscape -m org.valdo_software.Vireoscape.StartSnapshot
class CSnapshotService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.valdo_software.Vireoscape")
public:
    static const char kServiceName[];
    static const char kObjectPath[];

    using QObject::QObject;

    // Puts the service on the session bus; false when there is no bus, or
    // with the reason when the name is taken.
    bool publish(QString* error);

    // Asks the instance that owns the service to start a snapshot (the
    // desktop taken after delayMs, or after the settings' delay when it is
    // negative): true when it accepted, false with the reason when none
    // answered.
    static bool askRunningInstance(QString* error, int delayMs = -1);

public slots:
    Q_SCRIPTABLE void StartSnapshot();
    // The desktop is taken after the milliseconds given (0 to 60000)
    // instead of the settings' delay.
    Q_SCRIPTABLE void StartSnapshotAfter(int milliseconds);
    Q_SCRIPTABLE void ShowMainWindow();

signals:
    void startSnapshotRequested();
    void delayedSnapshotRequested(int milliseconds);
    void showMainWindowRequested();
};
