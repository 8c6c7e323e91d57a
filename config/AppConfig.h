#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

// The outcome of writing the settings store.
struct ConfigSaveResult
{
    bool ok = false;
    QString fileName; // the settings file
    QString error;    // why it could not be written
};

// What happens to the main window once a snapshot is finished; the values
// are those stored as GenActionAfterFinish.
enum class AfterFinish
{
    HideToTray = 0,
    ShowMainWindow = 1,
    ExitApplication = 2,
};

// A stored value; one no version wrote hides to the tray.
inline AfterFinish afterFinishFrom(int stored)
{
    return stored == int(AfterFinish::ShowMainWindow)    ? AfterFinish::ShowMainWindow
           : stored == int(AfterFinish::ExitApplication) ? AfterFinish::ExitApplication
                                                         : AfterFinish::HideToTray;
}

// The settings of the program: one global record, loaded once at start-up and
// saved when the options are confirmed and when the program ends. Every field
// bears the name of its settings key.
class CAppConfig
{
public:
    CAppConfig();

    int IntervalSnap;
    QString LastOpenFileName;
    QString FontFamity;
    QColor FontColor;
    int FontSize;
    bool FrameCheck;
    QColor FrameColor;
    int FrameWidth;
    bool FillCheck;
    QColor FillColor;
    int Transparent;
    bool GenAutoRun;
    bool GenAutoHide;
    bool GenCloseToTray;
    int GenActionAfterFinish; // an AfterFinish, as stored
    bool SnapshotAfterDlbClk;
    bool SnapshotShadow;
    bool CopyToClipboardAfterFinish;
    bool SaveToFileAfterFinish;
    QString SnapshotFilePath;
    QString SnapshotFileName;
    QString SnapshotFileNameExt;
    int ImageQuality;
    QString ShortcutStartSnapshot;
    QString ShortcutShowMainWnd;
    // 0 until the program first started; then one more than the snapshots
    // taken so far, up to a few: the newcomer's messages and hints.
    int FirstRunHints;
    // The Hide tool's look (0 blocks, 1 smooth) and block size, and the
    // highlighter's colour and width (desktop pixels).
    int HideLook;
    int HideBlockSize;
    QColor HighlighterColor;
    int HighlighterWidth;
    // The text recognition's language model ("eng", "deu", "eng+deu"...).
    QString SnapshotTextLanguage;
    // A finish tells where the picture went (a tray message or a desktop
    // notification).
    bool ShowFinishNotice;

    // Reads every key from the settings store (defaults for missing ones),
    // then brings the log-on start entry in line with GenAutoRun. A text
    // longer than any sound value (a damaged file) is refused: the field
    // keeps its default, and the returned list says so, one line per key.
    QStringList load();
    // Writes every key and checks that the store really took them; only then
    // brings the log-on start entry in line, so that it always matches what
    // is stored.
    ConfigSaveResult save() const;

    // The record as a first run sees it.
    static CAppConfig defaults();
    // Where pictures go by default: the user's home directory.
    static QString defaultSnapshotDir();

    // Calls f(key, field, default) for every field in the order of the store.
    template <class Record, class F> static void visit(Record& record, F&& f);

    // Why a file-name pattern cannot be used, or an empty text: it must name
    // a file in the folder ("/" is refused, and so are control characters),
    // use only the fields %Y %M %D %h %m %s and %%, and leave room for the
    // extension and a "_N" suffix in a file name of 255 bytes.
    static QString namePatternProblem(const QString& pattern, const QString& extension);
    // Why a folder setting cannot be used, or an empty text.
    static QString folderProblem(const QString& folder);
    // The longest text a key may hold when it is loaded.
    static int longestText(const char* key);

    static constexpr int kDefaultQuality = 80;
    // Stored qualities outside 0..100 (negative ones too) load as this value.
    static constexpr int kFallbackQuality = 50;
    // The first this many snapshots show the newcomer's hint.
    static constexpr int kHintedSnapshots = 3;
};

extern CAppConfig AppConfig;

// Colours are stored as one 0xAARRGGBB number, alpha included.
inline quint32 colorToSetting(const QColor& c)
{
    return c.rgba();
}
inline QColor colorFromSetting(quint32 v)
{
    return QColor::fromRgba(v);
}

template <class Record, class F> void CAppConfig::visit(Record& r, F&& f)
{
    const QColor none = colorFromSetting(0);
    f("IntervalSnap", r.IntervalSnap, 200);
    f("LastOpenFileName", r.LastOpenFileName, QString());
    f("FontFamity", r.FontFamity, QString());
    f("FontColor", r.FontColor, none);
    f("FontSize", r.FontSize, 16);
    f("FrameCheck", r.FrameCheck, false);
    f("FrameColor", r.FrameColor, none);
    f("FrameWidth", r.FrameWidth, 2);
    f("FillCheck", r.FillCheck, true);
    f("FillColor", r.FillColor, none);
    f("Transparent", r.Transparent, 80);
    f("GenAutoRun", r.GenAutoRun, true);
    f("GenAutoHide", r.GenAutoHide, false);
    f("GenCloseToTray", r.GenCloseToTray, true);
    f("GenActionAfterFinish", r.GenActionAfterFinish, 1);
    f("SnapshotAfterDlbClk", r.SnapshotAfterDlbClk, true);
    f("SnapshotShadow", r.SnapshotShadow, true);
    f("CopyToClipboardAfterFinish", r.CopyToClipboardAfterFinish, true);
    f("SaveToFileAfterFinish", r.SaveToFileAfterFinish, true);
    f("SnapshotFilePath", r.SnapshotFilePath, defaultSnapshotDir());
    f("SnapshotFileName", r.SnapshotFileName, QStringLiteral("Snapshot_%Y_%M_%D_%h_%m_%s"));
    f("SnapshotFileNameExt", r.SnapshotFileNameExt, QStringLiteral(".png"));
    f("ImageQuality", r.ImageQuality, kDefaultQuality);
    f("ShortcutStartSnapshot", r.ShortcutStartSnapshot, QStringLiteral("Alt + S"));
    f("ShortcutShowMainWnd", r.ShortcutShowMainWnd, QStringLiteral("Alt + E"));
    f("FirstRunHints", r.FirstRunHints, 0);
    f("HideLook", r.HideLook, 0);
    f("HideBlockSize", r.HideBlockSize, 12);
    f("HighlighterColor", r.HighlighterColor, QColor(255, 255, 0));
    f("HighlighterWidth", r.HighlighterWidth, 16);
    f("SnapshotTextLanguage", r.SnapshotTextLanguage, QStringLiteral("eng"));
    f("ShowFinishNotice", r.ShowFinishNotice, true);
}
