#include "app/CommandLine.h"

#include <QCoreApplication>

namespace {

// Qt's own options that take a value, and those that do not.
const char* const kQtOptionsWithValue[] = {"-platform",        "-platformpluginpath",
                                           "-platformtheme",   "-plugin",
                                           "-display",         "-style",
                                           "-stylesheet",      "-session",
                                           "-qwindowgeometry", "-geometry",
                                           "-qwindowtitle",    "-title",
                                           "-qwindowicon",     "-icon"};
const char* const kQtFlags[] = {"-reverse", "-nograb", "-dograb", "-sync", "-widgetcount"};

bool matches(const QString& argument, const char* const* begin, const char* const* end)
{
    for (const char* const* name = begin; name != end; ++name) {
        if (argument == QLatin1String(*name) || argument == QLatin1Char('-') + QLatin1String(*name))
            return true;
    }
    return false;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    const auto invalid = [&line](const QString& argument) {
        line.mode = CommandLine::Invalid;
        line.offending = argument;
        return line;
    };
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            return CommandLine{CommandLine::Help, {}};
        if (argument == QLatin1String("--version") || argument == QLatin1String("-v"))
            return CommandLine{CommandLine::Version, {}};
        CommandLine::Mode mode;
        if (argument.compare(QLatin1String("-s"), Qt::CaseInsensitive) == 0) {
            mode = CommandLine::OneShot;
        } else if (argument == QLatin1String("--snapshot")) {
            mode = CommandLine::Snapshot;
        } else if (argument == QLatin1String("--tray")) {
            mode = CommandLine::Tray;
        } else if (matches(argument, std::begin(kQtOptionsWithValue), std::end(kQtOptionsWithValue))) {
            if (++i == arguments.size())
                return invalid(argument);
            continue;
        } else if (matches(argument, std::begin(kQtFlags), std::end(kQtFlags))) {
            continue;
        } else {
            return invalid(argument);
        }
        // -s, --snapshot and --tray ask for different things.
        if (line.mode != CommandLine::Resident && line.mode != mode)
            return invalid(argument);
        line.mode = mode;
    }
    return line;
}

QString usageText()
{
    return QCoreApplication::translate(
        "CommandLine",
        "Usage: vireoscape [OPTION]\n"
        "Captures and annotates areas of the screen. Without an option the program stays in the\n"
        "system tray; Alt+S (or the key set in its options) starts a snapshot.\n"
        "\n"
        "  -s                save a picture of the whole screen to a file and end, with no window\n"
        "  --snapshot        start a snapshot in the running program, or start the program with a\n"
        "                    snapshot when none runs (bind a key of the desktop to this command)\n"
        "  --tray            start in the system tray without showing the main window (the\n"
        "                    session bus starts the program so when it is asked for a snapshot)\n"
        "  -h, --help        show this help and end\n"
        "  -v, --version     show the version and end\n");
}
