#include "platform/WindowList.h"

#include "platform/X11Connection.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <vector>

namespace {

constexpr uint8_t kPropertyFormat32 = 32;
constexpr uint32_t kGtkExtentsCount = 4; // left, right, top, bottom
constexpr char kWmStateName[] = "WM_STATE";
constexpr char kGtkExtentsName[] = "_GTK_FRAME_EXTENTS";

// The first window in pre-order (a window before its descendants, siblings
// front-to-back) whose rectangle contains p.
const CWindowNode* firstContaining(const QList<CWindowNode>& nodes, const QPoint& p)
{
    for (const CWindowNode& node : nodes) {
        if (node.rect.contains(p))
            return &node;
        if (const CWindowNode* inner = firstContaining(node.children, p))
            return inner;
    }
    return nullptr;
}

bool holdsWindow(const CWindowNode& node, quint32 id)
{
    if (node.id == id)
        return true;
    for (const CWindowNode& child : node.children) {
        if (holdsWindow(child, id))
            return true;
    }
    return false;
}

// One viewable window as read from the server.
struct RawWindow
{
    xcb_window_t id = 0;
    QRect rect;   // outer rectangle (border included), root coordinates
    QPoint inner; // root coordinates of the inside of the border
    bool hasWmState = false;
    bool hasGtkExtents = false;
    QMargins gtkExtents;
    std::vector<int> children; // indices, front-to-back
};

// Reads the viewable part of the window tree one level at a time: the
// requests for a whole level are sent before the first reply is awaited, so a
// level costs two round trips however many windows it holds. Geometry and
// properties are asked only of viewable windows (a frame has dozens of
// unmapped helper windows).
class TreeReader
{
public:
    explicit TreeReader(xcb_connection_t* c) : m_c(c)
    {
        const xcb_intern_atom_cookie_t wmState =
            xcb_intern_atom(m_c, 0, sizeof(kWmStateName) - 1, kWmStateName);
        const xcb_intern_atom_cookie_t gtk =
            xcb_intern_atom(m_c, 0, sizeof(kGtkExtentsName) - 1, kGtkExtentsName);
        m_wmState = atomFrom(xcb_intern_atom_reply(m_c, wmState, nullptr));
        m_gtkExtents = atomFrom(xcb_intern_atom_reply(m_c, gtk, nullptr));
    }

    // Index 0 is the root (its rectangle the whole root window); its children
    // are the top-level windows.
    std::vector<RawWindow> read(xcb_window_t root)
    {
        m_windows.clear();
        m_parents.clear();
        RawWindow rootWindow;
        rootWindow.id = root;
        m_windows.push_back(rootWindow);
        m_parents.push_back(-1);
        std::vector<int> level{0};
        while (!level.empty())
            level = viewableChildren(readLevel(level));
        return std::move(m_windows);
    }

private:
    struct Child
    {
        int parent;
        xcb_window_t id;
    };

    static xcb_atom_t atomFrom(xcb_intern_atom_reply_t* reply)
    {
        XcbReply<xcb_intern_atom_reply_t> held(reply);
        return held ? held->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    template <class Reply> static XcbReply<Reply> checked(Reply* reply, xcb_generic_error_t** error)
    {
        // A window destroyed while the tree is read answers with an error:
        // it is then simply left out, without noise on Qt's event queue.
        std::free(*error);
        *error = nullptr;
        return XcbReply<Reply>(reply);
    }

    // Only whether WM_STATE exists matters, and the four values of the extents.
    xcb_get_property_cookie_t propertyRequest(xcb_window_t w, xcb_atom_t atom)
    {
        return xcb_get_property(m_c, 0, w, atom, XCB_ATOM_ANY, 0, kGtkExtentsCount);
    }

    // Geometry, properties and children of windows known to be viewable.
    std::vector<Child> readLevel(const std::vector<int>& level)
    {
        struct Pending
        {
            xcb_get_geometry_cookie_t geometry;
            xcb_get_property_cookie_t wmState;
            xcb_get_property_cookie_t gtkExtents;
            xcb_query_tree_cookie_t tree;
        };
        std::vector<Pending> pending;
        pending.reserve(level.size());
        for (int index : level) {
            const xcb_window_t id = m_windows[index].id;
            pending.push_back({xcb_get_geometry(m_c, id), propertyRequest(id, m_wmState),
                               propertyRequest(id, m_gtkExtents), xcb_query_tree(m_c, id)});
        }

        std::vector<Child> children;
        for (size_t i = 0; i < level.size(); ++i) {
            const Pending& p = pending[i];
            RawWindow& w = m_windows[level[i]];
            xcb_generic_error_t* error = nullptr;
            auto geometry = checked(xcb_get_geometry_reply(m_c, p.geometry, &error), &error);
            auto wmState = checked(xcb_get_property_reply(m_c, p.wmState, &error), &error);
            auto gtk = checked(xcb_get_property_reply(m_c, p.gtkExtents, &error), &error);
            auto tree = checked(xcb_query_tree_reply(m_c, p.tree, &error), &error);
            if (!geometry || !tree)
                continue; // gone meanwhile: an empty rectangle, no children

            const int parent = m_parents[level[i]];
            const int border = geometry->border_width;
            // Geometry is relative to the inside of the parent's border.
            const QPoint outer =
                parent < 0 ? QPoint(0, 0) : m_windows[parent].inner + QPoint(geometry->x, geometry->y);
            w.rect = QRect(outer, QSize(geometry->width + 2 * border, geometry->height + 2 * border));
            w.inner = outer + QPoint(border, border);
            w.hasWmState = wmState && wmState->type != XCB_ATOM_NONE;
            if (gtk && gtk->format == kPropertyFormat32 &&
                xcb_get_property_value_length(gtk.get()) == int(kGtkExtentsCount * sizeof(uint32_t))) {
                const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(gtk.get()));
                w.hasGtkExtents = true;
                w.gtkExtents = QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));
            }

            const xcb_window_t* ids = xcb_query_tree_children(tree.get());
            // The server lists children bottom-to-top.
            for (int k = xcb_query_tree_children_length(tree.get()) - 1; k >= 0; --k)
                children.push_back({level[i], ids[k]});
        }
        return children;
    }

    // The viewable ones among the children, added to the tree: the next level.
    std::vector<int> viewableChildren(const std::vector<Child>& children)
    {
        std::vector<xcb_get_window_attributes_cookie_t> cookies;
        cookies.reserve(children.size());
        for (const Child& child : children)
            cookies.push_back(xcb_get_window_attributes(m_c, child.id));

        std::vector<int> next;
        for (size_t i = 0; i < children.size(); ++i) {
            xcb_generic_error_t* error = nullptr;
            auto attributes = checked(xcb_get_window_attributes_reply(m_c, cookies[i], &error), &error);
            if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
                attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY)
                continue;
            RawWindow w;
            w.id = children[i].id;
            const int index = int(m_windows.size());
            m_windows.push_back(w);
            m_parents.push_back(children[i].parent);
            m_windows[children[i].parent].children.push_back(index);
            next.push_back(index);
        }
        return next;
    }

    xcb_connection_t* m_c;
    xcb_atom_t m_wmState = XCB_ATOM_NONE;
    xcb_atom_t m_gtkExtents = XCB_ATOM_NONE;
    std::vector<RawWindow> m_windows;
    std::vector<int> m_parents; // index of each window's parent, -1 for the root
};

// The window's visible pixels: a window drawing its own decorations (GTK)
// leaves a transparent shadow margin round them, which is not part of it.
QRect ownRect(const RawWindow& w)
{
    if (w.hasGtkExtents) {
        const QRect shrunk = w.rect.marginsRemoved(w.gtkExtents);
        if (!shrunk.isEmpty() && w.rect.contains(shrunk))
            return shrunk;
    }
    return w.rect;
}

// A frame round a window with a shadow margin: where the frame lies flush
// with the application window (no decoration on that side, as for the
// undecorated frames that such windows ask for), its edge moves in with the
// application window's.
QRect frameRect(const RawWindow& frame, const RawWindow& client)
{
    QRect r = ownRect(frame);
    const QRect inner = ownRect(client);
    if (inner == client.rect)
        return r;
    if (client.rect.left() == frame.rect.left())
        r.setLeft(inner.left());
    if (client.rect.top() == frame.rect.top())
        r.setTop(inner.top());
    if (client.rect.right() == frame.rect.right())
        r.setRight(inner.right());
    if (client.rect.bottom() == frame.rect.bottom())
        r.setBottom(inner.bottom());
    return r;
}

// A window and its viewable descendants, each clipped to its parent (the
// server shows nothing of a child outside its parent).
CWindowNode buildNode(const std::vector<RawWindow>& raw, int index, const QRect& clip)
{
    CWindowNode node;
    node.id = raw[index].id;
    node.rect = ownRect(raw[index]) & clip;
    for (int child : raw[index].children) {
        CWindowNode inner = buildNode(raw, child, node.rect);
        if (!inner.rect.isEmpty())
            node.children.append(inner);
    }
    return node;
}

// The application window inside a window manager's frame: the first
// descendant carrying WM_STATE, searched level by level; -1 if none.
int findClient(const std::vector<RawWindow>& raw, int frame)
{
    std::vector<int> level = raw[frame].children;
    while (!level.empty()) {
        std::vector<int> next;
        for (int index : level) {
            if (raw[index].hasWmState)
                return index;
            next.insert(next.end(), raw[index].children.begin(), raw[index].children.end());
        }
        level = std::move(next);
    }
    return -1;
}

bool holdsAny(const std::vector<RawWindow>& raw, int index, const QList<quint32>& ids)
{
    if (ids.contains(raw[index].id))
        return true;
    for (int child : raw[index].children) {
        if (holdsAny(raw, child, ids))
            return true;
    }
    return false;
}

} // namespace

CWindowList::CWindowList(QList<CWindowNode> topLevels) : m_topLevels(std::move(topLevels)) {}

const QList<CWindowNode>& CWindowList::topLevels() const
{
    return m_topLevels;
}

QRect CWindowList::windowRectAt(const QPoint& p, quint32 ignoredWindow) const
{
    for (const CWindowNode& top : m_topLevels) {
        if (ignoredWindow && holdsWindow(top, ignoredWindow))
            continue;
        if (!top.rect.contains(p))
            continue;
        if (const CWindowNode* child = firstContaining(top.children, p)) {
            const CWindowNode* grandChild = firstContaining(child->children, p);
            return grandChild ? grandChild->rect : child->rect;
        }
        return top.rect;
    }
    return QRect();
}

CWindowList CWindowList::fromX11(const QList<quint32>& ignoredWindows)
{
    xcb_connection_t* c = x11Connection();
    if (!c)
        return CWindowList();
    const std::vector<RawWindow> raw = TreeReader(c).read(x11RootWindow());

    QList<CWindowNode> topLevels;
    for (int index : raw.front().children) {
        // Window managers park helper windows off the screen (openbox at -100,-100).
        if (holdsAny(raw, index, ignoredWindows) || !raw[index].rect.intersects(raw.front().rect))
            continue;
        const int client = raw[index].hasWmState ? -1 : findClient(raw, index);
        if (client < 0) {
            // A client window itself, or any window without a window manager.
            topLevels.append(buildNode(raw, index, ownRect(raw[index])));
            continue;
        }
        // A window manager's frame and its application window count as one
        // top-level: the descent goes straight into the application window's
        // children, with the application window itself behind them, so that it
        // reaches as deep as without a frame. Decoration windows are left out.
        CWindowNode frame;
        frame.id = raw[index].id;
        frame.rect = frameRect(raw[index], raw[client]);
        CWindowNode inner = buildNode(raw, client, frame.rect);
        if (!inner.rect.isEmpty()) {
            frame.children = std::move(inner.children);
            inner.children.clear();
            frame.children.append(inner);
        }
        topLevels.append(frame);
    }
    return CWindowList(topLevels);
}
