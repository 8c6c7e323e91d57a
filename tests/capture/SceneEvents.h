#pragma once

// Mouse and key input for a selection scene, as the capture view hands it
// on: scene positions in desktop pixels.
#include <QApplication>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>

namespace SceneEvents {

inline void sendMouse(QGraphicsScene* scene, QEvent::Type type, const QPointF& pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons)
{
    QGraphicsSceneMouseEvent event(type);
    event.setScenePos(pos);
    event.setScreenPos(pos.toPoint());
    event.setButton(button);
    event.setButtons(buttons);
    if (button != Qt::NoButton) {
        event.setButtonDownScenePos(button, pos);
        event.setButtonDownScreenPos(button, pos.toPoint());
    }
    event.setAccepted(false);
    QApplication::sendEvent(scene, &event);
}

inline void press(QGraphicsScene* s, const QPointF& p, Qt::MouseButton b = Qt::LeftButton)
{
    sendMouse(s, QEvent::GraphicsSceneMousePress, p, b, b);
}
inline void move(QGraphicsScene* s, const QPointF& p, Qt::MouseButtons held = Qt::NoButton)
{
    sendMouse(s, QEvent::GraphicsSceneMouseMove, p, Qt::NoButton, held);
}
inline void release(QGraphicsScene* s, const QPointF& p, Qt::MouseButton b = Qt::LeftButton)
{
    sendMouse(s, QEvent::GraphicsSceneMouseRelease, p, b, Qt::NoButton);
}
// Press, a move halfway and the release.
inline void drag(QGraphicsScene* s, const QPointF& from, const QPointF& to)
{
    press(s, from);
    move(s, (from + to) / 2, Qt::LeftButton);
    move(s, to, Qt::LeftButton);
    release(s, to);
}
inline void click(QGraphicsScene* s, const QPointF& p)
{
    press(s, p);
    release(s, p);
}

// A key pressed and released on a widget (the capture view) or the scene.
inline void key(QObject* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                const QString& text = QString())
{
    QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &up);
}

} // namespace SceneEvents
