#include "SingleInstance.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QSysInfo>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A folder of this user's that no one else may enter or change: where a
// lock cannot be planted or removed by anyone else.
bool isPrivateFolder(const QString& folder, bool followLink)
{
    const QByteArray name = QFile::encodeName(folder);
    struct stat info = {};
    if ((followLink ? ::stat(name.constData(), &info) : ::lstat(name.constData(), &info)) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 0077) == 0 &&
           (info.st_mode & 0700) == 0700;
}

// Checked here rather than through QStandardPaths, which warns on standard
// error about an unusable one and then offers a folder in the shared
// temporary folder that anyone may have made first.
QString runtimeFolder()
{
    const QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || QDir::isRelativePath(folder) || !isPrivateFolder(folder, true))
        return {};
    return folder;
}

// Whoever made the folder first owns it: one planted by someone else, as a
// link or open to others, is refused rather than used or changed.
bool makePrivateFolder(const QString& folder)
{
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
        return false;
    return isPrivateFolder(folder, false);
}

struct LockOwner
{
    qint64 pid = 0;
    QString hostname;
    QByteArray hostId;
};

// The owner a lock file names, in QLockFile's layout: process id,
// application, host name, machine id, boot id, a line each.
bool readOwner(int fd, LockOwner* owner)
{
    char buffer[4096];
    const ssize_t size = ::pread(fd, buffer, sizeof buffer, 0);
    if (size <= 0)
        return false;
    const QList<QByteArray> lines = QByteArray(buffer, size).split('\n');
    bool ok = false;
    owner->pid = lines.value(0).toLongLong(&ok);
    owner->hostname = QString::fromUtf8(lines.value(2));
    owner->hostId = lines.value(3);
    return ok && owner->pid > 0;
}

// Another host by the rule QLockFile applies: the machine id when both
// sides know one, else the host name.
bool onAnotherHost(const LockOwner& owner)
{
    bool sameHost = owner.hostname.isEmpty() || owner.hostname == QSysInfo::machineHostName();
    const QByteArray ours = QSysInfo::machineUniqueId();
    if (!owner.hostId.isEmpty() && !ours.isEmpty())
        sameHost = owner.hostId == ours;
    return !sameHost;
}

// Removes the lock file at `path` when `leftOver` says so of its contents
// and no process holds it. A holder keeps an flock on its file from the
// moment it creates it for as long as it runs, so only a file nobody holds
// so is removed. The removal runs under QLockFile's own ".rmlock", the one
// its stale-lock removal takes, so no two starts remove at once, and only
// while the path still names the file looked at.
bool removeUnheld(const QString& path, const std::function<bool(int fd)>& leftOver)
{
    QLockFile removal(path + QStringLiteral(".rmlock"));
    if (!removal.tryLock(0))
        return false;
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat opened = {};
    struct stat current = {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || !leftOver(fd))
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return false;
    if (::stat(name.constData(), &current) != 0 || current.st_ino != opened.st_ino ||
        current.st_dev != opened.st_dev)
        return false;
    return ::unlink(name.constData()) == 0;
}

// QLockFile never takes over a lock naming another host: over a shared
// file system its owner may be alive there. Here it cannot be, yet a
// program of this machine could still hold it had the host name changed
// since it started.
bool removeFromAnotherHost(const QString& path)
{
    return removeUnheld(path, [](int fd) {
        LockOwner owner;
        return readOwner(fd, &owner) && onAnotherHost(owner);
    });
}

} // namespace

SingleInstance::SingleInstance() : SingleInstance(defaultPlaces()) {}

SingleInstance::SingleInstance(QList<Place> places) : m_places(std::move(places)) {}

QList<SingleInstance::Place> SingleInstance::defaultPlaces()
{
    QList<Place> places;
    if (const QString runtime = runtimeFolder(); !runtime.isEmpty())
        places.append({runtime, true, false});
    places.append({QDir::tempPath() + QStringLiteral("/ventaro-%1").arg(::geteuid()), false, true});
    places.append(
        {QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Ventaro"),
         false, false});
    return places;
}

QString SingleInstance::lockPath() const
{
    return m_lock ? m_lock->fileName() : QString();
}

QString SingleInstance::socketPath() const
{
    return m_lock ? QFileInfo(m_lock->fileName()).dir().filePath(socketName) : QString();
}

SingleInstance::Outcome SingleInstance::acquire()
{
    for (const Place& place : std::as_const(m_places)) {
        const Outcome outcome = acquireIn(place);
        if (outcome != Outcome::NoPlace)
            return outcome;
    }
    m_lock.reset();
    return Outcome::NoPlace;
}

SingleInstance::Outcome SingleInstance::acquireIn(const Place& place)
{
    if (place.mustBePrivate ? !makePrivateFolder(place.folder) : !QDir().mkpath(place.folder))
        return Outcome::NoPlace;
    m_lock = std::make_unique<QLockFile>(QDir(place.folder).filePath(lockName));
    // A stale-lock time of zero: staleness is decided only by whether the
    // owning process still lives, never by the lock's age, so a program
    // that has run for days still counts as running. tryLock() itself takes
    // over a lock whose owner has died on this host.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return Outcome::Acquired;
    if (m_lock->error() != QLockFile::LockFailedError)
        return Outcome::NoPlace;
    if (removeLeftOver(place) && m_lock->tryLock(0))
        return Outcome::Acquired;

    QString hostname;
    QString application;
    m_runningPid = 0;
    if (!m_lock->getLockInfo(&m_runningPid, &hostname, &application))
        m_runningPid = 0;
    return Outcome::Running;
}

bool SingleInstance::removeLeftOver(const Place& place)
{
    const QString path = m_lock->fileName();
    qint64 pid = 0;
    QString hostname;
    QString application;
    if (m_lock->getLockInfo(&pid, &hostname, &application))
        return place.thisBootOnly && removeFromAnotherHost(path);

    // A lock file without an owner's id is one whose creator died between
    // creating it and writing the id, microseconds apart. Only such a file,
    // only once it is clearly older than that and only when nobody holds it
    // (a creator held up between the two, on a machine under load, does),
    // is removed here: taking over a lock that names its owner would race
    // with a live start-up.
    const QFileInfo file(path);
    if (!file.exists() || file.lastModified().msecsTo(QDateTime::currentDateTime()) < orphanAgeMs)
        return false;
    return removeUnheld(path, [](int fd) {
        LockOwner owner;
        return !readOwner(fd, &owner);
    });
}
