#pragma once

#include <QAbstractNativeEventFilter>
#include <QPoint>
#include <QPointF>

#include <array>
#include <optional>

// Qt hands mouse positions over in logical pixels, rounded: on a scaled
// display (QT_SCALE_FACTOR, Xft.dpi) a pointer on an odd device pixel cannot
// be told from its neighbour. This filter keeps the device-pixel root
// positions of the latest X pointer events, so that the matching Qt event can
// be placed on the exact device pixel. Without X11 it records nothing.
class CPointerTracker : public QAbstractNativeEventFilter
{
public:
    CPointerTracker();
    ~CPointerTracker() override;
    CPointerTracker(const CPointerTracker&) = delete;
    CPointerTracker& operator=(const CPointerTracker&) = delete;

    // The root position in device pixels of the X event that became the Qt
    // event with this timestamp and logical global position; none when no
    // recorded event matches.
    std::optional<QPoint> devicePosition(quint64 timestamp, const QPointF& logicalGlobal, qreal ratio) const;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Sample
    {
        quint32 time = 0;
        QPoint root;
    };
    void record(quint32 time, const QPoint& root);

    std::array<Sample, 16> m_samples{};
    int m_next = 0;
    int m_count = 0;
    int m_xinputOpcode = -1;
    bool m_installed = false;
};
