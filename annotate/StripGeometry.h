#pragma once

#include <QRect>

// The rectangle moved (not resized) as little as it takes to lie inside the
// area, as far as it fits; the floating strips use it to stay on the monitor.
QRect keptInside(const QRect& rect, const QRect& area);
