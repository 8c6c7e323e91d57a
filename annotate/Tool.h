#pragma once

#include "annotate/MarkState.h"

#include <QList>
#include <QPointF>
#include <QRectF>

#include <memory>

class CDrawObjectItem;
class QGraphicsSceneMouseEvent;
class QImage;
class QRect;
class QKeyEvent;

// What the marks below a mark show at an area of the scene: the desktop
// and every mark stacked under the given one, as the picture shows them.
class CMarkBackdrop
{
public:
    virtual ~CMarkBackdrop();
    // The area in scene (desktop) pixels; transparent beyond the desktop.
    virtual QImage pixelsBelow(const QRect& area, const CDrawObjectItem* above) const = 0;
};

// What a tool works on: the marks of the scene and the undo steps, the look
// of new marks. Implemented by the scene.
class CToolContext
{
public:
    virtual ~CToolContext();

    // The look of the marks created now.
    virtual const DrawProperties& look() const = 0;
    // What a mark can show of the marks below it.
    virtual const CMarkBackdrop* backdrop() const = 0;

    // A new mark on top of the others, recorded as one step; it becomes the
    // mark in progress.
    virtual void addMark(CDrawObjectItem* mark) = 0;
    // The mark being drawn or typed, if any; a tool takes only its own.
    virtual CDrawObjectItem* currentMark() const = 0;
    // The mark in progress is done and stays.
    virtual void releaseCurrentMark() = 0;
    // The mark in progress goes, with the step that added it.
    virtual void dropCurrentMark() = 0;

    // The marks in stacking order, from the bottom.
    virtual QList<CDrawObjectItem*> marks() const = 0;
    // How far from a thin stroke a click still hits it, in scene pixels.
    virtual qreal hitTolerance() const = 0;
    // Takes marks out of the scene as one step.
    virtual void removeMarks(const QList<CDrawObjectItem*>& marks) = 0;
    // Records a change already made to a mark, from the state before it.
    virtual void pushChange(CDrawObjectItem* mark, const MarkState& before) = 0;
};

// One drawing tool: how it turns presses, moves, releases, double clicks
// and keys into marks. The scene hands it the mouse input that no mark took.
class CTool
{
public:
    virtual ~CTool();

    virtual void press(CToolContext& context, QGraphicsSceneMouseEvent* event);
    virtual void move(CToolContext& context, QGraphicsSceneMouseEvent* event);
    virtual void release(CToolContext& context, QGraphicsSceneMouseEvent* event);
    // True when the double click ended a mark in progress: the snapshot is
    // not finished then.
    virtual bool doubleClick(CToolContext& context, QGraphicsSceneMouseEvent* event);
    // True when the tool took the key.
    virtual bool key(CToolContext& context, QKeyEvent* event);

protected:
    // A new mark with the shadow the settings ask for.
    template <class Mark> static Mark* newMark()
    {
        auto* mark = new Mark;
        setShadow(mark);
        return mark;
    }
    // The tool's own mark if it is still the one in progress, else null.
    template <class Mark> static Mark* own(const CToolContext& context, Mark* mark)
    {
        return mark && context.currentMark() == mark ? mark : nullptr;
    }

private:
    static void setShadow(CDrawObjectItem* mark);
};

// The rectangle spanned by two points.
QRectF spannedRect(const QPointF& a, const QPointF& b);
