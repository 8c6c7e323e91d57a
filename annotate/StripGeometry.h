#pragma once

#include <QRect>
#include <Qt>

// The flags that keep the capture view and the strips above it exactly
// where they are put, undecorated, under any window manager.
Qt::WindowFlags floatingWindowFlags();

// Whether the strips are child widgets of the capture view rather than
// windows of their own: where the compositor places every window itself
// (Wayland), a strip window would land wherever it chose, not beside the pick.
bool stripsInsideView();

// The rectangle moved (not resized) as little as it takes to lie inside the
// area, as far as it fits; the floating strips use it to stay on the monitor.
QRect keptInside(const QRect& rect, const QRect& area);
