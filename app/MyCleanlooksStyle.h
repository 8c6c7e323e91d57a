#pragma once

#include <QProxyStyle>

// The application's style: Fusion with light grey window and button colours.
class CMyCleanlooksStyle : public QProxyStyle
{
    Q_OBJECT
public:
    CMyCleanlooksStyle();
    ~CMyCleanlooksStyle() override;

    void polish(QPalette& palette) override;
    using QProxyStyle::polish;
};
