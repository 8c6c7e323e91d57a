#pragma once

// The current tool of a snapshot. The values are the written ones; the
// tools themselves are listed in ToolRegistry.
enum class DrawMode : int
{
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
    Hide = 11,
    Highlighter = 12,
    Steps = 13,
};
