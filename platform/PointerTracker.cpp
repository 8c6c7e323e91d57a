#include "platform/PointerTracker.h"

#include "platform/X11Connection.h"

#include <QCoreApplication>

#include <cmath>
#include <cstring>
#include <xcb/xcb.h>

namespace {

// The device events of the X Input extension 2 (what Qt selects for the
// pointer) as xcb hands them over: the 32-byte wire event, xcb's full
// sequence number, then the positions in 16.16 fixed point.
struct XiDeviceEvent
{
    uint8_t responseType;
    uint8_t extension;
    uint16_t sequence;
    uint32_t length;
    uint16_t eventType;
    uint16_t deviceId;
    uint32_t time;
    uint32_t detail;
    uint32_t root;
    uint32_t event;
    uint32_t child;
    uint32_t fullSequence;
    int32_t rootX;
    int32_t rootY;
};
constexpr uint16_t kXiButtonPress = 4;
constexpr uint16_t kXiButtonRelease = 5;
constexpr uint16_t kXiMotion = 6;

int xinputOpcode(xcb_connection_t* c)
{
    const char name[] = "XInputExtension";
    XcbReply<xcb_query_extension_reply_t> reply(
        xcb_query_extension_reply(c, xcb_query_extension(c, std::strlen(name), name), nullptr));
    return reply && reply->present ? reply->major_opcode : -1;
}

} // namespace

CPointerTracker::CPointerTracker()
{
    xcb_connection_t* c = x11Connection();
    if (!c)
        return;
    m_xinputOpcode = xinputOpcode(c);
    QCoreApplication::instance()->installNativeEventFilter(this);
    m_installed = true;
}

CPointerTracker::~CPointerTracker()
{
    if (m_installed && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void CPointerTracker::record(quint32 time, const QPoint& root)
{
    m_samples[m_next] = Sample{time, root};
    m_next = (m_next + 1) % int(m_samples.size());
    m_count = qMin(m_count + 1, int(m_samples.size()));
}

bool CPointerTracker::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
    case XCB_GE_GENERIC: {
        const auto* xi = static_cast<const XiDeviceEvent*>(message);
        if (xi->extension != m_xinputOpcode)
            break;
        if (xi->eventType == kXiMotion || xi->eventType == kXiButtonPress ||
            xi->eventType == kXiButtonRelease)
            record(xi->time,
                   QPoint(int(std::floor(xi->rootX / 65536.0)), int(std::floor(xi->rootY / 65536.0))));
        break;
    }
    case XCB_MOTION_NOTIFY: {
        const auto* motion = static_cast<const xcb_motion_notify_event_t*>(message);
        record(motion->time, QPoint(motion->root_x, motion->root_y));
        break;
    }
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE: {
        const auto* button = static_cast<const xcb_button_press_event_t*>(message);
        record(button->time, QPoint(button->root_x, button->root_y));
        break;
    }
    default:
        break;
    }
    return false;
}

std::optional<QPoint> CPointerTracker::devicePosition(quint64 timestamp, const QPointF& logicalGlobal,
                                                      qreal ratio) const
{
    // Newest first: the Qt event follows its X event closely. Several X
    // events may share a millisecond; the position tells them apart.
    for (int n = 1; n <= m_count; ++n) {
        const Sample& s = m_samples[(m_next - n + int(m_samples.size())) % int(m_samples.size())];
        if (s.time != quint32(timestamp))
            continue;
        const QPointF logical = QPointF(s.root) / ratio;
        if (std::abs(logical.x() - logicalGlobal.x()) <= 1.0 &&
            std::abs(logical.y() - logicalGlobal.y()) <= 1.0)
            return s.root;
    }
    return std::nullopt;
}
