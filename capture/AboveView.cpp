#include "capture/AboveView.h"

#include "capture/DrawView.h"

#include <QDialog>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWindow>

int execAboveView(QDialog* dialog)
{
    const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    if (x11)
        dialog->setWindowFlags(dialog->windowFlags() | Qt::X11BypassWindowManagerHint);
    QWidget* parent = dialog->parentWidget();
    QPointer<CDrawView> view = qobject_cast<CDrawView*>(parent ? parent->window() : nullptr);
    QTimer::singleShot(0, dialog, [dialog, x11] {
        dialog->raise();
        dialog->activateWindow();
        // Takes the keyboard over from the view (one client, one grab).
        if (x11 && dialog->windowHandle())
            dialog->windowHandle()->setKeyboardGrabEnabled(true);
    });
    const int result = dialog->exec();
    if (x11 && dialog->windowHandle())
        dialog->windowHandle()->setKeyboardGrabEnabled(false);
    if (view && view->isVisible()) {
        view->activateWindow();
        view->takeKeyboard();
    }
    return result;
}
