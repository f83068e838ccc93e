#include "live/SatelliteSources.h"
#include "live/SourceTemplates.h"

#include <QSet>
#include <QTest>

using Values = QList<std::pair<QString, QString>>;

class TestSourceTemplates : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void expand_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<Values>("values");
        QTest::addColumn<QString>("expanded");
        const Values station{{QStringLiteral("station"), QStringLiteral("KDEN")}};
        QTest::newRow("twice, in a path and a query")
            << QStringLiteral("http://h/{station}.TXT?id={station}") << station
            << QStringLiteral("http://h/KDEN.TXT?id=KDEN");
        QTest::newRow("a value cannot leave its segment")
            << QStringLiteral("http://h/obs/{station}.TXT")
            << Values{{QStringLiteral("station"), QStringLiteral("../K D?N#x")}}
            << QStringLiteral("http://h/obs/..%2FK%20D%3FN%23x.TXT");
        QTest::newRow("a value is not expanded again")
            << QStringLiteral("http://h/{office}/{state}")
            << Values{{QStringLiteral("office"), QStringLiteral("{state}")},
                      {QStringLiteral("state"), QStringLiteral("co")}}
            << QStringLiteral("http://h/%7Bstate%7D/co");
        QTest::newRow("unknown placeholder and unclosed brace stay")
            << QStringLiteral("http://h/{other}/{station") << station
            << QStringLiteral("http://h/{other}/{station");
    }

    void expand()
    {
        QFETCH(QString, pattern);
        QFETCH(Values, values);
        QFETCH(QString, expanded);
        QCOMPARE(SourceTemplates::expand(pattern, values), expanded);
    }

    void environmentOverrides_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("urls");
        const QString observation =
            QStringLiteral("https://tgftp.nws.noaa.gov/data/observations/metar/decoded/KDEN.TXT");
        const QString product =
            QStringLiteral("https://api.weather.gov/products/types/ZFP/locations/BOU/latest");
        QTest::newRow("nothing set") << QString() << QString() << observation + QLatin1Char(' ') + product;
        QTest::newRow("set but empty")
            << SourceTemplates::observationVariable << QString() << observation + QLatin1Char(' ') + product;
        QTest::newRow("observation") << SourceTemplates::observationVariable
                                     << QStringLiteral("http://127.0.0.1:8080/obs/{station}.TXT")
                                     << QStringLiteral("http://127.0.0.1:8080/obs/KDEN.TXT ") + product;
        QTest::newRow("zone forecast, by state too")
            << SourceTemplates::zoneForecastVariable << QStringLiteral("http://mirror/{state}/{office}.txt")
            << observation + QStringLiteral(" http://mirror/co/BOU.txt");
    }

    void environmentOverrides()
    {
        QFETCH(QString, variable);
        QFETCH(QString, value);
        QFETCH(QString, urls);
        QProcessEnvironment environment;
        if (!variable.isEmpty())
            environment.insert(variable, value);
        const SourceTemplates templates = SourceTemplates::fromEnvironment(environment);
        QCOMPARE(templates.observationUrl(QStringLiteral("KDEN")).toString() + QLatin1Char(' ') +
                     templates.zoneForecastUrl(QStringLiteral("BOU"), QStringLiteral("co")).toString(),
                 urls);
    }

    void satellitePicture_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("url"); // empty: not one of the viewer's paths
        const QString cdn = QStringLiteral("https://cdn.star.nesdis.noaa.gov/");
        QTest::newRow("East infrared")
            << QStringLiteral("/GIFS/ECIR.JPG") << cdn + QStringLiteral("GOES19/ABI/CONUS/13/1250x750.jpg");
        QTest::newRow("West visible")
            << QStringLiteral("/GIFS/WCVS.JPG") << cdn + QStringLiteral("GOES18/ABI/CONUS/02/1250x750.jpg");
        QTest::newRow("US water vapour as GIF")
            << QStringLiteral("/GIFS/NHWV.GIF") << cdn + QStringLiteral("GOES19/ABI/FD/09/678x678.jpg");
        QTest::newRow("infrared has no GIF") << QStringLiteral("/GIFS/ECIR.GIF") << QString();
        QTest::newRow("lower case") << QStringLiteral("/GIFS/ecir.jpg") << QString();
    }

    void satellitePicture()
    {
        QFETCH(QString, path);
        QFETCH(QString, url);
        const std::optional<SatelliteSources::Picture> picture = SatelliteSources::forPath(path);
        QCOMPARE(picture ? SourceTemplates::defaults().satelliteUrl(*picture).toString() : QString(), url);
    }

    // The viewer's twelve paths name nine pictures, each a different one.
    void twelvePathsNinePictures()
    {
        QSet<QString> urls;
        for (const char* region : {"EC", "WC", "NH"}) {
            for (const char* name : {"IR.JPG", "VS.JPG", "WV.JPG", "WV.GIF"}) {
                const auto picture = SatelliteSources::forPath(
                    QStringLiteral("/GIFS/%1%2").arg(QLatin1StringView(region), QLatin1StringView(name)));
                QVERIFY(picture);
                urls.insert(SourceTemplates::defaults().satelliteUrl(*picture).toString());
            }
        }
        QCOMPARE(urls.size(), 9);
    }
};

QTEST_MAIN(TestSourceTemplates)
#include "tst_sourcetemplates.moc"
