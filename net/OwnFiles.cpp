#include "OwnFiles.h"

#include <QFile>
#include <QTemporaryFile>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace OwnFiles {

QString kindOf(mode_t mode)
{
    if (S_ISLNK(mode))
        return QStringLiteral("a symbolic link");
    if (S_ISFIFO(mode))
        return QStringLiteral("a named pipe");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    return QStringLiteral("a regular file");
}

int openRegular(int folder, const QByteArray& name, int flags, QString* other)
{
    other->clear();
    // Looked at before it is opened: opening a device can do something of
    // its own, and only a regular file is opened at all.
    struct stat info = {};
    if (::fstatat(folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return -1;
    if (!S_ISREG(info.st_mode)) {
        *other = kindOf(info.st_mode);
        return -1;
    }
    // What stands there may have changed since: the flags keep a link from
    // being followed and a pipe from blocking, and the check is made again
    // on what was opened.
    const int fd = ::openat(folder, name.constData(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP)
            *other = kindOf(S_IFLNK);
        return -1;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *other = kindOf(info.st_mode);
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

bool remove(int folder, const QByteArray& name, int depth)
{
    struct stat info = {};
    if (::fstatat(folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(info.st_mode))
        return ::unlinkat(folder, name.constData(), 0) == 0 || errno == ENOENT;
    if (depth <= 0)
        return false;
    const int inner = ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (inner < 0)
        return false;
    DIR* listing = ::fdopendir(inner);
    if (!listing) {
        ::close(inner);
        return false;
    }
    bool emptied = true;
    while (const dirent* entry = ::readdir(listing)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        emptied = remove(inner, QByteArray(entry->d_name), depth - 1) && emptied;
    }
    ::closedir(listing);
    return emptied && ::unlinkat(folder, name.constData(), AT_REMOVEDIR) == 0;
}

std::optional<QByteArray> read(const QString& path, qint64 maxBytes, QString* problem)
{
    const int fd = openRegular(AT_FDCWD, QFile::encodeName(path), O_RDONLY, problem);
    if (fd < 0) {
        if (problem->isEmpty() && errno != ENOENT)
            *problem = QString::fromLocal8Bit(std::strerror(errno));
        return std::nullopt;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *problem = file.errorString();
        return std::nullopt;
    }
    if (file.size() > maxBytes) {
        *problem = QStringLiteral("it is larger than %1 bytes").arg(maxBytes);
        return std::nullopt;
    }
    return file.read(maxBytes);
}

bool write(const QString& path, const QByteArray& bytes, QString* problem)
{
    // A temporary file is made anew (never opened where something stands)
    // and rename() replaces the name itself, whatever it was.
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) {
        *problem = file.errorString();
        return false;
    }
    if (::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()) != 0) {
        *problem = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    file.setAutoRemove(false);
    return true;
}

} // namespace OwnFiles
