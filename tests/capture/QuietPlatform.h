#pragma once

#include <QString>
#include <QtGlobal>

// The offscreen platform warns about every raise() and size hint, and the
// tray icon about a signal it lacks; those lines would bury real warnings.
inline void quietOffscreenWarnings()
{
    static QtMessageHandler previous = nullptr;
    previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (message.startsWith(QLatin1String("This plugin does not support")) ||
                message.contains(QLatin1String("systemTrayWindowChanged")))
                return;
            previous(type, context, message);
        });
}
