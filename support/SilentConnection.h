#pragma once

#include <QByteArray>

#include <algorithm>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

// Connects to the local socket at `path` (as the file system spells it)
// and says nothing: one connection of a flood on the program's instance
// socket. -1 when no connection was made within two seconds (nothing there,
// or the queue stayed full). Plain system calls only, so that a forked
// child may use it.
inline int silentConnection(const QByteArray& path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::copy(path.begin(), path.begin() + std::min<qsizetype>(path.size(), sizeof address.sun_path - 1),
              address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const timeval limit = {2, 0};
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) != 0 ||
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}
