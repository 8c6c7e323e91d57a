#pragma once

#include <QList>
#include <QRect>

// The monitors of the X display named, in root-window (device) pixels, in
// the order the server lists them (the order of `xrandr --listmonitors`),
// read through a connection of its own. Without RandR 1.5 the whole root
// window counts as one monitor; empty where the display cannot be reached.
QList<QRect> x11Monitors(const char* displayName);
