#pragma once

#include <QColor>
#include <QGraphicsItem>
#include <QImage>
#include <QPainter>
#include <QStyleOptionGraphicsItem>

// Paints one item the way a view or the picture renderer does: straight
// through paint(), without antialiasing so that edges land on known pixels.
inline QImage paintItem(QGraphicsItem& item, bool mouseOver, const QSize& size = QSize(120, 120),
                        const QColor& background = Qt::white)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(background);
    QPainter painter(&image);
    QStyleOptionGraphicsItem option;
    if (mouseOver)
        option.state |= QStyle::State_MouseOver;
    item.paint(&painter, &option, nullptr);
    return image;
}

// The colour c with alpha a blended over an opaque background.
inline QColor blendOver(const QColor& c, const QColor& background)
{
    const double a = c.alphaF();
    return QColor(qRound(c.red() * a + background.red() * (1 - a)),
                  qRound(c.green() * a + background.green() * (1 - a)),
                  qRound(c.blue() * a + background.blue() * (1 - a)));
}

inline bool nearColor(const QColor& actual, const QColor& expected, int tolerance = 2)
{
    return qAbs(actual.red() - expected.red()) <= tolerance &&
           qAbs(actual.green() - expected.green()) <= tolerance &&
           qAbs(actual.blue() - expected.blue()) <= tolerance;
}

// The dashed hover outline: strongly green, little blue.
inline int highlightPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.green() > 180 && c.blue() < 100 && c.red() > 150)
                ++count;
        }
    }
    return count;
}

inline QString describe(const QColor& c)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}
