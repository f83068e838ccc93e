#include "SingleInstance.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

SingleInstance::SingleInstance(QString lockPath) : m_path(std::move(lockPath)) {}

QString SingleInstance::defaultLockPath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("ventaro.lock"));
}

bool SingleInstance::acquire()
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    m_lock = std::make_unique<QLockFile>(m_path);
    // A stale-lock time of zero: staleness is decided only by whether the
    // owning process still lives, never by the lock's age, so a program
    // that has run for days still counts as running. tryLock() itself takes
    // over a lock whose owner has died.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    if (m_lock->error() != QLockFile::LockFailedError)
        return false;

    // A lock file without an owner's id is one whose creator died between
    // creating it and writing the id, microseconds apart. Only such a file,
    // and only once it is clearly older than that, is removed here: taking
    // over a lock that names its owner would race with a live start-up.
    qint64 pid = 0;
    QString hostname;
    QString application;
    if (m_lock->getLockInfo(&pid, &hostname, &application))
        return false;
    const QFileInfo file(m_path);
    if (!file.exists() || file.lastModified().msecsTo(QDateTime::currentDateTime()) < orphanAgeMs)
        return false;
    QFile::remove(m_path);
    return m_lock->tryLock(0);
}
