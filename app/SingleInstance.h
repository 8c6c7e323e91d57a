#pragma once

#include <QString>
#include <memory>

class QLockFile;

// Makes sure one interactive instance runs per user. The guard is a lock file
// in the user's runtime directory holding the owner's process id: one left by
// a crashed or killed instance is recognised as stale and taken over.
class CSingleInstance
{
public:
    explicit CSingleInstance(const QString& key);
    ~CSingleInstance();

    // True when this process now holds the guard.
    bool tryAcquire();
    void release();
    QString lockFileName() const { return m_fileName; }

private:
    QString m_fileName;
    std::unique_ptr<QLockFile> m_lock;
};
