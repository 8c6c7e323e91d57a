#include "config/AppConfig.h"

#include "config/AutoRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

CAppConfig AppConfig;

namespace {

// The INI store hands every value back as text. A text that is not a number
// of the field's range loads as 0 (QVariant would wrap an oversized number).
int toInt(const QVariant& v)
{
    if (v.typeId() == QMetaType::QString)
        return v.toString().trimmed().toInt();
    return v.toInt();
}

quint32 toUInt(const QVariant& v)
{
    if (v.typeId() == QMetaType::QString)
        return v.toString().trimmed().toUInt();
    return v.toUInt();
}

struct Loader
{
    QSettings& store;

    void operator()(const char* key, int& field, int def) const
    {
        field = toInt(store.value(QLatin1String(key), def));
    }
    void operator()(const char* key, bool& field, bool def) const
    {
        field = store.value(QLatin1String(key), def).toBool();
    }
    void operator()(const char* key, QString& field, const QString& def) const
    {
        field = store.value(QLatin1String(key), def).toString();
    }
    void operator()(const char* key, QColor& field, const QColor& def) const
    {
        // The written colours load as 0 when missing; newer ones as their default.
        const QVariant stored = store.value(QLatin1String(key));
        field = stored.isValid() ? colorFromSetting(toUInt(stored)) : def;
    }
};

struct Saver
{
    QSettings& store;

    void operator()(const char* key, int field, int) const { store.setValue(QLatin1String(key), field); }
    void operator()(const char* key, bool field, bool) const { store.setValue(QLatin1String(key), field); }
    void operator()(const char* key, const QString& field, const QString&) const
    {
        store.setValue(QLatin1String(key), field);
    }
    void operator()(const char* key, const QColor& field, const QColor&) const
    {
        store.setValue(QLatin1String(key), colorToSetting(field));
    }
};

// Writes a page to a new file in the folder and removes it again: the errno
// of the step that fails, or 0.
int probeWrite(const QString& folder)
{
    QByteArray probe = QFile::encodeName(folder + QLatin1String("/.settings-probe-XXXXXX"));
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return errno;
    const QByteArray page(4096, '\n'); // a full disk has no page to give
    errno = 0;
    int error = 0;
    if (::write(fd, page.constData(), page.size()) != page.size())
        error = errno ? errno : ENOSPC;
    if (::close(fd) != 0 && !error)
        error = errno;
    ::unlink(probe.constData());
    return error;
}

// QSettings tells only that the write failed. Repeat its steps (make the
// folder, write a file in it) to learn the system's reason.
QString writeFailureReason(const QString& fileName)
{
    const QFileInfo target(fileName);
    int error = EISDIR;
    if (!target.isDir()) {
        errno = 0;
        if (QDir().mkpath(target.absolutePath()))
            error = probeWrite(target.absolutePath());
        else
            error = errno ? errno : ENOTDIR;
    }
    if (error)
        return QString::fromLocal8Bit(std::strerror(error));
    return QCoreApplication::translate("CAppConfig", "the settings store could not be written");
}

struct Defaulter
{
    template <class T, class D> void operator()(const char*, T& field, const D& def) const { field = def; }
};

} // namespace

CAppConfig::CAppConfig()
    : IntervalSnap(0), FontSize(0), FrameCheck(false), FrameWidth(0), FillCheck(false), Transparent(0),
      GenAutoRun(false), GenAutoHide(false), GenCloseToTray(false), GenActionAfterFinish(0),
      SnapshotAfterDlbClk(false), SnapshotShadow(false), CopyToClipboardAfterFinish(false),
      SaveToFileAfterFinish(false), ImageQuality(0), FirstRunHints(0), HideLook(0), HideBlockSize(0),
      HighlighterWidth(0)
{
}

QString CAppConfig::defaultSnapshotDir()
{
    return QDir::homePath();
}

CAppConfig CAppConfig::defaults()
{
    CAppConfig record;
    visit(record, Defaulter());
    return record;
}

void CAppConfig::load()
{
    QSettings store;
    visit(*this, Loader{store});
    // Compared as unsigned, so that negative values are out of range too.
    if (static_cast<quint32>(ImageQuality) > 100)
        ImageQuality = kFallbackQuality;
    applyAutoRun(GenAutoRun);
}

ConfigSaveResult CAppConfig::save() const
{
    ConfigSaveResult result;
    QSettings store;
    result.fileName = store.fileName();
    visit(*this, Saver{store});
    store.sync();
    if (store.status() != QSettings::NoError) {
        result.error = writeFailureReason(result.fileName);
        return result;
    }
    applyAutoRun(GenAutoRun);
    result.ok = true;
    return result;
}
