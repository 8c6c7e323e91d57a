#pragma once

#include "support/TestSupport.h"

#include <QList>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QSet>

// Real X clients for the window-list tests, and what xwininfo says about them.
class X11Clients
{
public:
    ~X11Clients() { stopAll(); }

    // Starts a client whose WM_CLASS instance is `name` and waits until its
    // window is viewable; its window id, or 0.
    quint32 start(const QString& program, QStringList arguments, const QString& name)
    {
        arguments << QStringLiteral("-name") << name;
        auto* process = new QProcess;
        process->start(program, arguments);
        m_processes.append(process);
        if (!process->waitForStarted())
            return 0;
        const TestSupport::ToolResult r = TestSupport::runTool(
            QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
             QStringLiteral("--classname"), QLatin1Char('^') + name + QLatin1Char('$')});
        return QString::fromLatin1(r.out).section(QLatin1Char('\n'), 0, 0).toUInt();
    }

    void stopAll()
    {
        for (QProcess* process : m_processes) {
            process->kill();
            process->waitForFinished();
            delete process;
        }
        m_processes.clear();
    }

private:
    QList<QProcess*> m_processes;
};

inline QString xwininfo(quint32 id, const QStringList& options = {})
{
    return QString::fromLatin1(
        TestSupport::runTool(QStringLiteral("xwininfo"),
                             options + QStringList{QStringLiteral("-id"), QString::number(id)})
            .out);
}

inline int xwininfoValue(const QString& info, const QString& label)
{
    const QRegularExpression re(QStringLiteral("^\\s*%1:\\s*(-?\\d+)").arg(QRegularExpression::escape(label)),
                                QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = re.match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -99999;
}

// The window's outer rectangle in root coordinates, border included, as
// xwininfo reports it (its upper-left corner is the border's, its width and
// height those inside the border).
inline QRect xwininfoRect(quint32 id)
{
    const QString info = xwininfo(id);
    const int border = xwininfoValue(info, QStringLiteral("Border width"));
    return QRect(xwininfoValue(info, QStringLiteral("Absolute upper-left X")),
                 xwininfoValue(info, QStringLiteral("Absolute upper-left Y")),
                 xwininfoValue(info, QStringLiteral("Width")) + 2 * border,
                 xwininfoValue(info, QStringLiteral("Height")) + 2 * border);
}

// Ids of the direct children that xwininfo lists.
inline QList<quint32> xwininfoChildren(quint32 id)
{
    const QString info = xwininfo(id, {QStringLiteral("-children")});
    QList<quint32> ids;
    const QRegularExpression re(QStringLiteral("^\\s+0x([0-9a-f]+) "), QRegularExpression::MultilineOption);
    for (auto it = re.globalMatch(info); it.hasNext();)
        ids.append(it.next().captured(1).toUInt(nullptr, 16));
    return ids;
}

inline bool setCardinalProperty(quint32 id, const QString& property, const QString& values)
{
    return TestSupport::runTool(QStringLiteral("xprop"),
                                {QStringLiteral("-id"), QString::number(id), QStringLiteral("-f"), property,
                                 QStringLiteral("32c"), QStringLiteral("-set"), property, values})
               .exitCode == 0;
}
