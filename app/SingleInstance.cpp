#include "app/SingleInstance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

CSingleInstance::CSingleInstance(const QString& key)
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    m_fileName = dir + QLatin1Char('/') + key + QLatin1String(".lock");
    m_lock = std::make_unique<QLockFile>(m_fileName);
    // Only a dead owner makes the lock stale, never its age: an instance may
    // run for weeks.
    m_lock->setStaleLockTime(0);
}

CSingleInstance::~CSingleInstance() = default;

bool CSingleInstance::tryAcquire()
{
    return m_lock->tryLock(0);
}

void CSingleInstance::release()
{
    m_lock->unlock();
}
