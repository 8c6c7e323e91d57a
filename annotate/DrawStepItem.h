#pragma once

#include "annotate/DrawObjectItem.h"

#include <QGraphicsEllipseItem>
#include <QPainterPath>

// A numbered step: a filled circle round its position with a number in
// black or white, whichever reads better on the circle. The steps of a
// scene are numbered 1, 2, 3 ... in the order they were placed, counting
// only those in the scene: taking one out (erased, deleted, undone)
// renumbers the rest, putting it back gives it its number again.
class CDrawStepItem : public CDrawMark<QGraphicsEllipseItem>
{
public:
    enum
    {
        Type = UserType + 13
    };

    explicit CDrawStepItem(QGraphicsItem* parent = nullptr);

    int type() const override { return Type; }
    int number() const { return m_number; }
    // The circle's diameter and colour.
    void setCircle(qreal diameter, const QColor& colour);
    qreal diameter() const { return rect().width(); }
    // The circle's size for a width of the property strip.
    static qreal diameterFor(int width) { return 16 + 6 * width; }
    // Black or white, whichever reads better on a colour.
    static QColor numberColour(const QColor& on);

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget = nullptr) override;

    DrawMode kind() const override { return DrawMode::Steps; }
    MarkState state() const override;
    void setState(const MarkState& state) override;
    bool applyLook(const DrawProperties& before, const DrawProperties& after) override;

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;
    QRectF itemOutline() const override { return rect(); }

private:
    static void renumber(QGraphicsScene* scene);
    void setNumber(int number);
    void makeDigits();

    quint64 m_placed; // the order of placing
    int m_number = 0;
    QPainterPath m_digits;
    QGraphicsScene* m_leaving = nullptr;
};
