#include "config/AppConfig.h"

#include "config/AutoRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

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

// Longer texts are no file name or folder: a damaged file, which would
// otherwise end up in message boxes that take minutes to lay them out.
constexpr int kLongestName = 255;
constexpr int kLongestPath = 4096;

struct Loader
{
    QSettings& store;
    QStringList* problems;

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
        const int longest = CAppConfig::longestText(key);
        if (field.size() <= longest)
            return;
        *problems << QCoreApplication::translate("CAppConfig",
                                                 "the setting %1 is %2 characters long, more than %3: "
                                                 "the default is used")
                         .arg(QLatin1String(key))
                         .arg(field.size())
                         .arg(longest);
        field = def;
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

QString storedText(int v)
{
    return QString::number(v);
}
QString storedText(bool v)
{
    return v ? QStringLiteral("true") : QStringLiteral("false");
}
QString storedText(const QString& v)
{
    return v;
}
QString storedText(const QColor& v)
{
    return QString::number(colorToSetting(v));
}

// Whether the settings file now reads back, without complaint, as the
// record. Read from a copy: QSettings answers for a file it already has
// open in this process from what it holds, not from the disk.
bool holdsRecord(const QString& fileName, const CAppConfig& record)
{
    const QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("written.conf"));
    if (!dir.isValid() || !QFile::copy(fileName, copy))
        return false;
    QSettings stored(copy, QSettings::IniFormat);
    bool same = true;
    CAppConfig::visit(record, [&](const char* key, const auto& field, const auto&) {
        same = same && stored.value(QLatin1String(key)).toString() == storedText(field);
    });
    return same && stored.status() == QSettings::NoError;
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
      HighlighterWidth(0), ShowFinishNotice(false)
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

QStringList CAppConfig::load()
{
    QSettings store;
    QStringList problems;
    visit(*this, Loader{store, &problems});
    // Compared as unsigned, so that negative values are out of range too.
    if (static_cast<quint32>(ImageQuality) > 100)
        ImageQuality = kFallbackQuality;
    applyAutoRun(GenAutoRun);
    return problems;
}

int CAppConfig::longestText(const char* key)
{
    const QLatin1String name(key);
    return name == QLatin1String("SnapshotFileName") || name == QLatin1String("SnapshotFileNameExt") ||
                   name == QLatin1String("ShortcutStartSnapshot") ||
                   name == QLatin1String("ShortcutShowMainWnd") || name == QLatin1String("FontFamity")
               ? kLongestName
               : kLongestPath;
}

QString CAppConfig::namePatternProblem(const QString& pattern, const QString& extension)
{
    const auto tr = [](const char* text) { return QCoreApplication::translate("CAppConfig", text); };
    if (pattern.contains(QLatin1Char('/')))
        return tr("The file name cannot hold \"/\": pictures are saved in the folder of \"File path\".");
    // The longest file the pattern gives: a four-digit year, two digits
    // for every other field, and room for "_9999" before the extension.
    qsizetype bytes = extension.toUtf8().size() + 5;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c.category() == QChar::Other_Control)
            return tr("The file name cannot hold control characters.");
        if (c != QLatin1Char('%')) {
            bytes += QString(c).toUtf8().size();
            continue;
        }
        const QChar field = i + 1 < pattern.size() ? pattern.at(i + 1) : QChar();
        if (!QStringLiteral("YMDhms%").contains(field) || field.isNull()) {
            return tr("\"%1\" is no field of the file name: use %Y (year), %M (month), %D (day), %h (hour), "
                      "%m (minute), %s (second), or %% for a percent sign.")
                .arg(field.isNull() ? QStringLiteral("%") : QLatin1Char('%') + QString(field));
        }
        bytes += field == QLatin1Char('Y') ? 4 : field == QLatin1Char('%') ? 1 : 2;
        ++i;
    }
    if (bytes > kLongestName)
        return tr("The file name is too long: with the date filled in and the extension it must fit in %1 "
                  "bytes.")
            .arg(kLongestName);
    return QString();
}

QString CAppConfig::folderProblem(const QString& folder)
{
    const auto tr = [](const char* text) { return QCoreApplication::translate("CAppConfig", text); };
    for (const QChar c : folder) {
        if (c.category() == QChar::Other_Control)
            return tr("The file path cannot hold control characters.");
    }
    // A picture's whole path must fit in the system's limit.
    if (folder.toUtf8().size() > kLongestPath - kLongestName - 1)
        return tr("The file path is too long: at most %1 bytes.").arg(kLongestPath - kLongestName - 1);
    return QString();
}

ConfigSaveResult CAppConfig::save() const
{
    ConfigSaveResult result;
    QSettings store;
    result.fileName = store.fileName();
    visit(*this, Saver{store});
    store.sync();
    // A file that could not be read (junk in it) is written all the same,
    // and QSettings then keeps telling that FormatError: what counts is
    // whether the file now holds what was written.
    if (store.status() == QSettings::AccessError ||
        (store.status() == QSettings::FormatError && !holdsRecord(result.fileName, *this))) {
        result.error = writeFailureReason(result.fileName);
        return result;
    }
    applyAutoRun(GenAutoRun);
    result.ok = true;
    return result;
}
