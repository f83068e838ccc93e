#include "weather/SkyClasses.h"

#include <QTest>

class TestSkyClasses : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void classify_data();
    void classify();
};

void TestSkyClasses::classify_data()
{
    QTest::addColumn<QString>("sky");
    QTest::addColumn<QList<int>>("shown");
    QTest::addColumn<int>("windowIcon"); // -1: no match

    using namespace SkyClasses;
    QTest::newRow("partly cloudy") << QStringLiteral("partly cloudy") << QList<int>{Cloud} << int(Cloud);
    QTest::newRow("overcast") << QStringLiteral("overcast") << QList<int>{Overcast} << int(Overcast);
    QTest::newRow("light rain") << QStringLiteral("light rain") << QList<int>{Rain} << int(Rain);
    QTest::newRow("thunderstorms and rain")
        << QStringLiteral("thunderstorms and rain") << QList<int>{Rain, Thunder} << int(Thunder);
    QTest::newRow("mostly sunny") << QStringLiteral("mostly sunny") << QList<int>{ClearOrSun}
                                  << int(ClearOrSun);
    QTest::newRow("clear") << QStringLiteral("clear") << QList<int>{ClearOrSun} << int(ClearOrSun);
    QTest::newRow("clear and sunny counts once")
        << QStringLiteral("clear and sunny") << QList<int>{ClearOrSun} << int(ClearOrSun);
    QTest::newRow("mostly cloudy with snow")
        << QStringLiteral("mostly cloudy with snow") << QList<int>{Cloud, Snow} << int(Snow);
    QTest::newRow("rain and snow") << QStringLiteral("rain and snow") << QList<int>{Rain, Snow} << int(Snow);
    QTest::newRow("every class: snow wins")
        << QStringLiteral("snow overcast sun thunder rain cloud")
        << QList<int>{Cloud, Overcast, Rain, Thunder, ClearOrSun, Snow} << int(Snow);
    QTest::newRow("clearing inside a longer word")
        << QStringLiteral("clearing") << QList<int>{ClearOrSun} << int(ClearOrSun);
    QTest::newRow("capital Clear does not match") << QStringLiteral("Clear") << QList<int>{} << -1;
    QTest::newRow("capital Cloudy does not match") << QStringLiteral("Cloudy") << QList<int>{} << -1;
    QTest::newRow("haze") << QStringLiteral("haze") << QList<int>{} << -1;
    QTest::newRow("fog") << QStringLiteral("fog") << QList<int>{} << -1;
    QTest::newRow("empty value") << QString() << QList<int>{} << -1;
    QTest::newRow("value with its CR") << QStringLiteral("light snow\r") << QList<int>{Snow} << int(Snow);
}

void TestSkyClasses::classify()
{
    QFETCH(QString, sky);
    QFETCH(QList<int>, shown);
    QFETCH(int, windowIcon);
    const SkyClasses::Choice choice = SkyClasses::classify(sky);
    QCOMPARE(choice.shown, shown);
    QCOMPARE(choice.windowIcon.value_or(-1), windowIcon);
}

QTEST_GUILESS_MAIN(TestSkyClasses)
#include "tst_skyclasses.moc"
