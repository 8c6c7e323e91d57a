#include "app/Vireoscape.h"

#include "annotate/StripGeometry.h"
#include "app/SnapshotService.h"
#include "capture/DrawView.h"
#include "capture/FinishNotice.h"
#include "config/AppConfig.h"
#include "options/KeyText.h"
#include "options/OptionsDialog.h"
#include "options/SnapshotPage.h"
#include "output/PictureFiles.h"
#include "pin/PinBoard.h"
#include "platform/DesktopNotice.h"
#include "platform/DesktopSource.h"
#include "platform/GlobalShortcut.h"
#include "platform/PortalShortcuts.h"
#include "platform/Session.h"
#include "platform/WindowList.h"
#include "platform/X11Connection.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cstdio>

namespace {

// A stored hot key as the options show it, or the empty text when it names
// no combination (a hand-edited "alt + s", modifiers alone, an unknown key).
QString keyText(const QString& stored)
{
    const CShortcut key(stored);
    return key.isValid() ? key.toString(false) : QString();
}

// The combination a stored hot key names, or none.
QKeySequence keySequence(const QString& stored)
{
    const CShortcut key(stored);
    return key.isValid() ? QKeySequence(key.toString(true)) : QKeySequence();
}

} // namespace

Vireoscape::Vireoscape(QWidget* parent) : QWidget(parent)
{
    CSnapshotPage::setNameMaker([](const QString& pattern) { return expandFileName(pattern); });
    createButtons();
    createActions();
    createTrayIcon();
    connect(&m_delayTimer, &QTimer::timeout, this, &Vireoscape::OnTimeOut);
    m_desktopSource = CDesktopSource::create(this);
    connect(m_desktopSource, &CDesktopSource::ready, this, &Vireoscape::showSnapshot);
    connect(m_desktopSource, &CDesktopSource::failed, this, &Vireoscape::snapshotFailed);
    m_desktopNotice = new CDesktopNotice(this);
    FinishNotice::setShower([this](const QString& text) { showFinishNotice(text); });
    setWindowTitle(tr("Vireoscape"));
    // Wide enough for the title beside the window manager's buttons. A fixed
    // size: tiling window managers and compositors (i3, sway) float such a
    // window at that size instead of stretching its two buttons over a
    // whole tile.
    setFixedSize(qMax(sizeHint().width(), fontMetrics().horizontalAdvance(windowTitle()) + 160),
                 sizeHint().height());
    const bool firstStart = AppConfig.FirstRunHints <= 0;
    if (firstStart)
        AppConfig.FirstRunHints = 1;
    // Said once the event loop runs and the tray has shown the icon.
    m_startMessage = startMessage(firstStart, m_startKeyRegistered, m_hotKeysNotice);
    if (!m_startMessage.isEmpty())
        QTimer::singleShot(500, this, &Vireoscape::showStartMessage);
}

QString Vireoscape::startMessage(bool firstStart, bool startKeyRegistered, const QString& hotKeyFailures)
{
    if (!firstStart)
        return hotKeyFailures;
    const QString key = keyText(AppConfig.ShortcutStartSnapshot);
    // A key another program holds is not promised.
    QString message = key.isEmpty() || !startKeyRegistered
                          ? tr("Vireoscape runs in the tray. Click its icon twice to take a snapshot.")
                          : tr("Vireoscape runs in the tray. Press %1 to take a snapshot.").arg(key);
    // The first start has turned on the start with the system: say so, in
    // the words of the options that change it.
    if (AppConfig.GenAutoRun)
        message += QLatin1Char(' ') +
                   tr("It also starts with the system from now on: to change that, untick \"%1\" in %2 > %3.")
                       .arg(QCoreApplication::translate("CGeneralPage", "Auto run when start up"),
                            tr("Option..."), QCoreApplication::translate("COptionsDialog", "General"));
    if (!hotKeyFailures.isEmpty())
        message += QLatin1Char(' ') + hotKeyFailures;
    return message;
}

void Vireoscape::showStartMessage()
{
    if (trayUsable())
        m_trayIcon->showMessage(tr("Vireoscape"), m_startMessage, QSystemTrayIcon::Information, 10000);
}

Vireoscape::~Vireoscape()
{
    FinishNotice::setShower(nullptr);
    if (!m_settingsSaved)
        saveSettings();
}

bool Vireoscape::saveSettings()
{
    m_settingsSaved = true;
    const ConfigSaveResult result = AppConfig.save();
    if (!result.ok)
        std::fprintf(
            stderr, "vireoscape: %s\n",
            qUtf8Printable(tr("cannot save the settings to %1: %2").arg(result.fileName, result.error)));
    return result.ok;
}

bool Vireoscape::publishService(QString* error)
{
    if (!m_service) {
        m_service = new CSnapshotService(this);
        m_service->setStarter([this](int delayMs) { return requestSnapshot(delayMs); });
        connect(m_service, &CSnapshotService::showMainWindowRequested, this, &Vireoscape::showMainWnd);
    }
    return m_service->publish(error);
}

void Vireoscape::createButtons()
{
    setWindowIcon(QIcon(QStringLiteral(":/Resources/Vireoscape.png")));
    auto* layout = new QHBoxLayout;
    layout->setSpacing(40);
    layout->setContentsMargins(20, 10, 20, 10);
    setLayout(layout);

    auto* capture =
        new QPushButton(QIcon(QStringLiteral(":/Resources/ico_btn_snapshot_area.png")), QString());
    m_captureButton = capture;
    capture->setIconSize(QSize(32, 32));
    layout->addWidget(capture);
    connect(capture, &QPushButton::clicked, this, &Vireoscape::startSnapshot);

    auto* option = new QPushButton(QIcon(QStringLiteral(":/Resources/option.png")), QString());
    m_optionButton = option;
    option->setIconSize(QSize(32, 32));
    layout->addWidget(option);
    connect(option, &QPushButton::clicked, this, &Vireoscape::OnOption);
}

void Vireoscape::createActions()
{
    m_startSnapshotAction = new QAction(tr("Start snapshot"), this);
    connect(m_startSnapshotAction, &QAction::triggered, this, &Vireoscape::startSnapshot);
    m_showMainWndAction = new QAction(tr("Show Main Window"), this);
    connect(m_showMainWndAction, &QAction::triggered, this, &Vireoscape::showMainWnd);
    m_optionAction = new QAction(tr("Option..."), this);
    connect(m_optionAction, &QAction::triggered, this, &Vireoscape::OnOption);
    // Pins outlive the snapshots; this takes them all off the screen.
    m_pinBoard = new CPinBoard(this);
    m_closePinsAction = new QAction(tr("Close all pins"), this);
    m_closePinsAction->setEnabled(false);
    connect(m_closePinsAction, &QAction::triggered, m_pinBoard, &CPinBoard::closeAll);
    connect(m_pinBoard, &CPinBoard::countChanged, m_closePinsAction,
            [this](int count) { m_closePinsAction->setEnabled(count > 0); });
    m_exitAction = new QAction(tr("Exit"), this);
    // Ends the program even where closing would only hide to the tray.
    connect(m_exitAction, &QAction::triggered, qApp, [] { QCoreApplication::exit(0); });
    setupShortcuts();
}

void Vireoscape::createTrayIcon()
{
    m_trayMenu = new QMenu(this);
    m_trayMenu->addAction(m_startSnapshotAction);
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(m_showMainWndAction);
    m_trayMenu->addAction(m_optionAction);
    m_trayMenu->addAction(m_closePinsAction);
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(m_exitAction);

    m_trayIcon = new QSystemTrayIcon(QIcon(QStringLiteral(":/Resources/Vireoscape.png")), this);
    m_trayIcon->setContextMenu(m_trayMenu);
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, &Vireoscape::iconActivated);
    m_trayIcon->setToolTip(tr("Vireoscape"));
    m_trayIcon->setVisible(true);
}

void Vireoscape::setupShortcuts()
{
    // No program can grab a key on Wayland, not even through XWayland.
    if (isWaylandSession()) {
        m_startKeyRegistered = true; // the portal binds it, or the notice says why not
        setupPortalShortcuts();
        return;
    }
    struct Binding
    {
        CGlobalShortcut*& shortcut;
        QString text; // as the options show it
        QAction* owner;
        QString label;
        void (Vireoscape::*slot)();
    };
    const Binding bindings[] = {
        {m_startSnapshotShortcut, keyText(AppConfig.ShortcutStartSnapshot), m_startSnapshotAction,
         tr("Start snapshot"), &Vireoscape::startSnapshot},
        {m_showMainWndShortcut, keyText(AppConfig.ShortcutShowMainWnd), m_showMainWndAction,
         tr("Show Main Window"), &Vireoscape::showMainWnd},
    };
    const QString startKey = bindings[0].text;
    m_captureButton->setToolTip(startKey.isEmpty() ? tr("Capture") : tr("Capture (%1)").arg(startKey));
    m_optionButton->setToolTip(tr("Option..."));
    m_captureButton->setAccessibleName(tr("Capture"));
    m_captureButton->setAccessibleDescription(m_captureButton->toolTip());
    m_optionButton->setAccessibleName(tr("Option..."));
    m_optionButton->setAccessibleDescription(tr("Option..."));
    for (const Binding& b : bindings) {
        // The menu entry names its key; nothing but the global hot key acts on it.
        b.owner->setShortcutContext(Qt::WidgetShortcut);
        b.owner->setShortcut(keySequence(b.text));
        b.owner->setShortcutVisibleInContextMenu(true);
        // The key in the options' own form ("Alt + S"), not the menu's "Alt+S".
        b.owner->setText(b.text.isEmpty() ? b.label : b.label + QLatin1Char('\t') + b.text);
        delete b.shortcut; // releases the system-wide grab
        b.shortcut = nullptr;
        if (b.text.isEmpty())
            continue;
        b.shortcut = new CGlobalShortcut(keySequence(b.text), b.owner);
        connect(b.shortcut, &CGlobalShortcut::activated, this, b.slot);
    }
    m_startKeyRegistered = m_startSnapshotShortcut && m_startSnapshotShortcut->isRegistered();
    // Keys that could not be had are named in the options' form, for the
    // start's message and the Shortcut page; standard error gets one line,
    // and only when that changes (the options dialog registers them anew).
    if (!x11Connection())
        return; // offscreen: no hot keys at all
    QStringList failures;
    for (const Binding& b : bindings) {
        if (b.shortcut && !b.shortcut->isRegistered())
            failures << tr("The hot key %1 (%2) could not be registered: %3.")
                            .arg(b.text, b.label, b.shortcut->problem());
    }
    const QString notice = failures.join(QLatin1Char(' '));
    if (!notice.isEmpty() && notice != m_hotKeysNotice)
        std::fprintf(stderr, "vireoscape: %s\n", qUtf8Printable(notice));
    m_hotKeysNotice = notice;
}

void Vireoscape::setupPortalShortcuts()
{
    if (!m_portalShortcuts) {
        m_portalShortcuts = new CPortalShortcuts(this);
        connect(m_portalShortcuts, &CPortalShortcuts::activated, this, [this](const QString& id) {
            if (id == QLatin1String("start-snapshot"))
                startSnapshot();
            else if (id == QLatin1String("show-main-window"))
                showMainWnd();
        });
        connect(m_portalShortcuts, &CPortalShortcuts::bound, this, [this] { m_hotKeysNotice.clear(); });
        connect(m_portalShortcuts, &CPortalShortcuts::failed, this, [this](const QString& reason) {
            m_hotKeysNotice =
                tr("This desktop does not let programs bind keys (%1). To start a snapshot with a key, bind "
                   "the command \"vireoscape --snapshot\" to it in the desktop's own keyboard settings.")
                    .arg(reason);
        });
    }
    QList<CPortalShortcuts::Shortcut> shortcuts;
    if (const QKeySequence key = keySequence(AppConfig.ShortcutStartSnapshot); !key.isEmpty())
        shortcuts.append({QStringLiteral("start-snapshot"), tr("Start snapshot"), key});
    if (const QKeySequence key = keySequence(AppConfig.ShortcutShowMainWnd); !key.isEmpty())
        shortcuts.append({QStringLiteral("show-main-window"), tr("Show Main Window"), key});
    m_portalShortcuts->bind(shortcuts);
}

QWidget* Vireoscape::openDialog()
{
    return QApplication::activeModalWidget();
}

void Vireoscape::startSnapshot()
{
    requestSnapshot();
}

void Vireoscape::startSnapshotAfter(int delayMs)
{
    requestSnapshot(delayMs);
}

QString Vireoscape::requestSnapshot(int delayMs)
{
    // A new snapshot deletes the view of the last one and hides this window:
    // under a dialog of either (the save dialog, a message box, Options)
    // that would pull the dialog away from under its user.
    if (QWidget* dialog = openDialog()) {
        const QString refusal =
            tr("No snapshot while \"%1\" is open: finish with it first.").arg(dialog->windowTitle());
        if (trayUsable())
            m_trayIcon->showMessage(tr("Vireoscape"), refusal, QSystemTrayIcon::Information, 5000);
        else
            QApplication::beep();
        return refusal;
    }
    // A menu of the program goes, as it would at any click elsewhere.
    for (int i = 0; i < 8 && QApplication::activePopupWidget(); ++i)
        QApplication::activePopupWidget()->close();
    if (m_failureBox)
        m_failureBox->close(); // the reason of a failed start is old news now
    // The portal may take a second; a second start meanwhile changes nothing.
    if (m_grabbing)
        return QString();
    // The start key during a snapshot reaches the hot key, not the view: the
    // snapshot on the screen goes at once, so that the delay shows the live
    // desktop and the grab takes it, not the old frozen picture.
    if (m_captureView && CDrawView::onScreen() == m_captureView)
        m_captureView->endSnapshot();
    if (delayMs < 0)
        delayMs = AppConfig.IntervalSnap;
    m_waitForMainWindow = isVisible();
    m_mainWindowSeen = false;
    m_sinceStart.start();
    hide();
    // A balloon still on the screen (the first start's, saying to press the
    // key just pressed) would be in the picture: empty texts take it down.
    if (trayUsable())
        m_trayIcon->showMessage(QString(), QString(), QSystemTrayIcon::NoIcon, 0);
    m_desktopNotice->close(); // the last finish's notice too
    // A negative delay would not start the timer at all, leaving the user
    // with no window and no snapshot; an absurd one would look the same.
    m_delayTimer.start(std::clamp(delayMs, 0, kLongestSnapshotDelay));
    return QString();
}

void Vireoscape::OnTimeOut()
{
    m_delayTimer.stop();
    // A dialog that opened meanwhile (Options from the tray, the failure of
    // the last picture's file) is left to its user: the desktop is taken
    // once it has closed.
    if (openDialog()) {
        constexpr int kDialogPollMs = 50;
        m_delayTimer.start(kDialogPollMs);
        return;
    }
    // With a short delay the window manager may not yet have taken the main
    // window's frame down: the desktop is taken once it has, and the windows
    // it covered have had a moment to paint themselves again.
    if (m_waitForMainWindow) {
        constexpr int kPollMs = 5;
        constexpr int kRepaintMs = 20;
        constexpr qint64 kLongestWaitMs = 500;
        if (x11TopLevelOnScreen(quint32(internalWinId())) && m_sinceStart.elapsed() < kLongestWaitMs) {
            m_mainWindowSeen = true;
            m_delayTimer.start(kPollMs);
            return;
        }
        m_waitForMainWindow = false;
        if (m_mainWindowSeen) {
            m_delayTimer.start(kRepaintMs);
            return;
        }
    }
    delete m_captureView;
    m_captureView = nullptr;
    m_grabbing = true;
    // On X11 the picture comes before request() returns.
    m_desktopSource->request();
}

void Vireoscape::snapshotFailed(const QString& reason)
{
    m_grabbing = false;
    showMainWnd(); // nothing to pick from
    if (reason.isEmpty())
        return;
    // Not modal: the program goes on, and a hot key can try again.
    if (m_failureBox)
        m_failureBox->close();
    m_failureBox = new QMessageBox(QMessageBox::Warning, tr("Vireoscape"),
                                   tr("The snapshot cannot start: %1.").arg(reason), QMessageBox::Ok, this);
    m_failureBox->setAttribute(Qt::WA_DeleteOnClose);
    m_failureBox->show();
}

void Vireoscape::showSnapshot()
{
    m_grabbing = false;
    QImage picture = m_desktopSource->takePicture();
    QPixmap desktop;
    const bool windowsKnown = m_desktopSource->listsWindows();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!windowsKnown && screen) {
        // The portal's picture spans every output; a Wayland window covers
        // one, the primary one.
        desktop = QPixmap::fromImage(outputPicture(picture, screen->virtualGeometry(), screen->geometry(),
                                                   screen->devicePixelRatio()));
    } else {
        desktop = QPixmap::fromImage(std::move(picture));
    }
    if (desktop.isNull()) {
        snapshotFailed(QString());
        return;
    }
    m_captureView = new CDrawView(desktop, this);
    desktop = QPixmap();
    m_captureView->setRestartKey(keySequence(AppConfig.ShortcutStartSnapshot));
    connect(m_captureView, &CDrawView::finished, this, &Vireoscape::snapshotFinished);
    connect(m_captureView, &CDrawView::abandoned, this, &Vireoscape::snapshotAbandoned);
    connect(m_captureView, &CDrawView::pinned, m_pinBoard,
            [this](const QImage& picture, const QRect& area, qreal ratio, const QImage& around) {
                m_pinBoard->pin(picture, area, ratio, around);
            });
    connect(m_captureView, &CDrawView::restartRequested, this, &Vireoscape::startSnapshot);
    // No client places its windows on Wayland, nor through XWayland, where
    // the compositor gives the keyboard only to the windows it manages: a
    // full-screen one covers the output.
    m_captureView->setWindowFlags(windowsKnown ? floatingWindowFlags()
                                               : Qt::Window | Qt::FramelessWindowHint);
    if (windowsKnown) {
        m_captureView->show();
        m_captureView->veilAhead();
        // Only X11 lists windows; elsewhere nothing is offered to pick. Taken
        // once, as the desktop was, while the X server lays the veil: the
        // user picks from the frozen picture. Nothing has moved since the
        // grab, and the view's own window is left out.
        m_captureView->setWindowList(
            CWindowList::fromX11({quint32(internalWinId()), quint32(m_captureView->winId())}));
    } else {
        m_captureView->showFullScreen();
    }
    // On the primary monitor, in the view's first paint (the event loop has
    // not run since it was shown).
    if (AppConfig.FirstRunHints <= CAppConfig::kHintedSnapshots) {
        m_captureView->showFirstRunHint();
        AppConfig.FirstRunHints = qMax(1, AppConfig.FirstRunHints) + 1;
    }
    m_captureView->raise();
    m_captureView->activateWindow();
}

void Vireoscape::snapshotFinished(AfterFinish action)
{
    switch (action) {
    case AfterFinish::ShowMainWindow:
        showInPlace(true);
        break;
    case AfterFinish::ExitApplication: // the close handling decides between the tray and the end
        close();
        break;
    case AfterFinish::HideToTray:
        hide();
        break;
    }
}

void Vireoscape::snapshotAbandoned()
{
    showInPlace(true);
}

void Vireoscape::showMainWnd()
{
    showInPlace(isMinimized());
}

void Vireoscape::showInPlace(bool normal)
{
    // Where the window was last seen, wherever the user had dragged it. Qt
    // takes a move to where it believes the hidden window still is for no
    // move at all and maps it with no position of the user's, so the window
    // manager places it anew: a nudge makes the move real while hidden, and
    // once the manager has mapped the window a stray place is set right.
    if (m_placeKnown && !isVisible()) {
        const QPoint place = m_rememberedGeometry.topLeft();
        move(place + QPoint(1, 1));
        move(place);
    }
    if (normal)
        showNormal();
    else
        setVisible(true);
    if (!m_placeKnown)
        return;
    const QPoint place = m_rememberedGeometry.topLeft();
    if (pos() != place)
        move(place);
    QTimer::singleShot(200, this, [this, place] {
        if (isVisible() && m_rememberedGeometry.topLeft() == place && pos() != place)
            move(place);
    });
}

void Vireoscape::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous() && !isMinimized()) {
        m_rememberedGeometry = frameGeometry();
        m_placeKnown = true;
    }
    QWidget::hideEvent(event);
}

void Vireoscape::releaseShortcuts()
{
    if (m_portalShortcuts)
        m_portalShortcuts->release();
    delete m_startSnapshotShortcut;
    m_startSnapshotShortcut = nullptr;
    delete m_showMainWndShortcut;
    m_showMainWndShortcut = nullptr;
}

void Vireoscape::runOptionsDialog(bool aboutPage)
{
    // While the dialog is open its shortcut table must see every key, the
    // current hot keys included; OK registers the new ones, Cancel the old.
    releaseShortcuts();
    COptionsDialog dialog(this);
    dialog.setHotKeysNotice(m_hotKeysNotice);
    if (aboutPage)
        dialog.showAboutPage();
    const bool accepted = dialog.exec() == QDialog::Accepted;
    setupShortcuts();
    if (accepted)
        reportUnregisteredShortcuts();
}

void Vireoscape::reportUnregisteredShortcuts()
{
    // Without X11 (offscreen) no hot key can be grabbed at all; on Wayland
    // the desktop binds them, and the Shortcut page says when it cannot.
    if (!x11Connection() || isWaylandSession())
        return;
    const struct
    {
        const QString& text;
        const CGlobalShortcut* shortcut;
    } hotKeys[] = {
        {AppConfig.ShortcutStartSnapshot, m_startSnapshotShortcut},
        {AppConfig.ShortcutShowMainWnd, m_showMainWndShortcut},
    };
    QStringList failed;
    for (const auto& hotKey : hotKeys) {
        if (!hotKey.text.isEmpty() && (!hotKey.shortcut || !hotKey.shortcut->isRegistered()))
            failed << hotKey.text;
    }
    if (failed.isEmpty())
        return;
    QMessageBox::warning(this, tr("Shortcut"),
                         tr("The settings are saved, but these hot keys could not be registered: %1.\n"
                            "Another program may be using them; choose other combinations.")
                             .arg(failed.join(QLatin1String(", "))),
                         QMessageBox::Ok);
}

void Vireoscape::OnOption()
{
    const bool wasVisible = isVisible();
    if (!wasVisible)
        showMinimized(); // the modal dialog gets a parent that exists on screen
    runOptionsDialog(false);
    if (!wasVisible) {
        // Hidden first, so that leaving the minimized state does not flash it.
        hide();
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
}

void Vireoscape::showAbout()
{
    runOptionsDialog(true);
}

void Vireoscape::iconActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::DoubleClick)
        return;
    if (AppConfig.SnapshotAfterDlbClk)
        startSnapshot();
    else
        showMainWnd();
}

bool Vireoscape::trayUsable() const
{
    // isVisible() stays true with no tray host; hiding the window then would
    // leave the user with nothing to click.
    return m_trayIcon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void Vireoscape::showFinishNotice(const QString& text)
{
    constexpr int kNoticeMs = 4000;
    if (CDesktopNotice::serviceAvailable())
        m_desktopNotice->show(tr("Vireoscape"), text, kNoticeMs);
    else if (trayUsable())
        m_trayIcon->showMessage(tr("Vireoscape"), text, QSystemTrayIcon::Information, kNoticeMs);
}

void Vireoscape::closeEvent(QCloseEvent* event)
{
    if (AppConfig.GenCloseToTray && trayUsable()) {
        hide();
        event->ignore();
        return;
    }
    event->accept();
    // Closing a hidden window ("Exit application" after a snapshot) does not
    // trigger Qt's last-window rule: end the program here in every case.
    QCoreApplication::exit(0);
}
