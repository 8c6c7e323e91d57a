#include "annotate/ColorComboBox.h"

#include <QPixmap>

ColorComboBox::ColorComboBox(QWidget* parent) : QComboBox(parent)
{
    populateColors();
}

QColor ColorComboBox::color() const
{
    const QVariant data = itemData(currentIndex(), Qt::UserRole);
    if (data.canConvert<QColor>())
        return data.value<QColor>();
    return QColor();
}

void ColorComboBox::setColor(const QColor& color)
{
    setCurrentIndex(findData(color, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void ColorComboBox::populateColors()
{
    // A mark takes its alpha from the transparency setting, never from its
    // colour: "transparent" would draw black, so it is not offered.
    QStringList names = QColor::colorNames();
    names.removeAll(QStringLiteral("transparent"));
    // One swatch of the icon size: a pixmap of the box's own size would be
    // shrunk to a sliver in the list (and be huge for a top-level box).
    QPixmap swatch(iconSize());
    for (int i = 0; i < names.size(); ++i) {
        QColor color;
        color.setNamedColor(names.at(i));
        swatch.fill(color);
        insertItem(i, QIcon(), names.at(i), color);
        setItemData(i, swatch.copy(), Qt::DecorationRole);
    }
}
