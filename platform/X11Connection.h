#pragma once

#include <QPoint>

#include <cstdlib>
#include <memory>
#include <optional>

struct xcb_connection_t;
struct xcb_screen_t;

// The X connection of the running Qt application, or null when the program
// does not run on X11 (offscreen tests, Wayland).
xcb_connection_t* x11Connection();
// The X screen DISPLAY names (":0.1" is screen 1), where Qt puts its windows;
// null without X11.
const xcb_screen_t* x11Screen();
// The root window of that screen, or 0 without X11.
unsigned int x11RootWindow();

// Where the pointer is on that screen, in root-window (device) pixels; none
// without X11 or when it is on another screen.
std::optional<QPoint> x11PointerPosition();

// Whether a top-level window of ours is still on the screen, with the frame
// a window manager put round it: once the program unmaps the window, a
// reparenting window manager takes the frame down a moment later. False
// without X11.
bool x11TopLevelOnScreen(unsigned int window);

// Whether an X server can be reached at all (checked before any Qt GUI object
// exists, so that a missing display is reported instead of aborting).
bool x11DisplayReachable(const char* displayName);

// xcb replies are malloc'ed: hold them in one of these.
struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <class T> using XcbReply = std::unique_ptr<T, FreeDeleter>;
