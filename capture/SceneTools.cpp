#include "annotate/DrawEllipseItem.h"
#include "annotate/DrawLineItem.h"
#include "annotate/DrawPolygonItem.h"
#include "annotate/DrawRectItem.h"
#include "annotate/DrawTextItem.h"
#include "annotate/MarkState.h"
#include "capture/SGraphicsScene.h"
#include "config/AppConfig.h"

#include <QGraphicsSceneMouseEvent>

// The drawing tools' handling of presses, moves, releases and double clicks
// lives here. A new mark takes its look from the drawing properties at the
// press that creates it; later changes leave it alone.

namespace {

QPen markPen(const DrawProperties& look)
{
    return MarkLook::linePen(look);
}

QPen shapePen(const DrawProperties& look)
{
    return MarkLook::shapePen(look);
}

QBrush markBrush(const DrawProperties& look)
{
    return MarkLook::fillBrush(look);
}

bool isLineMode(DrawMode mode)
{
    return mode == DrawMode::Line || mode == DrawMode::LineArrow;
}

bool isBoxMode(DrawMode mode)
{
    return mode == DrawMode::Rectangle || mode == DrawMode::Ellipse;
}

bool isPolygonMode(DrawMode mode)
{
    return mode == DrawMode::Polygon || mode == DrawMode::Curve || mode == DrawMode::Draw;
}

void setBoxRect(QGraphicsItem* item, const QRectF& rect)
{
    if (auto* box = dynamic_cast<CDrawRectItem*>(item))
        box->setRect(rect);
    else if (auto* ellipse = dynamic_cast<CDrawEllipseItem*>(item))
        ellipse->setRect(rect);
}

} // namespace

void CSGraphicsScene::toolPress(QGraphicsSceneMouseEvent* event, DrawMode mode)
{
    const DrawProperties& look = m_properties;
    const bool left = event->buttons().testFlag(Qt::LeftButton);
    const QPointF pos = event->scenePos();

    if (isLineMode(mode) || isBoxMode(mode)) {
        if (!left) {
            m_currentItem = nullptr;
            return;
        }
        m_pressPoint = pos;
        if (isLineMode(mode)) {
            auto* line = new CDrawLineItem;
            line->shadow = AppConfig.SnapshotShadow;
            line->setPen(markPen(look));
            line->setLine(QLineF(pos, pos));
            addItem(line);
            line->arrow = mode == DrawMode::LineArrow;
            m_currentItem = line;
            markAdded(line);
        } else if (mode == DrawMode::Rectangle) {
            auto* box = new CDrawRectItem;
            box->shadow = AppConfig.SnapshotShadow;
            box->setPen(shapePen(look));
            box->setBrush(markBrush(look));
            box->setRect(pos.x(), pos.y(), 1.0, 1.0);
            box->setFilled(look.fill);
            addItem(box);
            m_currentItem = box;
            markAdded(box);
        } else {
            auto* ellipse = new CDrawEllipseItem;
            ellipse->shadow = AppConfig.SnapshotShadow;
            ellipse->setPen(shapePen(look));
            ellipse->setBrush(markBrush(look));
            ellipse->setRect(pos.x(), pos.y(), 1.0, 1.0);
            ellipse->setFilled(look.fill);
            addItem(ellipse);
            m_currentItem = ellipse;
            markAdded(ellipse);
        }
    } else if (isPolygonMode(mode)) {
        auto* polygon = dynamic_cast<CDrawPolygonItem*>(m_currentItem);
        if (!left) {
            // Ends the polygon without the point that followed the pointer.
            if (polygon && m_polygonPoints.size() > 1) {
                m_polygonPoints.removeLast();
                polygon->setPolygon(m_polygonPoints);
            }
            m_currentItem = nullptr;
            m_polygonPoints.clear();
            return;
        }
        if (m_currentItem) {
            if (!polygon)
                return;
            m_polygonPoints.append(pos);
        } else {
            polygon = new CDrawPolygonItem;
            polygon->shadow = AppConfig.SnapshotShadow;
            addItem(polygon);
            polygon->setPen(mode == DrawMode::Draw ? markPen(look) : shapePen(look));
            polygon->setBrush(markBrush(look));
            polygon->setFilled(look.fill);
            polygon->setFreehand(mode == DrawMode::Draw);
            m_polygonPoints.clear();
            m_polygonPoints << pos << pos;
            m_currentItem = polygon;
            markAdded(polygon);
        }
        polygon->setPolygon(m_polygonPoints);
    } else if (mode == DrawMode::Text) {
        if (auto* editing = dynamic_cast<CDrawTextItem*>(m_currentItem)) {
            editing->setTextInteractionFlags(Qt::NoTextInteraction);
            if (editing->toPlainText().isEmpty())
                deleteCurrentItem();
        }
        if (!left)
            return;
        auto* text = new CDrawTextItem;
        text->shadow = AppConfig.SnapshotShadow;
        addItem(text);
        text->setFillColor(look.withTransparency(look.fillColor));
        text->setFrameColor(look.withTransparency(look.frameColor));
        text->setFilled(look.fill);
        text->setFrame(look.frame);
        text->setFrameWidth(look.frameWidth);
        text->setDefaultTextColor(look.withTransparency(look.fontColor));
        text->setFont(QFont(look.fontFamily, look.fontSize, -1, false));
        text->setPos(pos);
        text->setTextInteractionFlags(Qt::TextEditorInteraction);
        m_currentItem = text;
        markAdded(text);
        text->setFocus(Qt::OtherFocusReason);
    }
}

void CSGraphicsScene::toolMove(QGraphicsSceneMouseEvent* event, DrawMode mode)
{
    if (!m_currentItem)
        return;
    const QPointF pos = event->scenePos();
    if (isLineMode(mode)) {
        if (!event->buttons().testFlag(Qt::LeftButton))
            return;
        if (auto* line = dynamic_cast<CDrawLineItem*>(m_currentItem))
            line->setLine(QLineF(m_pressPoint, pos));
    } else if (isBoxMode(mode)) {
        setBoxRect(m_currentItem, spannedRect(m_pressPoint, pos));
    } else if (isPolygonMode(mode)) {
        auto* polygon = dynamic_cast<CDrawPolygonItem*>(m_currentItem);
        if (!polygon || m_polygonPoints.isEmpty())
            return;
        if (mode == DrawMode::Draw) {
            if (!event->buttons().testFlag(Qt::LeftButton))
                return;
            m_polygonPoints.append(pos);
            polygon->appendStrokePoint(pos);
            return;
        }
        // The last edge follows the pointer, buttons or not.
        m_polygonPoints.last() = pos;
        polygon->setPolygon(m_polygonPoints);
    }
}

void CSGraphicsScene::toolRelease(QGraphicsSceneMouseEvent* event, DrawMode mode)
{
    const QPointF pos = event->scenePos();
    if (isLineMode(mode)) {
        // The line stays current, so that Escape can still take it back.
        if (auto* line = dynamic_cast<CDrawLineItem*>(m_currentItem))
            line->setLine(QLineF(m_pressPoint, pos));
    } else if (isBoxMode(mode)) {
        if (m_currentItem)
            setBoxRect(m_currentItem, spannedRect(m_pressPoint, pos));
        m_currentItem = nullptr;
    } else if (mode == DrawMode::Draw) {
        if (auto* stroke = dynamic_cast<CDrawPolygonItem*>(m_currentItem))
            stroke->endStroke();
        m_polygonPoints.clear();
        m_currentItem = nullptr;
    } else if (mode == DrawMode::Erase) {
        // Every mark under the pointer goes, thin strokes within a few
        // pixels too. Hover reaches only the topmost of overlapping marks,
        // so the ones below are found by position. One release is one step.
        QList<QGraphicsItem*> erased;
        for (QGraphicsItem* item : marks()) {
            if (dynamic_cast<CDrawObjectItem*>(item)->hovered || markHit(item, pos, hitTolerance()))
                erased << item;
        }
        if (!erased.isEmpty())
            eraseMarks(erased);
    }
}

bool CSGraphicsScene::toolDoubleClick(QGraphicsSceneMouseEvent* event, DrawMode mode)
{
    Q_UNUSED(event);
    if (isLineMode(mode) || isBoxMode(mode)) {
        // Drops the zero-length line of the double click's first press.
        deleteCurrentItem();
        return false;
    }
    if (isPolygonMode(mode)) {
        if (!m_currentItem)
            return false;
        if (auto* stroke = dynamic_cast<CDrawPolygonItem*>(m_currentItem))
            stroke->endStroke();
        m_polygonPoints.clear();
        m_currentItem = nullptr;
        return true;
    }
    if (mode == DrawMode::Text) {
        // The double click's first press opened an empty box: it would show
        // as a stray frame in the picture.
        if (auto* text = dynamic_cast<CDrawTextItem*>(m_currentItem)) {
            text->setTextInteractionFlags(Qt::NoTextInteraction);
            if (text->toPlainText().isEmpty())
                deleteCurrentItem();
        }
        m_currentItem = nullptr;
    }
    return false;
}
