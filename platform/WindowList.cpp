#include "platform/WindowList.h"

CWindowList::CWindowList(QList<CWindowNode> topLevels) : m_topLevels(std::move(topLevels)) {}

const QList<CWindowNode>& CWindowList::topLevels() const
{
    return m_topLevels;
}

QRect CWindowList::windowRectAt(const QPoint&, quint32) const
{
    return QRect();
}

CWindowList CWindowList::fromX11(const QList<quint32>&)
{
    return CWindowList();
}
