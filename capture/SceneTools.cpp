#include "capture/SGraphicsScene.h"

#include <QGraphicsSceneMouseEvent>

// The drawing tools' handling of presses, moves, releases and double clicks
// lives here.

void CSGraphicsScene::toolPress(QGraphicsSceneMouseEvent* event, DrawMode mode)
{
    Q_UNUSED(event);
    Q_UNUSED(mode);
}

void CSGraphicsScene::toolMove(QGraphicsSceneMouseEvent* event, DrawMode mode)
{
    Q_UNUSED(event);
    Q_UNUSED(mode);
}

void CSGraphicsScene::toolRelease(QGraphicsSceneMouseEvent* event, DrawMode mode)
{
    Q_UNUSED(event);
    Q_UNUSED(mode);
}

bool CSGraphicsScene::toolDoubleClick(QGraphicsSceneMouseEvent* event, DrawMode mode)
{
    Q_UNUSED(event);
    Q_UNUSED(mode);
    return false;
}
