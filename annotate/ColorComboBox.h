#pragma once

#include <QColor>
#include <QComboBox>

// A drop-down colour picker listing the named colours, each with a swatch.
class ColorComboBox : public QComboBox
{
    Q_OBJECT
    Q_PROPERTY(QColor color READ color WRITE setColor USER true)
public:
    explicit ColorComboBox(QWidget* parent = nullptr);

    // The current entry's colour; invalid when there is no current entry.
    QColor color() const;
    // Makes current the entry of exactly this colour (alpha included); no
    // entry is current when the colour is not in the list.
    void setColor(const QColor& color);

private:
    void populateColors();
};
