#pragma once

#include "config/AppConfig.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QRect>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

class QAction;
class QMenu;
class QPushButton;
class CGlobalShortcut;
class CDesktopSource;
class CDrawView;
class CPinBoard;
class CSnapshotService;
class CPortalShortcuts;
class CDesktopNotice;

// The main window: two icon buttons, the tray icon and its menu, the global
// hot keys, the delay timer between hiding and grabbing, and the capture view
// of the current snapshot.
class Vireoscape : public QWidget
{
    Q_OBJECT
public:
    explicit Vireoscape(QWidget* parent = nullptr);
    // Saves the settings unless saveSettings() already has.
    ~Vireoscape() override;

    // Saves the settings at the end of the program; a failure is told on
    // standard error. Returns whether they were stored.
    bool saveSettings();

    // Puts the program's service on the session bus, through which other
    // processes start a snapshot; false when there is no bus, or with the
    // reason when another program holds the name.
    bool publishService(QString* error);

    // (Re)registers both global hot keys from the settings.
    void setupShortcuts();

    // Why the hot keys cannot work here and what to do instead, or which
    // could not be registered and why; empty when all work.
    QString hotKeysNotice() const { return m_hotKeysNotice; }

    // Starts a snapshot (the desktop taken after delayMs, or after the
    // settings' delay when it is negative) and returns an empty text, or
    // refuses with a short notice and returns why: nothing starts under a
    // dialog of the program, which lives on the stack of the view or of this
    // window it belongs to.
    QString requestSnapshot(int delayMs = -1);
    // The dialog of the program that is open now, if any.
    static QWidget* openDialog();

    // The longest delay between "start snapshot" and the grab, in ms.
    static constexpr int kLongestSnapshotDelay = 60000;

    QSystemTrayIcon* trayIcon() const { return m_trayIcon; }
    QMenu* trayMenu() const { return m_trayMenu; }
    CDrawView* captureView() const { return m_captureView; }
    CPinBoard* pinBoard() const { return m_pinBoard; }
    CGlobalShortcut* startSnapshotShortcut() const { return m_startSnapshotShortcut; }
    CGlobalShortcut* showMainWndShortcut() const { return m_showMainWndShortcut; }
    const QTimer& delayTimer() const { return m_delayTimer; }
    // The tray message of a start: on the very first one where the program
    // is, which key starts a snapshot (not one that could not be registered)
    // and that it starts with the system; then the hot keys that could not
    // be registered, if any. Empty: nothing to say.
    static QString startMessage(bool firstStart, bool startKeyRegistered, const QString& hotKeyFailures);
    QString shownStartMessage() const { return m_startMessage; }

public slots:
    void startSnapshot();
    // A snapshot whose desktop is taken after delayMs (bounded) instead of
    // the settings' delay.
    void startSnapshotAfter(int delayMs);
    void OnOption();
    void showMainWnd();
    void showAbout();
    void iconActivated(QSystemTrayIcon::ActivationReason reason);
    void OnTimeOut();
    // What happens to this window when a snapshot ends.
    void snapshotFinished(AfterFinish action);
    void snapshotAbandoned();
    void showStartMessage();
    // The desktop picture has come: the snapshot view shows it.
    void showSnapshot();
    // No desktop picture: the reason is told (when there is one) and the
    // main window comes back.
    void snapshotFailed(const QString& reason);

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Moves the window back to where it was when it was last hidden.
    void showInPlace(bool normal);
    void createButtons();
    void createActions();
    void createTrayIcon();
    void releaseShortcuts();
    // On Wayland the desktop binds the hot keys, through its portal.
    void setupPortalShortcuts();
    void runOptionsDialog(bool aboutPage);
    // Names the hot keys that could not be grabbed (another program holds them).
    void reportUnregisteredShortcuts();
    // The tray can take the window only when a tray host shows our icon.
    bool trayUsable() const;
    // Where a finished picture went: a desktop notification where a
    // notification service runs, else the tray's message.
    void showFinishNotice(const QString& text);

    QPushButton* m_captureButton = nullptr;
    QPushButton* m_optionButton = nullptr;
    QAction* m_startSnapshotAction = nullptr;
    QAction* m_showMainWndAction = nullptr;
    QAction* m_optionAction = nullptr;
    QAction* m_exitAction = nullptr;
    QAction* m_closePinsAction = nullptr;
    CPinBoard* m_pinBoard = nullptr;
    CGlobalShortcut* m_startSnapshotShortcut = nullptr;
    CGlobalShortcut* m_showMainWndShortcut = nullptr;
    QMenu* m_trayMenu = nullptr;
    QSystemTrayIcon* m_trayIcon = nullptr;
    CDrawView* m_captureView = nullptr;
    CDesktopSource* m_desktopSource = nullptr;
    CSnapshotService* m_service = nullptr;
    CPortalShortcuts* m_portalShortcuts = nullptr;
    CDesktopNotice* m_desktopNotice = nullptr;
    QString m_hotKeysNotice;
    bool m_startKeyRegistered = false;
    QString m_startMessage;             // said in the tray once the program runs
    QPointer<QMessageBox> m_failureBox; // why the last snapshot could not start
    // A picture has been asked for and has not come yet.
    bool m_grabbing = false;
    QTimer m_delayTimer;
    // The main window was on the screen when the snapshot started: the grab
    // waits until it has gone, frame and all.
    bool m_waitForMainWindow = false;
    bool m_mainWindowSeen = false; // and found there after the delay
    QElapsedTimer m_sinceStart;
    QRect m_rememberedGeometry;
    bool m_placeKnown = false; // the window has been hidden once
    bool m_settingsSaved = false;
};
