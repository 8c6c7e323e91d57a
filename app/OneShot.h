#pragma once

struct CommandLine;

// A one-shot run (-s) in two halves around the start of Qt's GUI
// application.
//
// The first half, before it: the checks of the options that need no
// display, and with -c the split into the process that will serve the
// clipboard (this one, from then on) and the one that waits for its verdict
// and ends with it (the caller's; the returned status is then its own). On
// X11, unless the options need Qt's application (-c, --window), the delay
// and the grab through a connection of its own, and the picture delivered.
// Returns the exit status, or -1 when the second half is to run; the delay
// has then been waited when `line.delayMs` is reset to -1.
int startOneShot(CommandLine& line, int argc, char** argv);

// The second half, with the GUI application: the delay, the grab, the area
// the options choose, the picture written (and its path printed on standard
// output) or sent to standard output, and with -c put on the clipboard and
// served until another program takes it. Returns the exit status.
int oneShotCapture(const CommandLine& line);
