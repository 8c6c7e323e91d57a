#pragma once

#include <QImage>
#include <QObject>
#include <QRect>

#include <utility>

// Where the desktop picture comes from: the X server's own pixels on X11,
// the Screenshot portal on Wayland.
class CDesktopSource : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The source for this session.
    static CDesktopSource* create(QObject* parent = nullptr);

    // Asks for the whole desktop: ready() or failed() follows once, possibly
    // before this returns (always on X11, where the grab is direct).
    virtual void request() = 0;
    // Whether the windows on the desktop can be listed (only X11 tells).
    virtual bool listsWindows() const = 0;

    // Waits for one picture; a null image and the reason when there is none.
    QImage grabNow(QString* reason);

    // The picture ready() announced, handed over (the source keeps no
    // reference, so that it becomes a pixmap without a copy).
    QImage takePicture() { return std::move(m_picture); }

signals:
    void ready();
    // Why there is no picture; empty when there is no screen at all.
    void failed(const QString& reason);

protected:
    void deliver(QImage picture);

private:
    QImage m_picture;
};

// The part of a picture of the whole layout that shows one output, with one
// picture pixel per device pixel of that output. The layout picture spans
// `layout` (logical pixels) at one scale for all outputs; `output` is the
// output's logical rectangle and `ratio` its device pixels per logical pixel.
QImage outputPicture(const QImage& layoutPicture, const QRect& layout, const QRect& output, qreal ratio);
