#include "StationIdentifiers.h"
#include "StationTable.h"

#include <QRegularExpression>
#include <QTest>
#include <cmath>

class TestStationIdentifiers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void identifier_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("identifier");
        const char* rows[][3] = {
            {"contiguous states", "DEN", "KDEN"},
            {"Anchorage", "ANC", "PANC"},
            {"Fairbanks", "FAI", "PAFA"},
            {"Dutch Harbor", "DUT", "PADU"},
            {"Honolulu", "HNL", "PHNL"},
            {"Maui", "OGG", "PHOG"},
            {"San Juan", "SJU", "TJSJ"},
            {"Cancun", "CUN", "MMUN"},
            {"Taos", "E23", "KSKX"},
            {"a changed code", "PVV", "KPVU"},
            {"typed in lower case", "anc", "PANC"},
            {"Hanford, silent since 2013", "HMS", "KRLD"},
            {"Monticello, silent since 2024", "MSV", "KMGJ"},
            {"Toledo, silent since 2007", "TDO", "KCLS"},
            {"Utica, silent since 1997", "UCA", "KRME"},
            {"West Yellowstone", "WEY", "KWYS"},
        };
        for (const auto& row : rows)
            QTest::newRow(row[0]) << QString::fromLatin1(row[1]) << QString::fromLatin1(row[2]);
    }

    void identifier()
    {
        QFETCH(QString, code);
        QFETCH(QString, identifier);
        QCOMPARE(StationIdentifiers::icaoFor(code), identifier);
    }

    void observedAt_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("line");
        const char* rows[][3] = {
            {"Hanford", "HMS", "Observed at Richland Airport (KRLD), 37 km from Hanford's former station"},
            {"Monticello", "MSV",
             "Observed at Orange County Airport, Montgomery (KMGJ), 49 km from Monticello's former station"},
            {"Toledo", "TDO",
             "Observed at Chehalis-Centralia Airport (KCLS), 26 km from Toledo's former station"},
            {"Utica, typed in lower case", "uca",
             "Observed at Griffiss International Airport (KRME), 9 km from Utica's former station"},
            {"a station that reports as itself", "DEN", ""},
            {"a station that reports under another identifier", "E23", ""},
            {"a typed code", "XYZ", ""},
        };
        for (const auto& row : rows)
            QTest::newRow(row[0]) << QString::fromLatin1(row[1]) << QString::fromLatin1(row[2]);
    }

    void observedAt()
    {
        QFETCH(QString, code);
        QFETCH(QString, line);
        QCOMPARE(StationIdentifiers::observedAt(code), line);
    }

    void distance_data()
    {
        QTest::addColumn<QList<double>>("points"); // latitude, longitude of each
        QTest::addColumn<double>("km");
        // Utica's Oneida County Airport to Griffiss, NOAA's station history.
        QTest::newRow("Utica to Griffiss") << QList<double>{43.145, -75.384, 43.224, -75.396} << 8.838;
        // A degree of longitude at the equator, and across the date line.
        QTest::newRow("one degree on the equator") << QList<double>{0, 0, 0, 1} << 111.195;
        QTest::newRow("across the date line") << QList<double>{0, 179.5, 0, -179.5} << 111.195;
        QTest::newRow("the same point") << QList<double>{46.567, -119.6, 46.567, -119.6} << 0.0;
    }

    void distance()
    {
        QFETCH(QList<double>, points);
        QFETCH(double, km);
        const double got = StationIdentifiers::distanceKm(points[0], points[1], points[2], points[3]);
        QVERIFY2(std::abs(got - km) < 0.005, qPrintable(QString::number(got, 'f', 4)));
    }

    // Every entry reaches some station, and the seven outside the
    // contiguous states never under the program's own "K".
    void everyTableStation()
    {
        const QRegularExpression outside(QStringLiteral(", (AK|HI|PR|MEXICO)$"));
        int abroad = 0;
        for (const QString& entry : StationTable::entries()) {
            const QString identifier = StationIdentifiers::icaoFor(StationTable::stationCode(entry));
            QVERIFY2(QRegularExpression(QStringLiteral("^[A-Z]{4}$")).match(identifier).hasMatch(),
                     qPrintable(entry));
            if (outside.match(entry).hasMatch()) {
                ++abroad;
                QVERIFY2(!identifier.startsWith(QLatin1Char('K')), qPrintable(entry));
            }
        }
        QCOMPARE(abroad, 7);
    }
};

QTEST_MAIN(TestStationIdentifiers)
#include "tst_stationidentifiers.moc"
