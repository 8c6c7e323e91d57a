#pragma once

// The current tool of a snapshot, held by the tool dialog and read by the
// scene at every mouse event.
enum class DrawMode : int {
    None = 0, // picking the area
    Select = 1,
    Line = 2,
    LineArrow = 3,
    Rectangle = 4,
    Ellipse = 5,
    Polygon = 6,
    Curve = 7, // behaves as Polygon; no button selects it
    Draw = 8,  // free hand
    Text = 9,
    Erase = 10,
};

inline bool isToolMode(DrawMode mode)
{
    return static_cast<int>(mode) >= 0 && static_cast<int>(mode) <= 10;
}
