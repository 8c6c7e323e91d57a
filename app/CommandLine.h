#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

// What the program was asked to do on its command line.
struct CommandLine
{
    enum Mode
    {
        Resident, // no option: the tray program
        OneShot,  // -s: the whole screen to a file, no window
        Snapshot, // --snapshot: a snapshot in the running program, else in a new one
        Tray,     // --tray: the tray program, its main window not shown
        Help,     // --help: the usage on standard output
        Version,  // --version: the version on standard output
        Invalid,  // an unknown option (the usage follows), or a wrong value
    };
    Mode mode = Resident;
    // Why the line is invalid, in one line ("-d: ..."), and whether the
    // usage follows it (for an unknown option and for options that ask for
    // different things, not for a wrong value).
    QString error;
    bool showUsage = false;

    // -d: milliseconds between the start and the grab; -1 when not given.
    int delayMs = -1;
    // The area -s takes, in device pixels: -r (region), --screen (screen,
    // counted from 0) or --window; none of them is the whole screen.
    QRect region;
    int screen = -1;
    bool window = false;
    // -o: empty for a file under the settings' name pattern, "-" for
    // standard output.
    QString output;
    // -c: also to the clipboard.
    bool clipboard = false;
};

// The longest delay -d accepts, in milliseconds.
constexpr int kLongestDelayMs = 60000;

// Reads the arguments (without the program name). Qt's own options
// (-platform NAME, -display NAME, -style NAME...) are let through; words
// that are no option are ignored.
CommandLine parseCommandLine(const QStringList& arguments);

// The usage text, ending with a newline.
QString usageText();
