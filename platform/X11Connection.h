#pragma once

#include <cstdlib>
#include <memory>

struct xcb_connection_t;

// The X connection of the running Qt application, or null when the program
// does not run on X11 (offscreen tests, Wayland).
xcb_connection_t* x11Connection();
// The root window of the default screen, or 0 without X11.
unsigned int x11RootWindow();

// Whether an X server can be reached at all (checked before any Qt GUI object
// exists, so that a missing display is reported instead of aborting).
bool x11DisplayReachable(const char* displayName);

// xcb replies are malloc'ed: hold them in one of these.
struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <class T> using XcbReply = std::unique_ptr<T, FreeDeleter>;
