#include "ProgramProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QSettings>
#include <csignal>
#include <functional>

namespace {

bool handlesTermination(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) {
            bool ok = false;
            const qulonglong mask = line.mid(7).trimmed().toULongLong(&ok, 16);
            return ok && (mask & (1ULL << (SIGTERM - 1))) != 0;
        }
    }
    return false;
}

bool waitWhileRunning(QProcess& process, int timeoutMs, const std::function<bool()>& reached)
{
    if (process.state() == QProcess::Starting && !process.waitForStarted(timeoutMs))
        return false;
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (reached())
            return true;
        if (process.state() == QProcess::NotRunning || process.waitForFinished(20))
            return false;
    }
    return false;
}

} // namespace

namespace ProgramProcess {

QProcessEnvironment environmentWithoutBus()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // A socket inside a file cannot exist: connecting fails with ENOTDIR.
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=/dev/null/no-session-bus"));
    return env;
}

bool waitUntilHandlesTermination(QProcess& process, int timeoutMs)
{
    return waitWhileRunning(process, timeoutMs,
                            [&process] { return handlesTermination(process.processId()); });
}

bool waitForInitialisedStore(QProcess& process, const QString& iniPath, int timeoutMs)
{
    return waitWhileRunning(process, timeoutMs, [&iniPath] {
        return QSettings(iniPath, QSettings::IniFormat).value(QStringLiteral("Store/Initialized")).isValid();
    });
}

bool waitUntilAnswering(QProcess& process, const QString& socketPath, int timeoutMs)
{
    return waitWhileRunning(process, timeoutMs, [&socketPath] {
        // A connection that says nothing is dropped by the program.
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        const bool answered = socket.waitForConnected(1000);
        socket.abort();
        return answered;
    });
}

} // namespace ProgramProcess
