#pragma once

#include "config/AppConfig.h"

#include <QFlags>
#include <QImage>
#include <QString>

#include <functional>

class CSGraphicsScene;

// What a finish does with the picture.
enum class FinishAction
{
    Clipboard = 0x1, // the picture on the clipboard
    File = 0x2,      // a new file named by the pattern, written in the background
    Dialog = 0x4,    // "Save picture": a file the user names
    Pin = 0x8,       // kept on the screen in a pin
    Text = 0x10,     // its text read and put on the clipboard
};
Q_DECLARE_FLAGS(FinishActions, FinishAction)
Q_DECLARE_OPERATORS_FOR_FLAGS(FinishActions)

// The settings a finish goes by, read once when it starts.
struct FinishSettings
{
    bool toClipboard = false;
    bool toFile = false;
    AfterFinish after = AfterFinish::HideToTray;
    QString textLanguage;

    static FinishSettings fromConfig();
    // What OK, Enter and a double click do: the clipboard and a file as set,
    // the save dialog when neither is.
    FinishActions confirmed() const;
};

// One finish of a snapshot: the picture its scene renders, put out through
// each action asked for. An action that fails is reported and the others
// are still done. The ways out that need the snapshot's windows (the save
// dialog, a pin, reading text) and the telling of failures are handed in.
class CFinisher
{
public:
    struct Outlets
    {
        // Asks for a file name and writes the picture there; false when
        // cancelled or not written (the dialog has said why).
        std::function<bool(const QImage&)> dialog;
        // Pins the picture, or starts reading its text; false when it cannot.
        std::function<bool(const QImage&)> pin;
        std::function<bool(const QImage&, const QString& language)> text;
        // A failure to tell the user about, as a message's text.
        std::function<void(const QString&)> failed;
    };
    struct Outcome
    {
        FinishActions done;
        FinishActions failed; // a cancelled dialog counts as failed, untold
    };

    CFinisher(const FinishSettings& settings, Outlets outlets);
    const FinishSettings& settings() const { return m_settings; }

    // Puts the scene's picture out through `actions`. With `ends` the
    // snapshot ends once every action has been done, and the picture is
    // rendered for the scene's last use.
    Outcome finish(CSGraphicsScene& scene, FinishActions actions, bool ends) const;

private:
    FinishSettings m_settings;
    Outlets m_outlets;
};
