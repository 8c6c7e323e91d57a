#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>

class CPinWindow;
class QRect;

// Owns the pins on the screen; they outlive the snapshots they came from.
class CPinBoard : public QObject
{
    Q_OBJECT
public:
    explicit CPinBoard(QObject* parent = nullptr);
    ~CPinBoard() override;

    // A new pin showing `picture` at `deviceGeometry` (desktop device pixels,
    // `ratio` of them per logical pixel), `around` the desktop around it
    // (see CPinWindow).
    CPinWindow* pin(const QImage& picture, const QRect& deviceGeometry, qreal ratio = 1.0,
                    const QImage& around = QImage());
    void closeAll();
    QList<CPinWindow*> pins() const;
    int count() const { return int(pins().size()); }

signals:
    void countChanged(int count);

private:
    QList<QPointer<CPinWindow>> m_pins;
};
