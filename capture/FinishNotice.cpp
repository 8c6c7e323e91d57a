#include "capture/FinishNotice.h"

#include "config/AppConfig.h"

#include <QCoreApplication>
#include <QDir>

namespace {

std::function<void(const QString&)>& shower()
{
    static std::function<void(const QString&)> show;
    return show;
}

QString tr(const char* text)
{
    return QCoreApplication::translate("FinishNotice", text);
}

} // namespace

namespace FinishNotice {

void setShower(std::function<void(const QString&)> show)
{
    shower() = std::move(show);
}

QString text(const QString& fileName, bool clipboard)
{
    const QString file = QDir::toNativeSeparators(fileName);
    if (!file.isEmpty())
        return clipboard ? tr("Saved to %1 and copied to the clipboard.").arg(file)
                         : tr("Saved to %1.").arg(file);
    return clipboard ? tr("The picture is on the clipboard.") : QString();
}

QString afterSaveText(const QString& fileName)
{
    const QString saved = text(fileName, false);
    return AppConfig.SaveToFileAfterFinish
               ? saved + QLatin1Char(' ') + tr("The snapshot stays open: OK saves another copy.")
               : saved + QLatin1Char(' ') + tr("The snapshot stays open until OK or Cancel.");
}

void tell(const QString& fileName, bool clipboard)
{
    const QString notice = text(fileName, clipboard);
    if (AppConfig.ShowFinishNotice && shower() && !notice.isEmpty())
        shower()(notice);
}

} // namespace FinishNotice
