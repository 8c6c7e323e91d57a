#include "app/MyCleanlooksStyle.h"

#include <QPalette>
#include <QStyleFactory>

CMyCleanlooksStyle::CMyCleanlooksStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

CMyCleanlooksStyle::~CMyCleanlooksStyle() = default;

void CMyCleanlooksStyle::polish(QPalette& palette)
{
    QProxyStyle::polish(palette);
    const QBrush button(QColor(230, 233, 233));
    const QBrush window(QColor(240, 243, 243));
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setBrush(group, QPalette::Button, button);
        palette.setBrush(group, QPalette::Window, window);
    }
}
