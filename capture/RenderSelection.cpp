#include "capture/MarkHandlesItem.h"
#include "annotate/DrawTextItem.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"

#include <QPainter>
#include <QStyleOptionGraphicsItem>

QImage CSGraphicsScene::renderSelection()
{
    const QPixmap desktop = m_backgroundItem->pixmap();
    const QRectF selection = m_backgroundItem->selectionRect();
    // Whole pixels, truncated toward zero; nothing picked means the desktop.
    QRect target(int(selection.x()), int(selection.y()), int(selection.width()), int(selection.height()));
    if (target.isEmpty())
        target = desktop.rect();

    QImage picture(target.size(), QImage::Format_ARGB32);
    picture.fill(Qt::transparent); // what lies outside the desktop
    QPainter painter(&picture);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.translate(-target.topLeft());
    // The desktop itself, without veil, outline, label or crosshair.
    painter.drawPixmap(0, 0, desktop);

    const QList<QGraphicsItem*> all = items(Qt::AscendingOrder);
    for (QGraphicsItem* item : all) {
        // The chosen mark's handles are for the screen only.
        if (item == m_backgroundItem || dynamic_cast<CMarkHandlesItem*>(item) || !item->isVisible())
            continue;
        QStyleOptionGraphicsItem option;
        option.exposedRect = item->boundingRect();
        painter.save();
        // Where the user sees it, moved or not; a text mark draws its text
        // and box only, without the editor's caret or focus frame.
        painter.setTransform(item->sceneTransform(), true);
        auto* text = dynamic_cast<CDrawTextItem*>(item);
        if (text)
            text->setExportPaint(true);
        item->paint(&painter, &option, nullptr);
        if (text)
            text->setExportPaint(false);
        painter.restore();
    }
    painter.end();
    return picture;
}
