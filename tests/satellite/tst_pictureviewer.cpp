#include "PictureServer.h"
#include "ScanBomb.h"
#include "net/Network.h"
#include "satellite/PictureCost.h"
#include "satellite/PictureViewer.h"
#include "shell/Twips.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>
#include <atomic>
#include <chrono>
#include <memory>

namespace {

bool near(QRgb pixel, const QColor& expected, int tolerance = 24)
{
    return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
           std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
           std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

// Set by the JPEG decoder's warning at the first scan without data, from
// whichever thread decodes.
std::atomic_bool decodingUnderWay{false};
QtMessageHandler earlierHandler = nullptr;

void watchForDecoding(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("premature end of data segment")))
        decodingUnderWay = true;
    earlierHandler(type, context, message);
}

} // namespace

class TestPictureViewer : public QObject
{
    Q_OBJECT

private slots:
    void showsDecodedPicture_data();
    void showsDecodedPicture();
    void failureReplacesPictureWithMessage_data();
    void failureReplacesPictureWithMessage();
    void costlyPictureIsRefused_data();
    void costlyPictureIsRefused();
    void supersededLoadLeavesNoTrace();
    void supersededDecodingLeavesNoTrace();
    void paintsPictureFittedAndCentred();
    void sizeIsSetInTwips();
};

void TestPictureViewer::showsDecodedPicture_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QColor>("colour");

    QTest::newRow("jpeg") << QByteArray("image/jpeg") << PictureServer::jpeg(Qt::red, QSize(40, 30))
                          << QSize(40, 30) << QColor(Qt::red);
    QTest::newRow("gif") << QByteArray("image/gif") << PictureServer::greenGif() << QSize(1, 1)
                         << QColor(0x00, 0xC0, 0x00);
    // The picture is recognised by its bytes, not by what the server calls it.
    QTest::newRow("gif labelled as jpeg")
        << QByteArray("image/jpeg") << PictureServer::greenGif() << QSize(1, 1) << QColor(0x00, 0xC0, 0x00);
    QImage blue(64, 48, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    blue.save(&buffer, "PNG");
    QTest::newRow("png") << QByteArray("image/png") << png << QSize(64, 48) << QColor(Qt::blue);
    // Exactly as many scans as are decoded; the mid-grey of its DC scan.
    QTest::newRow("jpeg with the most scans let through")
        << QByteArray("image/jpeg") << ScanBomb::progressiveJpeg(800, 600, PictureCost::maxScans - 1)
        << QSize(800, 600) << QColor(0x80, 0x80, 0x80);
}

void TestPictureViewer::showsDecodedPicture()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);
    QFETCH(QSize, size);
    QFETCH(QColor, colour);

    PictureServer server;
    QVERIFY(server.listening());
    server.serve(QStringLiteral("/GIFS/PIC"), {200, contentType, body});

    Network network;
    PictureViewer viewer(network);
    QSignalSpy complete(&viewer, &PictureViewer::DownloadComplete);
    QCOMPARE(viewer.notifier(), &viewer);
    QVERIFY(!viewer.Busy());

    viewer.Navigate(QStringLiteral("http://%1/GIFS/PIC").arg(server.host()));
    QVERIFY(viewer.Busy());
    QCOMPARE(complete.count(), 0);

    QTRY_COMPARE_WITH_TIMEOUT(complete.count(), 1, 10000);
    QVERIFY(!viewer.Busy());
    QCOMPARE(server.requests, QStringList{QStringLiteral("/GIFS/PIC")});
    QCOMPARE(viewer.picture().size(), size);
    QVERIFY(near(viewer.picture().pixel(0, 0), colour));
    QVERIFY(viewer.failureText().isEmpty());
}

void TestPictureViewer::failureReplacesPictureWithMessage_data()
{
    // In `url`, %1 stands for the test server and %2 for a port nobody listens on.
    QTest::addColumn<QString>("url");
    QTest::addColumn<PictureServer::Response>("response");
    QTest::addColumn<bool>("held");
    QTest::addColumn<qint64>("maxBody");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("cut");

    const QString bad = QStringLiteral("http://%1/bad");
    const qint64 big = NetworkLimits{}.maxBodyBytes;
    const int long_ = static_cast<int>(NetworkLimits{}.timeout.count());
    QTest::newRow("not found") << bad << PictureServer::Response{404, "text/html", "<html>gone</html>"}
                               << false << big << long_
                               << QStringLiteral("The server answered 404 Not Found.") << false;
    QTest::newRow("error status without words")
        << bad << PictureServer::Response{500, "text/html", "<html>oops</html>", ""} << false << big << long_
        << QStringLiteral("The server answered 500.") << false;
    // The server's words are shown, but only as much of them as fits.
    const QByteArray endless(1024 * 1024, 'r');
    QTest::newRow("a megabyte of reason phrase")
        << bad << PictureServer::Response{404, "text/html", "<html>gone</html>", endless} << false << big
        << long_ << QStringLiteral("The server answered 404 rrrrrrrrrr") << true;
    QTest::newRow("connection refused") << QStringLiteral("http://%2/bad") << PictureServer::Response{}
                                        << false << big << long_ << QStringLiteral("refused") << false;
    QTest::newRow("no usable address") << QString() << PictureServer::Response{} << false << big << long_
                                       << QStringLiteral("address") << false;
    QTest::newRow("not a picture") << bad << PictureServer::Response{200, "image/jpeg", "<html>oops</html>"}
                                   << false << big << long_ << QStringLiteral("not a picture") << false;
    QTest::newRow("body over the limit")
        << bad << PictureServer::Response{200, "image/jpeg", QByteArray(4096, 'x')} << false << qint64(1024)
        << long_ << QStringLiteral("larger than 1024 bytes") << false;
    QTest::newRow("no answer in time") << bad << PictureServer::Response{} << true << big << 300
                                       << QStringLiteral("No answer came within 0.3 seconds") << false;
}

void TestPictureViewer::failureReplacesPictureWithMessage()
{
    QFETCH(QString, url);
    QFETCH(PictureServer::Response, response);
    QFETCH(bool, held);
    QFETCH(qint64, maxBody);
    QFETCH(int, timeoutMs);
    QFETCH(QString, reason);
    QFETCH(bool, cut);

    PictureServer server;
    QVERIFY(server.listening());
    server.serve(QStringLiteral("/good.jpg"), {200, "image/jpeg", PictureServer::jpeg(Qt::blue)});
    server.serve(QStringLiteral("/bad"), response);
    if (held)
        server.hold(QStringLiteral("/bad"));

    NetworkLimits limits;
    limits.timeout = std::chrono::milliseconds(timeoutMs);
    limits.maxBodyBytes = maxBody;
    Network network(limits);
    PictureViewer viewer(network);
    QSignalSpy complete(&viewer, &PictureViewer::DownloadComplete);
    viewer.Navigate(QStringLiteral("http://%1/good.jpg").arg(server.host()));
    QTRY_COMPARE_WITH_TIMEOUT(complete.count(), 1, 10000);
    QVERIFY(!viewer.picture().isNull());

    url.replace(QStringLiteral("%1"), server.host()).replace(QStringLiteral("%2"), closedPortHost());
    viewer.Navigate(url);
    // Even a load that fails at once ends from the event loop.
    QVERIFY(viewer.Busy());
    QCOMPARE(complete.count(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(complete.count(), 2, 10000);
    QVERIFY(!viewer.Busy());
    QVERIFY(viewer.picture().isNull());
    const QString text = viewer.failureText();
    QVERIFY2(text.startsWith(QStringLiteral("The picture could not be loaded.\n")), qPrintable(text));
    QVERIFY2(text.contains(reason, Qt::CaseInsensitive), qPrintable(text));
    // A few lines in the window, whatever came from the server.
    QVERIFY2(text.size() < 400, qPrintable(QString::number(text.size())));
    QCOMPARE(text.endsWith(QChar(0x2026)), cut);
}

void TestPictureViewer::costlyPictureIsRefused_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("reason");

    const QString scans =
        QStringLiteral(" scans, where real pictures have about ten and at most 100 are decoded");
    const QString pixels = QStringLiteral(" pixels, where at most ");
    QTest::newRow("one scan more than let through")
        << ScanBomb::progressiveJpeg(800, 600, PictureCost::maxScans) << scans;
    // A decoder passes over bytes that are no marker; so does the count.
    QByteArray behindJunk = ScanBomb::progressiveJpeg(4000, 4000, 1000);
    behindJunk.replace(QByteArray("\xFF\xDA", 2), QByteArray("junk\xFF\xFF\xDA", 7));
    QTest::newRow("1,000 empty scans behind junk") << behindJunk << scans;
    // Scans that name three components go over three times the blocks.
    QTest::newRow("100 colour scans")
        << ScanBomb::progressiveJpeg(4000, 4000, PictureCost::maxScans - 1, 3)
        << QStringLiteral(" million blocks to decode, where at most 64 million are");
    QTest::newRow("jpeg frame of 100 million pixels") << ScanBomb::progressiveJpeg(10000, 10000, 0) << pixels;
    QTest::newRow("gif screen of 65535 x 65535")
        << PictureServer::greenGif().replace(6, 4, QByteArray(4, '\xFF')) << pixels;
    // Qt reads other formats too, at costs the walk does not know.
    QTest::newRow("svg drawing") << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" "
                                               "height=\"64\"><rect width=\"64\" height=\"64\"/></svg>")
                                 << QStringLiteral(
                                        "not a picture that can be shown (it is neither JPEG, GIF nor PNG)");
}

void TestPictureViewer::costlyPictureIsRefused()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, reason);

    PictureServer server;
    QVERIFY(server.listening());
    server.serve(QStringLiteral("/costly"), {200, "image/jpeg", body});
    Network network;
    PictureViewer viewer(network);
    QSignalSpy complete(&viewer, &PictureViewer::DownloadComplete);
    viewer.Navigate(QStringLiteral("http://%1/costly").arg(server.host()));
    QVERIFY(complete.wait(60000));
    QVERIFY(viewer.picture().isNull());
    QVERIFY2(viewer.failureText().contains(reason), qPrintable(viewer.failureText()));
}

void TestPictureViewer::supersededLoadLeavesNoTrace()
{
    PictureServer server;
    QVERIFY(server.listening());
    server.serve(QStringLiteral("/first.jpg"), {200, "image/jpeg", PictureServer::jpeg(Qt::red)});
    server.serve(QStringLiteral("/second.jpg"), {200, "image/jpeg", PictureServer::jpeg(Qt::blue)});
    server.hold(QStringLiteral("/first.jpg"));
    server.hold(QStringLiteral("/second.jpg"));

    Network network;
    PictureViewer viewer(network);
    QSignalSpy complete(&viewer, &PictureViewer::DownloadComplete);
    viewer.Navigate(QStringLiteral("http://%1/first.jpg").arg(server.host()));
    QTRY_COMPARE_WITH_TIMEOUT(server.requests.size(), 1, 10000);

    viewer.Navigate(QStringLiteral("http://%1/second.jpg").arg(server.host()));
    QTRY_COMPARE_WITH_TIMEOUT(server.dropped, 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(server.requests.size(), 2, 10000);
    QVERIFY(viewer.Busy());
    QCOMPARE(complete.count(), 0);

    server.release(QStringLiteral("/first.jpg"));
    server.release(QStringLiteral("/second.jpg"));
    QTRY_COMPARE_WITH_TIMEOUT(complete.count(), 1, 10000);
    QVERIFY(!viewer.Busy());
    QVERIFY(near(viewer.picture().pixel(0, 0), Qt::blue));
    QCOMPARE(viewer.currentUrl().path(), QStringLiteral("/second.jpg"));
}

void TestPictureViewer::supersededDecodingLeavesNoTrace()
{
    // About a quarter of a second of decoding, far longer than the test
    // takes to ask for the next picture once the decoder has begun.
    PictureServer server;
    QVERIFY(server.listening());
    server.serve(QStringLiteral("/slow.jpg"),
                 {200, "image/jpeg", ScanBomb::progressiveJpeg(4000, 4000, PictureCost::maxScans - 1)});
    server.serve(QStringLiteral("/next.jpg"), {200, "image/jpeg", PictureServer::jpeg(Qt::blue)});
    server.hold(QStringLiteral("/next.jpg"));

    Network network;
    PictureViewer viewer(network);
    QSignalSpy complete(&viewer, &PictureViewer::DownloadComplete);
    decodingUnderWay = false;
    earlierHandler = qInstallMessageHandler(watchForDecoding);
    const auto restore = qScopeGuard([] { qInstallMessageHandler(earlierHandler); });
    viewer.Navigate(QStringLiteral("http://%1/slow.jpg").arg(server.host()));
    QVERIFY(QTest::qWaitFor([] { return decodingUnderWay.load(); }, 20000));
    viewer.Navigate(QStringLiteral("http://%1/next.jpg").arg(server.host()));
    QVERIFY(viewer.Busy());

    // The superseded decoding ends, its picture dropped.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    QCOMPARE(complete.count(), 0);
    QVERIFY(viewer.Busy());
    QVERIFY(viewer.picture().isNull());

    server.release(QStringLiteral("/next.jpg"));
    QTRY_COMPARE_WITH_TIMEOUT(complete.count(), 1, 10000);
    QVERIFY(!viewer.Busy());
    QVERIFY(near(viewer.picture().pixel(0, 0), Qt::blue));
}

void TestPictureViewer::paintsPictureFittedAndCentred()
{
    PictureServer server;
    QVERIFY(server.listening());
    server.serve(QStringLiteral("/wide.jpg"),
                 {200, "image/jpeg", PictureServer::jpeg(Qt::red, QSize(200, 100))});

    Network network;
    PictureViewer viewer(network);
    viewer.resize(300, 300);
    QSignalSpy complete(&viewer, &PictureViewer::DownloadComplete);
    viewer.Navigate(QStringLiteral("http://%1/wide.jpg").arg(server.host()));
    QTRY_COMPARE_WITH_TIMEOUT(complete.count(), 1, 10000);

    // 200 x 100 fitted into 300 x 300 is 300 x 150, rows 75 to 224.
    const QImage shot = viewer.grab().toImage();
    QVERIFY(near(shot.pixel(150, 150), Qt::red));
    QVERIFY(near(shot.pixel(2, 80), Qt::red));
    QVERIFY(near(shot.pixel(297, 220), Qt::red));
    for (const QPoint& outside : {QPoint(150, 10), QPoint(150, 70), QPoint(150, 230), QPoint(150, 290)}) {
        const QRgb pixel = shot.pixel(outside);
        QVERIFY2(qGray(pixel) < 64 && !near(pixel, Qt::red),
                 qPrintable(QStringLiteral("%1,%2").arg(outside.x()).arg(outside.y())));
    }
}

void TestPictureViewer::sizeIsSetInTwips()
{
    Network network;
    PictureViewer viewer(network);
    viewer.setSizeTwips(4500, 1515);
    QCOMPARE(viewer.size(), QSize(300, 101));
    viewer.setSizeTwips(-15, -1200);
    QCOMPARE(viewer.size(), QSize(0, 0));
}

QTEST_MAIN(TestPictureViewer)
#include "tst_pictureviewer.moc"
