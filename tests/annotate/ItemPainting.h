#pragma once

#include <QColor>
#include <QGraphicsItem>
#include <QImage>
#include <QPainter>
#include <QStyleOptionGraphicsItem>

// Paints one item straight through paint(), as a view or the picture
// renderer does, without antialiasing so that edges land on known pixels.
inline QImage paintItem(QGraphicsItem& item, bool mouseOver, const QPointF& origin = QPointF())
{
    QImage image(220, 120, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.translate(origin);
    QStyleOptionGraphicsItem option;
    option.exposedRect = item.boundingRect();
    if (mouseOver)
        option.state |= QStyle::State_MouseOver;
    item.paint(&painter, &option, nullptr);
    return image;
}

// The colour c blended over an opaque background (white by default).
inline QColor blendOver(const QColor& c, const QColor& background = Qt::white)
{
    const double a = c.alphaF();
    auto mix = [a](int top, int under) { return qRound(top * a + under * (1 - a)); };
    return QColor(mix(c.red(), background.red()), mix(c.green(), background.green()),
                  mix(c.blue(), background.blue()));
}

inline bool nearColor(const QColor& actual, const QColor& expected)
{
    return qAbs(actual.red() - expected.red()) <= 2 && qAbs(actual.green() - expected.green()) <= 2 &&
           qAbs(actual.blue() - expected.blue()) <= 2;
}

// The grey of the shadow pass over white.
inline QColor shadowOnWhite()
{
    return blendOver(QColor(125, 125, 125, 125));
}

// Pixels of the dashed hover outline: yellow-green, greener than red.
inline int highlightPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.green() > 150 && c.green() > c.red() + 25 && c.blue() < 100 ? 1 : 0;
        }
    return count;
}

// Whether everything painted lies inside the rectangle: a view repaints only
// bounding rectangles, so paint outside them leaves traces on the screen.
inline bool paintedOnlyInside(const QImage& image, const QRect& rect)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!rect.contains(x, y) && image.pixelColor(x, y) != QColor(Qt::white))
                return false;
    return true;
}
