#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <list>

class QLocalServer;
class QSocketNotifier;

// The one running instance and the starts that find it running.
Q_DECLARE_LOGGING_CATEGORY(lcInstance)

// How a later start reaches the running program: a local socket that the
// instance holding the lock listens on, beside the lock. The later start
// asks to be shown and waits for the answer; the running one brings its
// window forward and answers.
//
// A request is one line: "show", or "show", a blank and the activation
// token the later start was launched with (see isActivationToken()). The
// answer is the line "ok". A connection whose first line is anything else,
// or longer than any request, or that finishes no line within requestTime,
// is closed without effect and without an answer.
//
// However many connect, the channel goes on listening. At most maxWaiting
// connections wait for their line at once: one more closes the one that
// has waited longest without sending anything (failing that, the one that
// has waited longest). A connection that cannot be taken for want of file
// descriptors closes waiting ones the same way to make room, or, with none
// to close, stays in the socket's queue until descriptors are free again.
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

    // How long a connection may take to send its request; requestTime
    // unless set.
    void setRequestTime(std::chrono::milliseconds time) { m_requestTime = time; }

    // What became of a later start's request.
    struct Delivery
    {
        // The running program took it and answered.
        bool taken = false;
        // Otherwise why not, in words for the user.
        QString problem;
    };

    // The later start's side: asks the program listening at `socketPath`
    // to show its window, passing `activationToken` on when it is one (an
    // empty or malformed token is left out). A program still starting has
    // not listened yet: connecting is tried again for up to `connectTime`.
    // The answer must come within `answerTime` of connecting. Blocks for
    // no longer than the two together, without running an event loop.
    //
    // A program of the version before, which knew only the plain "show"
    // and closed the connection without answering, is asked that way too;
    // its silence counts as taken while it still takes connections, not
    // when it has stopped listening (it is ending).
    static Delivery requestShow(const QString& socketPath, const QByteArray& activationToken = {},
                                std::chrono::milliseconds connectTime = std::chrono::seconds(5),
                                std::chrono::milliseconds answerTime = std::chrono::seconds(5));

    // A token as a launcher hands one out and the request carries it: 1 to
    // maxTokenLength printable ASCII characters, no blank among them.
    static bool isActivationToken(QByteArrayView text);

    static constexpr qsizetype maxTokenLength = 255;
    static constexpr std::chrono::milliseconds requestTime{5000};
    // How many connections may wait for their line at once.
    static constexpr int maxWaiting = 32;

signals:
    // Another start asked for the window, passing the token it was launched
    // with, or an empty one.
    void showRequested(const QByteArray& activationToken);

private:
    // A connection taken that has not finished its line yet.
    struct Connection
    {
        int descriptor = -1;
        // Made only for a connection whose line was not there at once.
        QSocketNotifier* readable = nullptr;
        QByteArray received;
        std::chrono::steady_clock::time_point closesAt;
    };
    using Connections = std::list<Connection>;

    void acceptConnections();
    void listenAnew(const QString& why);
    void take(int descriptor);
    Connections::iterator find(int descriptor);
    bool serve(Connections::iterator connection);
    bool makeRoom();
    void close(Connections::iterator connection);
    // Takes a connection out of the waiting ones, leaving its descriptor
    // open for the caller.
    int release(Connections::iterator connection);
    void closeExpired();
    void timeNextExpiry();

    QString m_socketPath;
    std::chrono::milliseconds m_requestTime = requestTime;
    QLocalServer* m_server = nullptr;
    QSocketNotifier* m_incoming = nullptr;
    // Takes connections again a moment after descriptors ran out.
    QTimer m_resume;
    // Closes connections whose time is up.
    QTimer m_expiry;
    // The longest-waiting first.
    Connections m_waiting;
    bool m_starved = false;
};
