#include "annotate/DrawObjectItem.h"
#include "annotate/DrawTextItem.h"
#include "capture/SGraphicsPixmapItem.h"
#include "capture/SGraphicsScene.h"
#include "platform/LargeImage.h"

#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QThread>
#include <QThreadPool>

#include <condition_variable>
#include <mutex>

namespace {

// Qt's raster engine splits each large fill among the threads of the global
// thread pool, unless it already runs on one of them. For the many fills of
// a picture's marks, handing out the pieces and waking the threads costs
// several times the painting itself (about 300 against 80 ms for 200 marks
// on a 3840x2160 picture here), so the picture is painted on one thread of
// that pool while this one waits. The marks are not touched meanwhile.
void paintOnPoolThread(const std::function<void()>& paint)
{
    QThreadPool* pool = QThreadPool::globalInstance();
    if (!pool || pool->contains(QThread::currentThread())) {
        paint();
        return;
    }
    // The standard library's wait, which a thread sanitizer follows: what
    // the pool thread painted is seen here once it is done.
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    // A thread of its own, even while the pool is busy.
    pool->reserveThread();
    pool->startOnReservedThread([&paint, &lock, &finished, &done] {
        paint();
        const std::lock_guard<std::mutex> hold(lock);
        done = true;
        finished.notify_one();
    });
    std::unique_lock<std::mutex> hold(lock);
    finished.wait(hold, [&done] { return done; });
}

} // namespace

void CSGraphicsScene::paintMarks(QPainter& painter, const QList<TransformedMark>& marks)
{
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    for (const TransformedMark& mark : marks) {
        QGraphicsItem* item = mark.first->item();
        QStyleOptionGraphicsItem option;
        option.exposedRect = item->boundingRect();
        painter.save();
        // Where the user sees it, moved or not.
        painter.setTransform(mark.second, true);
        item->paint(&painter, &option, nullptr);
        painter.restore();
    }
}

QImage CSGraphicsScene::pixelsBelow(const QRect& area, const CDrawObjectItem* above) const
{
    // As the picture has them: the desktop's pixels, then the marks.
    QImage pixels(area.size(), QImage::Format_ARGB32);
    pixels.fill(Qt::transparent);
    QPainter painter(&pixels);
    const QPixmap desktop = m_backgroundItem->pixmap();
    const QRect onDesktop = area & desktop.rect();
    if (!onDesktop.isEmpty()) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawPixmap(onDesktop.topLeft() - area.topLeft(), desktop, onDesktop);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    QList<TransformedMark> below;
    for (CDrawObjectItem* mark : marks()) {
        if (mark == above)
            break;
        if (!mark->item()->isVisible() || !mark->item()->sceneBoundingRect().intersects(area))
            continue;
        mark->settle();
        below.append({mark, mark->item()->sceneTransform()});
    }
    for (const TransformedMark& mark : std::as_const(below))
        mark.first->setPicturePaint(true);
    painter.translate(-area.topLeft());
    paintMarks(painter, below);
    for (const TransformedMark& mark : std::as_const(below))
        mark.first->setPicturePaint(false);
    return pixels;
}

QImage CSGraphicsScene::renderSelection()
{
    return renderPicture(false);
}

QImage CSGraphicsScene::renderSelectionForTheLastTime()
{
    return renderPicture(true);
}

QRect CSGraphicsScene::renderedArea() const
{
    const QRectF selection = m_pick.rect();
    // Whole pixels, truncated toward zero; nothing picked means the desktop.
    const QRect target(int(selection.x()), int(selection.y()), int(selection.width()),
                       int(selection.height()));
    return target.isEmpty() ? m_backgroundItem->pixmap().rect() : target;
}

QImage CSGraphicsScene::renderPicture(bool intoDesktop)
{
    QPixmap desktop = m_backgroundItem->pixmap();
    const QRect target = renderedArea();

    // The marks, stacked as on the screen; the chosen mark's handles are
    // for the screen only.
    QList<CDrawObjectItem*> marks;
    for (CDrawObjectItem* mark : this->marks()) {
        if (mark->item()->isVisible())
            marks << mark;
    }
    // Whatever a mark makes for its painting is made here, on the scene's
    // thread, while the desktop is still there (a Hide mark's cover is made
    // of its pixels): a text is laid out.
    for (CDrawObjectItem* mark : std::as_const(marks))
        mark->settle();
    // The desktop itself, without veil, outline, label or crosshair: as it
    // is when nothing is drawn on the whole of it (no copy at all), else
    // copied in one pass, or onto a clear picture where the area reaches
    // beyond the desktop.
    QImage pixels = desktop.toImage();
    if (marks.isEmpty() && target == pixels.rect())
        return pixels;
    QImage picture;
    if (intoDesktop && pixels.depth() == 32 && pixels.rect().contains(target)) {
        // For the last time: the marks are painted into the desktop's own
        // pixels, once nothing else holds them, and the picture is the
        // picked part of them in place, instead of a copy as large.
        desktop = QPixmap();
        m_backgroundItem->releasePictures();
        if (target == pixels.rect()) {
            picture = std::move(pixels);
        } else {
            auto* whole = new QImage(std::move(pixels));
            uchar* first = whole->bits() + target.y() * whole->bytesPerLine() + target.x() * 4;
            picture = QImage(
                first, target.width(), target.height(), whole->bytesPerLine(), whole->format(),
                [](void* image) { delete static_cast<QImage*>(image); }, whole);
        }
        pixels = QImage();
    } else {
        picture = newLargeImage(target.size(), QImage::Format_ARGB32);
    }
    // Where each mark is is read here too. Then the marks paint for the
    // picture: a text mark its text and box only, without the editor's caret
    // or focus frame.
    QList<TransformedMark> painted;
    for (CDrawObjectItem* mark : std::as_const(marks)) {
        painted.append({mark, mark->item()->sceneTransform()});
        mark->setPicturePaint(true);
    }
    paintOnPoolThread([&] {
        QPainter painter(&picture);
        if (pixels.isNull()) {
            // The desktop's own pixels.
        } else if (pixels.rect().contains(target)) {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(QPoint(0, 0), pixels, target);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        } else {
            picture.fill(Qt::transparent);
            painter.drawImage(-target.topLeft(), pixels);
        }
        painter.translate(-target.topLeft());
        paintMarks(painter, painted);
        painter.end();
    });
    for (CDrawObjectItem* mark : std::as_const(marks))
        mark->setPicturePaint(false);
    return picture;
}
