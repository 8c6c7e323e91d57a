#pragma once

#include "config/AppConfig.h"

#include <QImage>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

// Helpers shared by the tests: external tools run as a user would run them,
// the program under test, and pixel comparison.
namespace TestSupport {

struct ToolResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    bool started = false;
};

// Runs a command-line tool to its end (xdotool, xclip, import ...), with
// extra environment ("NAME=value").
ToolResult runTool(const QString& program, const QStringList& arguments, int timeoutMs = 20000,
                   const QByteArray& input = QByteArray(), const QStringList& environment = {});

// The path of the vireoscape program (from VIREOSCAPE_BIN).
QString programPath();

// Starts vireoscape with the arguments and extra environment ("NAME=value");
// the process is owned by the caller.
QProcess* startProgram(const QStringList& arguments, QObject* parent = nullptr,
                       const QStringList& environment = {});

// The whole X screen as another program sees it (ImageMagick's import).
QImage referenceScreenshot();

// Paints a picture onto the root window (ImageMagick's display), so that the
// screen shows known, non-uniform pixels.
bool setRootPicture(const QImage& picture);

// A picture with text-like detail, gradients and sharp edges: any shift,
// scaling or colour change shows up in a pixel comparison.
QImage makeTestPattern(const QSize& size, int seed = 1);

// Ids of the visible windows whose name matches (xdotool search).
QStringList visibleWindows(const QString& namePattern);

// Number of pixels that differ in any of the four channels (alpha included)
// by more than `tolerance` levels between two images of the same size; -1
// when the sizes differ.
qint64 differingPixels(const QImage& a, const QImage& b, int tolerance = 0);

// A colour laid over an opaque pixel as Qt's raster engine blends it: the
// premultiplied colour plus the pixel times the rest of the alpha, each
// product divided by 255 and rounded.
QRgb over(QRgb pixel, const QColor& colour);

// A window's pixels in root coordinates, its border left out (xwininfo).
QRect windowGeometry(const QString& id);

// The PNG the clipboard offers (xclip), empty when none; another program
// taking the clipboard.
QByteArray clipboardPng();
bool takeClipboard();

// Starts a session bus of the test's own (dbus-daemon) and names it in
// DBUS_SESSION_BUS_ADDRESS for the test and every program it starts.
bool startSessionBus(QProcess& bus);

// Runs xdotool with a space-separated command line; a failure fails the test.
void runXdotool(const QString& commandLine);

// A left-button drag from one screen point to another, through the middle.
void dragWithMouse(const QPoint& from, const QPoint& to);

// Ends a started program (SIGTERM, then SIGKILL) and deletes it.
void stopProgram(QProcess*& program);

// Waits until a started vireoscape is resident (its clipboard selection
// window exists, and with it the hot keys) and still running.
bool waitUntilResident(QProcess* program);

// Settings as text, keyed by the settings keys, in the form the settings
// file holds them: numbers in decimal, booleans "true" and "false", colours
// as their 0xAARRGGBB number in decimal.
using Settings = QMap<QString, QString>;

// "KEY=VALUE|KEY=VALUE..." as settings.
Settings settings(const QString& text);
// Every key with the value a first run loads and stores (the home directory
// is this test's own).
Settings firstRunSettings();
// Every key with a value other than its default.
Settings unusualSettings();

// Every field of a record under its own name, which is its key's.
Settings settingsAsText(const CAppConfig& record);

// What the settings file holds now; writes it afresh with exactly these.
Settings storedSettings();
void storeSettings(const Settings& settings);

// The settings file the program reads in the test's home, and that file
// written afresh with exactly these values (for tests that run the program).
QString settingsFile();
void writeSettingsFile(const QVariantMap& values);

// Answers every modal dialog while it lives: the file dialog with the typed
// name (empty: cancel), a message box by closing it (or Yes, with `yes`).
// Records what it saw.
struct Answers : QTimer
{
    QString typed, proposed, text; // proposed: the file dialog's folder and proposed name
    QStringList titles;
    bool yes = false;
    explicit Answers(const QString& name = QString());
};

} // namespace TestSupport
