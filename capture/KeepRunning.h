#pragma once

// While alive, closing windows never ends the program, even when the main
// window is hidden at that moment; the previous rule is restored afterwards.
class CKeepRunning
{
public:
    CKeepRunning();
    ~CKeepRunning();
    CKeepRunning(const CKeepRunning&) = delete;
    CKeepRunning& operator=(const CKeepRunning&) = delete;

private:
    bool m_quitOnLastWindowClosed;
};
