#pragma once

// Whether the desktop session is a Wayland one, told by the session itself
// (XDG_SESSION_TYPE, else WAYLAND_DISPLAY) and not by Qt's platform: the
// program may run through XWayland, where an X grab sees only black.
bool isWaylandSession();
