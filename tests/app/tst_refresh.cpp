// One refresh as a flow of values: the status texts in order, each given
// a turn of the event loop to be painted, the values and the forecast as
// they come out, and the ways a refresh ends early.
#include "FakeWeatherSource.h"
#include "TestData.h"
#include "app/Refresh.h"
#include "pages/Extraction.h"
#include "pages/StripMarkup.h"
#include "weather/WeatherTexts.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

class TestRefresh : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void wholeRefresh();
    void endings_data();
    void endings();
    void oneAtATimeAndAbortEndsAtOnce();
};

namespace {

using namespace WeatherTexts;

const QString conditionsAt = attempting + QStringLiteral("conditions.example");
const QString forecastAt = attempting + QStringLiteral("forecast.example");

FetchResult page(const QString& text)
{
    return FetchResult::page(QUrl(QStringLiteral("http://example/")), text);
}

// Records a refresh's signals as lines, and whether the event loop had a
// turn between two status texts (where the window repaints).
struct Recorder
{
    explicit Recorder(Refresh& refresh)
    {
        QObject::connect(&refresh, &Refresh::statusChanged, [this, &refresh](const QString& text) {
            if (!m_turned)
                unpainted.append(lines.value(lines.size() - 1));
            lines.append(QStringLiteral("status:") + text);
            m_turned = false;
            // Bound to the refresh, which outlives the recorder's use: a
            // turn still pending when a test row ends is dropped with it.
            QTimer::singleShot(0, &refresh, [this] { m_turned = true; });
        });
        QObject::connect(&refresh, &Refresh::conditionsUnavailable, [this](const QString& reason) {
            lines.append(QStringLiteral("unavailable:") + reason);
        });
        QObject::connect(&refresh, &Refresh::conditionsReceived, [this](const ConditionsReading& reading) {
            lines.append(QStringLiteral("values:") + reading.values.location);
            sky = reading.values.sky;
        });
        QObject::connect(&refresh, &Refresh::forecastReceived,
                         [this](const QString& text, const QStringList& pieces) {
                             lines.append(QStringLiteral("forecast"));
                             forecast = text;
                             joined = pieces.join(QString());
                         });
        QObject::connect(&refresh, &Refresh::finished, [this] { lines.append(QStringLiteral("finished")); });
    }

    QStringList lines;
    QStringList unpainted;
    QString sky;
    QString forecast;
    QString joined;

private:
    bool m_turned = true;
};

} // namespace

void TestRefresh::wholeRefresh()
{
    FakeWeatherSource source;
    source.conditions = page(TestData::page(QStringLiteral("conditions_kden.html")));
    source.forecast = page(TestData::page(QStringLiteral("state_co.html"), true));
    Refresh refresh(source);
    Recorder recorder(refresh);

    QVERIFY(refresh.start(QStringLiteral("DEN"), QStringLiteral("co")));
    QTRY_VERIFY(!refresh.isRunning());

    const QString location =
        Extraction::GetLocation(StripMarkup(source.conditions.text)
                                    .mid(StripMarkup(source.conditions.text)
                                             .indexOf(QStringLiteral("Current Weather Conditions"), 199)));
    QVERIFY(location.contains(QStringLiteral("DENVER")));
    QCOMPARE(recorder.lines,
             QStringList({QStringLiteral("status:") + conditionsAt,
                          QStringLiteral("status:") + parsingConditions, QStringLiteral("status:") + idle,
                          QStringLiteral("values:") + location, QStringLiteral("status:") + forecastAt,
                          QStringLiteral("status:") + parsingForecast, QStringLiteral("status:") + idle,
                          QStringLiteral("forecast"), QStringLiteral("finished")}));
    // Every text stood long enough for the window to paint it.
    QCOMPARE(recorder.unpainted, QStringList());
    QCOMPARE(source.requests,
             QStringList({QStringLiteral("conditions DEN"), QStringLiteral("forecast co DEN")}));
    QCOMPARE(recorder.sky, QStringLiteral("partly cloudy"));
    QCOMPARE(recorder.forecast, Extraction::cutStateForecast(StripMarkup(source.forecast.text)).text);
    QVERIFY(recorder.forecast.startsWith(QStringLiteral("830 AM MST MON DEC 7 1998")));
    QCOMPARE(recorder.joined, recorder.forecast);
}

void TestRefresh::endings_data()
{
    QTest::addColumn<FetchResult>("conditions");
    QTest::addColumn<FetchResult>("forecast");
    QTest::addColumn<QStringList>("tail");

    const FetchResult good = page(TestData::page(QStringLiteral("conditions_kden.html")));
    const FetchResult refused = FetchResult::failure({}, QStringLiteral("Connection refused"));
    const QStringList received{
        QStringLiteral("status:") + conditionsAt, QStringLiteral("status:") + parsingConditions,
        QStringLiteral("status:") + idle, QStringLiteral("values:") + Extraction::GetLocation(QString())};
    const auto after = [](const QStringList& head, const QStringList& rest) { return head + rest; };

    QTest::newRow("conditions refused")
        << refused << FetchResult()
        << QStringList{QStringLiteral("status:") + conditionsAt, QStringLiteral("status:") + idle,
                       QStringLiteral("unavailable:Connection refused")};
    QTest::newRow("conditions without markup")
        << page(QStringLiteral("Service busy")) << FetchResult()
        << QStringList{QStringLiteral("status:") + conditionsAt,
                       QStringLiteral("status:") + parsingConditions, QStringLiteral("status:") + idle,
                       QStringLiteral("unavailable:The page received holds no markup")};
    QTest::newRow("an error page, not a conditions page")
        << page(QStringLiteral("<HTML><TITLE>404 Not Found</TITLE></HTML>")) << FetchResult()
        << QStringList{QStringLiteral("status:") + conditionsAt,
                       QStringLiteral("status:") + parsingConditions, QStringLiteral("status:") + idle,
                       QStringLiteral("unavailable:The page received is not a current-conditions page")};
    // The forecast's failures land in the box; a failed transfer and a
    // failed cut leave the status line at the stage where they arose.
    QTest::newRow("forecast refused")
        << good << refused
        << after(received, {QStringLiteral("status:") + forecastAt, QStringLiteral("forecast")});
    QTest::newRow("forecast without markup")
        << good << page(QStringLiteral("plain"))
        << after(received,
                 {QStringLiteral("status:") + forecastAt, QStringLiteral("status:") + parsingForecast,
                  QStringLiteral("status:") + idle, QStringLiteral("forecast")});
    QTest::newRow("forecast cut fails")
        << good << page(QStringLiteral("<p>NNNN</p>"))
        << after(received, {QStringLiteral("status:") + forecastAt,
                            QStringLiteral("status:") + parsingForecast, QStringLiteral("forecast")});
}

void TestRefresh::endings()
{
    QFETCH(FetchResult, conditions);
    QFETCH(FetchResult, forecast);
    QFETCH(QStringList, tail);
    FakeWeatherSource source;
    source.conditions = conditions;
    source.forecast = forecast;
    Refresh refresh(source);
    Recorder recorder(refresh);

    QVERIFY(refresh.start(QStringLiteral("DEN"), QStringLiteral("co")));
    QTRY_VERIFY(!refresh.isRunning());
    QCOMPARE(recorder.lines.last(), QStringLiteral("finished"));
    recorder.lines.removeLast();
    // The location of the good page is compared by prefix only.
    if (tail.size() > 3 && tail[3].startsWith(QStringLiteral("values:")))
        tail[3] = recorder.lines.value(3);
    QCOMPARE(recorder.lines, tail);
    if (recorder.lines.contains(QStringLiteral("forecast"))) {
        if (!forecast.ok)
            QCOMPARE(recorder.forecast, forecastError(forecast.error));
        else if (!forecast.text.contains(QLatin1Char('<')))
            QCOMPARE(recorder.forecast, forecastNotReceived);
        else
            QVERIFY(recorder.forecast.startsWith(forecastError(QString())));
    } else {
        QCOMPARE(source.requests.size(), 1);
    }
}

void TestRefresh::oneAtATimeAndAbortEndsAtOnce()
{
    FakeWeatherSource source;
    source.hold = true;
    Refresh refresh(source);
    Recorder recorder(refresh);
    QVERIFY(refresh.start(QStringLiteral("DEN"), QStringLiteral("co")));
    QTRY_COMPARE(source.requests.size(), 1);
    QVERIFY(!refresh.start(QStringLiteral("ABQ"), QStringLiteral("nm")));
    QVERIFY(refresh.isRunning());

    refresh.abort();
    QVERIFY(!refresh.isRunning());
    QCOMPARE(source.aborted, 1);
    source.release();
    QTest::qWait(50);
    QCOMPARE(recorder.lines, QStringList{QStringLiteral("status:") + conditionsAt});
    // It can run again afterwards.
    source.hold = false;
    QVERIFY(refresh.start(QStringLiteral("ABQ"), QStringLiteral("nm")));
    QTRY_VERIFY(!refresh.isRunning());
    QCOMPARE(source.requests.last(), QStringLiteral("conditions ABQ"));
}

QTEST_GUILESS_MAIN(TestRefresh)
#include "tst_refresh.moc"
