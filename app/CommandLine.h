#pragma once

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
        Invalid,  // an unknown option: the usage on standard error
    };
    Mode mode = Resident;
    // The argument that made the line invalid.
    QString offending;
};

// Reads the arguments (without the program name). Qt's own options
// (-platform NAME, -display NAME, -style NAME...) are let through.
CommandLine parseCommandLine(const QStringList& arguments);

// The usage text, ending with a newline.
QString usageText();
