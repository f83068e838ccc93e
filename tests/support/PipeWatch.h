#pragma once

#include <QFile>
#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// A named pipe planted at a path, watched from a thread of its own: whoever
// opens it to read is let go at once (it finds the pipe empty) and counted.
// Code that waits on the pipe thus fails a test rather than hanging it, and
// code that never opens it leaves the count at zero however long it runs.
class PipeWatch
{
public:
    explicit PipeWatch(const QString& path)
        : m_path(QFile::encodeName(path)), m_made(::mkfifo(m_path.constData(), 0600) == 0)
    {}
    ~PipeWatch()
    {
        m_stop = true;
        m_thread.join();
    }

    bool made() const { return m_made; }
    int readers() const { return m_readers; }

private:
    // Opening the writing end without blocking succeeds only while a
    // reader holds the other, and lets that reader go on.
    void watch()
    {
        for (; !m_stop; std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
            struct stat info = {};
            const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
            m_readers += fd >= 0 && ::fstat(fd, &info) == 0 && S_ISFIFO(info.st_mode) ? 1 : 0;
            if (fd >= 0)
                ::close(fd);
        }
    }

    const QByteArray m_path;
    const bool m_made;
    std::atomic<bool> m_stop = false;
    std::atomic<int> m_readers = 0;
    std::thread m_thread{[this] { watch(); }};
};
