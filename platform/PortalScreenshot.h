#pragma once

#include "platform/DesktopSource.h"

class CPortalRequest;
struct PortalPicture;

// The desktop from the Screenshot portal, taken without asking the user
// (non-interactive): the picture of every output at the highest scale. The
// file the portal names is read off the GUI thread (see PortalPicture).
class CPortalScreenshot : public CDesktopSource
{
    Q_OBJECT
public:
    using CDesktopSource::CDesktopSource;

    void request() override;
    bool listsWindows() const override { return false; }

    // How long the portal's file may take to read.
    static constexpr int kReadTimeoutMs = 20000;

private:
    void answered(uint code, const QVariantMap& results);
    void pictureRead(int serial, PortalPicture picture);

    CPortalRequest* m_request = nullptr;
    qint64 m_askedAtMs = 0;
    int m_serial = 0; // of the answer being read; older ones are dropped
};
