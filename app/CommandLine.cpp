#include "app/CommandLine.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <optional>

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

// The options of -s and --snapshot.
enum class Option
{
    Delay,
    Region,
    Screen,
    Window,
    Output,
    Clipboard,
};

struct OptionName
{
    Option option;
    const char* shortName; // null when there is none
    const char* longName;
    bool takesValue;
};

const OptionName kOptions[] = {
    {Option::Delay, "-d", "--delay", true},      {Option::Region, "-r", "--region", true},
    {Option::Screen, nullptr, "--screen", true}, {Option::Window, nullptr, "--window", false},
    {Option::Output, "-o", "--output", true},    {Option::Clipboard, "-c", "--clipboard", false},
};

// The largest coordinate or size -r takes: far beyond any screen, far from
// overflowing a QRect.
constexpr int kLargestCoordinate = 1 << 20;

std::optional<int> number(const QString& text, int largest)
{
    // Digits only: no sign, no spaces, no "0x".
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    const int value = text.toInt();
    if (value > largest)
        return std::nullopt;
    return value;
}

// What a value must look like, for the message about a wrong one.
QString expected(Option option)
{
    switch (option) {
    case Option::Delay:
        return QCoreApplication::translate("CommandLine", "a delay in milliseconds from 0 to %1")
            .arg(kLongestDelayMs);
    case Option::Region:
        return QCoreApplication::translate("CommandLine", "an area WxH+X+Y in pixels, such as 300x200+10+10");
    case Option::Screen:
        return QCoreApplication::translate("CommandLine", "a screen number (the first is 0)");
    case Option::Output:
        return QCoreApplication::translate("CommandLine", "a file name, or - for standard output");
    default:
        return QString();
    }
}

// Takes the value into the line; false when it is wrong.
bool takeValue(CommandLine* line, Option option, const QString& value)
{
    switch (option) {
    case Option::Delay: {
        const std::optional<int> ms = number(value, kLongestDelayMs);
        line->delayMs = ms.value_or(-1);
        return ms.has_value();
    }
    case Option::Region: {
        static const QRegularExpression geometry(QStringLiteral("^([0-9]+)x([0-9]+)\\+([0-9]+)\\+([0-9]+)$"));
        const QRegularExpressionMatch m = geometry.match(value);
        if (!m.hasMatch())
            return false;
        int parts[4];
        for (int i = 0; i < 4; ++i) {
            const std::optional<int> n = number(m.captured(i + 1), kLargestCoordinate);
            if (!n)
                return false;
            parts[i] = *n;
        }
        line->region = QRect(parts[2], parts[3], parts[0], parts[1]);
        return !line->region.isEmpty();
    }
    case Option::Screen: {
        const std::optional<int> n = number(value, 999);
        line->screen = n.value_or(-1);
        return n.has_value();
    }
    case Option::Output:
        line->output = value;
        return !value.isEmpty();
    default:
        return true;
    }
}

const OptionName* findOption(const QString& name)
{
    for (const OptionName& o : kOptions) {
        if ((o.shortName && name == QLatin1String(o.shortName)) || name == QLatin1String(o.longName))
            return &o;
    }
    return nullptr;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    const auto only = [](CommandLine::Mode mode) {
        CommandLine other;
        other.mode = mode;
        return other;
    };
    const auto invalid = [](const QString& error, bool showUsage) {
        CommandLine bad;
        bad.mode = CommandLine::Invalid;
        bad.error = error;
        bad.showUsage = showUsage;
        return bad;
    };
    // Each option given, as it was spelled (for the messages).
    QMap<Option, QString> given;
    QString modeOption;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            return only(CommandLine::Help);
        if (argument == QLatin1String("--version") || argument == QLatin1String("-v"))
            return only(CommandLine::Version);

        // "--delay=500" as well as "--delay 500".
        const qsizetype equals =
            argument.startsWith(QLatin1String("--")) ? argument.indexOf(QLatin1Char('=')) : -1;
        const QString name = equals < 0 ? argument : argument.left(equals);
        if (const OptionName* o = findOption(name)) {
            given[o->option] = name;
            if (!o->takesValue) {
                if (equals >= 0)
                    return invalid(QCoreApplication::translate("CommandLine", "%1 takes no value").arg(name),
                                   false);
                (o->option == Option::Window ? line.window : line.clipboard) = true;
                continue;
            }
            if (equals < 0 && i + 1 == arguments.size())
                return invalid(QCoreApplication::translate("CommandLine", "%1 needs a value: %2")
                                   .arg(name, expected(o->option)),
                               false);
            const QString value = equals < 0 ? arguments.at(++i) : argument.mid(equals + 1);
            if (!takeValue(&line, o->option, value))
                return invalid(QCoreApplication::translate("CommandLine", "%1: \"%2\" is not %3")
                                   .arg(name, value, expected(o->option)),
                               false);
            continue;
        }

        CommandLine::Mode mode;
        // "-s" is compared with every argument, without regard to case.
        if (argument.compare(QLatin1String("-s"), Qt::CaseInsensitive) == 0) {
            mode = CommandLine::OneShot;
        } else if (argument == QLatin1String("--snapshot")) {
            mode = CommandLine::Snapshot;
        } else if (argument == QLatin1String("--tray")) {
            mode = CommandLine::Tray;
        } else if (matches(argument, std::begin(kQtOptionsWithValue), std::end(kQtOptionsWithValue))) {
            if (++i == arguments.size())
                return invalid(
                    QCoreApplication::translate("CommandLine", "unknown option \"%1\"").arg(argument), true);
            continue;
        } else if (matches(argument, std::begin(kQtFlags), std::end(kQtFlags)) ||
                   !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            continue; // Qt's own flag, or a word that is not an option: no meaning here
        } else {
            return invalid(QCoreApplication::translate("CommandLine", "unknown option \"%1\"").arg(argument),
                           true);
        }
        // -s, --snapshot and --tray ask for different things.
        if (line.mode != CommandLine::Resident && line.mode != mode)
            return invalid(QCoreApplication::translate("CommandLine", "%1 and %2 ask for different things")
                               .arg(modeOption, argument),
                           true);
        line.mode = mode;
        modeOption = argument;
    }

    // What the options go with.
    for (auto it = given.cbegin(); it != given.cend(); ++it) {
        if (it.key() == Option::Delay) {
            if (line.mode != CommandLine::OneShot && line.mode != CommandLine::Snapshot)
                return invalid(
                    QCoreApplication::translate("CommandLine", "%1 works only with -s or --snapshot")
                        .arg(it.value()),
                    false);
        } else if (line.mode != CommandLine::OneShot) {
            return invalid(
                QCoreApplication::translate("CommandLine", "%1 works only with -s").arg(it.value()), false);
        }
    }
    const int areas = int(given.contains(Option::Region)) + int(given.contains(Option::Screen)) +
                      int(given.contains(Option::Window));
    if (areas > 1)
        return invalid(QCoreApplication::translate(
                           "CommandLine", "-r, --screen and --window each choose the area: give one of them"),
                       false);
    return line;
}

QString usageText()
{
    return QCoreApplication::translate(
               "CommandLine",
               "Usage: vireoscape [OPTION]...\n"
               "Captures and annotates areas of the screen. Without an option the program stays\n"
               "in the system tray; Alt+S (or the key set in its options) starts a snapshot.\n"
               "\n"
               "  -s                    save a picture of the whole screen to a file and end,\n"
               "                        with no window; the file's path is printed on standard\n"
               "                        output\n"
               "  -d, --delay MS        wait MS milliseconds (0 to %1) before the screen is\n"
               "                        taken (with -s or --snapshot)\n"
               "  -r, --region WxH+X+Y  only that area of the screen, in device pixels (with -s)\n"
               "  --screen N            only monitor N, counted from 0 as xrandr --listmonitors\n"
               "                        counts them (with -s)\n"
               "  --window              only the window under the pointer, without the window\n"
               "                        manager's frame (with -s)\n"
               "  -o, --output FILE     write the picture to FILE, in the format its suffix\n"
               "                        names (PNG without one); an existing FILE is not\n"
               "                        replaced: the program ends with status 1. With - the PNG\n"
               "                        goes to standard output (\"vireoscape -s -o - > FILE\"\n"
               "                        replaces FILE) (with -s)\n"
               "  -c, --clipboard       also put the picture on the clipboard; a process of its\n"
               "                        own serves it until another program takes the clipboard\n"
               "                        (with -s)\n"
               "  --snapshot            start a snapshot in the running program, or start the\n"
               "                        program with a snapshot when none runs (bind a key of\n"
               "                        the desktop to this command)\n"
               "  --tray                start in the system tray without showing the main window\n"
               "                        (the session bus starts the program so when it is asked\n"
               "                        for a snapshot)\n"
               "  -h, --help            show this help and end\n"
               "  -v, --version         show the version and end\n"
               "\n"
               "Exit status: 0 on success, 1 when the screen cannot be read or the picture\n"
               "cannot be written, 2 for a wrong option or value.\n")
        .arg(kLongestDelayMs);
}
