#pragma once

#include <QtGlobal>

// The Qt key (a letter, a digit or a function key) engraved on the key with
// this X keycode: its unshifted keysym, or its shifted one where only Shift
// gives a digit (the French digit row). 0 for any other key or without X11.
int x11KeycodeKey(quint32 keycode);
