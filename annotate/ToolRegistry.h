#pragma once

#include "annotate/DrawMode.h"

#include <QList>

#include <memory>

class CTool;

// The controls of the property strip that a tool can show, from left to right.
enum class PropControl
{
    Font,
    FontColor,
    FontSize,
    FrameCheck,
    FrameColor,
    FrameWidth,
    FillCheck,
    FillColor,
    HideLook,
    HideBlock,
    HidePersonal, // a button: hides what looks like personal data
    HideAllText,  // a button: hides every line of text
    HighlightColor,
    HighlightWidth,
};

struct ShownControl
{
    PropControl control;
    const char* tip; // translated in the property strip's context
};

// How the marks take the mouse while a tool is chosen.
enum class MarkAccess
{
    Move,  // chosen and dragged; they show the pointer over them
    Erase, // they show the pointer over them; the tool takes them away
    Inert, // every press reaches the tool
};

// One tool of a snapshot, for the strips and the scene.
struct ToolRow
{
    DrawMode mode;
    const char* name;             // what the row is, for people and tests
    const char* iconStem;         // its button's icons; null for none
    const char* tip;              // its button's tool tip, translated in the tool strip's context
    char key;                     // the letter that chooses it, 0 for none
    DrawMode shownOn;             // the tool whose button shows it as chosen
    QList<ShownControl> controls; // what the property strip shows for it; none: the strip goes
    bool frameOrFill;             // the strip keeps one of frame and fill ticked
    bool keepsStrip;              // choosing it neither shows nor hides the property strip
    MarkAccess marks;
    bool picksArea;                   // the mouse picks the area
    bool choosesMarks;                // the mouse chooses, moves and reshapes marks
    std::unique_ptr<CTool> (*make)(); // its drawing tool; null for none
};

// Every tool with its DrawMode value, in the order of the tool strip.
const QList<ToolRow>& toolRows();
// The row of a mode; for a value no tool has, a row that does nothing.
const ToolRow& toolRow(DrawMode mode);
// Whether some tool has this mode.
bool isToolMode(DrawMode mode);
// The tools with a button, in the order of the tool strip.
QList<const ToolRow*> stripTools();
