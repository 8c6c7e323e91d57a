#include "annotate/ToolRegistry.h"

#include "annotate/Tool.h"

#include <QCoreApplication>

std::unique_ptr<CTool> makeLineTool();
std::unique_ptr<CTool> makeArrowTool();
std::unique_ptr<CTool> makeRectangleTool();
std::unique_ptr<CTool> makeEllipseTool();
std::unique_ptr<CTool> makePolygonTool();
std::unique_ptr<CTool> makeFreehandTool();
std::unique_ptr<CTool> makeTextTool();
std::unique_ptr<CTool> makeEraseTool();
std::unique_ptr<CTool> makeHideTool();
std::unique_ptr<CTool> makeHighlighterTool();
std::unique_ptr<CTool> makeStepsTool();

namespace {

using C = PropControl;
const QList<ShownControl> kLine = {{C::FrameColor, QT_TRANSLATE_NOOP("CSnapshotProp", "Line Color")},
                                   {C::FrameWidth, QT_TRANSLATE_NOOP("CSnapshotProp", "Line Width")}};
const QList<ShownControl> kShape = {{C::FrameCheck, QT_TRANSLATE_NOOP("CSnapshotProp", "Frame")},
                                    {C::FrameColor, QT_TRANSLATE_NOOP("CSnapshotProp", "Line Color")},
                                    {C::FrameWidth, QT_TRANSLATE_NOOP("CSnapshotProp", "Line Width")},
                                    {C::FillCheck, QT_TRANSLATE_NOOP("CSnapshotProp", "Fill")},
                                    {C::FillColor, QT_TRANSLATE_NOOP("CSnapshotProp", "Fill Color")}};
const QList<ShownControl> kText = {{C::Font, QT_TRANSLATE_NOOP("CSnapshotProp", "Font")},
                                   {C::FontColor, QT_TRANSLATE_NOOP("CSnapshotProp", "Font Color")},
                                   {C::FontSize, QT_TRANSLATE_NOOP("CSnapshotProp", "Font Size")},
                                   {C::FrameCheck, QT_TRANSLATE_NOOP("CSnapshotProp", "Frame")},
                                   {C::FrameColor, QT_TRANSLATE_NOOP("CSnapshotProp", "Frame Color")},
                                   {C::FrameWidth, QT_TRANSLATE_NOOP("CSnapshotProp", "Frame Width")},
                                   {C::FillCheck, QT_TRANSLATE_NOOP("CSnapshotProp", "Fill")},
                                   {C::FillColor, QT_TRANSLATE_NOOP("CSnapshotProp", "Fill Color")}};
const QList<ShownControl> kHide = {
    {C::HideLook, QT_TRANSLATE_NOOP("CSnapshotProp", "Look")},
    {C::HideBlock, QT_TRANSLATE_NOOP("CSnapshotProp", "Block Size")},
    {C::HidePersonal,
     QT_TRANSLATE_NOOP("CSnapshotProp",
                       "Hide e-mail addresses, phone and card numbers, IP addresses, links and passwords")},
    {C::HideAllText, QT_TRANSLATE_NOOP("CSnapshotProp", "Hide every line of text")}};
const QList<ShownControl> kHighlighter = {
    {C::HighlightColor, QT_TRANSLATE_NOOP("CSnapshotProp", "Highlighter Color")},
    {C::HighlightWidth, QT_TRANSLATE_NOOP("CSnapshotProp", "Highlighter Width")}};
const QList<ShownControl> kSteps = {{C::FrameColor, QT_TRANSLATE_NOOP("CSnapshotProp", "Step Color")},
                                    {C::FrameWidth, QT_TRANSLATE_NOOP("CSnapshotProp", "Step Size")}};

using M = DrawMode;
using A = MarkAccess;

// In the order of the tool strip (the written tools keep their places:
// Polygon before Ellipse).
// mode, name, icon, tip, key, shown on, controls, frame or fill, keeps strip, marks, picks, chooses, tool
const QList<ToolRow> kRows = {
    {M::None, "None", nullptr, nullptr, 0, M::Select, {}, false, false, A::Move, true, false, nullptr},
    {M::Select,
     "Select",
     "ico_btn_select",
     QT_TRANSLATE_NOOP("CSnapshotEdit", "Select (Delete: remove the chosen mark)"),
     'S',
     M::Select,
     {},
     false,
     false,
     A::Move,
     false,
     true,
     nullptr},
    {M::Line, "Line", "ico_btn_line", QT_TRANSLATE_NOOP("CSnapshotEdit", "Line"), 'L', M::Line, kLine, false,
     false, A::Inert, false, false, makeLineTool},
    {M::LineArrow, "LineArrow", "ico_btn_line_arrow", QT_TRANSLATE_NOOP("CSnapshotEdit", "Line with arrow"),
     'A', M::LineArrow, kLine, false, false, A::Inert, false, false, makeArrowTool},
    {M::Rectangle, "Rectangle", "ico_btn_rect", QT_TRANSLATE_NOOP("CSnapshotEdit", "Rectangle"), 'R',
     M::Rectangle, kShape, true, false, A::Inert, false, false, makeRectangleTool},
    {M::Polygon, "Polygon", "ico_btn_polygon", QT_TRANSLATE_NOOP("CSnapshotEdit", "Polygon"), 'P', M::Polygon,
     kShape, true, false, A::Inert, false, false, makePolygonTool},
    // Behaves as Polygon; no button chooses it.
    {M::Curve, "Curve", nullptr, nullptr, 0, M::Curve, kLine, false, true, A::Inert, false, false,
     makePolygonTool},
    {M::Ellipse, "Ellipse", "ico_btn_ellipse", QT_TRANSLATE_NOOP("CSnapshotEdit", "Ellipse"), 'E', M::Ellipse,
     kShape, true, false, A::Inert, false, false, makeEllipseTool},
    {M::Draw, "Draw", "ico_btn_draw", QT_TRANSLATE_NOOP("CSnapshotEdit", "Draw"), 'D', M::Draw, kLine, false,
     false, A::Inert, false, false, makeFreehandTool},
    {M::Text, "Text", "ico_btn_text", QT_TRANSLATE_NOOP("CSnapshotEdit", "Text"), 'T', M::Text, kText, false,
     false, A::Inert, false, false, makeTextTool},
    {M::Erase,
     "Erase",
     "ico_btn_erase",
     QT_TRANSLATE_NOOP("CSnapshotEdit", "Erase"),
     'X',
     M::Erase,
     {},
     false,
     false,
     A::Erase,
     false,
     false,
     makeEraseTool},
    {M::Hide, "Hide", "ico_btn_hide",
     QT_TRANSLATE_NOOP("CSnapshotEdit", "Hide (nobody can recover what is under it)"), 'H', M::Hide, kHide,
     false, false, A::Inert, false, false, makeHideTool},
    {M::Highlighter, "Highlighter", "ico_btn_highlighter", QT_TRANSLATE_NOOP("CSnapshotEdit", "Highlighter"),
     'M', M::Highlighter, kHighlighter, false, false, A::Inert, false, false, makeHighlighterTool},
    {M::Steps, "Steps", "ico_btn_steps", QT_TRANSLATE_NOOP("CSnapshotEdit", "Steps"), 'N', M::Steps, kSteps,
     false, false, A::Inert, false, false, makeStepsTool},
};

const ToolRow kNothing = {M(-1), "",    nullptr,  nullptr, 0,     M(-1),  {},
                          false, false, A::Inert, false,   false, nullptr};

} // namespace

const QList<ToolRow>& toolRows()
{
    return kRows;
}

const ToolRow& toolRow(DrawMode mode)
{
    for (const ToolRow& row : kRows) {
        if (row.mode == mode)
            return row;
    }
    return kNothing;
}

bool isToolMode(DrawMode mode)
{
    return &toolRow(mode) != &kNothing;
}

QList<const ToolRow*> stripTools()
{
    QList<const ToolRow*> tools;
    for (const ToolRow& row : kRows) {
        if (row.iconStem && row.shownOn == row.mode)
            tools << &row;
    }
    return tools;
}
