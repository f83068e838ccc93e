#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A message bus of the test's own: a dbus-daemon listening on a socket in
// a temporary folder, open to any client, ended with the object. Clients
// reach it by address().
class PrivateBus
{
public:
    PrivateBus() = default;
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Starts the daemon and waits for its address; false, with the reason
    // in errorString(), when it cannot be started.
    bool start();
    QString address() const { return m_address; }
    QString errorString() const { return m_error; }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QString m_error;
};
