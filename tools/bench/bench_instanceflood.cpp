// What a flood of silent connections on the instance socket costs the
// running program: a child process opens that many connections and says
// nothing on them, then asks for the window once more, while this process
// serves the socket under a low open-file limit. Prints how many
// connections were made, whether the socket file survived, whether the
// request after the flood was taken, the longest pause of the event loop
// and the peak memory.
//
// usage: bench_instanceflood [--limit FILES] [--connections N]
//        (defaults: 1024 files, 1300 connections)
#include "shell/InstanceChannel.h"
#include "support/PeakMemory.h"
#include "support/SilentConnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;

namespace {

// The child's part: the flood, then one request; reports the number of
// connections made on `report` and ends.
[[noreturn]] void flood(const QByteArray& path, int connections, int report)
{
    for (int n = 0; n < 1000 && ::access(path.constData(), F_OK) != 0; ++n)
        std::this_thread::sleep_for(10ms);
    std::vector<int> silent;
    for (int n = 0; n < connections; ++n) {
        if (const int fd = silentConnection(path); fd >= 0)
            silent.push_back(fd);
    }
    std::this_thread::sleep_for(500ms);
    if (const int fd = silentConnection(path); fd >= 0) {
        [[maybe_unused]] const ssize_t sent = ::write(fd, "show\n", 5);
        std::this_thread::sleep_for(1s);
        ::close(fd);
    }
    const int made = int(silent.size());
    [[maybe_unused]] const ssize_t told = ::write(report, &made, sizeof made);
    for (int fd : silent)
        ::close(fd);
    ::_exit(0);
}

} // namespace

int main(int argc, char* argv[])
{
    int fileLimit = 1024;
    int connections = 1300;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--limit") == 0)
            fileLimit = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--connections") == 0)
            connections = std::atoi(argv[i + 1]);
    }
    QTemporaryDir dir;
    const QString socketPath = dir.filePath(QStringLiteral("ventaro.socket"));
    int pipe[2];
    if (!dir.isValid() || ::pipe(pipe) != 0)
        return 1;
    // The flood comes from another process, so that its connections count
    // against the limit of neither side but the program's.
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        flood(QFile::encodeName(socketPath), connections, pipe[1]);
    }
    ::close(pipe[1]);
    rlimit limit = {};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = rlim_t(fileLimit);
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0)
        std::fprintf(stderr, "cannot lower the open-file limit to %d\n", fileLimit);

    QCoreApplication app(argc, argv);
    InstanceChannel channel(socketPath);
    int shown = 0;
    QObject::connect(&channel, &InstanceChannel::showRequested, [&shown] { ++shown; });
    if (!channel.listen()) {
        std::fprintf(stderr, "cannot listen: %s\n", qPrintable(channel.errorString()));
        return 1;
    }

    // Every pause of the event loop shows up as a long gap between ticks.
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    ticks.start(5);

    int made = -1;
    QSocketNotifier reported(pipe[0], QSocketNotifier::Read);
    QObject::connect(&reported, &QSocketNotifier::activated, [&] {
        reported.setEnabled(false);
        if (::read(pipe[0], &made, sizeof made) != sizeof made)
            made = -1;
        // The socket is looked at while the flood is still connected.
        const bool socketThere = QFileInfo::exists(socketPath);
        std::printf("open-file limit %d, %d connections asked, %d made\n", fileLimit, connections, made);
        std::printf("socket file after the flood: %s\n", socketThere ? "there" : "gone");
        std::printf("request after the flood: %s\n", shown > 0 ? "taken" : "lost");
        std::printf("longest event-loop pause: %lld ms\n", static_cast<long long>(longest));
        std::printf("peak memory: %lld KiB\n", static_cast<long long>(peakMemoryKiB()));
        QCoreApplication::quit();
    });
    const int status = QCoreApplication::exec();
    ::waitpid(child, nullptr, 0);
    return status;
}
