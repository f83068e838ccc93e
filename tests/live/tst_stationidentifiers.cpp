#include "live/StationIdentifiers.h"
#include "settings/StationTable.h"

#include <QRegularExpression>
#include <QTest>

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

    // Only a code standing in for a closed station says where it was
    // observed; the distances are great circles between NOAA's positions.
    void observedAt()
    {
        QCOMPARE(StationIdentifiers::observedAt(QStringLiteral("uca")),
                 QStringLiteral(
                     "Observed at Griffiss International Airport (KRME), 9 km from Utica's former station"));
        QCOMPARE(
            StationIdentifiers::observedAt(QStringLiteral("MSV")),
            QStringLiteral("Observed at Orange County Airport, Montgomery (KMGJ), 49 km from Monticello's "
                           "former station"));
        QCOMPARE(StationIdentifiers::observedAt(QStringLiteral("E23")), QString());
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
