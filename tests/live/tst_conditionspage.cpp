#include "ConditionsPage.h"
#include "DecodedObservation.h"
#include "Extraction.h"
#include "SkyClasses.h"
#include "StripMarkup.h"
#include "TestData.h"

#include <QTest>

using Extraction::ExtractField;

namespace {

// Location, temperature, humidity, dew point, wind, pressure, sky and
// visibility, as the program cuts them from a page.
QStringList shownValues(const QByteArray& page)
{
    QString text = StripMarkup(QString::fromLatin1(page));
    if (!Extraction::cutAtTitle(text))
        return {};
    QStringList values{ExtractField(text, QString(), 5, false)};
    for (const char* label : {"Temperature", "Relative Humidity", "Dew Point", "Wind", "Pressure",
                              "Sky conditions", "Visibility"})
        values.append(ExtractField(text, QLatin1StringView(label), 3, true));
    return values;
}

} // namespace

class TestConditionsPage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void observationShowsAsTheServiceWordsIt_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("shown"); // the eight values, "|" between them
        QTest::addColumn<QList<int>>("trayPictures");
        QTest::newRow("every value")
            << QStringLiteral("KDEN.TXT")
            << QStringLiteral(
                   "Denver International Airport, CO, United States (KDEN) 39-50N 104-39W 1640M|"
                   "30.0 F (-1.1 C)|71%|21.9 F (-5.6 C)|from the NNE (030 degrees) at 7 MPH (6 KT)|"
                   "30.12 in. Hg (1020 hPa)|partly cloudy|10 mile(s)")
            << QList<int>{SkyClasses::Cloud};
        QTest::newRow("variable wind, snow falling")
            << QStringLiteral("KPUB.TXT")
            << QStringLiteral(
                   "Pueblo Memorial Airport, CO, United States (KPUB) 38-17N 104-30W 1439M|"
                   "28.9 F (-1.7 C)|89%|26.1 F (-3.3 C)|Variable at 5 MPH (4 KT)|30.18 in. Hg (1022 hPa)|"
                   "overcast; light snow; mist|2 mile(s)")
            << QList<int>{SkyClasses::Overcast, SkyClasses::Snow};
        // An automatic station's report without visibility, sky or dew point.
        QTest::newRow("missing values stay empty")
            << QStringLiteral("KSKX.TXT")
            << QStringLiteral(
                   "Taos Regional Airport, NM, United States (KSKX) 36-27N 105-40W 2163M|27 F (-3 C)|||"
                   "from the W (270 degrees) at 12 MPH (10 KT) gusting to 23 MPH (20 KT)|"
                   "30.21 in. Hg (1023 hPa)||")
            << QList<int>{};
        QTest::newRow("Alaska")
            << QStringLiteral("PANC.TXT")
            << QStringLiteral(
                   "Anchorage, Ted Stevens Anchorage International Airport, AK, United States (PANC) "
                   "61-10N 150-01W 37M|12.0 F (-11.1 C)|73%|5.0 F (-15.0 C)|"
                   "from the N (360 degrees) at 9 MPH (8 KT)|29.84 in. Hg (1010 hPa)|"
                   "mostly cloudy; light snow|7 mile(s)")
            << QList<int>{SkyClasses::Cloud, SkyClasses::Snow};
    }

    void observationShowsAsTheServiceWordsIt()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, shown);
        QFETCH(QList<int>, trayPictures);
        const auto decoded =
            DecodedObservation::parse(TestData::page(QStringLiteral("live/observations/") + fixture));
        QVERIFY(decoded);
        const QStringList values = shownValues(
            ConditionsPage::render(ConditionsPage::fromDecoded(*decoded), QStringLiteral("co"), false));
        QCOMPARE(values.join(QLatin1Char('|')), shown);
        QCOMPARE(SkyClasses::classify(values.value(6)).shown, trayPictures);
    }

    void locationHoldingALabel_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Wind in a town's name")
            << QStringLiteral("Windsor Locks, Bradley International Airport (KBDL)")
            << QStringLiteral("WINDSOR Locks, Bradley International Airport (KBDL)");
        QTest::newRow("two labels") << QStringLiteral("Dew Point Pressure Ridge (KXYZ)")
                                    << QStringLiteral("DEW POINT PRESSURE Ridge (KXYZ)");
    }

    // The program would count a value's lines from a label in the
    // location; each value must still come from its own row.
    void locationHoldingALabel()
    {
        QFETCH(QString, location);
        QFETCH(QString, shown);
        ConditionsPage::Observation observation;
        observation.location = location;
        observation.wind = QStringLiteral("Calm");
        observation.dewPoint = QStringLiteral("20 F (-7 C)");
        observation.pressure = QStringLiteral("30.01 in. Hg (1016 hPa)");
        const QStringList values =
            shownValues(ConditionsPage::render(observation, QStringLiteral("ct"), false));
        QCOMPARE(values.mid(3, 3),
                 (QStringList{observation.dewPoint, observation.wind, observation.pressure}));
        QCOMPARE(values.value(0), shown);
    }

    void notAnObservation_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("location only") << QStringLiteral("Denver International Airport, CO (KDEN)\n");
        QTest::newRow("error page") << QStringLiteral(
            "<html><head>\n<title>404 Not Found</title>\n</head>\n");
    }

    void notAnObservation()
    {
        QFETCH(QString, text);
        QVERIFY(!DecodedObservation::parse(text));
    }
};

QTEST_MAIN(TestConditionsPage)
#include "tst_conditionspage.moc"
