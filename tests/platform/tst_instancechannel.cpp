#include "InstanceChannel.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Longer than InstanceChannel::requestTime, after which a connection that
// has not finished its request is dropped.
constexpr int wait = 20000;

} // namespace

class TestInstanceChannel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void showRequestReachesTheListener();
    void otherMessagesAreDropped_data();
    void otherMessagesAreDropped();
    void silentConnectionHoldsNobodyUp();

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

        QVERIFY(InstanceChannel::requestShow(socketPath()));
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 1, wait);
        QVERIFY(InstanceChannel::requestShow(socketPath()));
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 2, wait);
    }
    // Gone with the channel, so a later start finds nobody rather than a
    // socket that refuses it.
    QVERIFY(!QFileInfo::exists(socketPath()));
}

void TestInstanceChannel::otherMessagesAreDropped_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<int>("shows");

    QTest::newRow("show") << QByteArray("show\n") << 1;
    QTest::newRow("another word") << QByteArray("raise\n") << 0;
    QTest::newRow("show in capitals") << QByteArray("SHOW\n") << 0;
    QTest::newRow("more on the line") << QByteArray("show now\n") << 0;
    QTest::newRow("an empty line") << QByteArray("\n") << 0;
    QTest::newRow("longer than any request, without a line end") << QByteArray(100, 's') << 0;
}

void TestInstanceChannel::otherMessagesAreDropped()
{
    QFETCH(QByteArray, message);
    QFETCH(int, shows);

    InstanceChannel channel(socketPath());
    QSignalSpy shown(&channel, &InstanceChannel::showRequested);
    QVERIFY(channel.listen());
    QLocalSocket client;
    client.connectToServer(socketPath());
    QVERIFY(client.waitForConnected(wait));
    client.write(message);
    QVERIFY(client.waitForBytesWritten(wait));

    // The program closes every connection once it has decided.
    QTRY_COMPARE_WITH_TIMEOUT(client.state(), QLocalSocket::UnconnectedState, wait);
    QCOMPARE(shown.size(), shows);
    // And goes on serving.
    QVERIFY(InstanceChannel::requestShow(socketPath()));
    QTRY_COMPARE_WITH_TIMEOUT(shown.size(), shows + 1, wait);
}

void TestInstanceChannel::silentConnectionHoldsNobodyUp()
{
    InstanceChannel channel(socketPath());
    QSignalSpy shown(&channel, &InstanceChannel::showRequested);
    QVERIFY(channel.listen());
    QLocalSocket silent;
    silent.connectToServer(socketPath());
    QVERIFY(silent.waitForConnected(wait));

    QVERIFY(InstanceChannel::requestShow(socketPath()));
    QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 1, wait);
    // Let go once its time is up.
    QTRY_COMPARE_WITH_TIMEOUT(silent.state(), QLocalSocket::UnconnectedState, wait);
    QCOMPARE(shown.size(), 1);
}

QTEST_GUILESS_MAIN(TestInstanceChannel)
#include "tst_instancechannel.moc"
