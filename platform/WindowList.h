#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

// One window of a window-list snapshot.
struct CWindowNode
{
    quint32 id = 0; // X window id
    // The window's own pixels in root coordinates (border included). For a
    // descendant, only the part its ancestors leave visible; for a window with
    // client-side decorations, without the shadow margin.
    QRect rect;
    // The viewable windows below this one that the descent may offer, as a
    // tree: direct children front-to-back, each with its own children. The
    // descent walks it in pre-order (a window before its descendants), which is
    // the front-to-back order of all descendants.
    // Under a reparenting window manager the frame (a top-level) and the
    // application window inside it count as one window, like a window and its
    // title bar elsewhere: the frame's children are the application window's
    // children, followed by the application window itself without children.
    // The frame's decoration windows are left out.
    QList<CWindowNode> children;
};

// The viewable windows of the screen at one moment, answering "which window is
// under this point" from memory (no X round trip per query).
class CWindowList
{
public:
    CWindowList() = default;
    explicit CWindowList(QList<CWindowNode> topLevels);

    // Reads the window tree of the X server now; top-levels that are, or hold,
    // one of the ignored windows are left out, and so are those wholly off the
    // root window. A top-level's rectangle may reach past the screen's edges.
    // Empty without X11.
    static CWindowList fromX11(const QList<quint32>& ignoredWindows = {});

    // Front-to-back.
    const QList<CWindowNode>& topLevels() const;

    // The first top-level (front-to-back) containing p, edges inclusive, then
    // the first of its descendants containing p, then the first of that one's
    // descendants containing p: the deepest one found. A top-level that is, or
    // holds, ignoredWindow is skipped. An invalid QRect() when no top-level
    // contains p.
    QRect windowRectAt(const QPoint& p, quint32 ignoredWindow = 0) const;

private:
    QList<CWindowNode> m_topLevels;
};
