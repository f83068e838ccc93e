#include "shell/InstanceChannel.h"

#include <QFile>
#include <QFileInfo>
#include <QFuture>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr int wait = 20000;

// A later start's request, made from another thread: it waits for the
// answer, which the channel gives from this thread's event loop.
QFuture<InstanceChannel::Delivery> askToShow(const QString& path, const QByteArray& token = {})
{
    return QtConcurrent::run([path, token] { return InstanceChannel::requestShow(path, token); });
}

// A client that connects and then says only what it is told to. The event
// loop runs meanwhile, so that the channel takes connections as they come.
std::unique_ptr<QLocalSocket> connectTo(const QString& path)
{
    auto socket = std::make_unique<QLocalSocket>();
    QSignalSpy connected(socket.get(), &QLocalSocket::connected);
    socket->connectToServer(path);
    return !connected.isEmpty() || connected.wait(wait) ? std::move(socket) : nullptr;
}

// This process's one listening local socket, the channel's, and the name
// it was bound to; -1 when there is none.
int listeningSocket(QByteArray* boundTo)
{
    for (int fd = 0; fd < 1024; ++fd) {
        int listening = 0;
        socklen_t size = sizeof listening;
        sockaddr_un address = {};
        socklen_t length = sizeof address;
        if (::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) == 0 && listening &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
            address.sun_family == AF_UNIX) {
            *boundTo = address.sun_path;
            return fd;
        }
    }
    return -1;
}

// The channel has closed the connection.
bool closedByProgram(QLocalSocket& socket)
{
    if (socket.state() == QLocalSocket::ConnectedState)
        socket.waitForReadyRead(0);
    return socket.state() == QLocalSocket::UnconnectedState;
}

} // namespace

class TestInstanceChannel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void showRequestReachesTheListener();
    void requests_data();
    void requests();
    void aStartWaitsForTheProgramToListen();
    void silentConnectionHoldsNobodyUp();
    void floodOfSilentConnections();
    void aConnectionThatHasBegunOutlastsSilentOnes();
    void listensAnewWhenItsSocketFails();
    void aProgramOfTheVersionBefore_data();
    void aProgramOfTheVersionBefore();

private:
    QString socketPath() const { return m_dir->filePath(QStringLiteral("ventaro.socket")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestInstanceChannel::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestInstanceChannel::showRequestReachesTheListener()
{
    {
        InstanceChannel channel(socketPath());
        QSignalSpy shown(&channel, &InstanceChannel::showRequested);
        QVERIFY2(channel.listen(), qPrintable(channel.errorString()));
        // Only this user may connect, wherever the folder is.
        QVERIFY((QFileInfo(socketPath()).permissions() &
                 (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther)) == 0);

        QFuture<InstanceChannel::Delivery> first = askToShow(socketPath(), "launcher-1_TIME42");
        QTRY_VERIFY_WITH_TIMEOUT(first.isFinished(), wait);
        QVERIFY2(first.result().taken, qPrintable(first.result().problem));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).at(0).toByteArray(), QByteArray("launcher-1_TIME42"));

        // A token the channel cannot carry is left out; the window still
        // comes.
        QFuture<InstanceChannel::Delivery> second = askToShow(socketPath(), "with a blank");
        QTRY_VERIFY_WITH_TIMEOUT(second.isFinished(), wait);
        QVERIFY(second.result().taken);
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.at(1).at(0).toByteArray(), QByteArray());
    }
    // Gone with the channel, so a later start finds nobody rather than a
    // socket that refuses it.
    QVERIFY(!QFileInfo::exists(socketPath()));
}

void TestInstanceChannel::requests_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QByteArray>("token");

    const QByteArray longest(InstanceChannel::maxTokenLength, 'x');
    QTest::newRow("show, as older versions ask") << QByteArray("show\n") << true << QByteArray();
    QTest::newRow("a Wayland activation token") << QByteArray("show 5b2c0e5e-6bd4-4a39-9d0c-1ff0f3f6a1c2\n")
                                                << true << QByteArray("5b2c0e5e-6bd4-4a39-9d0c-1ff0f3f6a1c2");
    QTest::newRow("an X11 startup id") << QByteArray("show xfce4-panel-2131-host-12_TIME5512345\n") << true
                                       << QByteArray("xfce4-panel-2131-host-12_TIME5512345");
    QTest::newRow("a token of the longest length") << "show " + longest + '\n' << true << longest;
    QTest::newRow("the first line decides") << QByteArray("show\nraise\n") << true << QByteArray();
    QTest::newRow("a token one character too long") << "show " + longest + "x\n" << false << QByteArray();
    QTest::newRow("a blank in the token") << QByteArray("show ab cd\n") << false << QByteArray();
    QTest::newRow("a control character in the token") << QByteArray("show ab\x01"
                                                                    "cd\n")
                                                      << false << QByteArray();
    QTest::newRow("a token beyond ASCII") << QByteArray("show caf\xc3\xa9\n") << false << QByteArray();
    QTest::newRow("a blank and no token") << QByteArray("show \n") << false << QByteArray();
    QTest::newRow("a carriage return before the line end") << QByteArray("show\r\n") << false << QByteArray();
    QTest::newRow("another word") << QByteArray("raise\n") << false << QByteArray();
    QTest::newRow("show in capitals") << QByteArray("SHOW\n") << false << QByteArray();
    QTest::newRow("an empty line") << QByteArray("\n") << false << QByteArray();
    QTest::newRow("longer than any request, without a line end")
        << QByteArray(300, 's') << false << QByteArray();
}

void TestInstanceChannel::requests()
{
    QFETCH(QByteArray, message);
    QFETCH(bool, shown);
    QFETCH(QByteArray, token);

    InstanceChannel channel(socketPath());
    // Whatever the program decides, it decides at once, long before a
    // silent connection's time is up.
    channel.setRequestTime(1h);
    QSignalSpy asked(&channel, &InstanceChannel::showRequested);
    QVERIFY(channel.listen());
    const std::unique_ptr<QLocalSocket> client = connectTo(socketPath());
    QVERIFY(client);
    client->write(message);
    QVERIFY(client->waitForBytesWritten(wait));

    // It answers what it takes and closes every connection.
    QTRY_VERIFY_WITH_TIMEOUT(closedByProgram(*client), wait);
    QCOMPARE(client->readAll(), shown ? QByteArray("ok\n") : QByteArray());
    QCOMPARE(asked.size(), shown ? 1 : 0);
    if (shown)
        QCOMPARE(asked.at(0).at(0).toByteArray(), token);
    // And goes on serving.
    QFuture<InstanceChannel::Delivery> next = askToShow(socketPath());
    QTRY_VERIFY_WITH_TIMEOUT(next.isFinished(), wait);
    QVERIFY(next.result().taken);
}

void TestInstanceChannel::aStartWaitsForTheProgramToListen()
{
    // A start right after the first finds the lock taken before the first
    // one listens, which it does only once its window is up.
    QFuture<InstanceChannel::Delivery> asking = askToShow(socketPath());
    QTest::qWait(500);
    QVERIFY(!asking.isFinished());

    InstanceChannel channel(socketPath());
    QSignalSpy shown(&channel, &InstanceChannel::showRequested);
    QVERIFY(channel.listen());
    QTRY_VERIFY_WITH_TIMEOUT(asking.isFinished(), wait);
    QVERIFY2(asking.result().taken, qPrintable(asking.result().problem));
    QCOMPARE(shown.size(), 1);
}

void TestInstanceChannel::silentConnectionHoldsNobodyUp()
{
    InstanceChannel channel(socketPath());
    channel.setRequestTime(500ms);
    QSignalSpy shown(&channel, &InstanceChannel::showRequested);
    QVERIFY(channel.listen());
    const std::unique_ptr<QLocalSocket> silent = connectTo(socketPath());
    QVERIFY(silent);

    QFuture<InstanceChannel::Delivery> asking = askToShow(socketPath());
    QTRY_VERIFY_WITH_TIMEOUT(asking.isFinished(), wait);
    QVERIFY(asking.result().taken);
    // Let go once its time is up.
    QTRY_VERIFY_WITH_TIMEOUT(closedByProgram(*silent), wait);
    QCOMPARE(shown.size(), 1);
}

void TestInstanceChannel::floodOfSilentConnections()
{
    InstanceChannel channel(socketPath());
    channel.setRequestTime(1h);
    QSignalSpy shown(&channel, &InstanceChannel::showRequested);
    QVERIFY(channel.listen());
    // Far more than may wait: the program holds no more than its bound of
    // them open, letting the longest-waiting go first.
    constexpr int flood = 10 * InstanceChannel::maxWaiting;
    std::vector<std::unique_ptr<QLocalSocket>> silent;
    for (int n = 0; n < flood; ++n) {
        silent.push_back(connectTo(socketPath()));
        QVERIFY(silent.back());
    }
    const auto stillOpen = [&] {
        return std::count_if(silent.begin(), silent.end(),
                             [](const auto& socket) { return !closedByProgram(*socket); });
    };
    QTRY_COMPARE_WITH_TIMEOUT(stillOpen(), InstanceChannel::maxWaiting, wait);
    QVERIFY(closedByProgram(*silent.front()));
    QVERIFY(!closedByProgram(*silent.back()));

    // A request still gets through.
    QFuture<InstanceChannel::Delivery> asking = askToShow(socketPath(), "after-the-flood");
    QTRY_VERIFY_WITH_TIMEOUT(asking.isFinished(), wait);
    QVERIFY2(asking.result().taken, qPrintable(asking.result().problem));
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).at(0).toByteArray(), QByteArray("after-the-flood"));
}

void TestInstanceChannel::aConnectionThatHasBegunOutlastsSilentOnes()
{
    InstanceChannel channel(socketPath());
    channel.setRequestTime(1h);
    QSignalSpy shown(&channel, &InstanceChannel::showRequested);
    QVERIFY(channel.listen());
    const std::unique_ptr<QLocalSocket> begun = connectTo(socketPath());
    QVERIFY(begun);
    begun->write("sh");
    QVERIFY(begun->waitForBytesWritten(wait));
    std::vector<std::unique_ptr<QLocalSocket>> silent;
    for (int n = 0; n < InstanceChannel::maxWaiting; ++n) {
        silent.push_back(connectTo(socketPath()));
        QVERIFY(silent.back());
    }
    // One too many: the oldest of the silent ones goes, not the older one
    // that has begun its line.
    QTRY_VERIFY_WITH_TIMEOUT(closedByProgram(*silent.front()), wait);
    QVERIFY(!closedByProgram(*begun));

    begun->write("ow\n");
    QVERIFY(begun->waitForBytesWritten(wait));
    QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 1, wait);
    QTRY_VERIFY_WITH_TIMEOUT(closedByProgram(*begun), wait);
    QCOMPARE(begun->readAll(), QByteArray("ok\n"));
}

void TestInstanceChannel::listensAnewWhenItsSocketFails()
{
    InstanceChannel channel(socketPath());
    QSignalSpy shown(&channel, &InstanceChannel::showRequested);
    QVERIFY(channel.listen());
    QByteArray first;
    const int listening = listeningSocket(&first);
    QVERIFY(listening >= 0);
    // Taking a connection from a socket shut down fails, and not for want
    // of anything the channel could free.
    QVERIFY(::shutdown(listening, SHUT_RDWR) == 0);
    QByteArray next;
    QTRY_VERIFY_WITH_TIMEOUT(listeningSocket(&next) >= 0 && next != first, wait);

    QFuture<InstanceChannel::Delivery> asking = askToShow(socketPath());
    QTRY_VERIFY_WITH_TIMEOUT(asking.isFinished(), wait);
    QVERIFY2(asking.result().taken, qPrintable(asking.result().problem));
    QCOMPARE(shown.size(), 1);
}

void TestInstanceChannel::aProgramOfTheVersionBefore_data()
{
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<bool>("ending"); // it stops listening once it has read a request
    QTest::addColumn<QList<QByteArray>>("received");
    QTest::addColumn<bool>("taken");
    // Its silence is taken for a yes only once a plain request has met it.
    QTest::newRow("asked without a token")
        << QByteArray() << false << QList<QByteArray>{"show\n", "show\n"} << true;
    // It knows no tokens: only the plain request shows its window.
    QTest::newRow("asked with a token")
        << QByteArray("abc") << false << QList<QByteArray>{"show abc\n", "show\n"} << true;
    QTest::newRow("one that is ending") << QByteArray() << true << QList<QByteArray>{"show\n"} << false;
}

// The version before this one read "show" alone, showed its window and
// closed the connection without answering; a start after an upgrade finds
// it still running in the tray.
void TestInstanceChannel::aProgramOfTheVersionBefore()
{
    QFETCH(QByteArray, token);
    QFETCH(bool, ending);
    QFETCH(QList<QByteArray>, received);
    QFETCH(bool, taken);

    QLocalServer earlier;
    QVERIFY(earlier.listen(socketPath()));
    QList<QByteArray> lines;
    connect(&earlier, &QLocalServer::newConnection, this, [&] {
        while (QLocalSocket* socket = earlier.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, socket, [&, socket] {
                if (!socket->canReadLine())
                    return;
                lines.append(socket->readLine());
                // One that is ending has stopped listening before its
                // connections close.
                if (ending)
                    earlier.close();
                socket->abort();
            });
        }
    });
    QFuture<InstanceChannel::Delivery> asking = askToShow(socketPath(), token);
    QTRY_VERIFY_WITH_TIMEOUT(asking.isFinished(), wait);
    QCOMPARE(asking.result().taken, taken);
    QCOMPARE(asking.result().problem,
             taken ? QString() : QStringLiteral("it closed the connection without answering"));
    QCOMPARE(lines, received);
}

QTEST_GUILESS_MAIN(TestInstanceChannel)
#include "tst_instancechannel.moc"
