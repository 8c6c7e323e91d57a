#include "annotate/Tool.h"

#include "annotate/DrawObjectItem.h"
#include "config/AppConfig.h"

CMarkBackdrop::~CMarkBackdrop() = default;
CToolContext::~CToolContext() = default;
CTool::~CTool() = default;

void CTool::press(CToolContext&, QGraphicsSceneMouseEvent*) {}
void CTool::move(CToolContext&, QGraphicsSceneMouseEvent*) {}
void CTool::release(CToolContext&, QGraphicsSceneMouseEvent*) {}

bool CTool::doubleClick(CToolContext&, QGraphicsSceneMouseEvent*)
{
    return false;
}

bool CTool::key(CToolContext&, QKeyEvent*)
{
    return false;
}

void CTool::setShadow(CDrawObjectItem* mark)
{
    mark->shadow = AppConfig.SnapshotShadow;
}

QRectF spannedRect(const QPointF& a, const QPointF& b)
{
    const qreal x = qMin(a.x(), b.x());
    const qreal y = qMin(a.y(), b.y());
    return QRectF(x, y, qMax(a.x(), b.x()) - x, qMax(a.y(), b.y()) - y);
}
