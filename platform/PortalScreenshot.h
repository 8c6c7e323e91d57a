#pragma once

#include "platform/DesktopSource.h"

class CPortalRequest;

// The desktop from the Screenshot portal, taken without asking the user
// (non-interactive): the picture of every output at the highest scale.
class CPortalScreenshot : public CDesktopSource
{
    Q_OBJECT
public:
    using CDesktopSource::CDesktopSource;

    void request() override;
    bool listsWindows() const override { return false; }

private:
    void answered(uint code, const QVariantMap& results);

    CPortalRequest* m_request = nullptr;
};
