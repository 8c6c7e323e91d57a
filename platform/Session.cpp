#include "platform/Session.h"

#include <QByteArray>

bool isWaylandSession()
{
    const QByteArray type = qgetenv("XDG_SESSION_TYPE");
    if (type == "wayland")
        return true;
    if (type == "x11")
        return false;
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}
