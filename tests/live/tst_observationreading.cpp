// A decoded observation as the window shows it: each value as the service
// words it, the sky's remarks apart from the words that choose the tray
// pictures, and how cold it feels.
#include "TestData.h"
#include "live/ObservationReading.h"
#include "weather/SkyClasses.h"

#include <QTest>

class TestObservationReading : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void observationShowsAsTheServiceWordsIt_data();
    void observationShowsAsTheServiceWordsIt();
    void notAnObservation_data();
    void notAnObservation();
};

void TestObservationReading::observationShowsAsTheServiceWordsIt_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("shown"); // the eight values, "|" between them
    QTest::addColumn<QList<int>>("trayPictures");
    QTest::addColumn<QString>("skyRemarks");
    QTest::addColumn<QString>("feelsLike");
    QTest::newRow("every value")
        << QStringLiteral("KDEN.TXT")
        << QStringLiteral("Denver International Airport, CO, United States (KDEN) 39-50N 104-39W 1640M|"
                          "30.0 F (-1.1 C)|71%|21.9 F (-5.6 C)|from the NNE (030 degrees) at 7 MPH (6 KT)|"
                          "30.12 in. Hg (1020 hPa)|partly cloudy|10 mile(s)")
        << QList<int>{SkyClasses::Cloud} << QString() << QStringLiteral("Feels like 23 F (-5 C)");
    QTest::newRow("variable wind, snow falling, wind chill")
        << QStringLiteral("KPUB.TXT")
        << QStringLiteral(
               "Pueblo Memorial Airport, CO, United States (KPUB) 38-17N 104-30W 1439M|"
               "28.9 F (-1.7 C)|89%|26.1 F (-3.3 C)|Variable at 5 MPH (4 KT)|30.18 in. Hg (1022 hPa)|"
               "overcast; light snow; mist|2 mile(s)")
        << QList<int>{SkyClasses::Overcast, SkyClasses::Snow} << QString()
        << QStringLiteral("Feels like 23 F (-5 C)");
    // An automatic station's report without visibility, sky or dew point.
    QTest::newRow("missing values stay empty")
        << QStringLiteral("KSKX.TXT")
        << QStringLiteral(
               "Taos Regional Airport, NM, United States (KSKX) 36-27N 105-40W 2163M|27 F (-3 C)|||"
               "from the W (270 degrees) at 12 MPH (10 KT) gusting to 23 MPH (20 KT)|"
               "30.21 in. Hg (1023 hPa)||")
        << QList<int>{} << QString() << QStringLiteral("Feels like 17 F (-8 C)");
    QTest::newRow("Alaska")
        << QStringLiteral("PANC.TXT")
        << QStringLiteral("Anchorage, Ted Stevens Anchorage International Airport, AK, United States (PANC) "
                          "61-10N 150-01W 37M|12.0 F (-11.1 C)|73%|5.0 F (-15.0 C)|"
                          "from the N (360 degrees) at 9 MPH (8 KT)|29.84 in. Hg (1010 hPa)|"
                          "mostly cloudy; light snow|7 mile(s)")
        << QList<int>{SkyClasses::Cloud, SkyClasses::Snow} << QString()
        << QStringLiteral("Feels like 0 F (-18 C)");
    // Snow lying on the ground is no snow falling: the clear sky's picture.
    QTest::newRow("snow cover on a clear day")
        << QStringLiteral("KMSN.TXT")
        << QStringLiteral(
               "Madison, Dane County Regional-Truax Field, WI, United States (KMSN) 43-08N 089-20W "
               "264M|12.9 F (-10.6 C)|66%|3.9 F (-15.6 C)|from the WNW (290 degrees) at 13 MPH (11 "
               "KT)|30.26 in. Hg (1024 hPa)|clear|10 mile(s)")
        << QList<int>{SkyClasses::ClearOrSun} << QStringLiteral("5 inches of snow on ground")
        << QStringLiteral("Feels like 0 F (-18 C)");
    QTest::newRow("a cloud seen far off under a clear sky")
        << QStringLiteral("KEYW.TXT")
        << QStringLiteral("Key West International Airport, FL, United States (KEYW) 24-33N 081-45W 1M|"
                          "77.0 F (25.0 C)|76%|69.1 F (20.6 C)|from the E (090 degrees) at 15 MPH (13 KT) "
                          "gusting to 23 MPH (20 KT)|30.04 in. Hg (1017 hPa)|clear|10 mile(s)")
        << QList<int>{SkyClasses::ClearOrSun} << QStringLiteral("Cumulonimbus clouds observed") << QString();
}

void TestObservationReading::observationShowsAsTheServiceWordsIt()
{
    QFETCH(QString, fixture);
    QFETCH(QString, shown);
    QFETCH(QList<int>, trayPictures);
    QFETCH(QString, skyRemarks);
    QFETCH(QString, feelsLike);
    const ConditionsReading reading = ObservationReading::read(
        TestData::page(QStringLiteral("live/observations/") + fixture), fixture.left(4));
    QVERIFY(reading.received);
    const Conditions& v = reading.values;
    const QStringList values{v.location, v.temperature, v.humidity, v.dewPoint,
                             v.wind,     v.pressure,    v.sky,      v.visibility};
    QCOMPARE(values.join(QLatin1Char('|')), shown);
    QCOMPARE(reading.skyChoice.shown, trayPictures);
    QCOMPARE(reading.skyRemarks, skyRemarks);
    QCOMPARE(reading.feelsLike, feelsLike);
    QVERIFY(reading.observed && reading.observed->at.isValid());
}

void TestObservationReading::notAnObservation_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("location only") << QStringLiteral("Denver International Airport, CO (KDEN)\n");
    QTest::newRow("error page") << QStringLiteral("<html><head>\n<title>404 Not Found</title>\n</head>\n");
}

void TestObservationReading::notAnObservation()
{
    QFETCH(QString, text);
    const ConditionsReading reading = ObservationReading::read(text, QStringLiteral("KDEN"));
    QVERIFY(!reading.received);
    QVERIFY(reading.problem.contains(QStringLiteral("KDEN")));
}

QTEST_MAIN(TestObservationReading)
#include "tst_observationreading.moc"
