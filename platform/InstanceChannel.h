#pragma once

#include <QObject>
#include <QString>
#include <chrono>

class QLocalServer;
class QLocalSocket;

// How a later start reaches the running program: a local socket that the
// instance holding the lock listens on, beside the lock. The later start
// asks to be shown and ends; the running one brings its window forward.
//
// A request is one line, "show". A connection that sends anything else,
// more than a line, or nothing within a few seconds is dropped without
// effect.
class InstanceChannel : public QObject
{
    Q_OBJECT

public:
    explicit InstanceChannel(QString socketPath, QObject* parent = nullptr);
    ~InstanceChannel() override;

    // Starts listening at the socket path, which only this user may
    // connect to. Whatever stands at the path is removed first, so call it
    // only while holding the lock: then it was left by a program that has
    // ended. False, with errorString(), when no socket could be made.
    bool listen();
    QString errorString() const;

    // The later start's side: asks the program listening at `socketPath`
    // to show its window. Blocks for at most `timeout` to connect and as
    // long again to send, without running an event loop. False when
    // nobody took the request.
    static bool requestShow(const QString& socketPath,
                            std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

    // How long a connection may take to send its request.
    static constexpr std::chrono::milliseconds requestTime{5000};

signals:
    // Another start asked for the window.
    void showRequested();

private:
    void acceptConnections();
    void readRequest(QLocalSocket* socket);

    QString m_socketPath;
    QLocalServer* m_server = nullptr;
};
