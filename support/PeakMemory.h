#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The peak resident memory of a process so far (Linux's VmHWM), in KiB:
// of this process, or of the one with `pid`; -1 where it cannot be read.
inline qint64 peakMemoryKiB(qint64 pid = 0)
{
    QFile status(pid > 0 ? QStringLiteral("/proc/%1/status").arg(pid) : QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}
