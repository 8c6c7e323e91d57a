#include "config/AutoRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

QString autoRunEntryPath()
{
    // GenericConfigLocation honours XDG_CONFIG_HOME and falls back to ~/.config.
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config + QLatin1String("/autostart/") + QCoreApplication::applicationName() +
           QLatin1String(".desktop");
}

QString autoRunExecValue(const QString& executable)
{
    // Inside double quotes the characters " ` $ \ need a backslash; the value
    // is then a desktop-entry string, in which a backslash is itself escaped.
    // A literal percent sign is written as %% (field codes start with %).
    QString quoted;
    for (const QChar c : executable) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    quoted.replace(QLatin1Char('%'), QLatin1String("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool applyAutoRun(bool enabled, const QString& executable)
{
    const QString path = autoRunEntryPath();
    if (!enabled)
        return !QFile::exists(path) || QFile::remove(path);

    const QString exe = executable.isEmpty() ? QCoreApplication::applicationFilePath() : executable;
    const QString name = QCoreApplication::applicationName();
    const QByteArray content = QStringLiteral("[Desktop Entry]\n"
                                              "Type=Application\n"
                                              "Name=%1\n"
                                              "Comment=Screen capture and annotation\n"
                                              "Exec=%2\n"
                                              "Icon=vireoscape\n"
                                              "Terminal=false\n"
                                              "X-GNOME-Autostart-enabled=true\n")
                                   .arg(name, autoRunExecValue(exe))
                                   .toUtf8();

    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content)
        return true; // already in line: no write at every start
    existing.close();

    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(content);
    return file.commit();
}
