#include "capture/KeepRunning.h"

#include <QGuiApplication>

CKeepRunning::CKeepRunning() : m_quitOnLastWindowClosed(QGuiApplication::quitOnLastWindowClosed())
{
    QGuiApplication::setQuitOnLastWindowClosed(false);
}

CKeepRunning::~CKeepRunning()
{
    QGuiApplication::setQuitOnLastWindowClosed(m_quitOnLastWindowClosed);
}
