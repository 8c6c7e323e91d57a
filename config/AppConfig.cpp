#include "config/AppConfig.h"

#include "config/AutoRun.h"

#include <QDir>
#include <QSettings>

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
    void operator()(const char* key, QColor& field, const QColor&) const
    {
        field = colorFromSetting(toUInt(store.value(QLatin1String(key))));
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

struct Defaulter
{
    template <class T, class D> void operator()(const char*, T& field, const D& def) const { field = def; }
};

} // namespace

CAppConfig::CAppConfig()
    : IntervalSnap(0), FontSize(0), FrameCheck(false), FrameWidth(0), FillCheck(false), Transparent(0),
      GenAutoRun(false), GenAutoHide(false), GenCloseToTray(false), GenActionAfterFinish(0),
      SnapshotAfterDlbClk(false), SnapshotShadow(false), CopyToClipboardAfterFinish(false),
      SaveToFileAfterFinish(false), ImageQuality(0)
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

void CAppConfig::save() const
{
    QSettings store;
    visit(*this, Saver{store});
    store.sync();
    applyAutoRun(GenAutoRun);
}
