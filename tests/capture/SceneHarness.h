#pragma once

// One snapshot's view and scene, driven with synthesized mouse and key events
// as the capture view hands them on (scene positions in desktop pixels).
#include "annotate/DrawObjectItem.h"
#include "annotate/SnapshotEdit.h"
#include "capture/DrawView.h"
#include "capture/SGraphicsScene.h"

#include <QApplication>
#include <QGraphicsSceneMouseEvent>
#include <QtTest>

#include <memory>

class SceneHarness
{
protected:
    // The offscreen platform warns about every raise() and size hint; those
    // lines would bury real warnings.
    static void quietOffscreenWarnings()
    {
        static QtMessageHandler previous = nullptr;
        previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
                if (!text.startsWith(QLatin1String("This plugin does not support")))
                    previous(type, context, text);
            });
    }
    // A view of the desktop, not yet shown.
    void makeView(const QImage& desktop, bool stripsInside = false)
    {
        m_view = std::make_unique<CDrawView>(QPixmap::fromImage(desktop), nullptr);
        m_view->setStripsInside(stripsInside);
        m_scene = m_view->snapshotScene();
    }
    // Shown and, when `exposed`, on the screen.
    void showView(bool exposed = true)
    {
        m_view->show();
        if (exposed)
            QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }
    void setMode(DrawMode mode) { m_view->editDialog()->setDrawMode(mode); }

    void mouse(QEvent::Type type, const QPointF& pos, Qt::MouseButton button, Qt::MouseButtons held,
               Qt::KeyboardModifiers modifiers = {})
    {
        QGraphicsSceneMouseEvent event(type);
        event.setScenePos(pos);
        event.setButton(button);
        event.setButtons(held);
        event.setModifiers(modifiers);
        if (button != Qt::NoButton)
            event.setButtonDownScenePos(button, pos);
        event.setAccepted(false);
        QApplication::sendEvent(m_scene, &event);
    }
    void press(const QPointF& p, Qt::MouseButton b = Qt::LeftButton)
    {
        mouse(QEvent::GraphicsSceneMousePress, p, b, b);
    }
    void move(const QPointF& p, Qt::MouseButtons held = Qt::NoButton, Qt::KeyboardModifiers modifiers = {})
    {
        mouse(QEvent::GraphicsSceneMouseMove, p, Qt::NoButton, held, modifiers);
    }
    void release(const QPointF& p, Qt::MouseButton b = Qt::LeftButton)
    {
        mouse(QEvent::GraphicsSceneMouseRelease, p, b, Qt::NoButton);
    }
    void click(const QPointF& p)
    {
        press(p);
        release(p);
    }
    // A move to the start (windows are detected on hover), the press, moves
    // through the points with the left button held and the release.
    void stroke(const QList<QPointF>& points, Qt::KeyboardModifiers modifiers = {})
    {
        move(points.first());
        press(points.first());
        for (const QPointF& p : points.mid(1))
            move(p, Qt::LeftButton, modifiers);
        release(points.last());
    }
    void drag(const QPointF& from, const QPointF& to) { stroke({from, (from + to) / 2, to}); }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(keyTarget(), Qt::Key(key), modifiers);
    }
    // Where a key pressed now goes: the view, which grabs the keyboard; with
    // the strips inside it, the widget of its window that has the focus.
    QWidget* keyTarget() const
    {
        QWidget* focus = m_view->focusWidget();
        return m_view->stripsInside() && focus ? focus : m_view.get();
    }
    // The marks of a kind, bottom first.
    template <class T> QList<T*> marks() const
    {
        QList<T*> found;
        for (CDrawObjectItem* mark : m_scene->marks())
            if (auto* typed = dynamic_cast<T*>(mark))
                found << typed;
        return found;
    }

    std::unique_ptr<CDrawView> m_view;
    CSGraphicsScene* m_scene = nullptr;
};
