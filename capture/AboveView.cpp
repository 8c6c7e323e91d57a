#include "capture/AboveView.h"

#include <QDialog>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>

int execAboveView(QDialog* dialog)
{
    const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    if (x11)
        dialog->setWindowFlags(dialog->windowFlags() | Qt::X11BypassWindowManagerHint);
    QPointer<QWidget> grabber = QWidget::keyboardGrabber();
    if (grabber)
        grabber->releaseKeyboard();
    QTimer::singleShot(0, dialog, [dialog, x11] {
        dialog->raise();
        dialog->activateWindow();
        if (x11)
            dialog->grabKeyboard();
    });
    const int result = dialog->exec();
    if (x11)
        dialog->releaseKeyboard();
    if (grabber && grabber->isVisible())
        grabber->grabKeyboard();
    return result;
}
