#pragma once

#include <QColor>
#include <QString>

// How new marks look, as the property strip shows it: the tools read it at
// the press that creates a mark.
struct DrawProperties
{
    QColor frameColor; // the outline of shapes, the line of line tools
    QColor fillColor;
    QColor fontColor;
    bool frame = false;
    bool fill = true;
    int frameWidth = 2;
    int transparency = 100; // percent of opacity, 5..100
    QString fontFamily;
    int fontSize = 16;
    QColor highlightColor = QColor(255, 255, 0);
    int highlightWidth = 16; // desktop pixels
    int hideBlock = 12;      // desktop pixels
    bool hideSmooth = false;

    bool operator==(const DrawProperties& o) const
    {
        return frameColor == o.frameColor && fillColor == o.fillColor && fontColor == o.fontColor &&
               frame == o.frame && fill == o.fill && frameWidth == o.frameWidth &&
               transparency == o.transparency && fontFamily == o.fontFamily && fontSize == o.fontSize &&
               highlightColor == o.highlightColor && highlightWidth == o.highlightWidth &&
               hideBlock == o.hideBlock && hideSmooth == o.hideSmooth;
    }

    // A colour with the alpha of the transparency: percent * 255 / 100.
    QColor withTransparency(QColor color) const
    {
        color.setAlpha(transparency * 255 / 100);
        return color;
    }
};
